// clGIFFile: turns one indexed picture into one single-image GIF89a stream.
//
// The caller describes the picture once (GifPicture); encode checks the description, then writes the stream
// to a byte sink in file order: the header, colour table, comment, graphic control, image descriptor, the
// image data as the coder produces it (through a small buffer of framed sub-blocks, never the whole picture's
// data at once) and the trailer. The encoder opens no file, starts no thread and prints nothing; the sink
// decides where the bytes go and accounts for a failed write. Every failure returns 1 and fills error_code
// and error_text.
#ifndef VASTRELMON_GIF_GIF_FILE_H
#define VASTRELMON_GIF_GIF_FILE_H

#include <cstddef>
#include <cstdint>

#include "gif/gif_settings.h"
#include "platform/byte_sink.h"
#include "platform/error_record.h"

// Error codes of the encoder.
constexpr uint32_t kGifIllegal = 0x3F0004;
constexpr uint32_t kGifOutOfRange = 0x3F0006;
constexpr uint32_t kGifNoMemory = 0x3F0007;
constexpr uint32_t kGifWriteError = 0x3F000A;

constexpr int32_t kMaxGifDimension = 65535;
constexpr int kGifMinDepth = 1;
constexpr int kGifMaxDepth = 8;
constexpr int32_t kGifNoTransparency = -1;

// One picture as the encoder takes it. The pixels are width x height indices below 2^color_depth, rows top
// first: either in memory at pixels, stored_bits each (8: one byte per index; 1 or 4: rows packed as a BMP
// stores them, without padding, see platform/packed_rows.h), or, for the LZW coder only, read from rows as
// the coder needs them (a row holding an index of 2^color_depth or more counts as missing). Everything
// pointed to stays the caller's and unchanged during encode.
struct GifPicture {
    int32_t width = 0;   // 0..65535
    int32_t height = 0;  // 0..65535
    int32_t color_depth = 0;           // 1..8
    const uint8_t* palette = nullptr;  // 2^color_depth entries of red, green, blue
    bool interlace = false;
    int32_t transparent_index = kGifNoTransparency;  // or 0..2^color_depth-1
    const char* comment = nullptr;     // NUL-terminated; null: no comment
    GifCoder coder = GifCoder::kLzw;
    const uint8_t* pixels = nullptr;
    int stored_bits = 8;
    GifRowSource* rows = nullptr;
    GifProgress progress = nullptr;  // LZW only; null: none
    void* progress_context = nullptr;
};

class clGIFFile {
public:
    // Which check of the description failed, in the order they are made.
    enum Check { kSizeCheck, kDepthCheck, kTransparencyCheck, kPaletteCheck, kPixelCheck, kChecksPassed };

    clGIFFile();
    clGIFFile(const clGIFFile&) = delete;
    clGIFFile& operator=(const clGIFFile&) = delete;

    // Checks the description without writing: size 0x3F0006 (94) or 0x3F0007 (108: a size the machine cannot
    // count), depth 0x3F0006 (236), transparency 0x3F0006 (294), palette 0x3F0004 (694: none), pixels
    // 0x3F0004 (470: none, an empty picture, or an index not below 2^depth; also rows given where only pixels
    // can be coded). failed_check tells which.
    int check(const GifPicture& picture);
    Check failed_check() const { return failed_check_; }

    // check, then the whole stream to sink. Further errors: 0x3F0007 (478: no buffer; 1299: no LZW table),
    // 0x3F0004 (1336 LZW, 1166 uncompressed: more than two bytes a pixel of coded data; 470: a row could not
    // be had from picture.rows, see rows_missing; 1341: the progress callback asked to stop, see cancelled),
    // and 0x3F000A with the line of the block the sink refused, its count the sink's own bytes of that block
    // that reached their place. After a failure the sink may hold part of the stream: the caller abandons it.
    int encode(const GifPicture& picture, ByteSink* sink);
    bool rows_missing() const { return rows_missing_; }
    bool cancelled() const { return cancelled_; }

    uint32_t error_code;
    char error_text[kErrorTextSize];

private:
    // The coders, on a checked picture; the image data goes to sink_.
    int encode_lzw(const GifPicture& picture);
    int encode_uncompressed(const GifPicture& picture);
    // Writes one block; a refusal is recorded with short_write.
    int write_block(const void* block, size_t size, const ErrorEntry& short_write);
    // Writes length bytes as data sub-blocks, as the comment needs.
    int write_sub_blocks(const uint8_t* data, size_t length, const ErrorEntry& short_write);
    int write_blocks_before_data(const GifPicture& picture);

    ByteSink* sink_ = nullptr;
    Check failed_check_ = kChecksPassed;
    bool rows_missing_ = false;
    bool cancelled_ = false;
};

#endif
