#include "text_buffer.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace zorvs_mcp::json {

TextBuffer::TextBuffer(TextBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

TextBuffer& TextBuffer::operator=(TextBuffer&& other) noexcept {
  if (this != &other) {
    std::free(data_);
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
  }
  return *this;
}

TextBuffer::~TextBuffer() {
  std::free(data_);
}

void TextBuffer::reserve(std::size_t n) {
  if (n <= capacity_) return;
  // 8 KiB at least: the host's lines arrive in reads of that size.
  const std::size_t capacity = std::max({2 * capacity_, n, std::size_t{8192}});
  auto* grown = static_cast<char*>(std::realloc(data_, capacity));
  if (grown == nullptr) throw std::bad_alloc();
  data_ = grown;
  capacity_ = capacity;
}

void TextBuffer::append(const char* bytes, std::size_t n) {
  if (n == 0) return;  // data_ may still be null
  reserve(size_ + n);
  std::memcpy(data_ + size_, bytes, n);
  size_ += n;
}

void TextBuffer::resize(std::size_t n) {
  reserve(n);
  size_ = n;
}

void TextBuffer::release_if_oversized() {
  if (capacity_ > (1u << 20) && size_ < capacity_ / 4) *this = TextBuffer();
}

}  // namespace zorvs_mcp::json
