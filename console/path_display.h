// Shows a path as the user expects it in a message: only its final component, drive and folders dropped.
#ifndef VASTRELMON_CONSOLE_PATH_DISPLAY_H
#define VASTRELMON_CONSOLE_PATH_DISPLAY_H

#include <cstddef>

// Writes the final component of path (base name and extension) to out, a buffer of out_size bytes. A leading
// "X:" drive and everything up to the last '\' or '/' are dropped. With double_byte set
// (code page 932 names), the second byte of a double-byte character is never taken for a separator.
void display_name(const char* path, bool double_byte, char* out, size_t out_size);

#endif
