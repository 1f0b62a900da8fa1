// A deliberately plain BMP decoder for the tests, written apart from the
// program's reader: it gives the colour of every pixel, top row first, so a
// converted GIF can be checked against what the BMP really shows.
#ifndef VASTRELMON_TESTS_SUPPORT_BMP_REFERENCE_H
#define VASTRELMON_TESTS_SUPPORT_BMP_REFERENCE_H

#include <cstdint>
#include <string>
#include <vector>

struct ReferenceBmp {
    bool ok = false;
    int width = 0;
    int height = 0;
    int bit_count = 0;
    std::vector<uint32_t> colors;  // 0xRRGGBB per pixel, top row first
};

// Decodes uncompressed 1/4/8/24-bit files with a 12-byte or a longer header,
// and 16/32-bit ones, with or without bit fields (alpha ignored); the colour
// table has 2^bit_count entries whatever the colours-used field says. ok is
// false for anything else (run-length files among them).
ReferenceBmp decode_reference_bmp(const std::string& bytes);

#endif
