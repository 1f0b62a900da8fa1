#include "platform/table_memory.h"

#include <cstdint>
#include <cstdlib>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>

namespace {

constexpr size_t kHugePage = size_t{2} << 20;
// Smaller tables stay on small pages.
constexpr size_t kHugePagesFrom = kHugePage / 2;
// A tiny picture's table comes from the heap.
constexpr size_t kMappedFrom = size_t{64} << 10;

size_t round_up(size_t value, size_t unit)
{
    return (value + unit - 1) / unit * unit;
}

// What a table of bytes maps: whole 2 MiB pages for a big one.
size_t mapped_bytes(size_t bytes)
{
    return round_up(bytes, bytes < kHugePagesFrom ? static_cast<size_t>(sysconf(_SC_PAGESIZE)) : kHugePage);
}

}  // namespace

void* allocate_table(size_t bytes)
{
    if (bytes < kMappedFrom) {
        return std::calloc(1, bytes);
    }
    if (bytes > SIZE_MAX - 2 * kHugePage) {
        return nullptr;
    }
    if (bytes < kHugePagesFrom) {
        // Fresh anonymous pages read as zero. Every page is had at once: a table's entry is read before it is
        // written, and a page first read would fault twice (once for the system's shared page of zeros, again
        // at the first write), which costs more than taking the few dozen pages together, even those a
        // picture never touches.
        void* mapping = mmap(nullptr, mapped_bytes(bytes), PROT_READ | PROT_WRITE,
                             MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
        return mapping == MAP_FAILED ? nullptr : mapping;
    }
    // Whole 2 MiB pages: past the first, the block would otherwise take a page fault every 4 KiB. Mapped with
    // room to start at a 2 MiB boundary; the rest is given back at once.
    const size_t length = mapped_bytes(bytes);
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
    if (bytes < kMappedFrom) {
        std::free(block);
    } else if (block != nullptr) {
        munmap(block, mapped_bytes(bytes));
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
