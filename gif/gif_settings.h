// What the caller of the encoder decides: the picture's coding choices, the
// help it may use, and where progress goes. The encoder reads no other
// source of settings.
#ifndef VASTRELMON_GIF_GIF_SETTINGS_H
#define VASTRELMON_GIF_GIF_SETTINGS_H

#include <cstddef>
#include <cstdint>

// The LZW coder calls this with the share of pixels coded, in percent
// (steps of 2), whenever it changes, and with kGifProgressFinished once it
// is done. Returning false stops the coding (set_graphics then fails and
// cancelled() says why).
using GifProgress = bool (*)(void* context, int32_t percent);
constexpr int32_t kGifProgressFinished = -1;

// Where the LZW coder can take a picture's rows from when they are not in
// memory (a file): each row as the coder comes to it, straight into its
// window.
class GifRowSource {
public:
    virtual ~GifRowSource() = default;
    // Copies the row'th row (the top row is 0), one byte per pixel, to out;
    // false when it cannot be had.
    virtual bool read_row(int32_t row, uint8_t* out) = 0;
};

struct GifSettings {
    enum Coder {
        kLzw,           // LZW compression
        kPlain,         // one code per pixel, codes of the first width only
        kPlainBiggest,  // one code per pixel, codes widening up to 12 bits
    };
    static constexpr int32_t kNoTransparency = -1;

    bool interlace = false;
    Coder coder = kLzw;
    int32_t transparent_index = kNoTransparency;
    // Whether the encoder may use a second thread at all (the output is the
    // same either way), and for one helper on it: gathering the next rows of
    // an interlaced picture (or of rows read from a GifRowSource) into GIF
    // order while the coder works on the ones before. Writing while coding
    // (below) is the other.
    bool side_thread = true;
    bool rows_ahead = true;
    // The image data goes to the file in one call rather than a call per
    // 255-byte sub-block (no second thread; the same bytes and failure
    // texts either way).
    bool large_writes = true;
    // A big picture's coded data goes to the file, on a second thread,
    // while the picture is still being coded, when the file was opened
    // before set_graphics (the same bytes and failure texts either way).
    bool write_behind = true;
    // The coded data written while coding is kept in a ring of this many
    // bytes (a multiple of 4096), whose memory is used again once its bytes
    // are in the file, instead of in memory all at once; 0: no ring. LZW
    // without a progress callback only.
    static constexpr size_t kDefaultCodedRing = size_t{1} << 20;
    size_t coded_ring_bytes = kDefaultCodedRing;
    GifProgress progress = nullptr;
    void* progress_context = nullptr;
};

#endif
