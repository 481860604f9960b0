#include "growing_block.hpp"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

namespace molvo::block {

namespace {

constexpr size_t kMapFrom = size_t(1) << 20;

size_t pageSize() {
    static const size_t size = size_t(sysconf(_SC_PAGESIZE));
    return size;
}

void* map(size_t bytes) {
    void* block = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED) throw std::bad_alloc();
    return block;
}

}  // namespace

size_t roomFor(size_t count) {
    if (count < kMapFrom) return count;
    const size_t page = pageSize();
    if (count > SIZE_MAX - page) throw std::bad_alloc();
    return (count + page - 1) / page * page;
}

void* grow(void* block, size_t oldBytes, size_t newBytes) {
    if (oldBytes >= kMapFrom) {
        void* moved = mremap(block, oldBytes, newBytes, MREMAP_MAYMOVE);
        if (moved == MAP_FAILED) throw std::bad_alloc();
        return moved;
    }
    if (newBytes >= kMapFrom) {
        void* mapped = map(newBytes);
        if (oldBytes) std::memcpy(mapped, block, oldBytes);
        std::free(block);
        return mapped;
    }
    void* grown = std::realloc(block, newBytes);
    if (!grown) throw std::bad_alloc();
    return grown;
}

void release(void* block, size_t bytes) {
    if (bytes >= kMapFrom) munmap(block, bytes);
    else std::free(block);
}

}  // namespace molvo::block
