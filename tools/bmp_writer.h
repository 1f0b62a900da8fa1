// A small BMP writer for tests and tools: every header field can be set,
// even to values no sane file holds, so readers can be fed exactly the file
// a test needs. Pictures are given as plain values and packed by the writer.
//
//   bmp_writer::BmpRecipe recipe;            // 1 x 1, 24 bits, 40-byte header
//   recipe.width = 2; recipe.height = 1;
//   recipe.pixels = {0xFF0000, 0x0000FF};  // red, blue (0xRRGGBB)
//   std::string bytes = bmp_writer::build(recipe);
#ifndef VASTRELMON_TOOLS_BMP_WRITER_H
#define VASTRELMON_TOOLS_BMP_WRITER_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace bmp_writer {

struct Rgb {
    uint8_t red;
    uint8_t green;
    uint8_t blue;
};

// Header sizes with a name; any other value is written in the 40-byte
// layout, cut short or padded with zero bytes to the size.
constexpr uint32_t kCoreHeader = 12;
constexpr uint32_t kInfoHeader = 40;
constexpr uint32_t kV4Header = 108;
constexpr uint32_t kV5Header = 124;

// How pixels are run-length coded (compression 1 for 8 bits, 2 for 4):
// the ways of coding a picture that a reader must all take.
struct RunLengthCoding {
    // Stretches of differing pixels as absolute runs; otherwise as runs of
    // one or two pixels.
    bool absolute = true;
    // Pixels of index 0 left out: a row's last ones by an early end of line
    // (or of bitmap), three or more within a row by a delta to the right,
    // whole rows by a delta up.
    bool skip_zeros = false;
    // Each row's last run also covers the row's padding (pixels past the
    // row's end, as some writers code them).
    bool pad_last_run = false;
    // The codes end with an end of bitmap; otherwise they just stop.
    bool end_of_bitmap = true;
    int longest_run = 255;  // runs are split to at most this many pixels
};

struct BmpRecipe {
    // File header.
    std::string signature = "BM";             // cut or zero-padded to 2 bytes
    std::optional<uint32_t> file_size;        // default: the final file length
    uint16_t reserved1 = 0;
    uint16_t reserved2 = 0;
    std::optional<uint32_t> pixel_offset;     // default: where the rows are written

    // Picture header. header_size picks the layout and the bytes written;
    // header_size_field, when set, is stored instead of it.
    uint32_t header_size = kInfoHeader;
    std::optional<uint32_t> header_size_field;
    int32_t width = 1;                        // core layout: stored as 16 bits
    int32_t height = 1;                       // negative: rows stored top-down
    uint16_t planes = 1;
    uint16_t bit_count = 24;
    uint32_t compression = 0;
    std::optional<uint32_t> image_size;       // default: stride x rows
    int32_t x_resolution = 2835;              // 72 dpi
    int32_t y_resolution = 2835;
    uint32_t colors_used = 0;
    uint32_t colors_important = 0;

    // Bit-field masks (red, green, blue, and alpha if given): inside the
    // header from its byte 40 on when it is bigger than 40 bytes, right
    // after it otherwise.
    std::vector<uint32_t> masks;

    // Colour table, written right after the header: 3 bytes per entry in the
    // core layout, 4 (blue, green, red, 0) otherwise. Written as given, so
    // its length is the test's choice.
    std::vector<Rgb> palette;

    // Pixels, row-major, top row first, |height| rows of width values:
    // indices for bit counts below 8 (packed most significant bit first);
    // otherwise the value's low bit_count/8 bytes, little-endian, so 24-bit
    // 0xRRGGBB is stored blue, green, red. Missing values count as 0. Rows
    // are padded to 4 bytes and stored bottom-up unless height < 0.
    std::vector<uint32_t> pixels;
    // When set, written as the pixel area instead of packing pixels (for
    // headers that claim pictures far too big to write).
    std::optional<std::string> raw_pixels;
    // When set, pixels (indices, bottom row first as stored) are written as
    // run-length codes instead of rows; compression is left as given.
    std::optional<RunLengthCoding> run_length;

    std::string trailing;                     // appended after the rows
    std::optional<size_t> truncate_to;        // cut the file to this many bytes
};

// Bytes of one stored row, padding included.
size_t stride(int32_t width, int bit_count);

// The run-length codes of recipe's pixels (bit_count 8 or 4) as coding
// says.
std::string run_length_codes(const BmpRecipe& recipe, const RunLengthCoding& coding);

// The complete file. The automatic file size is the length after
// truncation, so a cut file still passes a file-size check.
std::string build(const BmpRecipe& recipe);

// build(recipe) written to path; false when the file cannot be written.
bool write(const std::string& path, const BmpRecipe& recipe);

}  // namespace bmp_writer

#endif
