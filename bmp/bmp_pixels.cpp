// BmpReader::read_table and read_pixels: the colour table and the pixel
// rows, unpacked to one byte per index or three per colour.
#include <algorithm>
#include <cstring>

#include "bmp/bit_fields.h"
#include "bmp/bmp_errors.h"
#include "bmp/bmp_file.h"
#include "bmp/run_length.h"
#include "platform/packed_rows.h"

using namespace bmp_errors;

namespace {

constexpr int kMaxIndexedBits = 8;
constexpr int kCoreEntryBytes = 3;  // blue, green, red
constexpr int kInfoEntryBytes = 4;  // blue, green, red, reserved
constexpr size_t kRgbBytes = 3;    // one entry of the image's palette
constexpr int kTrueColorBits = 24;
constexpr int kTrueColorBytes = 3;
// Every stored row is padded to a multiple of this many bytes.
constexpr int64_t kRowAlignment = 4;

// Bytes of one stored row before its padding. width is at most INT32_MAX, so 64 bits hold every product.
int64_t row_length(int64_t width, int bits)
{
    return bits == kTrueColorBits ? width * kTrueColorBytes : (width * bits + 7) / 8;
}

// Bytes of one stored row with its padding.
int64_t row_stride(int64_t length)
{
    return (length + kRowAlignment - 1) / kRowAlignment * kRowAlignment;
}

// The stored rows' bytes that size bytes of file hold from the first row on (none when rows start past them).
int64_t row_bytes_held(const BmpInfo& info, size_t size)
{
    const int64_t end = static_cast<int64_t>(size);
    return info.pixel_offset >= 0 && end > info.pixel_offset ? end - info.pixel_offset : 0;
}

int run_length_bits(const BmpInfo& info)
{
    return info.coding == kRunLength8 ? 8 : 4;
}

}  // namespace

int BmpReader::read_run_length(const BmpInfo& info, uint8_t* pixels, int64_t out_row, bool packed)
{
    size_t size = 0;
    const uint8_t* codes = bytes_at(info.pixel_offset, size_, &size);
    const run_length::Picture picture = {pixels, out_row, info.width, info.height, packed};
    return run_length_failure(run_length::decode(codes, size, run_length_bits(info), picture));
}

int BmpReader::scan_run_length(const BmpInfo& info, run_length::RowStart* starts, bool* used)
{
    if (info.pixel_offset < 0) {
        return fail(this, kPixelsSeek);
    }
    size_t size = 0;
    const uint8_t* codes = bytes_at(info.pixel_offset, size_, &size);
    return run_length_failure(
        run_length::scan(codes, size, run_length_bits(info), info.width, info.height, starts, used));
}

bool BmpReader::run_length_row(const BmpInfo& info, const run_length::RowStart* starts, int32_t row,
                               const uint8_t* map, uint8_t* out) const
{
    size_t size = 0;
    const uint8_t* codes = bytes_at(info.pixel_offset, size_, &size);
    const int32_t stored = info.height - 1 - row;
    return run_length::decode_row(codes, size, run_length_bits(info), info.width, info.height, stored,
                                  starts[stored], map, out);
}

int BmpReader::run_length_failure(const run_length::Result& result)
{
    switch (result.outcome) {
    case run_length::Outcome::kComplete:
        return 0;
    case run_length::Outcome::kCut:
        return fail(this, kCodesEnd, result.row);
    case run_length::Outcome::kBelowLastRow:
        return fail(this, kRowPastLast, result.row);
    case run_length::Outcome::kDeltaPastRowEnd:
        break;
    }
    return fail(this, kDeltaPastEnd, result.row);
}

int BmpReader::read_table(const BmpInfo* info, uint8_t* palette)
{
    if (info == nullptr) {
        return fail(this, kPaletteNoInfo);
    }
    if (palette == nullptr) {
        return fail(this, kPaletteNoBuffer);
    }
    if (info->bit_count == 0 || info->bit_count > kMaxIndexedBits) {
        return fail(this, kPaletteBitCount);
    }
    if (info->palette_offset < 0) {
        return fail(this, kPaletteSeek);
    }
    size_t entries = size_t{1} << info->bit_count;
    size_t entry_bytes = info->is_core ? kCoreEntryBytes : kInfoEntryBytes;
    size_t got = 0;
    const uint8_t* table = bytes_at(info->palette_offset, entries * entry_bytes, &got);
    if (got != entries * entry_bytes) {
        return fail(this, kTableShort);
    }
    for (size_t i = 0; i < entries; ++i) {
        const uint8_t* entry = table + i * entry_bytes;
        uint8_t* color = palette + kRgbBytes * i;
        color[0] = entry[2];  // red
        color[1] = entry[1];  // green
        color[2] = entry[0];  // blue
    }
    return 0;
}

int BmpReader::read_pixels(const BmpInfo* info, uint8_t* pixels, int64_t pixel_capacity, bool packed)
{
    // A record that read_header cannot have produced is as good as none.
    if (info == nullptr || info->width <= 0 || info->height <= 0) {
        return fail(this, kPixelsNoInfo);
    }
    if (pixels == nullptr) {
        return fail(this, kPixelsNoBuffer);
    }
    if (!is_supported_bit_count(info->bit_count)) {
        return fail(this, kPixelsBitCount);
    }
    // The picture's bits a pixel decide what is written, the file's what is read.
    const int depth = info->bit_count;
    const int bits = file_bit_count(*info);
    // The picture must fit the caller's buffer before a single byte is
    // written; checked a factor at a time so nothing can overflow.
    packed = packed && (depth == 1 || depth == 4);
    int64_t out_row = packed ? row_length(info->width, depth)
                             : static_cast<int64_t>(info->width) * (depth == kTrueColorBits ? kTrueColorBytes : 1);
    if (out_row > pixel_capacity || info->height > pixel_capacity / out_row) {
        return fail(this, kPixelsNoBuffer);
    }
    if (info->pixel_offset < 0) {
        return fail(this, kPixelsSeek);
    }
    if (info->coding == kRunLength8 || info->coding == kRunLength4) {
        return read_run_length(*info, pixels, out_row, packed);
    }
    bit_fields::Layout fields;
    const bool in_fields = info->coding == kBitFields16 || info->coding == kBitFields32;
    if (in_fields && !bit_fields::make_layout(info->masks, bits, &fields)) {
        return fail(this, kPixelsNoInfo);  // masks read_header would have refused
    }
    const int64_t length = row_length(info->width, bits);
    const int64_t stride = row_stride(length);
    // Rows the bytes hold whole are stored before a cut is reported, as if each had been read on its own.
    const int64_t held = row_bytes_held(*info, size_);
    const int32_t whole = static_cast<int32_t>(std::min<int64_t>(info->height, held / stride));
    // The bits of a packed row's last byte that hold pixels.
    const int unused_bits = static_cast<int>(length * 8 - static_cast<int64_t>(info->width) * bits);
    const uint8_t last_byte_mask = static_cast<uint8_t>(0xFF << unused_bits);
    for (int32_t i = 0; i < whole; ++i) {
        const uint8_t* row = data_ + info->pixel_offset + i * stride;
        const int64_t target = info->top_down ? i : info->height - 1 - i;
        uint8_t* out = pixels + target * out_row;
        if (in_fields) {
            bit_fields::to_bgr(row, info->width, fields, out);
        } else if (packed) {
            std::memcpy(out, row, static_cast<size_t>(length));
            out[length - 1] = static_cast<uint8_t>(out[length - 1] & last_byte_mask);
        } else if (bits == 1) {
            unpack_1bit(row, info->width, out);
        } else if (bits == 4) {
            unpack_4bit(row, info->width, out);
        } else {
            std::memcpy(out, row, static_cast<size_t>(length));
        }
    }
    if (whole < info->height) {
        return fail(this, kRowShort, static_cast<int>(held - whole * stride), whole);
    }
    return 0;
}

bool BmpReader::holds_every_row(const BmpInfo& info) const
{
    if (info.coding == kRunLength8 || info.coding == kRunLength4 ||
        (info.bit_count != 8 && info.bit_count != kTrueColorBits)) {
        return false;
    }
    return row_bytes_held(info, size_) / row_stride(row_length(info.width, file_bit_count(info))) >= info.height;
}

const uint8_t* BmpReader::row(const BmpInfo& info, int32_t row) const
{
    const int64_t stored = info.top_down ? row : info.height - 1 - row;
    return data_ + info.pixel_offset + stored * row_stride(row_length(info.width, file_bit_count(info)));
}

const uint8_t* BmpReader::colour_row(const BmpInfo& info, int32_t row, uint8_t* scratch) const
{
    if (info.coding != kBitFields16 && info.coding != kBitFields32) {
        return this->row(info, row);
    }
    bit_fields::to_bgr(this->row(info, row), info.width, fields_, scratch);
    return scratch;
}

void BmpReader::fail_cut_rows(const BmpInfo& info, size_t size)
{
    const int64_t stride = row_stride(row_length(info.width, file_bit_count(info)));
    const int64_t held = row_bytes_held(info, size);
    const int64_t whole = std::min<int64_t>(held / stride, info.height - 1);
    fail(this, kRowShort, static_cast<int>(held - whole * stride), static_cast<int>(whole));
}
