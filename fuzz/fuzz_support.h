// What both fuzz targets share: silencing the program's console output and a
// scratch path per process for the GIF the pipeline target writes.
#ifndef VASTRELMON_FUZZ_FUZZ_SUPPORT_H
#define VASTRELMON_FUZZ_FUZZ_SUPPORT_H

#include <string>

// Sends standard output to /dev/null once; the stages print messages.
void silence_console();

// A path in a RAM-backed folder, unique to this process, with the suffix.
std::string scratch_path(const char* suffix);

#endif
