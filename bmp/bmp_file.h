// BmpReader: checks and unpacks one in-memory BMP file: the header, the colour table and the pixel rows.
//
// Call order: read_header -> read_table (1, 4, 8 bits) -> read_pixels. Each read finds its own place in the
// bytes, so any of them may be repeated. Every operation returns 0 on success and 1 on failure, leaving the
// code and text of the failure in error_code / error_text; a success clears neither. The bytes are never
// copied and must outlive the reader.
#ifndef VASTRELMON_BMP_BMP_FILE_H
#define VASTRELMON_BMP_BMP_FILE_H

#include <cstddef>
#include <cstdint>

#include "bmp/bit_fields.h"
#include "bmp/run_length.h"
#include "platform/error_record.h"

// Error codes of BmpReader.
constexpr uint32_t kBmpCantPosition = 0x340002;  // also: cannot be opened
constexpr uint32_t kBmpShortRead = 0x340003;
constexpr uint32_t kBmpNotAccepted = 0x340004;
constexpr uint32_t kBmpBadArgument = 0x340006;
constexpr uint32_t kBmpNoMemory = 0x340007;

// How a file stores its pixels, beyond their bit count.
enum BmpCoding : uint8_t {
    kRowsAsStored = 0,  // plain rows of 1-, 4-, 8- or 24-bit pixels, kept as they are
    kRunLength8 = 1,    // 8-bit indices, run-length coded
    kRunLength4 = 2,    // 4-bit indices, run-length coded
    kBitFields16 = 3,   // 16-bit pixels whose colours lie in masks' bits
    kBitFields32 = 4,   // the same in 32 bits
};

// The header values that read_header validated. Offsets are 64-bit so no field value can wrap them around.
struct BmpInfo {
    uint8_t is_core;         // 1: 12-byte core header, 3-byte table entries
    int32_t width;           // 1 .. INT32_MAX
    int32_t height;          // 1 .. INT32_MAX, whatever the row order
    uint8_t top_down;        // 1: the first stored row is the top row
    uint8_t bit_count;       // the picture's depth: 1, 4, 8 or 24 (16- and 32-bit pixels become 24-bit colours)
    int64_t palette_offset;  // 14 + the header-size field
    int64_t pixel_offset;    // the file header's offset field (signed)
    uint8_t coding;          // a BmpCoding
    uint32_t masks[3];       // red, green and blue of kBitFields16 / 32
};

// The bit counts of pictures this reader unpacks.
inline bool is_supported_bit_count(int bits)
{
    return bits == 1 || bits == 4 || bits == 8 || bits == 24;
}

// The bits a pixel takes in the file: 16 or 32 for bit fields, else bit_count.
inline int file_bit_count(const BmpInfo& info)
{
    return info.coding == kBitFields16 ? 16 : info.coding == kBitFields32 ? 32 : info.bit_count;
}

class BmpReader {
public:
    // size bytes at data; null data is a reader with nothing to read.
    BmpReader(const uint8_t* data, size_t size);

    // Checks the headers into *info (which must not be null). *info is cleared first and filled only on
    // success. Errors 0x340002 (82), 0x340003 (108, 133, 149, 169, 172), 0x340004 (116 .. 216).
    int read_header(BmpInfo* info);
    // The 2^bit_count-entry colour table into palette (256 x red, green, blue; entries beyond the table are
    // left alone). Errors 0x340006 (351, 357, 363), 0x340002 (373), 0x340003 (396).
    int read_table(const BmpInfo* info, uint8_t* palette);
    // Writes the picture into pixels top row first, one byte per pixel for 1, 4 and 8 bits, blue, green, red
    // for 24 bits. pixel_capacity is the size of the pixels buffer; a picture that does not fit is refused as
    // a bad third argument. With packed, 1- and 4-bit rows stay as stored, without their padding:
    // ceil(width x bits / 8) bytes each, the unused low bits of the last byte cleared. The rows before a cut
    // are written. Errors 0x340006 (239, 245, 329), 0x340002 (255), 0x340007 (277), 0x340003 (288: the bytes
    // of the first row cut short and its place among the stored rows). Run-length coded rows: also 0x340003
    // (292: the codes end early) and 0x340004 (296: a row past the last; 299: a delta past the row's end).
    int read_pixels(const BmpInfo* info, uint8_t* pixels, int64_t pixel_capacity, bool packed = false);

    // For rows of 8, 16, 24 or 32 bits, not run-length coded: whether the bytes hold every stored row whole,
    // and the row'th row (the top row is 0) where it lies in them, unpadded, once they do.
    bool holds_every_row(const BmpInfo& info) const;
    const uint8_t* row(const BmpInfo& info, int32_t row) const;
    // The same for a true-colour picture, as blue, green, red: where it lies for 24 bits, else decoded into
    // scratch (3 x width bytes); after a successful read_header of the same info.
    const uint8_t* colour_row(const BmpInfo& info, int32_t row, uint8_t* scratch) const;
    // For run-length coded rows instead of read_pixels: checks the codes as it would, with the same errors,
    // and notes where each of the info.height stored rows starts (starts) and the indices the picture holds
    // (used, 256 flags). Error 0x340002 (255) too.
    int scan_run_length(const BmpInfo& info, run_length::RowStart* starts, bool* used);
    // Then the row'th row (the top row is 0), each index through map (256 entries), one a byte into out;
    // false when the codes no longer hold it.
    bool run_length_row(const BmpInfo& info, const run_length::RowStart* starts, int32_t row, const uint8_t* map,
                        uint8_t* out) const;
    // Records the failure read_pixels would find in the file's first size bytes (it lost the rest): 0x340003 (288).
    void fail_cut_rows(const BmpInfo& info, size_t size);

    uint32_t error_code;
    char error_text[kErrorTextSize];

private:
    // The red, green and blue masks of a 16- or 32-bit file, read at *at,
    // into info, checked. Errors 0x340003 (172), 0x340004 (216).
    int read_masks(uint32_t compression, size_t* at, BmpInfo* info);
    // The run-length coded rows into pixels (out_row bytes a row). Errors 0x340003 (292), 0x340004 (296, 299).
    int read_run_length(const BmpInfo& info, uint8_t* pixels, int64_t out_row, bool packed);
    // The error of a run-length result, or 0.
    int run_length_failure(const run_length::Result& result);
    // Up to count bytes from offset on (fewer at the end), as a pointer; *got tells how many.
    const uint8_t* bytes_at(int64_t offset, size_t count, size_t* got) const;

    const uint8_t* data_;
    size_t size_;
    bit_fields::Layout fields_;  // of a 16- or 32-bit file's masks
};

#endif
