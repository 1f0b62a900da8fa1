// A buffer from the heap with one owner: freed when the holder goes, handed
// on only by moving. Allocation never throws; a null holder after
// allocate_buffer is the caller's "can't allocate memory" error.
#ifndef VASTRELMON_PLATFORM_MALLOC_BUFFER_H
#define VASTRELMON_PLATFORM_MALLOC_BUFFER_H

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "platform/table_memory.h"

// Gives a block back the way it was had: malloc's, or allocate_table's,
// whose size it keeps.
struct FreeDeleter {
    size_t table_bytes = 0;  // 0: from malloc
    void operator()(void* block) const
    {
        if (table_bytes != 0) {
            free_table(block, table_bytes);
        } else {
            std::free(block);
        }
    }
};

template <typename T>
using MallocBuffer = std::unique_ptr<T[], FreeDeleter>;

// count elements, zero-filled or not; null when they cannot be had.
template <typename T>
MallocBuffer<T> allocate_buffer(size_t count, bool zero_filled)
{
    if (count > SIZE_MAX / sizeof(T)) {
        return MallocBuffer<T>();
    }
    void* block = zero_filled ? std::calloc(count, sizeof(T)) : std::malloc(count * sizeof(T));
    return MallocBuffer<T>(static_cast<T*>(block));
}

// Buffers at least this big go on 2 MiB pages.
constexpr size_t kLargeBufferBytes = size_t{4} << 20;

// count elements, zero-filled, for a buffer of many megabytes that is
// written once from end to end as soon as it is had (the picture): on 2 MiB
// pages where the system has them, so filling it takes a page fault per
// 2 MiB instead of one per 4 KiB. Null when the memory cannot be had. The
// build switch VASTRELMON_HUGE_PICTURE=OFF takes heap memory instead.
template <typename T>
MallocBuffer<T> allocate_large_buffer(size_t count)
{
    if (count > SIZE_MAX / sizeof(T)) {
        return MallocBuffer<T>();
    }
#if !defined(VASTRELMON_NO_HUGE_PICTURE)
    const size_t bytes = count * sizeof(T);
    if (bytes >= kLargeBufferBytes) {
        return MallocBuffer<T>(static_cast<T*>(allocate_table(bytes)), FreeDeleter{bytes});
    }
#endif
    return allocate_buffer<T>(count, true);
}

#endif
