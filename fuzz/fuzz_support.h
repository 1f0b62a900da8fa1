// What the fuzz targets share: silencing the program's console output, a
// scratch path per process for the GIF the pipeline target writes, and the
// size a BMP's header declares.
#ifndef VASTRELMON_FUZZ_FUZZ_SUPPORT_H
#define VASTRELMON_FUZZ_FUZZ_SUPPORT_H

#include <cstddef>
#include <cstdint>
#include <string>

// Sends standard output to /dev/null once; the stages print messages.
void silence_console();

// A path in a RAM-backed folder, unique to this process, with the suffix.
std::string scratch_path(const char* suffix);

// Whether bmp (size bytes) declares more than 65,536 pixels. A few bytes
// of run-length codes can stand for a picture of millions; coding and
// decoding it would take every run's time (a thousand times an input's
// usual) while reaching no code a smaller picture does not, so the targets
// pass over such inputs. The size limits' checks still see wider or higher
// pictures of fewer pixels.
bool declares_big_picture(const uint8_t* bmp, size_t size);

#endif
