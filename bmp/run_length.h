// The run-length coded rows of 8- and 4-bit pictures: drawn into a picture at once, or checked once and then
// drawn a row at a time. Pure functions over bytes: they read only the codes they are given and write only
// the rows they are given. Used through BmpReader.
#ifndef VASTRELMON_BMP_RUN_LENGTH_H
#define VASTRELMON_BMP_RUN_LENGTH_H

#include <cstddef>
#include <cstdint>

namespace run_length {

enum class Outcome {
    kComplete,         // every pixel set (or skipped, or left by an end code)
    kCut,              // the codes ended first, without an end of bitmap
    kBelowLastRow,     // a pixel, run or delta for a row past the last
    kDeltaPastRowEnd,  // a delta to the right of the row's end
};

struct Result {
    Outcome outcome;
    int32_t row;  // the stored row (0 the first, at the bottom) where it ended
};

// Where the pixels go: height rows of row_bytes each, the top row first, so the first stored row (the bottom
// one) is the last. packed: two 4-bit indices a byte, the first in the high half; else one index a byte.
struct Picture {
    uint8_t* top;
    int64_t row_bytes;
    int32_t width;
    int32_t height;
    bool packed;
};

// Draws codes (size bytes, bits 8 or 4) into picture. Pixels that a delta or an early end of line or of
// bitmap skips become index 0; pixels of a run beyond the end of their row are dropped. On anything but
// kComplete the picture holds what was drawn so far and must not be used.
Result decode(const uint8_t* codes, size_t size, int bits, const Picture& picture);

// Where the codes of a stored row begin: the offset of its first code and the column it draws first, the
// pixels before it being index 0. A row no code draws in (one a delta skips, or past an end of bitmap) starts
// at its end.
struct RowStart {
    size_t at;
    int32_t x;
};

// Goes through the codes as decode does, to the same result, drawing nothing: notes where each of the height
// stored rows starts (starts) and flags the indices the picture holds (used, 256 flags, cleared first).
Result scan(const uint8_t* codes, size_t size, int bits, int32_t width, int32_t height, RowStart* starts,
            bool* used);

// Draws stored row y of codes that scan found complete, from start, one index a byte through map
// (256 entries), into out (width bytes). False when the codes no longer say where the row ends.
bool decode_row(const uint8_t* codes, size_t size, int bits, int32_t width, int32_t height, int32_t y,
                const RowStart& start, const uint8_t* map, uint8_t* out);

}  // namespace run_length

#endif
