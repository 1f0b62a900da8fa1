// The few file operations whose semantics must be the same on every
// platform: never block on a FIFO, refuse what is not a regular file.
#ifndef VASTRELMON_PLATFORM_FILES_H
#define VASTRELMON_PLATFORM_FILES_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

// True when path names something that can be opened for reading. Never blocks, even on a FIFO without a writer.
bool output_name_exists(const char* path);

// Opens a regular file for binary reading; null when it cannot be opened or is not one (folder, FIFO, device).
std::FILE* open_regular_for_reading(const char* path);

// The size of the open file, or -1.
int64_t file_size(std::FILE* file);
// Has the system start writing to the disk what has reached the file so far (not the stream's buffer) and
// returns at once, so a later sync finds part of the work done. A no-op where the system has no such request.
void start_writeback(std::FILE* file);

#endif
