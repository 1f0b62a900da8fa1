// The first stage of a run: load one BMP file into the image.
#ifndef VASTRELMON_APP_LOAD_BMP_H
#define VASTRELMON_APP_LOAD_BMP_H

#include <cstddef>
#include <cstdint>

class clBitMap;

// Opens and validates input_name and fills image (which must be empty) with
// its pixels and palette. Clears FLAG_TRANSPARENCY in *option_flags for a
// 24-bit picture (message 13). Prints its own failure message; with verbose
// also the picture's size and the failing object's error text. Returns 0 on
// success, 1 after a reported failure.
int load_bmp(uint32_t* option_flags, int32_t transparent_index, const char* input_name,
             clBitMap* image, bool verbose);

// The same for a BMP file held in memory (size bytes at data): the same
// checks, messages and results, without a file name to refuse.
int load_bmp_from_memory(uint32_t* option_flags, int32_t transparent_index,
                         const uint8_t* data, size_t size, clBitMap* image, bool verbose);

#endif
