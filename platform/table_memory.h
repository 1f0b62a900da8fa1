// Memory for a big table read and written at random places (the LZW string
// table): zero-filled, and where the system offers it, on 2 MiB pages. A
// search that jumps about 2 MiB then needs one address translation entry
// instead of 512, and a small picture's run takes one page fault for the
// table instead of hundreds. Only the timing changes; the build switch
// VASTRELMON_HUGE_PAGES=OFF takes plain zero-filled memory instead.
#ifndef VASTRELMON_PLATFORM_TABLE_MEMORY_H
#define VASTRELMON_PLATFORM_TABLE_MEMORY_H

#include <cstddef>

// bytes zero-filled bytes, or null when they cannot be had.
void* allocate_table(size_t bytes);
// Gives back a block of allocate_table; bytes as asked for. Null is ignored.
void free_table(void* block, size_t bytes);

#endif
