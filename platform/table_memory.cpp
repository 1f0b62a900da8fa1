#include "platform/table_memory.h"

#include <cstdint>
#include <cstdlib>

#if defined(__linux__) && !defined(VASTRELMON_NO_HUGE_PAGES)
#include <sys/mman.h>
#include <unistd.h>

namespace {

constexpr size_t kHugePage = size_t{2} << 20;

size_t round_up(size_t value, size_t unit)
{
    return (value + unit - 1) / unit * unit;
}

size_t mapped_bytes(size_t bytes)
{
    return round_up(bytes, static_cast<size_t>(sysconf(_SC_PAGESIZE)));
}

}  // namespace

void* allocate_table(size_t bytes)
{
    // Whole 2 MiB pages: the part of the block past the first one would
    // otherwise take a page fault every 4 KiB.
    const size_t length = round_up(mapped_bytes(bytes), kHugePage);
    if (length > SIZE_MAX - kHugePage) {
        return nullptr;
    }
    // Mapped with room to start at a 2 MiB boundary; the rest is given back
    // at once. Fresh anonymous pages read as zero.
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
    if (block != nullptr) {
        munmap(block, round_up(mapped_bytes(bytes), kHugePage));
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
