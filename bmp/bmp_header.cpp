// clFile::read_header: the file header, the core or information header and
// every check that decides whether the file is a BMP this program reads.
#include <climits>
#include <cstdio>

#include "bmp/bmp_errors.h"
#include "bmp/bmp_file.h"
#include "bmp/little_endian.h"

using namespace bmp_errors;

namespace {

constexpr size_t kFileHeaderBytes = 14;
constexpr size_t kHeaderSizeBytes = 4;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr size_t kCoreFieldBytes = 8;   // after the header-size field
constexpr size_t kInfoFieldBytes = 36;  // the rest of the 40-byte layout

// Offsets within the 14-byte file header.
constexpr int kSignatureAt = 0;
constexpr int kFileSizeAt = 2;
constexpr int kPixelOffsetAt = 10;

// Offsets within the fields that follow the header-size field.
constexpr int kCoreWidthAt = 0;
constexpr int kCoreHeightAt = 2;
constexpr int kCoreBitCountAt = 6;
constexpr int kInfoWidthAt = 0;
constexpr int kInfoHeightAt = 4;
constexpr int kInfoPlanesAt = 8;
constexpr int kInfoBitCountAt = 10;
constexpr int kInfoCompressionAt = 12;

constexpr uint16_t kOnePlane = 1;
constexpr uint32_t kUncompressed = 0;

}  // namespace

int clFile::read_header(BmpInfo* out)
{
    *out = BmpInfo{};
    if (!source.is_open() || source.seek(0, SEEK_END) != 0) {
        return fail(this, kLengthSeek);
    }
    int64_t end = source.tell();
    if (end < 0) {
        return fail(this, kLengthTell);
    }
    if (source.seek(0, SEEK_SET) != 0) {
        return fail(this, kStartTell);
    }
    int64_t start = source.tell();
    if (start < 0) {
        return fail(this, kStartTell);
    }
    int64_t length = end - start;

    uint8_t file_header[kFileHeaderBytes];
    if (source.read(file_header, 1, kFileHeaderBytes) != kFileHeaderBytes) {
        return fail(this, kFileHeaderShort);
    }
    if (file_header[kSignatureAt] != 'B' || file_header[kSignatureAt + 1] != 'M') {
        return fail(this, kNotBm);
    }
    uint32_t file_size = read_le32(file_header + kFileSizeAt);
    if (static_cast<int64_t>(file_size) != length) {
        return fail(this, kFileSize, read_le32_signed(file_header + kFileSizeAt));
    }

    BmpInfo info = {};
    info.pixel_offset = read_le32_signed(file_header + kPixelOffsetAt);
    uint8_t size_field[kHeaderSizeBytes];
    size_t got = source.read(size_field, 1, kHeaderSizeBytes);
    if (got != kHeaderSizeBytes) {
        return fail(this, kHeaderSizeShort, static_cast<int>(got));
    }
    uint32_t header_size = read_le32(size_field);

    int32_t stored_height;
    uint8_t fields[kInfoFieldBytes];
    if (header_size == kCoreHeaderSize) {
        info.is_core = 1;
        got = source.read(fields, 1, kCoreFieldBytes);
        if (got != kCoreFieldBytes) {
            return fail(this, kCoreShort, static_cast<int>(got));
        }
        info.width = read_le16_signed(fields + kCoreWidthAt);
        stored_height = read_le16_signed(fields + kCoreHeightAt);
        info.bit_count = fields[kCoreBitCountAt];
    } else {
        info.is_core = 0;
        got = source.read(fields, 1, kInfoFieldBytes);
        if (got != kInfoFieldBytes) {
            return fail(this, kInfoShort, static_cast<int>(got));
        }
        info.width = read_le32_signed(fields + kInfoWidthAt);
        stored_height = read_le32_signed(fields + kInfoHeightAt);
        info.bit_count = fields[kInfoBitCountAt];
        if (read_le16(fields + kInfoPlanesAt) != kOnePlane) {
            return fail(this, kPlanes);
        }
        if (read_le32(fields + kInfoCompressionAt) != kUncompressed) {
            return fail(this, kCompression);
        }
    }
    info.palette_offset = static_cast<int64_t>(kFileHeaderBytes) + header_size;

    // INT32_MIN rows would have no positive count to become.
    if (info.width <= 0 || stored_height == 0 || stored_height == INT32_MIN) {
        return fail(this, kSize);
    }
    if (!is_supported_bit_count(info.bit_count)) {
        return fail(this, kBitDepth);
    }
    info.top_down = stored_height < 0 ? 1 : 0;
    info.height = stored_height < 0 ? -stored_height : stored_height;
    *out = info;
    return 0;
}
