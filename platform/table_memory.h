// Memory for a table read and written at random places (the LZW string
// table): zero-filled, and where the system offers it and the table is big
// (a megabyte or more), on 2 MiB pages. A search that jumps about 2 MiB then
// needs one address translation entry instead of 512, and a big picture's
// run takes one page fault for the table instead of hundreds. A smaller
// table comes from the heap: a program that converts many pictures then
// reuses the same memory, where a mapping of its own would cost each
// picture a round of page faults; the translation entries of a few hundred
// kilobytes fit in the processor's cache of them anyway. Only the timing
// changes.
#ifndef VASTRELMON_PLATFORM_TABLE_MEMORY_H
#define VASTRELMON_PLATFORM_TABLE_MEMORY_H

#include <cstddef>

// bytes zero-filled bytes, or null when they cannot be had.
void* allocate_table(size_t bytes);
// Gives back a block of allocate_table; bytes as asked for. Null is ignored.
void free_table(void* block, size_t bytes);

#endif
