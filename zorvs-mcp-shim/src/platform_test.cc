#include "platform.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "bridge_process.h"
#include "json.h"

namespace zorvs_mcp {
namespace {

// Strings this long are borrowed from the line, as the connection does.
constexpr std::size_t kMinBorrowed = 64 << 10;

// Relays `line`, already in reply.line, into reply.text.
void relay_line(Reply& reply) {
  ASSERT_FALSE(json::relay(reply.line.view(), kMinBorrowed, reply.text));
}

std::string joined(const json::Relayed& text) {
  std::string out;
  for (std::string_view span : text.spans()) out += span;
  return out;
}

// Letters that differ from one byte to the next, so that a byte out of
// place shows.
std::string letters(std::size_t size, std::size_t seed) {
  std::string text(size, '\0');
  for (std::size_t i = 0; i < size; ++i) text[i] = static_cast<char>('a' + (seed + i * 7) % 26);
  return text;
}

// A reply of many strings, long (borrowed from the line) and short, out of
// key order, through a pipe that a slow reader keeps the writes partial on.
TEST(WriteReply, WritesTheCanonicalTextAndALineFeed) {
  std::string line = "{";
  for (int i = 0; i < 400; ++i) {
    const std::size_t size = i % 97 == 1 ? 100'000 + i : 1 + i % 300;
    line += "\"k" + std::to_string(400 - i) + "\" : \"" + letters(size, i) + "\" ,";
  }
  line += "\"a\":[1, 2.5, null]}";
  Reply reply;
  reply.line.append(line.data(), line.size());
  relay_line(reply);
  ASSERT_FALSE(reply.text.borrowed.empty());
  const std::string expected = joined(reply.text) + "\n";

  bool written = false;
  const std::string received = testing::through_interrupted_pipe(
      [&](int fd) { return write_reply(fd, std::move(reply)); }, written);
  EXPECT_TRUE(written);
  EXPECT_EQ(received.size(), expected.size());
  EXPECT_TRUE(received == expected);
}

#if defined(__linux__)
// Where a pipe takes the pages of long strings instead of copies, they are
// dropped from the bridge, and the reader gets them as they were handed
// over, even when it first splices them on to another pipe (which takes the
// pages themselves along) and the memory the reply was in is taken again
// and written over before anything is read. Long strings begin and end at page borders and off them, and two
// of them share a page.
TEST(WriteReply, HandedOverStringsStayAsTheyWere) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizer's allocator does not hand freed memory out again at once";
#endif
  tune_memory();  // as the bridge runs: large blocks come from the heap and are reused
  const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  constexpr std::size_t kCapacity = 800'000;
  Reply reply;
  reply.line.resize(kCapacity);
  const auto address = reinterpret_cast<std::uintptr_t>(reply.line.data());
  std::size_t border = (page - address % page) % page;  // index of the first page border
  if (border < 8) border += page;

  // ["pad",S1,"pad",S2,S3,"short",S4] with S1's quote on a page border and
  // its end on one, S2 off them, S3 in the page S2 ends in.
  std::string line = "[";
  const auto pad_to = [&](std::size_t at, std::size_t seed) {  // the next token starts at `at`
    line += "\"" + letters(at - line.size() - 3, seed) + "\",";
  };
  pad_to(border, 1);
  line += "\"" + letters(20 * page - 2, 2) + "\",";
  pad_to(border + 21 * page + 1, 3);
  line += "\"" + letters(200'000, 4) + "\",\"" + letters(100'000, 5) + "\",\"short\",\"" +
          letters(70'000, 6) + "\"]";
  ASSERT_EQ(line.find('"', border), border);
  ASSERT_LT(line.size(), kCapacity);
  std::copy(line.begin(), line.end(), reply.line.data());
  reply.line.resize(line.size());
  relay_line(reply);
  ASSERT_EQ(reply.text.borrowed.size(), 4u);
  const std::string expected = joined(reply.text) + "\n";

  int first[2], second[2];
  ASSERT_EQ(::pipe(first), 0);
  ASSERT_EQ(::pipe(second), 0);
  const auto close_all = [&] {
    for (int fd : {first[0], first[1], second[0], second[1]}) ::close(fd);
  };
  if (::fcntl(second[1], F_SETPIPE_SZ, 1 << 20) < static_cast<int>(expected.size())) {
    close_all();
    GTEST_SKIP() << "a pipe cannot hold " << expected.size() << " bytes here";
  }
  std::size_t moved = 0;
  std::thread mover([&] {
    while (moved < expected.size()) {
      const ssize_t n = ::splice(first[0], nullptr, second[1], nullptr, expected.size() - moved, 0);
      if (n <= 0) break;
      moved += static_cast<std::size_t>(n);
    }
  });
  EXPECT_TRUE(write_reply(first[1], std::move(reply)));
  ::close(first[1]);  // a writer that stopped short ends the mover
  first[1] = -1;
  mover.join();
  ASSERT_EQ(moved, expected.size());

  // The whole pages of the long strings went to the pipe and were dropped,
  // where copies would have left them in memory: none of S1's is resident.
  // (The freed memory stays mapped: the heap keeps it for the next reply.)
  std::vector<unsigned char> resident(20);
  ASSERT_EQ(::mincore(reinterpret_cast<void*>(address + border), 20 * page, resident.data()), 0);
  EXPECT_TRUE(std::all_of(resident.begin(), resident.end(), [](unsigned char r) { return !(r & 1); }));
  // The next reply is read into memory the heap hands out again, likely
  // the same.
  json::TextBuffer next;
  next.resize(kCapacity);
  std::fill(next.data(), next.data() + kCapacity, 'X');

  std::string received(expected.size(), '\0');
  std::size_t got = 0;
  while (got < received.size()) {
    const ssize_t n = ::read(second[0], received.data() + got, received.size() - got);
    ASSERT_GT(n, 0);
    got += static_cast<std::size_t>(n);
  }
  EXPECT_TRUE(received == expected);
  close_all();
}
#endif

}  // namespace
}  // namespace zorvs_mcp
