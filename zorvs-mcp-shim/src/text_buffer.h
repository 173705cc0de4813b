// The growing byte buffer that one message's text is read into and written
// out of.
#pragma once

#include <cstddef>
#include <string_view>

namespace zorvs_mcp::json {

// Bytes of one message's text: a reply line read from the host, then the
// answer written from it. Grows with realloc, which extends a large block in
// place where it can, so a long text is not copied at every doubling; room
// made for writing is not filled first, so it touches no more memory than
// the text takes.
class TextBuffer {
 public:
  TextBuffer() = default;
  TextBuffer(TextBuffer&& other) noexcept;
  TextBuffer& operator=(TextBuffer&& other) noexcept;
  ~TextBuffer();

  void append(const char* bytes, std::size_t n);
  void push_back(char c) {
    if (size_ < capacity_) {
      data_[size_++] = c;
    } else {
      append(&c, 1);
    }
  }
  void clear() { size_ = 0; }
  // Makes the size `n`; bytes added are left as they are, for the caller to
  // write.
  void resize(std::size_t n);
  std::size_t size() const { return size_; }
  char* data() { return data_; }
  std::string_view view() const { return {data_, size_}; }
  // Frees a block above 1 MiB that the last text used less than a quarter of.
  void release_if_oversized();
  // Lets go of the block without freeing it, for memory that must never be
  // written again (nor handed out by malloc to be written); empty after.
  void abandon() { data_ = nullptr, size_ = 0, capacity_ = 0; }

 private:
  void reserve(std::size_t n);

  char* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

}  // namespace zorvs_mcp::json
