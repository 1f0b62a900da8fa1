// Writing the stream: the settings are checked, then each block goes out in
// file order, the variable-length parts as data sub-blocks.
#include "gif/gif_file.h"

#include <cstring>

#include "gif/bit_packer.h"
#include "platform/files.h"

#if defined(VASTRELMON_LARGE_WRITES_BUILT)
#include <sys/types.h>
#include <unistd.h>
#endif

namespace {

const ErrorEntry kStreamNotOpen = {kGifFileNotOpen, 652, "file don't open."};
const ErrorEntry kStreamNoData = {kGifNotCreated, 659, "data area not created."};
const ErrorEntry kStreamNoSize = {kGifIllegal, 666, "illegal setting.[SIZE NOT SET]"};
const ErrorEntry kStreamNoDepth = {kGifIllegal, 673, "illegal setting.[COLOR-DEPTH NOT SET]"};
const ErrorEntry kStreamNoArea = {kGifIllegal, 680, "illegal setting.[AREA NOT ALLOCATE]"};
const ErrorEntry kStreamNoPixels = {kGifIllegal, 687, "illegal setting.[GRP-DATA NOT SET]"};
const ErrorEntry kStreamNoPalette = {kGifIllegal, 694, "illegal setting.[PALETTE NOT SET]"};

constexpr char kNotOpen[] = "file don't open.";
constexpr char kShortWrite[] = "I/O write error.[Can't write(%d)]";

const ErrorEntry kHeaderNotOpen = {kGifFileNotOpen, 742, kNotOpen};
const ErrorEntry kHeaderShort = {kGifWriteError, 751, kShortWrite};
const ErrorEntry kTableNotOpen = {kGifFileNotOpen, 772, kNotOpen};
const ErrorEntry kTableShort = {kGifWriteError, 781, kShortWrite};
const ErrorEntry kDescriptorNotOpen = {kGifFileNotOpen, 795, kNotOpen};
const ErrorEntry kDescriptorShort = {kGifWriteError, 804, kShortWrite};
const ErrorEntry kDataNotOpen = {kGifFileNotOpen, 824, kNotOpen};
const ErrorEntry kDataCodeSizeShort = {kGifWriteError, 836, kShortWrite};
const ErrorEntry kDataBlockShort = {kGifWriteError, 858, kShortWrite};
const ErrorEntry kControlNotOpen = {kGifFileNotOpen, 878, kNotOpen};
const ErrorEntry kControlShort = {kGifWriteError, 886, kShortWrite};
const ErrorEntry kCommentNotOpen = {kGifFileNotOpen, 905, kNotOpen};
const ErrorEntry kCommentIntroShort = {kGifWriteError, 913, kShortWrite};
const ErrorEntry kCommentBlockShort = {kGifWriteError, 935, kShortWrite};
const ErrorEntry kTrailerNotOpen = {kGifFileNotOpen, 1068, kNotOpen};
const ErrorEntry kTrailerShort = {kGifWriteError, 1076, kShortWrite};

constexpr size_t kSubBlockLimit = 255;
constexpr int kColorEntryBytes = 3;

}  // namespace

int clGIFFile::check_settings()
{
    if (!coded_buffer_) {
        return fail(this, kStreamNoData);
    }
    if (!(state_flags_ & kSizeSet)) {
        return fail(this, kStreamNoSize);
    }
    if (!(state_flags_ & kColorDepthSet)) {
        return fail(this, kStreamNoDepth);
    }
    if (!(state_flags_ & kAreaAllocated)) {
        return fail(this, kStreamNoArea);
    }
    if (!(state_flags_ & kGrpDataSet)) {
        return fail(this, kStreamNoPixels);
    }
    if (!(state_flags_ & kPaletteSet)) {
        return fail(this, kStreamNoPalette);
    }
    return 0;
}

int clGIFFile::write_gif(ByteSink* sink)
{
    if (sink == nullptr) {
        return fail(this, kStreamNotOpen);
    }
    if (check_settings() != 0) {
        return 1;
    }
    // Nothing went to a file while it was coded, and a sink takes the
    // image data as it is, sub-block by sub-block.
    sink_ = sink;
    const bool large_writes = large_writes_;
    large_writes_ = false;
    const int status = coded_whole() ? write_stream(0) : fail(this, kHeaderShort, 0);
    large_writes_ = large_writes;
    sink_ = nullptr;
    return status;
}

int clGIFFile::write_gif()
{
    if (!has_output()) {
        return fail(this, kStreamNotOpen);
    }
    if (check_settings() != 0) {
        return 1;
    }
    // Where part of the image data went to the file while it was coded,
    // the rest follows it; should anything go wrong there, the file starts
    // over and is written whole, which fails where it always has.
    const size_t ahead = written_ahead_;
    written_ahead_ = 0;
    // Flushed here, so that a rest too short to leave the stream's buffer
    // before the close still fails now, and the whole file then fails
    // where it always has (in a write, or in the close).
    if (ahead > 0 && write_stream(ahead) == 0 && std::fflush(output_file) == 0) {
        return 0;
    }
    if (!coded_whole()) {
        // What went to the file has left the ring: the pixels are coded
        // again, whole.
        if (code_pixels(coded_capacity_, false, 0, nullptr) != 0) {
            return fail(this, kHeaderShort, 0);
        }
    }
    if (written_behind_) {
        if (restart_file(output_file) != 0) {
            return fail(this, kHeaderShort, 0);
        }
        written_behind_ = false;
    }
    return write_stream(0);
}

int clGIFFile::write_stream(size_t ahead)
{
    if (write_header() != 0 || write_color_table() != 0) {
        return 1;
    }
    if ((state_flags_ & kCommentSet) && write_comment(comment_text_.get()) != 0) {
        return 1;
    }
    if (write_graphic_control() != 0 || write_image_descriptor() != 0 ||
        write_image_data(ahead) != 0 || write_trailer() != 0) {
        return 1;
    }
    return 0;
}

int64_t clGIFFile::image_data_offset() const
{
    int64_t offset = sizeof blocks_.header + kColorEntryBytes * static_cast<int64_t>(color_table_entries(color_depth_));
    if (state_flags_ & kCommentSet) {
        // The introducer, a length byte every 255 bytes and the empty
        // sub-block at the end, as write_sub_blocks writes them.
        const int64_t text = static_cast<int64_t>(std::strlen(comment_text_.get()));
        offset += sizeof kCommentIntroducer + text + (text + kSubBlockLimit - 1) / kSubBlockLimit + 1;
    }
    return offset + sizeof blocks_.graphic_control + sizeof blocks_.image_descriptor + sizeof(uint8_t);
}

size_t clGIFFile::put(const void* data, size_t size, size_t count)
{
    if (sink_ != nullptr) {
        return sink_->write(data, size * count) ? count : 0;
    }
    return std::fwrite(data, size, count, output_file);
}

int clGIFFile::write_block(const void* block, size_t size, const ErrorEntry& short_write)
{
    size_t written = put(block, size, 1);
    if (written < 1) {
        return fail(this, short_write, static_cast<int>(written));
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
        size_t written = put(staging, 1, n + 1);
        if (written < n + 1) {
            return fail(this, short_write, static_cast<int>(written));
        }
        if (remaining == 0) {
            return 0;  // the empty sub-block that ends the chain
        }
        remaining -= n;
        offset += n;
    }
}

int clGIFFile::write_header()
{
    if (!has_output()) {
        return fail(this, kHeaderNotOpen);
    }
    return write_block(blocks_.header, sizeof blocks_.header, kHeaderShort);
}

int clGIFFile::write_color_table()
{
    if (!has_output()) {
        return fail(this, kTableNotOpen);
    }
    size_t entries = static_cast<size_t>(color_table_entries(color_depth_));
    size_t written = put(blocks_.color_table, kColorEntryBytes, entries);
    if (written < entries) {
        return fail(this, kTableShort, static_cast<int>(written));
    }
    return 0;
}

int clGIFFile::write_comment(const char* text)
{
    if (!has_output()) {
        return fail(this, kCommentNotOpen);
    }
    if (write_block(kCommentIntroducer, sizeof kCommentIntroducer, kCommentIntroShort) != 0) {
        return 1;
    }
    return write_sub_blocks(reinterpret_cast<const uint8_t*>(text), std::strlen(text),
                            kCommentBlockShort);
}

int clGIFFile::write_graphic_control()
{
    if (!has_output()) {
        return fail(this, kControlNotOpen);
    }
    return write_block(blocks_.graphic_control, sizeof blocks_.graphic_control, kControlShort);
}

int clGIFFile::write_image_descriptor()
{
    if (!has_output()) {
        return fail(this, kDescriptorNotOpen);
    }
    return write_block(blocks_.image_descriptor, sizeof blocks_.image_descriptor, kDescriptorShort);
}

int clGIFFile::write_image_data(size_t ahead)
{
    if (!has_output()) {
        return fail(this, kDataNotOpen);
    }
    uint8_t code_size = static_cast<uint8_t>(min_code_size(color_depth_));
    if (write_block(&code_size, sizeof code_size, kDataCodeSizeShort) != 0) {
        return 1;
    }
    if (ahead > 0) {
        // Steps over what is there; a stream that is not where that part
        // starts (a block before it changed) fails here and starts over.
        if (tell_file(output_file) != image_data_offset() ||
            seek_file(output_file, static_cast<int64_t>(ahead), SEEK_CUR) != 0) {
            return fail(this, kDataBlockShort, 0);
        }
    }
    // In a ring the rest may go round its end: then in two parts.
    for (size_t from = ahead; from < coded_length_;) {
        const size_t at = coded_ring_ != 0 ? from % coded_ring_ : from;
        size_t length = coded_length_ - from;
        if (coded_ring_ != 0 && length > coded_ring_ - at) {
            length = coded_ring_ - at;
        }
        if (write_framed(coded_buffer_.get() + at, length, kDataBlockShort) != 0) {
            return 1;
        }
        from += length;
    }
    return 0;
}

int clGIFFile::write_framed(const uint8_t* framed, size_t length, const ErrorEntry& short_write)
{
#if defined(VASTRELMON_LARGE_WRITES_BUILT)
    if (large_writes_) {
        return write_framed_at_once(framed, length, short_write);
    }
#endif
    // The coders framed the data already: each sub-block, its length byte
    // first, leaves in one write straight from the coded area.
    for (size_t offset = 0; offset < length;) {
        const size_t n = framed[offset] + size_t{1};
        size_t written = put(framed + offset, 1, n);
        if (written < n) {
            return fail(this, short_write, static_cast<int>(written));
        }
        offset += n;
    }
    return 0;
}

#if defined(VASTRELMON_LARGE_WRITES_BUILT)
// The whole image data in one call: the C library fills its buffer, then
// hands all whole buffers' worth to the system in one write, and keeps the
// rest. Written one sub-block at a time, the same buffer would have gone
// out in the same buffer-sized pieces, each when a sub-block found the
// buffer full; so a failure is reported as that sub-block would have: the
// piece that failed is the one holding the first byte the file lacks, and
// the sub-block whose write would have sent it had put into the buffer the
// bytes up to that piece's end.
int clGIFFile::write_framed_at_once(const uint8_t* framed, size_t length, const ErrorEntry& short_write)
{
    // A few megabytes at a time, each then handed to the disk while the
    // next is written, so the sync before the file is named has less left.
    constexpr size_t kWritebackPiece = size_t{8} << 20;
    const off_t start = ftello(output_file);
    size_t done = 0;
    while (done < length) {
        const size_t piece = length - done < kWritebackPiece ? length - done : kWritebackPiece;
        if (std::fwrite(framed + done, 1, piece, output_file) != piece) {
            break;
        }
        done += piece;
        if (done < length) {
            start_writeback(output_file);
        }
    }
    if (done == length) {
        return 0;
    }
    const off_t in_file = lseek(fileno(output_file), 0, SEEK_CUR);
    const off_t buffer = static_cast<off_t>(output_file->_IO_buf_end - output_file->_IO_buf_base);
    if (start < 0 || in_file < 0 || buffer <= 0) {
        return fail(this, short_write, 0);
    }
    const off_t piece_end = (in_file / buffer + 1) * buffer;
    if (piece_end - start >= static_cast<off_t>(length)) {
        // The data ended exactly where the buffer did: the trailer would
        // have found it full.
        return fail(this, kTrailerShort, 0);
    }
    const size_t at = static_cast<size_t>(piece_end - start);
    size_t block = at / (BitPacker::kSubBlockBytes + 1) * (BitPacker::kSubBlockBytes + 1);
    const size_t block_bytes = framed[block] + size_t{1};
    if (at - block >= block_bytes) {
        block += block_bytes;  // the empty sub-block after the last short one
    }
    return fail(this, short_write, static_cast<int>(at - block));
}
#endif

int clGIFFile::write_trailer()
{
    if (!has_output()) {
        return fail(this, kTrailerNotOpen);
    }
    return write_block(&kGifTrailer, sizeof kGifTrailer, kTrailerShort);
}
