// Memory for a big table read and written at random places (the LZW string
// table): zero-filled, and where the system offers it, on 2 MiB pages. A
// search that jumps about 2 MiB then needs one address translation entry
// instead of 512, and a small picture's run takes one page fault for the
// table instead of hundreds. Only the timing changes; the build switch
// VASTRELMON_HUGE_PAGES=OFF takes plain zero-filled memory instead.
#ifndef VASTRELMON_PLATFORM_TABLE_MEMORY_H
#define VASTRELMON_PLATFORM_TABLE_MEMORY_H

#include <cstddef>

#include <cstdint>

// bytes zero-filled bytes, or null when they cannot be had.
void* allocate_table(size_t bytes);
// Gives back a block of allocate_table; bytes as asked for. Null is ignored.
void free_table(void* block, size_t bytes);

// A block of allocate_table that holds more than a table, with one owner.
// It takes whole 2 MiB pages, so the part after the table is on them too.
class TableBlock {
public:
    TableBlock() = default;
    ~TableBlock() { reset(); }
    TableBlock(const TableBlock&) = delete;
    TableBlock& operator=(const TableBlock&) = delete;

    // At least bytes zero-filled bytes, in place of any block held before;
    // false when they cannot be had.
    bool allocate(size_t bytes);
    uint8_t* get() const { return block_; }
    void reset();

private:
    uint8_t* block_ = nullptr;
    size_t bytes_ = 0;
};

#endif
