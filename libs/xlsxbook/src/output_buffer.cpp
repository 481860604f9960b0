#include "output_buffer.h"

#include <sys/mman.h>

#include <cstring>
#include <new>

namespace xlsxbook {
namespace {

constexpr std::size_t kFirstMapping = std::size_t(1) << 20;

}  // namespace

OutputBuffer::~OutputBuffer() {
  if (data_) munmap(data_, capacity_);
}

void OutputBuffer::write(std::size_t at, const void* bytes, std::size_t n) {
  if (at + n > capacity_) grow(at + n);
  std::memcpy(data_ + at, bytes, n);
  if (at + n > size_) size_ = at + n;
}

void OutputBuffer::grow(std::size_t need) {
  std::size_t capacity = capacity_ ? capacity_ : kFirstMapping;
  while (capacity < need) capacity *= 2;
  void* grown = data_ ? mremap(data_, capacity_, capacity, MREMAP_MAYMOVE)
                      : mmap(nullptr, capacity, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (grown == MAP_FAILED) throw std::bad_alloc();
  data_ = static_cast<char*>(grown);
  capacity_ = capacity;
}

}  // namespace xlsxbook
