#include "platform/table_memory.h"

#include <cstdint>
#include <cstdlib>

#if defined(__linux__)
#include <sys/mman.h>

namespace {

constexpr size_t kHugePage = size_t{2} << 20;
// Smaller tables come from the heap.
constexpr size_t kHugePagesFrom = kHugePage / 2;

size_t round_up(size_t value, size_t unit)
{
    return (value + unit - 1) / unit * unit;
}

}  // namespace

void* allocate_table(size_t bytes)
{
    if (bytes < kHugePagesFrom) {
        return std::calloc(1, bytes);
    }
    if (bytes > SIZE_MAX - 2 * kHugePage) {
        return nullptr;
    }
    // Whole 2 MiB pages: the part of the block past the first one would
    // otherwise take a page fault every 4 KiB. Mapped with room to start at
    // a 2 MiB boundary; the rest is given back at once.
    const size_t length = round_up(bytes, kHugePage);
    void* mapping = mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping == MAP_FAILED) {
        return nullptr;
    }
    const uintptr_t base = reinterpret_cast<uintptr_t>(mapping);
    const uintptr_t start = round_up(base, kHugePage);
    if (start > base) {
        munmap(mapping, start - base);
    }
    const uintptr_t end = base + length + kHugePage;
    if (end > start + length) {
        munmap(reinterpret_cast<void*>(start + length), end - (start + length));
    }
    // Only a request: without huge pages the block still works.
    madvise(reinterpret_cast<void*>(start), length, MADV_HUGEPAGE);
    return reinterpret_cast<void*>(start);
}

void free_table(void* block, size_t bytes)
{
    if (bytes < kHugePagesFrom) {
        std::free(block);
    } else if (block != nullptr) {
        munmap(block, round_up(bytes, kHugePage));
    }
}

#else

void* allocate_table(size_t bytes)
{
    return std::calloc(1, bytes);
}

void free_table(void* block, size_t)
{
    std::free(block);
}

#endif
