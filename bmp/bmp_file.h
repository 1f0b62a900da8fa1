// clFile: one BMP file opened for reading, its header check and its colour
// table and pixel-row readers.
//
// Call order: open (or open_memory) -> read_header -> read_palette (1, 4, 8 bits) or
// read_pixels (24 bits) -> close (or destruction, which closes). read_palette
// and read_pixels each position the file themselves, so they may be repeated.
// A big picture's rows may also be read one at a time (read_rows_every,
// read_row).
// Every operation returns 0 on success and 1 on failure, leaving the code and
// text of the failure in error_code / error_text; a success clears neither.
#ifndef VASTRELMON_BMP_BMP_FILE_H
#define VASTRELMON_BMP_BMP_FILE_H

#include <cstddef>
#include <cstdint>

#include "bmp/byte_source.h"
#include "platform/error_record.h"

// Error codes of clFile.
constexpr uint32_t kBmpAlreadyOpen = 0x340001;
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

// The header values that read_header validated. Offsets are 64-bit so that
// no field value can wrap them around.
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

// Whether each stored row holds bit_count-bit pixels as the picture keeps
// them, so that rows may be read, mapped or found where they lie.
inline bool rows_as_stored(const BmpInfo& info)
{
    return info.coding == kRowsAsStored;
}

// The bits a pixel takes in the file: 16 or 32 for bit fields, else
// bit_count.
inline int file_bit_count(const BmpInfo& info)
{
    return info.coding == kBitFields16 ? 16 : info.coding == kBitFields32 ? 32 : info.bit_count;
}

class clFile {
public:
    clFile();
    ~clFile();
    clFile(const clFile&) = delete;
    clFile& operator=(const clFile&) = delete;

    // Opens name for binary reading; only regular files are accepted, and a
    // FIFO never blocks the call. Errors 0x340001 (line 36), 0x340002 (44).
    int open(const char* name);
    // Reads size bytes at data instead of a file, with the same checks, codes
    // and texts. The bytes are not copied and must outlive the reading. Error
    // 0x340001 (36).
    int open_memory(const uint8_t* data, size_t size);
    // Closes the file if one is open (a read-only file loses nothing).
    void close();
    // Reads and checks the headers into *info (which must not be null). *info
    // is cleared first and filled only on success. Errors 0x340002 (82, 89,
    // 99), 0x340003 (108, 133, 149, 169, 172), 0x340004 (116 .. 216).
    int read_header(BmpInfo* info);
    // Reads the 2^bit_count-entry colour table into palette (256 x red, green,
    // blue; entries beyond the table are left alone), then the pixel rows as
    // read_pixels does. Errors 0x340006 (351, 357, 363), 0x340002 (373, 380),
    // 0x340003 (396) and those of read_pixels.
    int read_palette(const BmpInfo* info, uint8_t* palette, uint8_t* pixels,
                     int64_t pixel_capacity, bool packed = false);
    // The colour table alone, with the same checks, codes and texts.
    int read_table(const BmpInfo* info, uint8_t* palette);
    // Writes the picture into pixels top row first, one byte per pixel for
    // 1, 4 and 8 bits, blue, green, red for 24 bits. pixel_capacity is the
    // size of the pixels buffer; a picture that does not fit is refused as a
    // bad third argument. With packed, 1- and 4-bit rows stay as stored,
    // without their padding: ceil(width x bits / 8) bytes each, the unused
    // low bits of the last byte cleared. Errors 0x340006 (239, 245, 329),
    // 0x340002 (255, 262), 0x340007 (277), 0x340003 (288). Run-length coded
    // rows: also 0x340003 (292: the codes end early) and 0x340004 (296: a
    // row past the last; 299: a delta past the row's end).
    int read_pixels(const BmpInfo* info, uint8_t* pixels, int64_t pixel_capacity, bool packed = false);

    // A big picture's rows read where they are needed, one at a time (8 and
    // 24 bits, rows kept as stored), instead of all at once. read_rows_every
    // reads the rows 0, step, 2 x step, ... (counted from the top) into
    // their places in pixels and asks the system to have the others ready;
    // false where that is not worth it or not possible (another depth, a
    // small picture, a file that does not hold every row, a failed read):
    // the caller then reads with read_pixels, which finds and records any
    // fault (also for files whose rows are not as stored: run-length
    // coded, 16 or 32 bits). read_row reads the row'th row (the top row is 0) to out. Error
    // 0x340003 (288: the bytes read, the stored row).
    bool read_rows_every(const BmpInfo* info, uint8_t* pixels, int64_t pixel_capacity, int32_t step);
    int read_row(const BmpInfo* info, int32_t row, uint8_t* out);
    // Maps the file's stored rows into memory, so a reader takes each row
    // from there instead of asking the system for it; false where it cannot
    // (see FileView). mapped_row is the row'th row (the top row is 0) as
    // stored in the mapping, or null (no mapping, or the file lost bytes
    // under it: read_row then tells what the file holds). Once every row
    // wanted is read, unmap_rows drops the mapping and tells whether the
    // file still held them all (a row taken from a file cut meanwhile may
    // hold zeros); when not, the rows taken are not the file's and error
    // 0x340003 is recorded (288: the bytes and the first stored row the
    // file no longer holds whole).
    bool map_rows(const BmpInfo* info);
    const uint8_t* mapped_row(const BmpInfo* info, int32_t row) const;
    bool unmap_rows(const BmpInfo* info);
    // The rows first to first + count - 1 (the top row is 0), kept as
    // stored and without padding, top row first, to out; in as few reads as
    // the system allows. Errors 0x340006 (239), 0x340003 (288).
    int read_rows(const BmpInfo* info, int32_t first, int32_t count, uint8_t* out);
    // Whether the file holds every stored row whole.
    bool holds_every_row(const BmpInfo* info);

    uint32_t error_code;
    char error_text[kErrorTextSize];

private:
    // The red, green and blue masks of a 16- or 32-bit file, into info,
    // checked. Errors 0x340003 (172), 0x340004 (216).
    int read_masks(uint32_t compression, BmpInfo* info);
    // The run-length coded rows, from the current position (pixel_offset),
    // into pixels (out_row bytes a row). Errors 0x340007 (277), 0x340003
    // (292), 0x340004 (296, 299).
    int read_run_length(const BmpInfo& info, uint8_t* pixels, int64_t out_row, bool packed);
    // Moves to offset from the start and confirms the position.
    int move_to(int64_t offset, const ErrorEntry& seek_error, const ErrorEntry& tell_error);

    ByteSource source;
};

#endif
