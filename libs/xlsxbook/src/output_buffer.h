// The bytes of a saved workbook, in memory mapped for them: growing the mapping moves its pages
// instead of copying them, so an archive of tens of megabytes is never held twice while it grows,
// and the pages reserved ahead take no memory until they are written.
#ifndef XLSXBOOK_OUTPUT_BUFFER_H
#define XLSXBOOK_OUTPUT_BUFFER_H

#include <cstddef>
#include <utility>

namespace xlsxbook {

class OutputBuffer {
 public:
  OutputBuffer() = default;
  ~OutputBuffer();
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
  void write(std::size_t at, const void* bytes, std::size_t n);

 private:
  void grow(std::size_t need);

  char* data_ = nullptr;
  std::size_t size_ = 0, capacity_ = 0;
};

}  // namespace xlsxbook

#endif  // XLSXBOOK_OUTPUT_BUFFER_H
