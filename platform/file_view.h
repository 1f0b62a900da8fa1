// A whole input file's bytes in memory for reading: mapped where the system can map it, else read.
//
// A file may shrink under a mapping while it is open (another program cutting it). The pages past its new end
// would then kill the process with a bus error when touched; instead, while a view is open, such a page is
// replaced by one of zeros and the view counts as lost. Bytes past the new end on the page that holds it read
// as zeros without a fault. intact() tells, once the caller has read what it needs, whether every byte it
// read was still the file's.
//
// One mapping at a time in the process (the bus-error guard is the process's): a second view reads its file
// instead. A library has no say over the process's signals, so it reads (map false).
#ifndef VASTRELMON_PLATFORM_FILE_VIEW_H
#define VASTRELMON_PLATFORM_FILE_VIEW_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "platform/malloc_buffer.h"

class FileView {
public:
    enum Opened { kOpened, kCantOpen, kNoMemory };

    FileView() = default;
    ~FileView() { close(); }
    FileView(const FileView&) = delete;
    FileView& operator=(const FileView&) = delete;

    // Opens path (a regular file only, never blocking on a FIFO) and has its bytes, mapped with map where the
    // system can, else read. kCantOpen: no such file can be opened; kNoMemory: it opened but its bytes could
    // not be had.
    Opened open(const char* path, bool map);
    void close();

    const uint8_t* data() const { return bytes_; }
    size_t size() const { return size_; }
    // Whether every byte of the view was still the file's: always for bytes read; for a mapping, while the
    // file lost none under it and still holds them all.
    bool intact() const;
    // The same without asking for the file's size: whether no page of a mapping was lost; cheap enough per row.
    bool intact_so_far() const;
    // The bytes the file holds now (0 when that cannot be told).
    size_t file_size_now() const;

private:
    bool map_file();
    bool read_file();

    std::FILE* file_ = nullptr;
    const uint8_t* bytes_ = nullptr;
    size_t size_ = 0;
    [[maybe_unused]] bool mapped_ = false;  // only where the input is mapped
    MallocBuffer<uint8_t> read_;  // the bytes read, when not mapped
};

#endif
