// A buffer from malloc with one owner: freed when the holder goes, handed on only by moving. Allocation never
// throws; a null holder after allocate_buffer is the caller's "can't allocate memory" error.
#ifndef VASTRELMON_PLATFORM_MALLOC_BUFFER_H
#define VASTRELMON_PLATFORM_MALLOC_BUFFER_H

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

struct FreeDeleter {
    void operator()(void* block) const { std::free(block); }
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

#endif
