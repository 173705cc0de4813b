#include "json_writer.h"

#include <boost/json/array.hpp>
#include <boost/json/object.hpp>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iterator>
#include <vector>

#include "number_text.h"
#include "string_scan.h"

namespace zorvs_mcp::json {
namespace {

namespace bj = boost::json;

// Makes `out` `size` bytes long, its capacity growing at least twofold.
void grow_to(std::string& out, std::size_t size) {
  if (size > out.capacity()) out.reserve(std::max(size, 2 * out.capacity()));
  out.resize(size);
}

void grow_to(TextBuffer& out, std::size_t size) {
  out.resize(size);
}

// Writes into a std::string or a TextBuffer.
template <class Out>
class Writer {
 public:
  explicit Writer(Out& out) : out_(out) {}

  bool value(const Value& v, int depth) {
    switch (v.kind()) {
      case bj::kind::null:
        out_.append("null", 4);
        return true;
      case bj::kind::bool_:
        if (v.get_bool()) {
          out_.append("true", 4);
        } else {
          out_.append("false", 5);
        }
        return true;
      case bj::kind::int64:
        integer(v.get_int64());
        return true;
      case bj::kind::uint64:
        integer(v.get_uint64());
        return true;
      case bj::kind::double_:
        real(v.get_double());
        return true;
      case bj::kind::string:
        string(v.get_string());
        return true;
      case bj::kind::array:
        return array(v.get_array(), depth + 1);
      case bj::kind::object:
        return object(v.get_object(), depth + 1);
    }
    return false;
  }

  // Writes the string token of `s`: plain runs are copied by
  // copy_plain_run() while they are scanned, into room made at once, and
  // escapes are stored in place, with no append call per run or escape.
  void string(std::string_view s) {
    const char* p = s.data();
    std::size_t n = s.size();
    // Room for the quotes and for escapes in one byte of eight: text rarely
    // has more, so a long string is written without moving the buffer.
    char* o = make_room(out_.size(), 1 + n + n / 8 + kEscapeRoom);
    *o++ = '"';
    for (;;) {
      if (static_cast<std::size_t>(room_end() - o) < n + kEscapeRoom) {
        o = make_room(static_cast<std::size_t>(o - out_.data()), n + n / 8 + kEscapeRoom);
      }
      const std::size_t run = copy_plain_run(p, n, o);
      o += run;
      if (run == n) break;
      o = put_escape(o, static_cast<unsigned char>(p[run]));
      p += run + 1;
      n -= run + 1;
    }
    *o++ = '"';
    out_.resize(static_cast<std::size_t>(o - out_.data()));
  }

 private:
  template <class Int>
  void integer(Int i) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, i);
    out_.append(buf, static_cast<std::size_t>(r.ptr - buf));
  }

  void real(double d) {
    if (!std::isfinite(d)) {  // never parsed; JSON has no text for it
      out_.append("null", 4);
      return;
    }
    char buf[kMaxDoubleText];
    out_.append(buf, write_double(d, buf));
  }

  // One escape and the closing quote.
  static constexpr std::size_t kEscapeRoom = 7;

  // Resizes out_ to `used` bytes plus `room` and returns where the room
  // begins; growth at least doubles, so that a string with many escapes
  // makes room only a few times.
  char* make_room(std::size_t used, std::size_t room) {
    grow_to(out_, used + room);
    return out_.data() + used;
  }

  char* room_end() { return out_.data() + out_.size(); }

  // Stores the escape of `c`, a byte that is_special(), at o.
  static char* put_escape(char* o, unsigned char c) {
    static constexpr char kHex[] = "0123456789abcdef";
    *o++ = '\\';
    switch (c) {
      case '"':
        *o++ = '"';
        return o;
      case '\\':
        *o++ = '\\';
        return o;
      case '\b':
        *o++ = 'b';
        return o;
      case '\t':
        *o++ = 't';
        return o;
      case '\n':
        *o++ = 'n';
        return o;
      case '\f':
        *o++ = 'f';
        return o;
      case '\r':
        *o++ = 'r';
        return o;
      default:
        o[0] = 'u';
        o[1] = '0';
        o[2] = '0';
        o[3] = kHex[c >> 4];
        o[4] = kHex[c & 0xF];
        return o + 5;
    }
  }

  bool array(const bj::array& a, int depth) {
    if (depth > kMaxWriteDepth) return false;
    out_.push_back('[');
    bool first = true;
    for (const Value& item : a) {
      if (!first) out_.push_back(',');
      first = false;
      if (!value(item, depth)) return false;
    }
    out_.push_back(']');
    return true;
  }

  bool object(const bj::object& o, int depth) {
    if (depth > kMaxWriteDepth) return false;
    out_.push_back('{');
    // Boost keeps insertion order. Messages the bridge writes are mostly
    // sorted already (they were written by a sorting writer), so check first
    // and sort pointers to the members only when needed. One buffer serves
    // every level: each object uses the segment past the end of its parents'.
    const auto by_key = [](const bj::key_value_pair* a, const bj::key_value_pair* b) {
      return a->key() < b->key();
    };
    bool sorted = true;
    for (auto it = o.begin(); it != o.end(); ++it) {
      if (it != o.begin() && !(std::prev(it)->key() < it->key())) {
        sorted = false;
        break;
      }
    }
    bool ok = true;
    if (sorted) {
      bool first = true;
      for (const auto& kv : o) {
        if (!first) out_.push_back(',');
        first = false;
        if (!(ok = member(kv, depth))) break;
      }
    } else {
      const std::size_t base = order_.size();
      for (const auto& kv : o) order_.push_back(&kv);
      std::sort(order_.begin() + static_cast<std::ptrdiff_t>(base), order_.end(), by_key);
      for (std::size_t i = base; i < base + o.size(); ++i) {
        if (i != base) out_.push_back(',');
        if (!(ok = member(*order_[i], depth))) break;
      }
      order_.resize(base);
    }
    if (ok) out_.push_back('}');
    return ok;
  }

  bool member(const bj::key_value_pair& kv, int depth) {
    string(kv.key());
    out_.push_back(':');
    return value(kv.value(), depth);
  }

  Out& out_;
  std::vector<const bj::key_value_pair*> order_;
};

template <class Out>
bool write_to(const Value& value, Out& out) {
  const std::size_t size = out.size();
  Writer<Out> writer(out);
  if (writer.value(value, 0)) return true;
  out.resize(size);
  return false;
}

}  // namespace

bool write(const Value& value, std::string& out) {
  return write_to(value, out);
}

bool write(const Value& value, TextBuffer& out) {
  return write_to(value, out);
}

void write_string(std::string_view s, TextBuffer& out) {
  Writer<TextBuffer>(out).string(s);
}

std::string to_text(const Value& value) {
  std::string out;
  if (!write(value, out)) out.clear();
  return out;
}

}  // namespace zorvs_mcp::json
