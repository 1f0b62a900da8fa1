// What both fuzz targets share: a scratch file per process for the input
// (the reader takes a path) and silencing the program's console output.
#ifndef VASTRELMON_FUZZ_FUZZ_SUPPORT_H
#define VASTRELMON_FUZZ_FUZZ_SUPPORT_H

#include <cstddef>
#include <cstdint>
#include <string>

// Sends standard output to /dev/null once; the stages print messages.
void silence_console();

// A path in a RAM-backed folder, unique to this process, with the suffix.
std::string scratch_path(const char* suffix);

// Replaces the file at path with the bytes; aborts when it cannot.
void write_scratch(const std::string& path, const uint8_t* data, size_t size);

#endif
