// The few file operations whose semantics must be the same on every
// platform: never block on a FIFO, refuse what is not a regular file, 64-bit
// positions.
#ifndef VASTRELMON_PLATFORM_FILES_H
#define VASTRELMON_PLATFORM_FILES_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

// True when path names something that can be opened for reading. Never
// blocks, even on a FIFO without a writer.
bool output_name_exists(const char* path);

// Opens an existing regular file for binary reading. Returns null when it
// cannot be opened or is not a regular file (a folder, a FIFO, a device).
std::FILE* open_regular_for_reading(const char* path);

// 64-bit file positions on every platform (a long is 32 bits on Windows).
// seek_file returns 0 on success; tell_file returns -1 on failure.
int seek_file(std::FILE* file, int64_t offset, int whence);
int64_t tell_file(std::FILE* file);

// One piece of a scattered read: size bytes into data.
struct ReadPiece {
    void* data;
    size_t size;
};
// The pieces and the system's copy of them live on the stack of the reader
// and of read_scattered, 16 bytes each: 128 take 4 KiB in all, where 1024
// took 32 KiB of fresh stack pages from every picture, a 64 x 64 one's
// included. A read of 128 rows is already large enough for the system call
// to cost nothing next to it.
constexpr int kMaxReadPieces = 128;

// Reads the file's bytes from offset on into the pieces in turn (at most
// kMaxReadPieces), straight from the system into place and without moving
// the stream's position. Returns the bytes read, fewer at the end of the
// file, or -1 where the system has no such read or it fails.
int64_t read_scattered(std::FILE* file, int64_t offset, const ReadPiece* pieces, int count);
// The size of the open file, or -1.
int64_t file_size(std::FILE* file);
// Tells the system that the bytes [offset, offset + length) of the file
// will be read soon, in no particular order, so it can fetch them from the
// disk in big pieces meanwhile. Only a hint.
void expect_reads(std::FILE* file, int64_t offset, int64_t length);

// Has the system start writing to the disk what has reached the file so far
// (not the stream's buffer) and returns at once: a sync that follows finds
// part of the work done. Nothing happens where the system has no such
// request.
void start_writeback(std::FILE* file);

#endif
