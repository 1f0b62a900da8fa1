// Memory for a table read and written at random places (the LZW string table), zero-filled. A big table (a
// megabyte or more) goes on 2 MiB pages where the system offers them: a search that jumps about 2 MiB then
// needs one address translation entry instead of 512, and a big picture's run one page fault for the table
// instead of hundreds. A smaller table stays on 4 KiB pages, all had at once: a 2 MiB page's first touch
// costs more than a small picture needs of such a table, and the translation entries of a few hundred
// kilobytes fit the processor's cache of them anyway. A tiny picture's table (under 64 KiB) comes from the
// heap, so a program converting many tiny pictures reuses the same memory where a mapping of its own would
// cost each picture more than its coding. Only the timing changes.
#ifndef VASTRELMON_PLATFORM_TABLE_MEMORY_H
#define VASTRELMON_PLATFORM_TABLE_MEMORY_H

#include <cstddef>

// bytes zero-filled bytes, or null when they cannot be had.
void* allocate_table(size_t bytes);
// Gives back a block of allocate_table; bytes as asked for. Null is ignored.
void free_table(void* block, size_t bytes);

#endif
