// What the encoder's caller hands it besides the picture: where rows may come from and where progress goes.
#ifndef VASTRELMON_GIF_GIF_SETTINGS_H
#define VASTRELMON_GIF_GIF_SETTINGS_H

#include <cstddef>
#include <cstdint>

// The LZW coder calls this with the share of pixels coded, in percent (steps of 2), whenever it changes, and
// with kGifProgressFinished once it is done. Returning false stops the coding (encode then fails and
// cancelled() says why).
using GifProgress = bool (*)(void* context, int32_t percent);
constexpr int32_t kGifProgressFinished = -1;

// Where the coder can take a picture's rows from when they are not in memory as one block: each row as the
// coder comes to it, straight into its window.
class GifRowSource {
public:
    virtual ~GifRowSource() = default;
    // Copies the row'th row (the top row is 0), one byte per pixel, to out; false when it cannot be had.
    virtual bool read_row(int32_t row, uint8_t* out) = 0;
};

enum class GifCoder {
    kLzw,           // LZW compression
    kPlain,         // one code per pixel, codes of the first width only
    kPlainBiggest,  // one code per pixel, codes widening up to 12 bits
};

#endif
