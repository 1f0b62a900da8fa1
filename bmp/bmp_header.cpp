// BmpReader::read_header: the file header, the core or information header and
// every check that decides whether the file is a BMP this program reads.
#include <algorithm>
#include <climits>
#include <cstring>

#include "bmp/bit_fields.h"

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

// The compression field's values.
constexpr uint32_t kUncompressed = 0;
constexpr uint32_t kRle8 = 1;
constexpr uint32_t kRle4 = 2;
constexpr uint32_t kBitFields = 3;
constexpr uint32_t kAlphaBitFields = 6;  // the same, with an alpha mask too

// Header sizes: the first with every field up to the bit count; the information layout, after which bit-field
// masks follow; the first with the masks inside; OS/2's own, in which compression 3 and 4 mean other codings.
constexpr uint32_t kLeastHeaderSize = 16;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kMasksInsideSize = 52;
constexpr uint32_t kOs2HeaderSize = 64;
constexpr size_t kMaskBytes = 12;  // red, green, blue; an alpha mask is not needed

// How the pixels of bits-bit pixels under this compression are stored, or -1 when this reader does not read
// them (embedded JPEG or PNG, OS/2's own codings, a coding for another bit count).
int coding_of(uint32_t compression, int bits, uint32_t header_size)
{
    switch (compression) {
    case kUncompressed:
        return bits == 16 ? kBitFields16 : bits == 32 ? kBitFields32 : kRowsAsStored;
    case kRle8:
        return bits == 8 ? kRunLength8 : -1;
    case kRle4:
        return bits == 4 ? kRunLength4 : -1;
    case kBitFields:
    case kAlphaBitFields:
        if (header_size == kOs2HeaderSize || (header_size != kInfoHeaderSize && header_size < kMasksInsideSize)) {
            return -1;
        }
        return bits == 16 ? kBitFields16 : bits == 32 ? kBitFields32 : -1;
    default:
        return -1;
    }
}

}  // namespace

int BmpReader::read_masks(uint32_t compression, size_t* at, BmpInfo* info)
{
    const int bits = file_bit_count(*info);
    if (compression == kUncompressed) {
        std::memcpy(info->masks, bits == 16 ? bit_fields::kDefault16 : bit_fields::kDefault32, sizeof info->masks);
    } else {
        // After a 40-byte header, else within the header past its first 40 bytes: where reading stopped either way.
        size_t got = 0;
        const uint8_t* bytes = bytes_at(static_cast<int64_t>(*at), kMaskBytes, &got);
        if (got != kMaskBytes) {
            return fail(this, kMasksShort, static_cast<int>(got));
        }
        for (int i = 0; i < 3; ++i) {
            info->masks[i] = read_le32(bytes + 4 * i);
        }
    }
    // Kept for colour_row.
    if (!bit_fields::make_layout(info->masks, bits, &fields_)) {
        return fail(this, kMasks);
    }
    return 0;
}

BmpReader::BmpReader(const uint8_t* data, size_t size)
    : error_code(0), data_(data), size_(data != nullptr ? size : 0)
{
    error_text[0] = '\0';
}

const uint8_t* BmpReader::bytes_at(int64_t offset, size_t count, size_t* got) const
{
    *got = offset < 0 || static_cast<uint64_t>(offset) >= size_ ? 0
                                                                 : std::min(count, size_ - static_cast<size_t>(offset));
    return *got == 0 ? nullptr : data_ + offset;
}

int BmpReader::read_header(BmpInfo* out)
{
    *out = BmpInfo{};
    if (data_ == nullptr) {
        return fail(this, kLengthSeek);
    }
    const int64_t length = static_cast<int64_t>(size_);
    size_t got = 0;
    const uint8_t* file_header = bytes_at(0, kFileHeaderBytes, &got);
    if (got != kFileHeaderBytes) {
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
    size_t at = kFileHeaderBytes;
    const uint8_t* size_field = bytes_at(static_cast<int64_t>(at), kHeaderSizeBytes, &got);
    if (got != kHeaderSizeBytes) {
        return fail(this, kHeaderSizeShort, static_cast<int>(got));
    }
    uint32_t header_size = read_le32(size_field);
    at += kHeaderSizeBytes;

    int32_t stored_height;
    uint32_t compression = kUncompressed;
    uint8_t fields[kInfoFieldBytes] = {};
    if (header_size == kCoreHeaderSize) {
        info.is_core = 1;
        got = std::min(kCoreFieldBytes, size_ - std::min(size_, at));
        std::memcpy(fields, data_ + std::min(size_, at), got);
        if (got != kCoreFieldBytes) {
            return fail(this, kCoreShort, static_cast<int>(got));
        }
        info.width = read_le16_signed(fields + kCoreWidthAt);
        stored_height = read_le16_signed(fields + kCoreHeightAt);
        info.bit_count = fields[kCoreBitCountAt];
    } else {
        info.is_core = 0;
        if (header_size < kLeastHeaderSize) {
            return fail(this, kHeaderTooSmall);
        }
        // A smaller header (OS/2's 16 bytes) lacks the last fields, which
        // then count as 0: they are not read from the colour table after it.
        const size_t wanted = std::min<size_t>(kInfoFieldBytes, header_size - kHeaderSizeBytes);
        got = std::min(wanted, size_ - std::min(size_, at));
        std::memcpy(fields, data_ + std::min(size_, at), got);
        at += got;
        if (got != wanted) {
            return fail(this, kInfoShort, static_cast<int>(got));
        }
        info.width = read_le32_signed(fields + kInfoWidthAt);
        stored_height = read_le32_signed(fields + kInfoHeightAt);
        if (read_le16(fields + kInfoPlanesAt) != kOnePlane) {
            return fail(this, kPlanes);
        }
        // Only a header that holds the whole field has a compression.
        if (header_size >= kHeaderSizeBytes + kInfoCompressionAt + 4) {
            compression = read_le32(fields + kInfoCompressionAt);
        }
        const int coding = coding_of(compression, fields[kInfoBitCountAt], header_size);
        if (coding < 0) {
            return fail(this, kCompression);
        }
        info.coding = static_cast<uint8_t>(coding);
        // 16- and 32-bit pixels become the picture's 24-bit colours.
        info.bit_count = coding == kBitFields16 || coding == kBitFields32 ? 24 : fields[kInfoBitCountAt];
    }
    info.palette_offset = static_cast<int64_t>(kFileHeaderBytes) + header_size;

    // INT32_MIN rows would have no positive count to become.
    if (info.width <= 0 || stored_height == 0 || stored_height == INT32_MIN) {
        return fail(this, kSize);
    }
    if (!is_supported_bit_count(info.bit_count)) {
        return fail(this, kBitDepth);
    }
    // Run-length codes climb from the bottom row; a top-down file has no agreed meaning for them.
    if (stored_height < 0 && (info.coding == kRunLength8 || info.coding == kRunLength4)) {
        return fail(this, kTopDownRunLength);
    }
    if (info.coding == kBitFields16 || info.coding == kBitFields32) {
        if (read_masks(compression, &at, &info) != 0) {
            return 1;
        }
    }
    info.top_down = stored_height < 0 ? 1 : 0;
    info.height = stored_height < 0 ? -stored_height : stored_height;
    *out = info;
    return 0;
}
