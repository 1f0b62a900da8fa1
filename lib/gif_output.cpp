#include "lib/gif_output.h"

#include <cstdio>

#include "gif/gif_file.h"
#include "image/bitmap.h"
#include "lib/rows_ahead.h"
#include "platform/file_sink.h"
#include "platform/write_behind_sink.h"

const char kGifComment[] = "Conv. by Vastrelmon(Prj.Quorvel)@Dremmick";

using conversion::Failure;
using conversion::fill;

namespace {

const ErrorEntry kCannotOpen = {0x3F0009, 161, "file don't open.[%s]"};
const ErrorEntry kCannotClose = {kGifWriteError, 171, "I/O write error.[Can't close]"};

// Takes the stream of a picture whose output cannot be had, so that the
// coding, its progress and its failures come as they would otherwise, and
// the output's failure after them.
class DiscardSink : public ByteSink {
public:
    bool write(const void*, size_t) override { return true; }
};

vastrelmon_status fill_entry(Failure* failure, vastrelmon_status status, MessageId message,
                             MessageArgument argument, const ErrorEntry& entry, const char* path)
{
    uint32_t code = 0;
    char text[kErrorTextSize];
    record_error(&code, text, &entry, path);
    return fill(failure, status, message, argument, text);
}

// A description the encoder refused, as the step that hands it over would
// have reported it.
vastrelmon_status check_failure(const clGIFFile& gif, int32_t depth, Failure* failure)
{
    const vastrelmon_status status =
        gif.error_code == kGifNoMemory ? VASTRELMON_ERROR_NO_MEMORY : VASTRELMON_ERROR_INVALID_ARGUMENT;
    switch (gif.failed_check()) {
    case clGIFFile::kSizeCheck:
        return fill(failure, status, MSG_ALLOCATE_FAILED, static_cast<int32_t>(gif.error_code), gif.error_text);
    case clGIFFile::kDepthCheck:
        return fill(failure, status, MSG_BAD_COLOR_DEPTH, depth, gif.error_text);
    case clGIFFile::kTransparencyCheck:
        return fill(failure, VASTRELMON_ERROR_TRANSPARENCY, MSG_BAD_TRANSPARENCY, MessageArgument(),
                    gif.error_text);
    case clGIFFile::kPaletteCheck:
        return fill(failure, status, MSG_PALETTE_FAILED, MessageArgument(), gif.error_text);
    default:
        return fill(failure, status, MSG_IMAGE_DATA_FAILED, MessageArgument(), gif.error_text);
    }
}

}  // namespace

vastrelmon_status write_gif_output(const GifOutputJob& job, Failure* failure)
{
    const clBitMap& image = *job.image;
    GifPicture picture;
    picture.width = image.get_width();
    picture.height = image.get_height();
    picture.color_depth = image.get_color_depth();
    picture.palette = image.palette();
    picture.interlace = job.interlace;
    // The colour work unsets the index when no pixel uses that colour; the
    // file then simply has no transparent colour.
    if (job.transparency && image.get_transparent_index() >= 0) {
        picture.transparent_index = image.get_transparent_index();
    }
    picture.comment = kGifComment;
    picture.coder = job.coder;
    // Rows that cost their source work of their own (colours turned into
    // indices) are read ahead on a second thread when the caller wants it.
    const uint64_t pixels = static_cast<uint64_t>(picture.width) * static_cast<uint64_t>(picture.height);
    RowsAhead ahead(job.rows, picture.width, picture.height, picture.interlace);
    if (job.rows != nullptr) {
        picture.rows = job.read_ahead && pixels >= kReadAheadPixels && ahead.start() ? &ahead : job.rows;
    } else {
        picture.pixels = image.pixels();
        picture.stored_bits = image.get_stored_bits();
    }
    picture.progress = job.progress;
    picture.progress_context = job.progress_context;

    clGIFFile gif;
    if (gif.check(picture) != 0) {
        return check_failure(gif, picture.color_depth, failure);
    }
    // The file is prepared before the coding, so the coded data can go
    // there as it comes. When it cannot be had, the picture is coded all
    // the same: a failure of the coding is told first.
    FileSink file;
    DiscardSink discard;
    WriteBehindSink behind(&file);
    ByteSink* sink = job.sink;
    bool file_refused = false;
    if (sink == nullptr) {
        file_refused = !file.open(job.path, job.output);
        sink = file_refused ? static_cast<ByteSink*>(&discard) : &file;
        if (!file_refused && job.write_behind && picture.rows != &ahead && pixels >= kWriteBehindPixels &&
            behind.start()) {
            sink = &behind;
        }
    }
    if (gif.encode(picture, sink) != 0) {
        if (gif.rows_missing()) {
            failure->rows_missing = true;
            return fill(failure, VASTRELMON_ERROR_BAD_BMP, MSG_BMP_READ_FAILED);
        }
        if (gif.cancelled()) {
            return fill(failure, VASTRELMON_ERROR_CANCELLED, MSG_IMAGE_DATA_FAILED, MessageArgument(),
                        gif.error_text);
        }
        if (gif.error_code == kGifWriteError) {
            if (job.sink != nullptr) {
                // A memory sink's only failure is memory.
                return fill(failure, VASTRELMON_ERROR_NO_MEMORY, MSG_ALLOCATE_FAILED,
                            static_cast<int32_t>(kGifNoMemory));
            }
            return fill(failure, VASTRELMON_ERROR_IO, MSG_OUTPUT_CANT_WRITE, job.path, gif.error_text);
        }
        const vastrelmon_status status =
            gif.error_code == kGifNoMemory ? VASTRELMON_ERROR_NO_MEMORY : VASTRELMON_ERROR_INVALID_ARGUMENT;
        return fill(failure, status, MSG_IMAGE_DATA_FAILED, MessageArgument(), gif.error_text);
    }
    if (job.sink != nullptr) {
        return VASTRELMON_OK;
    }
    if (file_refused || file.commit() != 0) {
        if (file.name_taken()) {
            // Another file took the name: this one is not written, and the
            // other is left as it is.
            return fill(failure, VASTRELMON_ERROR_OUTPUT_EXISTS, MSG_ALREADY_EXISTS, job.path);
        }
        if (file_refused) {
            return fill_entry(failure, VASTRELMON_ERROR_IO, MSG_OUTPUT_CANT_OPEN, job.path, kCannotOpen, job.path);
        }
        return fill_entry(failure, VASTRELMON_ERROR_IO, MSG_OUTPUT_CANT_CLOSE, job.path, kCannotClose, job.path);
    }
    return VASTRELMON_OK;
}
