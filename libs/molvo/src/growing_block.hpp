// Raw blocks for GrowingArray. Small blocks come from malloc; a block from kMapFrom bytes up is a
// mapping of its own, grown by mremap, which moves its pages instead of copying them. realloc
// would do the same only for blocks above malloc's mapping threshold, which glibc raises as large
// blocks are freed, so that it ends up copying arrays of tens of megabytes.
#pragma once

#include <cstddef>

namespace molvo::block {

// The bytes a block asked for count bytes really holds (a mapping holds whole pages).
size_t roomFor(size_t count);
// Grows a block of oldBytes (nullptr and 0 for none) to newBytes, both as roomFor gave them,
// keeping its contents; throws std::bad_alloc when there is no memory.
void* grow(void* block, size_t oldBytes, size_t newBytes);
void release(void* block, size_t bytes);

}  // namespace molvo::block
