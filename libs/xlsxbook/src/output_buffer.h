// The bytes of a saved workbook, grown with realloc: glibc moves a large block by remapping its
// pages rather than copying them, so an archive of tens of megabytes is never held twice while
// it grows.
#ifndef XLSXBOOK_OUTPUT_BUFFER_H
#define XLSXBOOK_OUTPUT_BUFFER_H

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>

namespace xlsxbook {

class OutputBuffer {
 public:
  OutputBuffer() = default;
  ~OutputBuffer() { std::free(data_); }
  OutputBuffer(const OutputBuffer&) = delete;
  OutputBuffer& operator=(const OutputBuffer&) = delete;

  const char* data() const { return data_; }
  std::size_t size() const { return size_; }
  void clear() { size_ = 0; }
  void swap(OutputBuffer& other) {
    std::swap(data_, other.data_);
    std::swap(size_, other.size_);
    std::swap(capacity_, other.capacity_);
  }
  // Writes n bytes at offset at (at most size()), past the end or over what is there. Throws
  // std::bad_alloc.
  void write(std::size_t at, const void* bytes, std::size_t n) {
    if (at + n > capacity_) grow(at + n);
    std::memcpy(data_ + at, bytes, n);
    if (at + n > size_) size_ = at + n;
  }

 private:
  void grow(std::size_t need) {
    std::size_t capacity = capacity_ < need / 2 ? need : capacity_ * 2;
    if (capacity < need) capacity = need;
    void* grown = std::realloc(data_, capacity);
    if (!grown) throw std::bad_alloc();
    data_ = static_cast<char*>(grown);
    capacity_ = capacity;
  }

  char* data_ = nullptr;
  std::size_t size_ = 0, capacity_ = 0;
};

}  // namespace xlsxbook

#endif  // XLSXBOOK_OUTPUT_BUFFER_H
