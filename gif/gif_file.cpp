// The description's checks and the stream in file order.
#include "gif/gif_file.h"

#include <cstring>

#include "gif/row_order.h"
#include "gif/stream_blocks.h"
#include "platform/packed_rows.h"

namespace {

const ErrorEntry kSizeRange = {kGifOutOfRange, 94, "argument is out of range.[W:%d,H:%d]"};
const ErrorEntry kSizeMemory = {kGifNoMemory, 108, "can't allocate memory.[C]"};
const ErrorEntry kDepthRange = {kGifOutOfRange, 236, "argument is out of range.[D]"};
const ErrorEntry kTransparencyRange = {kGifOutOfRange, 294, "argument is out of range.[T](%d)"};
const ErrorEntry kNoPalette = {kGifIllegal, 694, "illegal setting.[PALETTE NOT SET]"};
const ErrorEntry kIllegalData = {kGifIllegal, 470, "illegal data.[G]"};

constexpr char kShortWrite[] = "I/O write error.[Can't write(%d)]";
const ErrorEntry kHeaderShort = {kGifWriteError, 751, kShortWrite};
const ErrorEntry kTableShort = {kGifWriteError, 781, kShortWrite};
const ErrorEntry kDescriptorShort = {kGifWriteError, 804, kShortWrite};
const ErrorEntry kControlShort = {kGifWriteError, 886, kShortWrite};
const ErrorEntry kCommentIntroShort = {kGifWriteError, 913, kShortWrite};
const ErrorEntry kCommentBlockShort = {kGifWriteError, 935, kShortWrite};
const ErrorEntry kTrailerShort = {kGifWriteError, 1076, kShortWrite};

constexpr size_t kSubBlockLimit = 255;
constexpr int kColorEntryBytes = 3;

// Whether every index of a packed picture is below 2^depth.
bool packed_values_fit(const GifPicture& picture, uint8_t* row_buffer)
{
    // Values of stored_bits bits fit any depth at least as large.
    if (picture.stored_bits <= picture.color_depth) {
        return true;
    }
    const size_t width = static_cast<size_t>(picture.width);
    const size_t stride = row_bytes(width, picture.stored_bits);
    uint8_t bits = 0;
    for (size_t row = 0; row < static_cast<size_t>(picture.height); ++row) {
        unpack_row(picture.pixels + row * stride, width, picture.stored_bits, row_buffer);
        bits = static_cast<uint8_t>(bits | combined_bits(row_buffer, width));
    }
    return (bits >> picture.color_depth) == 0;
}

}  // namespace

clGIFFile::clGIFFile() : error_code(0)
{
    error_text[0] = '\0';
}

int clGIFFile::check(const GifPicture& picture)
{
    failed_check_ = kSizeCheck;
    if (picture.width < 0 || picture.width > kMaxGifDimension || picture.height < 0 ||
        picture.height > kMaxGifDimension) {
        return fail(this, kSizeRange, picture.width, picture.height);
    }
    const uint64_t count = static_cast<uint64_t>(picture.width) * static_cast<uint64_t>(picture.height);
    // Two bytes of coded data a pixel must be countable too.
    if (count > SIZE_MAX / 4) {
        return fail(this, kSizeMemory);
    }
    failed_check_ = kDepthCheck;
    if (picture.color_depth < kGifMinDepth || picture.color_depth > kGifMaxDepth) {
        return fail(this, kDepthRange);
    }
    failed_check_ = kTransparencyCheck;
    if (picture.transparent_index != kGifNoTransparency &&
        (picture.transparent_index < 0 || picture.transparent_index >= (1 << picture.color_depth))) {
        return fail(this, kTransparencyRange, picture.transparent_index);
    }
    failed_check_ = kPaletteCheck;
    if (picture.palette == nullptr) {
        return fail(this, kNoPalette);
    }
    failed_check_ = kPixelCheck;
    // An empty picture has nothing to code and no room for a code. Only the
    // LZW coder takes its rows from elsewhere, checking each as it comes.
    const bool packed = is_packed(picture.stored_bits);
    if (count == 0 || (picture.pixels == nullptr) == (picture.rows == nullptr) ||
        (picture.rows != nullptr && (picture.coder != GifCoder::kLzw || packed))) {
        return fail(this, kIllegalData);
    }
    if (packed) {
        MallocBuffer<uint8_t> row = allocate_buffer<uint8_t>(static_cast<size_t>(picture.width), false);
        if (!row || !packed_values_fit(picture, row.get())) {
            return fail(this, kIllegalData);
        }
    } else if (picture.pixels != nullptr && picture.color_depth < kGifMaxDepth &&
               (combined_bits(picture.pixels, static_cast<size_t>(count)) >> picture.color_depth) != 0) {
        return fail(this, kIllegalData);
    }
    failed_check_ = kChecksPassed;
    return 0;
}

int clGIFFile::encode(const GifPicture& picture, ByteSink* sink)
{
    rows_missing_ = false;
    cancelled_ = false;
    if (check(picture) != 0) {
        return 1;
    }
    sink_ = sink;
    const int status = write_blocks_before_data(picture) != 0 ? 1
                       : picture.coder == GifCoder::kLzw  ? encode_lzw(picture)
                                                          : encode_uncompressed(picture);
    if (status != 0) {
        return 1;
    }
    if (write_block(&kGifTrailer, sizeof kGifTrailer, kTrailerShort) != 0) {
        return 1;
    }
    // The stream is complete only once the sink has it all.
    return sink_->drain() ? 0 : fail(this, kTrailerShort, static_cast<int>(sink_->written_of_refused()));
}

int clGIFFile::write_blocks_before_data(const GifPicture& picture)
{
    StreamBlocks blocks;
    blocks.reset();
    blocks.set_size(picture.width, picture.height);
    blocks.set_color_depth(picture.color_depth);
    blocks.set_palette(picture.palette, picture.color_depth);
    if (picture.interlace) {
        blocks.set_interlaced();
    }
    if (picture.transparent_index != kGifNoTransparency) {
        blocks.set_transparent(picture.transparent_index);
    }
    if (write_block(blocks.header, sizeof blocks.header, kHeaderShort) != 0 ||
        write_block(blocks.color_table, kColorEntryBytes * color_table_entries(picture.color_depth),
                    kTableShort) != 0) {
        return 1;
    }
    if (picture.comment != nullptr &&
        (write_block(kCommentIntroducer, sizeof kCommentIntroducer, kCommentIntroShort) != 0 ||
         write_sub_blocks(reinterpret_cast<const uint8_t*>(picture.comment), std::strlen(picture.comment),
                          kCommentBlockShort) != 0)) {
        return 1;
    }
    return write_block(blocks.graphic_control, sizeof blocks.graphic_control, kControlShort) != 0 ||
           write_block(blocks.image_descriptor, sizeof blocks.image_descriptor, kDescriptorShort);
}

int clGIFFile::write_block(const void* block, size_t size, const ErrorEntry& short_write)
{
    if (!sink_->write(block, size)) {
        return fail(this, short_write, static_cast<int>(sink_->written_of_refused()));
    }
    return 0;
}

int clGIFFile::write_sub_blocks(const uint8_t* data, size_t length, const ErrorEntry& short_write)
{
    // Each sub-block, its length byte first, leaves in one write.
    uint8_t staging[kSubBlockLimit + 1];
    size_t remaining = length;
    size_t offset = 0;
    for (;;) {
        size_t n = remaining > kSubBlockLimit ? kSubBlockLimit : remaining;
        staging[0] = static_cast<uint8_t>(n);
        std::memcpy(staging + 1, data + offset, n);
        if (write_block(staging, n + 1, short_write) != 0) {
            return 1;
        }
        if (remaining == 0) {
            return 0;  // the empty sub-block that ends the chain
        }
        remaining -= n;
        offset += n;
    }
}
