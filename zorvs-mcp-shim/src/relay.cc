// relay() of json.h: one reply line from its text to its canonical text.
#include "json.h"

#include <boost/json/object.hpp>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <new>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "json_tokens.h"
#include "json_writer.h"
#include "string_scan.h"
#include "utf8.h"
#include "vector_paths.h"

namespace zorvs_mcp::json {
namespace {

// A reply from the host is read only to be written again, so relay() goes
// from text to text without building the value: each token is read by the
// tokenizer (json_tokens.h) and written as the writer writes it. A string whose
// escapes are all ones the writer uses (tool results are mostly such text)
// is written as it stands once scanned, never decoded and encoded again,
// and a long one is not even copied but borrowed from the text. A member
// whose key sorts before short members already written takes their place;
// past that, an object is put in key order at its end, moving only the
// members out of place. A fault in the text is the tokenizer's, as parsing
// finds it. On a key with an escape in it or a key given twice it gives up,
// and the text is parsed and written instead.

// Length of the escape at p (a backslash) when the writer writes it so: \"
// \\ \b \t \n \f \r, or \u00xx in lower-case hex for another control
// character; 0 for any other escape.
inline std::size_t written_escape_length(const char* p, const char* end) {
  // By the byte after the backslash: 2 for the escapes written short, 6 for
  // \u, to be looked at further.
  static constexpr auto kLength = [] {
    std::array<std::uint8_t, 256> length{};
    for (const char c : std::string_view("\"\\btnfr")) length[static_cast<unsigned char>(c)] = 2;
    length['u'] = 6;
    return length;
  }();
  if (end - p < 2) return 0;
  const std::size_t length = kLength[static_cast<unsigned char>(p[1])];
  if (length != 6) return length;
  if (end - p < 6 || p[2] != '0' || p[3] != '0' || (p[4] != '0' && p[4] != '1')) return 0;
  const bool lower_hex = is_digit(p[5]) || (p[5] >= 'a' && p[5] <= 'f');
  if (!lower_hex) return 0;
  const int unit = (p[4] - '0') * 16 + hex_digit(p[5]);
  const bool has_short_form =
      unit == '\b' || unit == '\t' || unit == '\n' || unit == '\f' || unit == '\r';
  return has_short_form ? 0 : 6;
}

class Rewriter : Tokenizer {
 public:
  // With `check_utf8`, strings check their UTF-8 as they are scanned, and
  // the text need not have been checked; its other tokens are ASCII.
  // Strings of `min_borrowed` bytes or more are borrowed into `borrowed`.
  // The places of the top-level object's members go to `top_members`.
  Rewriter(std::string_view text, TextBuffer& out, bool check_utf8, std::size_t min_borrowed,
           std::vector<Borrowed>* borrowed, std::vector<Relayed::Member>* top_members)
      : Tokenizer(text, check_utf8),
        out_(out),
        min_borrowed_(min_borrowed),
        borrowed_(borrowed),
        top_members_(top_members) {}

  // Appends the written form of the text to out; false when it gives up
  // or meets a fault.
  bool run() { return value(Slot::kValue, 0) && end_of_text(); }

  using Tokenizer::fault;
  using Tokenizer::has_fault;

 private:
  // A member of an object being written, as offsets in out_, which may move
  // as it grows.
  struct Member {
    std::size_t begin;       // its key's opening quote
    std::size_t end;         // past its value
    std::size_t key_length;  // between the key's quotes
  };

  // The value at the cursor, within `depth` containers.
  bool value(Slot slot, int depth) {
    switch (value_start(slot, depth)) {
      case Kind::kFault:
        return false;
      case Kind::kObject:
        return object(depth + 1);
      case Kind::kArray:
        return array(depth + 1);
      case Kind::kString:
        return string();
      case Kind::kNumber: {
        Value n;
        return number(n) && write(n, out_);
      }
      case Kind::kLiteral: {
        std::string_view word;
        if (!literal(word)) return false;
        out_.append(word.data(), word.size());
        return true;
      }
    }
    return false;
  }

  // Writes the closing bracket of a container whose last item has been
  // read, unless that ended in a fault.
  bool close(char bracket) {
    if (has_fault()) return false;
    out_.push_back(bracket);
    return true;
  }

  bool array(int depth) {
    out_.push_back('[');
    if (!first_element()) return close(']');
    Slot slot = Slot::kValue;
    while (true) {
      if (!value(slot, depth)) return false;
      slot = Slot::kNextElement;
      if (!next_element()) break;
      out_.push_back(',');
    }
    return close(']');
  }

  bool object(int depth) {
    const std::size_t open = out_.size();
    out_.push_back('{');
    if (!first_key()) return close('}');
    const std::size_t base = members_.size();
    bool in_order = true;  // members_[base] on are in key order
    while (true) {
      Member member{};
      member.begin = out_.size();
      if (!string(false)) return false;
      member.key_length = out_.size() - member.begin - 2;
      // Keys sort by their bytes unescaped, which are the written ones only
      // when nothing in them is escaped.
      if (std::memchr(out_.data() + member.begin + 1, '\\', member.key_length) != nullptr) {
        return false;
      }
      std::size_t place = members_.size();
      const std::size_t later_from = later_.size();
      if (in_order) {
        place = place_key(base, member);
        if (place == kKeyTwice) return false;
        in_order = place != kOutOfOrder;
        if (!in_order) place = members_.size();
      }
      if (!colon()) return false;
      out_.push_back(':');
      if (!value(Slot::kValue, depth)) return false;
      member.end = out_.size();
      if (place < members_.size()) put_back_later(place, member.end, later_from);
      members_.insert(members_.begin() + static_cast<std::ptrdiff_t>(place), member);
      if (!next_key()) break;
      out_.push_back(',');
    }
    if (depth == 1 && top_members_ != nullptr) record_top_members(base, open);
    if (has_fault() || !put_in_key_order(base)) return false;
    members_.resize(base);
    return close('}');
  }

  // Records where the members from members_[base] on will lie once they
  // are in key order after the '{' at `open`: one after another, with a
  // comma between them.
  void record_top_members(std::size_t base, std::size_t open) {
    sorted_.assign(members_.begin() + static_cast<std::ptrdiff_t>(base), members_.end());
    std::sort(sorted_.begin(), sorted_.end(),
              [this](const Member& a, const Member& b) { return key(a) < key(b); });
    std::size_t at = open + 1;
    for (const Member& m : sorted_) {
      const std::size_t end = at + (m.end - m.begin);
      top_members_->push_back({at, at + m.key_length + 3, end});  // after "key":
      at = end + 1;
    }
  }

  std::string_view key(const Member& m) const {
    return out_.view().substr(m.begin + 1, m.key_length);
  }

  static constexpr std::size_t kKeyTwice = SIZE_MAX;
  static constexpr std::size_t kOutOfOrder = SIZE_MAX - 1;
  // Members that sort after a new key are moved out of its way only while
  // they are this short; past that the object is put in order at its end.
  static constexpr std::size_t kMaxMoved = 4096;

  // Where `member`, whose key has just been written after the members from
  // members_[base] on (in key order), goes among them. Members with later
  // keys are moved to the end of later_ and out_ is cut back to where the
  // first of them began, with the key written there, so that the member's
  // value is written in its place; kOutOfOrder when they are too long to
  // move, kKeyTwice when the key is there already.
  std::size_t place_key(std::size_t base, Member& member) {
    const auto first = members_.begin() + static_cast<std::ptrdiff_t>(base);
    const std::string_view new_key = key(member);
    if (first == members_.end() || key(members_.back()) < new_key) return members_.size();
    const auto after =
        std::upper_bound(first, members_.end(), new_key,
                         [this](std::string_view k, const Member& m) { return k < key(m); });
    if (after != first && key(*std::prev(after)) == new_key) return kKeyTwice;
    if (after == members_.end()) return members_.size();
    const std::size_t from = after->begin;
    if (member.begin - from > kMaxMoved) return kOutOfOrder;
    // later_ takes the members with their commas, then the key comes first.
    fill_borrowed(from, member.begin);
    later_.append(out_.data() + from, member.begin - from);
    const std::size_t key_size = out_.size() - member.begin;
    std::memmove(out_.data() + from, out_.data() + member.begin, key_size);
    out_.resize(from + key_size);
    member.begin = from;
    return static_cast<std::size_t>(after - members_.begin());
  }

  // Writes back the members place_key() moved to later_ from `later_from`
  // on, after the one that now ends at `end`, and moves their records along.
  void put_back_later(std::size_t place, std::size_t end, std::size_t later_from) {
    out_.push_back(',');
    out_.append(later_.data() + later_from, later_.size() - later_from - 1);  // not its last comma
    later_.resize(later_from);
    const std::size_t shift = end + 1 - members_[place].begin;
    for (auto m = members_.begin() + static_cast<std::ptrdiff_t>(place); m != members_.end(); ++m) {
      m->begin += shift;
      m->end += shift;
    }
  }

  // Puts the members from members_[base] on, written one after another with
  // commas between them, in ascending byte order of their keys. Members
  // already in their place at either end stay where they are; of the rest,
  // the longest moves once within out_ and the others go through moved_.
  // False for a key given twice.
  bool put_in_key_order(std::size_t base) {
    const auto first = members_.begin() + static_cast<std::ptrdiff_t>(base);
    const auto by_key = [this](const Member& a, const Member& b) { return key(a) < key(b); };
    const auto not_before = [&](const Member& a, const Member& b) { return !by_key(a, b); };
    if (std::adjacent_find(first, members_.end(), not_before) == members_.end()) return true;
    sorted_.assign(first, members_.end());
    std::sort(sorted_.begin(), sorted_.end(), by_key);
    if (std::adjacent_find(sorted_.begin(), sorted_.end(), not_before) != sorted_.end())
      return false;

    const auto length = [](const Member& m) { return m.end - m.begin; };
    const auto in_place = [&](std::size_t i) {
      return sorted_[i].begin == first[static_cast<std::ptrdiff_t>(i)].begin;
    };
    std::size_t lo = 0;
    while (in_place(lo)) ++lo;
    std::size_t hi = sorted_.size();
    while (in_place(hi - 1)) --hi;
    const auto longest =
        std::max_element(sorted_.begin() + static_cast<std::ptrdiff_t>(lo),
                         sorted_.begin() + static_cast<std::ptrdiff_t>(hi),
                         [&](const Member& a, const Member& b) { return length(a) < length(b); });
    std::size_t longest_at = first[static_cast<std::ptrdiff_t>(lo)].begin;
    for (auto m = sorted_.begin() + static_cast<std::ptrdiff_t>(lo); m != longest; ++m) {
      longest_at += length(*m) + 1;  // and its comma
    }
    // Borrowed stretches of the longest member move with it; those of the
    // others, which go through moved_, are filled in first.
    if (borrowed_ != nullptr) {
      const std::size_t from = first[static_cast<std::ptrdiff_t>(lo)].begin;
      const std::size_t to = first[static_cast<std::ptrdiff_t>(hi - 1)].end;
      std::erase_if(*borrowed_, [&](Borrowed& b) {
        if (b.at < from || b.at >= to) return false;
        if (b.at >= longest->begin && b.at < longest->end) {
          b.at = b.at - longest->begin + longest_at;
          return false;
        }
        std::memcpy(out_.data() + b.at, b.from, b.size);
        return true;
      });
    }
    moved_.clear();
    for (std::size_t i = lo; i < hi; ++i) {
      if (sorted_.begin() + static_cast<std::ptrdiff_t>(i) == longest) continue;
      moved_.append(out_.data() + sorted_[i].begin, length(sorted_[i]));
    }
    std::memmove(out_.data() + longest_at, out_.data() + longest->begin, length(*longest));
    char* o = out_.data() + first[static_cast<std::ptrdiff_t>(lo)].begin;
    const char* from = moved_.data();
    for (std::size_t i = lo; i < hi; ++i) {
      if (i != lo) *o++ = ',';
      const std::size_t n = length(sorted_[i]);
      if (sorted_.begin() + static_cast<std::ptrdiff_t>(i) != longest) {
        std::memcpy(o, from, n);
        from += n;
      }
      o += n;
    }
    return true;
  }

  // Writes the string token at p_. A token whose escapes are all the
  // writer's own is written as it stands: it is scanned a block at a time
  // and then copied or borrowed. Any other token is decoded and written
  // again. Keys are never borrowed: objects compare and move them.
  bool string(bool may_borrow = true) {
    const char* const start = p_;
    if (string_scanned(may_borrow)) return true;
    p_ = start;
    if (!string_fault()) return false;
    // No fault: a UTF-8 sequence cut short by the end of the text, which
    // refuses the text at its end (an empty string stands in for this one
    // while the rest is read), or a block scan that checked bytes past the
    // string's end.
    if (fault()) {
      out_.append("\"\"", 2);
      return true;
    }
    p_ = start;
    return rewrite_string();
  }

  bool string_scanned(bool may_borrow) {
#if defined(ZORVS_HAVE_AVX2_PATH)
    if (check_utf8_) return string_avx2(may_borrow);
#endif
    return string_in<NativeScan>(may_borrow);
  }

#if defined(ZORVS_HAVE_AVX2_PATH)
  __attribute__((target("avx2"))) bool string_avx2(bool may_borrow) {
    return string_in<Avx2Scan>(may_borrow);
  }
#endif

  // The escapes of a block are found all at once and checked by class, not
  // one by one: tool results have one every eight bytes or so.
  template <class Blocks>
  [[gnu::always_inline]] bool string_in(bool may_borrow) {
    const char* const in = p_;
    const std::size_t size = static_cast<std::size_t>(end_ - in);
    Blocks blocks;
    std::uint32_t carry = 0;
    for (std::size_t block = 1; block < size; block += kBlockSize) {
      const std::size_t left = size - block;
      const BlockBytes bytes =
          left >= kBlockSize ? blocks.scan(in + block) : scan_last(blocks, in + block, left);
      const std::uint32_t escaped = escaped_bytes(bytes.backslashes, carry);
      const std::uint32_t quotes = bytes.quotes & ~escaped;
      const std::uint32_t in_token = quotes != 0 ? (quotes & (0u - quotes)) - 1 : ~0u;
      if ((bytes.controls & in_token) != 0) return false;
      // Escaped bytes outside the short escapes: \u, written as it is when
      // it is \u00xx for a control character, or an escape to write again.
      for (std::uint32_t other = escaped & ~bytes.short_escapes & in_token; other != 0;
           other &= other - 1) {
        const std::size_t at = block + static_cast<std::size_t>(std::countr_zero(other));
        if (written_escape_length(in + at - 1, end_) != 6) return rewrite_string();
      }
      if (quotes != 0) {
        const std::size_t at = block + static_cast<std::size_t>(std::countr_zero(quotes));
        return blocks.valid_utf8() && put_as_it_stands(at + 1, may_borrow);
      }
    }
    return false;  // no closing quote
  }

  // Writes the `length` bytes at p_, a token in written form, and steps over
  // them: copied, or borrowed where long enough, with room left for them.
  bool put_as_it_stands(std::size_t length, bool may_borrow) {
    const std::size_t at = out_.size();
    if (may_borrow && length >= min_borrowed_) {
      borrowed_->push_back({at, p_, length});
      // Room for the rest of the text as well, so that the block seldom
      // moves, which would copy the room.
      out_.resize(at + static_cast<std::size_t>(end_ - p_) + kRoomAfterBorrowed);
      out_.resize(at + length);
    } else {
      out_.append(p_, length);
    }
    p_ += length;
    return true;
  }

  // Fills in the borrowed stretches of out_ that begin in [from, to), which
  // is about to move, and forgets them.
  void fill_borrowed(std::size_t from, std::size_t to) {
    if (borrowed_ == nullptr) return;
    std::erase_if(*borrowed_, [&](const Borrowed& b) {
      if (b.at < from || b.at >= to) return false;
      std::memcpy(out_.data() + b.at, b.from, b.size);
      return true;
    });
  }

  bool rewrite_string() {
    const auto raw = scan_string(p_, end_);
    if (!raw || !is_valid_utf8(*raw)) return false;
    decoded_.resize(raw->size());
    const char* end = unescape(*raw, decoded_.data());
    if (end == nullptr) return false;
    write_string({decoded_.data(), static_cast<std::size_t>(end - decoded_.data())}, out_);
    return true;
  }

  TextBuffer& out_;
  std::vector<Member> members_;  // of the objects being written, outermost first
  std::vector<Member> sorted_;
  static constexpr std::size_t kRoomAfterBorrowed = 4096;

  const std::size_t min_borrowed_;
  std::vector<Borrowed>* const borrowed_;
  std::vector<Relayed::Member>* const top_members_;
  std::string moved_;
  std::string later_;  // members moved out of a new member's way, innermost object last
  std::string decoded_;
};

// Writes `value` as write() does, recording where the members of a
// top-level object lie.
void write_recording_members(const Value& value, Relayed& relayed) {
  TextBuffer& out = relayed.written;
  const auto* object = value.if_object();
  if (object == nullptr) {
    write(value, out);
    return;
  }
  std::vector<const boost::json::key_value_pair*> sorted;
  for (const auto& member : *object) sorted.push_back(&member);
  std::sort(sorted.begin(), sorted.end(),
            [](const auto* a, const auto* b) { return a->key() < b->key(); });
  out.push_back('{');
  for (const auto* member : sorted) {
    if (member != sorted.front()) out.push_back(',');
    const std::size_t key = out.size();
    write_string(member->key(), out);
    out.push_back(':');
    const std::size_t at = out.size();
    write(member->value(), out);  // what parses always writes
    relayed.members.push_back({key, at, out.size()});
  }
  out.push_back('}');
}

}  // namespace

std::optional<ParseError> relay(std::string_view line, std::size_t min_borrowed, Relayed& relayed) {
  TextBuffer& out = relayed.written;
  std::vector<Borrowed>& borrowed = relayed.borrowed;
  const std::size_t size = out.size();
  const std::size_t borrowed_before = borrowed.size();
  relayed.members.clear();
  try {
    const bool check_strings = block_scan_backend() == ScanBackend::kAvx2;
    if (check_strings || is_valid_utf8(line)) {
      Rewriter rewriter(line, out, check_strings, min_borrowed, &borrowed, &relayed.members);
      const bool done = rewriter.run();
      // Given up on (no fault met), the text is parsed instead, even where
      // a UTF-8 sequence ran into its end: that refuses the text only once
      // all of it has been read.
      const auto fault = done || rewriter.has_fault() ? rewriter.fault() : std::nullopt;
      if (fault) {
        out.resize(size);
        borrowed.resize(borrowed_before);
        relayed.members.clear();
        return fault;
      }
      if (done) return std::nullopt;
    }
  } catch (const std::bad_alloc&) {
    // Parsing runs into the same limit and describes it.
  } catch (const std::length_error&) {
  }
  out.resize(size);
  borrowed.resize(borrowed_before);
  relayed.members.clear();
  auto parsed = parse(line);
  if (auto* error = std::get_if<ParseError>(&parsed)) return std::move(*error);
  write_recording_members(std::get<Value>(parsed), relayed);
  return std::nullopt;
}

namespace {

// The text of written[begin, end) with the borrowed stretches in it filled
// in; a borrowed stretch lies wholly inside or outside the range.
std::vector<std::string_view> spans_between(const Relayed& relayed, std::size_t begin,
                                            std::size_t end) {
  const std::string_view out = relayed.written.view();
  std::vector<std::string_view> result;
  std::size_t done = begin;
  for (const Borrowed& b : relayed.borrowed) {
    if (b.at < begin || b.at >= end) continue;
    if (b.at > done) result.push_back(out.substr(done, b.at - done));
    result.emplace_back(b.from, b.size);
    done = b.at + b.size;
  }
  if (done < end) result.push_back(out.substr(done, end - done));
  return result;
}

}  // namespace

std::vector<std::string_view> Relayed::spans() const {
  return spans_between(*this, 0, written.size());
}

std::optional<std::vector<std::string_view>> Relayed::member_value(std::string_view key) const {
  TextBuffer token;
  write_string(key, token);
  token.push_back(':');
  for (const Member& m : members) {
    if (written.view().substr(m.key, m.value - m.key) == token.view()) {
      return spans_between(*this, m.value, m.end);
    }
  }
  return std::nullopt;
}

}  // namespace zorvs_mcp::json
