// clFile::read_palette and clFile::read_pixels: the colour table and the
// pixel rows, unpacked to one byte per index or three per colour.
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "bmp/bit_fields.h"
#include "bmp/bmp_errors.h"
#include "bmp/bmp_file.h"
#include "bmp/byte_source.h"
#include "bmp/run_length.h"
#include "bmp/stored_rows.h"
#include "platform/files.h"
#include "platform/packed_rows.h"

using namespace bmp_errors;
using namespace stored_rows;

namespace {

constexpr int kMaxIndexedBits = 8;
constexpr int kCoreEntryBytes = 3;  // blue, green, red
constexpr int kInfoEntryBytes = 4;  // blue, green, red, reserved
constexpr size_t kRgbBytes = 3;    // one entry of the image's palette
constexpr int kMaxTableEntries = 1 << kMaxIndexedBits;

// Stored rows are read several at a time into a staging area of about this
// size, so narrow pictures do not cost one read request per row.
constexpr int64_t kStagingBytes = int64_t{1} << 18;

// Build switch VASTRELMON_ROWS_IN_PLACE=OFF: every row through the staging
// area instead.
// Reads the stored rows that the source holds whole straight into their
// places, as 8- and 24-bit rows are kept just as they are stored: one
// request for many rows, each row's padding dropped into a scrap. Returns
// how many rows were read, counted from the first stored row; the caller
// reads the rest (and finds the cut) the usual way.
[[maybe_unused]] int32_t read_rows_in_place(ByteSource* source, const BmpInfo& info, uint8_t* pixels, int64_t out_row,
                           int64_t length, int64_t stride)
{
    const int64_t size = source->size();
    if (size <= info.pixel_offset) {
        return 0;
    }
    const int64_t available = std::min<int64_t>(info.height, (size - info.pixel_offset) / stride);
    const int64_t padding = stride - length;
    uint8_t scrap[kRowAlignment];
    const int64_t rows_per_read = padding > 0 ? kMaxReadPieces / 2 : kMaxReadPieces;
    ReadPiece pieces[kMaxReadPieces];
    int64_t done = 0;
    while (done < available) {
        const int64_t rows = std::min(rows_per_read, available - done);
        int count = 0;
        for (int64_t r = done; r < done + rows; ++r) {
            const int64_t target = info.top_down ? r : info.height - 1 - r;
            pieces[count++] = {pixels + target * out_row, static_cast<size_t>(length)};
            if (padding > 0) {
                pieces[count++] = {scrap, static_cast<size_t>(padding)};
            }
        }
        const int64_t got = source->read_at(info.pixel_offset + done * stride, pieces, count);
        if (got < 0) {
            break;
        }
        done += got / stride;
        if (got != rows * stride) {
            break;
        }
    }
    return static_cast<int32_t>(done);
}

// The bytes from the source's position to its end, in one buffer (null when
// it cannot be had); *size is their count.
std::unique_ptr<uint8_t[]> read_rest(ByteSource* source, int64_t position, size_t* size)
{
    *size = 0;
    const int64_t end = source->size();
    if (end >= 0) {
        const size_t wanted = end > position ? static_cast<size_t>(end - position) : 0;
        std::unique_ptr<uint8_t[]> bytes(new (std::nothrow) uint8_t[wanted + 1]);
        if (bytes) {
            *size = source->read(bytes.get(), 1, wanted);
        }
        return bytes;
    }
    // A source that does not know its size: read in growing pieces.
    size_t room = kStagingBytes;
    std::unique_ptr<uint8_t[]> bytes(new (std::nothrow) uint8_t[room]);
    while (bytes) {
        *size += source->read(bytes.get() + *size, 1, room - *size);
        if (*size < room) {
            break;
        }
        std::unique_ptr<uint8_t[]> more(new (std::nothrow) uint8_t[room * 2]);
        if (more) {
            std::memcpy(more.get(), bytes.get(), room);
            room *= 2;
        }
        bytes = std::move(more);
    }
    return bytes;
}

}  // namespace

int clFile::read_run_length(const BmpInfo& info, uint8_t* pixels, int64_t out_row, bool packed)
{
    // The codes are read at once: they are short next to the picture, and
    // where they end is found by decoding them.
    size_t size = 0;
    const std::unique_ptr<uint8_t[]> codes = read_rest(&source, info.pixel_offset, &size);
    if (!codes) {
        return fail(this, kRowMemory);
    }
    const run_length::Picture picture = {pixels, out_row, info.width, info.height, packed};
    const run_length::Result result =
        run_length::decode(codes.get(), size, info.coding == kRunLength8 ? 8 : 4, picture);
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

int clFile::read_palette(const BmpInfo* info, uint8_t* palette, uint8_t* pixels,
                         int64_t pixel_capacity, bool packed)
{
    if (read_table(info, palette) != 0) {
        return 1;
    }
    return read_pixels(info, pixels, pixel_capacity, packed);
}

int clFile::read_table(const BmpInfo* info, uint8_t* palette)
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
    if (move_to(info->palette_offset, kPaletteSeek, kPaletteTell) != 0) {
        return 1;
    }
    size_t entries = size_t{1} << info->bit_count;
    size_t entry_bytes = info->is_core ? kCoreEntryBytes : kInfoEntryBytes;
    uint8_t table[kMaxTableEntries * kInfoEntryBytes];
    if (source.read(table, entry_bytes, entries) != entries) {
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

int clFile::read_pixels(const BmpInfo* info, uint8_t* pixels, int64_t pixel_capacity, bool packed)
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
    // The picture's bits a pixel decide what is written, the file's what is
    // read.
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
    if (move_to(info->pixel_offset, kPixelsSeek, kPixelsTell) != 0) {
        return 1;
    }
    if (info->coding == kRunLength8 || info->coding == kRunLength4) {
        return read_run_length(*info, pixels, out_row, packed);
    }
    bit_fields::Layout fields;
    const bool in_fields = info->coding == kBitFields16 || info->coding == kBitFields32;
    if (in_fields && !bit_fields::make_layout(info->masks, bits, &fields)) {
        return fail(this, kPixelsNoInfo);  // masks read_header would have refused
    }
    int64_t length = row_length(info->width, bits);
    int64_t stride = row_stride(length);
    int32_t first = 0;
#if !defined(VASTRELMON_NO_ROWS_IN_PLACE)
    if (rows_as_stored(*info) && (bits == 8 || bits == kTrueColorBits)) {
        first = read_rows_in_place(&source, *info, pixels, out_row, length, stride);
        if (first == info->height) {
            return 0;
        }
        if (first > 0 && move_to(info->pixel_offset + first * stride, kPixelsSeek, kPixelsTell) != 0) {
            return 1;
        }
    }
#endif
    // Rows to unpack, and rows cut short: staged. Room for many rows when it
    // can be had; one stride is all that is needed, and only its absence is
    // a failure.
    int64_t staged_rows =
        std::max<int64_t>(1, std::min<int64_t>(kStagingBytes / stride, info->height - first));
    std::unique_ptr<uint8_t[]> staging(new (std::nothrow) uint8_t[static_cast<size_t>(staged_rows * stride)]);
    if (!staging) {
        staged_rows = 1;
        staging.reset(new (std::nothrow) uint8_t[static_cast<size_t>(stride)]);
    }
    if (!staging) {
        return fail(this, kRowMemory);
    }
    // The bits of a packed row's last byte that hold pixels.
    const int unused_bits = static_cast<int>(length * 8 - static_cast<int64_t>(info->width) * bits);
    const uint8_t last_byte_mask = static_cast<uint8_t>(0xFF << unused_bits);
    while (first < info->height) {
        const int64_t rows = std::min<int64_t>(staged_rows, info->height - first);
        const size_t wanted = static_cast<size_t>(rows * stride);
        const size_t got = source.read(staging.get(), 1, wanted);
        // The rows that arrived whole are stored before a short read is
        // reported, as if each had been read on its own.
        const int32_t whole = static_cast<int32_t>(got / static_cast<size_t>(stride));
        for (int32_t r = 0; r < whole; ++r) {
            const int32_t i = first + r;
            const uint8_t* row = staging.get() + static_cast<size_t>(r) * static_cast<size_t>(stride);
            int64_t target = info->top_down ? i : info->height - 1 - i;
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
        if (got != wanted) {
            const size_t partial = got - static_cast<size_t>(whole) * static_cast<size_t>(stride);
            return fail(this, kRowShort, static_cast<int>(partial), first + whole);
        }
        first += static_cast<int32_t>(rows);
    }
    return 0;
}
