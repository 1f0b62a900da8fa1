// The last step of a conversion, the program's and the library's: an
// indexed picture through the encoder to memory, or to a file that gets its
// name only once it is complete.
// Private to lib/ and app/.
#ifndef VASTRELMON_LIB_GIF_OUTPUT_H
#define VASTRELMON_LIB_GIF_OUTPUT_H

#include <cstdint>

#include "lib/failure.h"
#include "gif/gif_settings.h"
#include "platform/byte_sink.h"
#include "platform/error_record.h"
#include "platform/pending_output.h"
#include "vastrelmon.h"

class clBitMap;

// The comment every GIF carries, the program's and the library's.
extern const char kGifComment[];

struct GifOutputJob {
    const clBitMap* image = nullptr;  // indexed, depth 1..8
    bool interlace = true;
    bool transparency = false;  // the image's transparent index, when it has one, goes in
    GifCoder coder = GifCoder::kLzw;
    GifProgress progress = nullptr;
    void* progress_context = nullptr;
    // The rows of an 8-bit picture LZW codes, instead of the image's pixels.
    GifRowSource* rows = nullptr;
    // Where the GIF goes: sink, or else a new file at path.
    ByteSink* sink = nullptr;
    const char* path = nullptr;
    OutputOptions output;
    // A second thread for a big picture, while it is coded: it reads the
    // rows ahead (rows that cost their source work of their own), or else
    // writes the file behind. One at most: on two processors a third
    // thread costs more than it saves (bench/RESULTS.md). Only the timing
    // changes. Off for the library: it starts no thread of its own.
    bool read_ahead = false;
    bool write_behind = false;
};

// Pictures of at least this many pixels are worth reading ahead, and of
// at least the second many worth writing behind.
constexpr uint64_t kReadAheadPixels = uint64_t{1} << 20;
constexpr uint64_t kWriteBehindPixels = uint64_t{1} << 23;

// The coder of the choices both front ends offer: LZW, or else one code a
// pixel, its codes widening with widest.
inline GifCoder coder_for(bool compress, bool widest)
{
    return compress ? GifCoder::kLzw : widest ? GifCoder::kPlainBiggest : GifCoder::kPlain;
}

// VASTRELMON_OK, or the failure filled in.
vastrelmon_status write_gif_output(const GifOutputJob& job, conversion::Failure* failure);

#endif
