// A read-only view of an open file's bytes in memory, for reading pieces of
// it without a system call each.
//
// A file may shrink under the view while it is open (another program
// cutting it). The pages past its new end would then kill the process with
// a bus error when touched; instead, while a view is open, such a page is
// replaced by one of zeros and the view counts as lost: at() returns null
// from then on, and the caller reads the file the ordinary way, which
// tells what it really holds. Bytes past the new end on the page that holds
// it read as zeros without a fault: release() tells, once the caller has
// read what it needs, whether every byte it read was still the file's.
//
// One view at a time in the process: a second one is refused.
#ifndef VASTRELMON_PLATFORM_FILE_VIEW_H
#define VASTRELMON_PLATFORM_FILE_VIEW_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

class FileView {
public:
    FileView() = default;
    ~FileView() { close(); }
    FileView(const FileView&) = delete;
    FileView& operator=(const FileView&) = delete;

    // Maps the first length bytes of file, all of which it must hold.
    // False where the system has no such mapping, another view is open,
    // the file is shorter or the mapping fails.
    bool open(std::FILE* file, int64_t length);
    void close();
    bool is_open() const { return bytes_ != nullptr; }

    // The bytes [offset, offset + size) of the view where they lie, or null
    // when they lie outside it, no view is open or the file has lost bytes
    // under the view. Only release() tells whether what was read there was
    // the file's.
    const uint8_t* at(int64_t offset, size_t size) const;
    // Closes the view; true when the file still held every byte of it and
    // had lost none under it, so that every byte read there was the file's.
    bool release();

private:
    // Whether a page of the view was replaced since it was opened.
    bool lost() const;

    // Only the Linux build maps files; elsewhere these stay unused.
    [[maybe_unused]] std::FILE* file_ = nullptr;
    const uint8_t* bytes_ = nullptr;
    size_t length_ = 0;
};

#endif
