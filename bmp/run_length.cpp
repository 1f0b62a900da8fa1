#include "bmp/run_length.h"

#include <algorithm>
#include <cstring>

namespace run_length {

namespace {

constexpr uint8_t kEscape = 0;
constexpr uint8_t kEndOfLine = 0;
constexpr uint8_t kEndOfBitmap = 1;
constexpr uint8_t kDelta = 2;

// The pixels of one picture, by stored row (0 at the bottom) and column.
template <bool kPacked>
class Canvas {
public:
    explicit Canvas(const Picture& picture) : p_(picture) {}

    uint8_t* row(int32_t y) const { return p_.top + (static_cast<int64_t>(p_.height) - 1 - y) * p_.row_bytes; }

    // Pixels [from, to) of row y take a, b, a, b, ... (to <= width).
    void fill(int32_t y, int32_t from, int32_t to, uint8_t a, uint8_t b) const
    {
        uint8_t* out = row(y);
        if (!kPacked) {
            if (a == b) {
                std::memset(out + from, a, static_cast<size_t>(to - from));
                return;
            }
            for (int32_t x = from; x < to; ++x) {
                out[x] = ((x - from) & 1) == 0 ? a : b;
            }
            return;
        }
        for (int32_t x = from; x < to; ++x) {
            put(out, x, ((x - from) & 1) == 0 ? a : b);
        }
    }

    // Pixels [from, to) of row y take the indices at indices (one a byte).
    void copy(int32_t y, int32_t from, int32_t to, const uint8_t* indices) const
    {
        uint8_t* out = row(y);
        if (!kPacked) {
            std::memcpy(out + from, indices, static_cast<size_t>(to - from));
            return;
        }
        for (int32_t x = from; x < to; ++x) {
            put(out, x, indices[x - from]);
        }
    }

    // Pixel x of row y as a 4-bit index.
    static void put(uint8_t* out, int32_t x, uint8_t index)
    {
        uint8_t& byte = out[x >> 1];
        byte = (x & 1) == 0 ? static_cast<uint8_t>((byte & 0x0F) | index << 4)
                            : static_cast<uint8_t>((byte & 0xF0) | index);
    }

    // Index 0 from pixel x of row y on, up to pixel to_x of row to_y (not
    // included), rows past the last left out.
    void clear_to(int32_t y, int32_t x, int32_t to_y, int32_t to_x) const
    {
        for (; y < to_y && y < p_.height; ++y, x = 0) {
            fill(y, x, p_.width, 0, 0);
        }
        if (y == to_y && y < p_.height && x < to_x) {
            fill(y, x, to_x, 0, 0);
        }
    }

private:
    const Picture& p_;
};

// The column count pixels on from x, at most the row's end: the rest of a
// run past it is dropped, and the position stays there.
int32_t advance(int32_t x, int count, int32_t width)
{
    return static_cast<int32_t>(std::min<int64_t>(width, int64_t{x} + count));
}

template <bool kPacked>
Result decode_into(const uint8_t* codes, size_t size, int bits, const Picture& picture)
{
    const Canvas<kPacked> canvas(picture);
    const int32_t width = picture.width;
    const int32_t height = picture.height;
    // The position: x reaches at most the row's end, y at most height (after
    // the last row's end of line).
    int32_t x = 0;
    int32_t y = 0;
    size_t at = 0;
    uint8_t literal[255];
    auto cut = [&]() {
        // Codes that end where every pixel has been drawn need no end code.
        const bool done = y >= height || (y == height - 1 && x == width);
        return Result{done ? Outcome::kComplete : Outcome::kCut, y};
    };
    while (true) {
        if (size - at < 2) {
            return cut();
        }
        const uint8_t first = codes[at];
        const uint8_t second = codes[at + 1];
        at += 2;
        if (first != kEscape) {
            // An encoded run: first pixels of one index, or of two in turn.
            if (y >= height) {
                return {Outcome::kBelowLastRow, y};
            }
            const uint8_t a = bits == 8 ? second : static_cast<uint8_t>(second >> 4);
            const uint8_t b = bits == 8 ? second : static_cast<uint8_t>(second & 0x0F);
            const int32_t end = advance(x, first, width);
            if (x < width) {
                canvas.fill(y, x, end, a, b);
            }
            x = end;
            continue;
        }
        if (second == kEndOfLine) {
            canvas.clear_to(y, x, y + 1, 0);
            y = std::min(height, y + 1);
            x = 0;
            continue;
        }
        if (second == kEndOfBitmap) {
            canvas.clear_to(y, x, height, 0);
            return {Outcome::kComplete, y};
        }
        if (second == kDelta) {
            if (size - at < 2) {
                return cut();
            }
            const int32_t right = codes[at];
            const int32_t up = codes[at + 1];
            at += 2;
            if (int64_t{x} + right > width) {
                return {Outcome::kDeltaPastRowEnd, y};
            }
            if ((right != 0 || up != 0) && int64_t{y} + up >= height) {
                return {Outcome::kBelowLastRow, y};
            }
            canvas.clear_to(y, x, y + up, x + right);
            x += right;
            y += up;
            continue;
        }
        // An absolute run: second indices as they are, its bytes padded to
        // an even count.
        const size_t count = second;
        const size_t bytes = bits == 8 ? count : (count + 1) / 2;
        if (size - at < bytes) {
            return cut();
        }
        if (y >= height) {
            return {Outcome::kBelowLastRow, y};
        }
        const uint8_t* run = codes + at;
        at += std::min(size - at, bytes + (bytes & 1));
        const int32_t end = advance(x, static_cast<int>(count), width);
        if (x >= width) {
            continue;
        }
        if (bits == 8) {
            canvas.copy(y, x, end, run);
        } else {
            for (int32_t i = 0; i < end - x; ++i) {
                literal[i] = (i & 1) == 0 ? static_cast<uint8_t>(run[i / 2] >> 4) : static_cast<uint8_t>(run[i / 2] & 0x0F);
            }
            canvas.copy(y, x, end, literal);
        }
        x = end;
    }
}

}  // namespace

Result decode(const uint8_t* codes, size_t size, int bits, const Picture& picture)
{
    if (picture.packed && picture.width % 2 != 0) {
        // The unused half of each row's last byte stays 0, as in a stored row.
        for (int32_t y = 0; y < picture.height; ++y) {
            picture.top[y * picture.row_bytes + picture.row_bytes - 1] = 0;
        }
    }
    return picture.packed ? decode_into<true>(codes, size, bits, picture)
                          : decode_into<false>(codes, size, bits, picture);
}

}  // namespace run_length
