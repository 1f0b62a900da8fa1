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

    void enter(int32_t, int32_t, size_t) const {}

    // Pixel x of row y as a 4-bit index.
    static void put(uint8_t* out, int32_t x, uint8_t index)
    {
        uint8_t& byte = out[x >> 1];
        byte = (x & 1) == 0 ? static_cast<uint8_t>((byte & 0x0F) | index << 4)
                            : static_cast<uint8_t>((byte & 0xF0) | index);
    }

private:
    const Picture& p_;
};

// Draws nothing: notes where rows start and which indices are drawn.
class Recorder {
public:
    Recorder(RowStart* starts, int32_t height, bool* used) : starts_(starts), height_(height), used_(used) {}

    void fill(int32_t, int32_t from, int32_t to, uint8_t a, uint8_t b) const
    {
        used_[a] = used_[a] || to > from;
        used_[b] = used_[b] || to > from + 1;
    }
    void copy(int32_t, int32_t from, int32_t to, const uint8_t* indices) const
    {
        for (int32_t i = 0; i < to - from; ++i) {
            used_[indices[i]] = true;
        }
    }
    void enter(int32_t y, int32_t x, size_t at) const
    {
        if (y < height_) {
            starts_[y] = {at, x};
        }
    }

private:
    RowStart* starts_;
    int32_t height_;
    bool* used_;
};

// Draws one row, one index a byte, each through a map.
class RowCanvas {
public:
    RowCanvas(int32_t y, const uint8_t* map, uint8_t* out) : y_(y), map_(map), out_(out) {}

    void fill(int32_t y, int32_t from, int32_t to, uint8_t a, uint8_t b) const
    {
        if (y != y_) {
            return;
        }
        a = map_[a];
        b = map_[b];
        if (a == b) {
            std::memset(out_ + from, a, static_cast<size_t>(to - from));
            return;
        }
        for (int32_t x = from; x < to; ++x) {
            out_[x] = ((x - from) & 1) == 0 ? a : b;
        }
    }
    void copy(int32_t y, int32_t from, int32_t to, const uint8_t* indices) const
    {
        if (y != y_) {
            return;
        }
        for (int32_t x = from; x < to; ++x) {
            out_[x] = map_[indices[x - from]];
        }
    }
    void enter(int32_t, int32_t, size_t) const {}

private:
    int32_t y_;
    const uint8_t* map_;
    uint8_t* out_;
};

// The column count pixels on from x, at most the row's end: the rest of a
// run past it is dropped, and the position stays there.
int32_t advance(int32_t x, int count, int32_t width)
{
    return static_cast<int32_t>(std::min<int64_t>(width, int64_t{x} + count));
}

// Where the codes are read and the pixels drawn: x reaches at most the
// row's end, y at most height (after the last row's end of line).
struct Position {
    size_t at;
    int32_t x;
    int32_t y;
};

// Goes through the codes from p, drawing on canvas, to the end of the bitmap or of the codes, or until a row
// past last_row is reached (then kComplete). A canvas draws pixels [from, to) of stored row y with
// fill(y, from, to, a, b) (a, b, a, ...) and copy(y, from, to, indices), and hears with enter(y, x, at) that
// the codes of row y start at offset at, column x.
template <class Draw>
Result walk(const uint8_t* codes, size_t size, int bits, int32_t width, int32_t height, Position p,
            int64_t last_row, const Draw& canvas)
{
    size_t at = p.at;
    int32_t x = p.x;
    int32_t y = p.y;
    uint8_t literal[255];
    auto cut = [&]() {
        // Codes that end where every pixel has been drawn need no end code.
        const bool done = y >= height || (y == height - 1 && x == width);
        return Result{done ? Outcome::kComplete : Outcome::kCut, y};
    };
    // Index 0 from the position on, up to pixel to_x of row to_y (not included), rows past the last left out.
    auto clear_to = [&](int32_t to_y, int32_t to_x) {
        int32_t cy = y;
        int32_t cx = x;
        const int64_t end = last_row < height ? last_row + 1 : height;
        for (; cy < to_y && cy < end; ++cy, cx = 0) {
            canvas.fill(cy, cx, width, 0, 0);
        }
        if (cy == to_y && cy < end && cx < to_x) {
            canvas.fill(cy, cx, to_x, 0, 0);
        }
    };
    while (y <= last_row) {
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
            clear_to(y + 1, 0);
            y = std::min(height, y + 1);
            x = 0;
            canvas.enter(y, x, at);
            continue;
        }
        if (second == kEndOfBitmap) {
            clear_to(height, 0);
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
            clear_to(y + up, x + right);
            x += right;
            y += up;
            if (up != 0) {
                canvas.enter(y, x, at);
            }
            continue;
        }
        // An absolute run: second indices as they are, its bytes padded to an even count.
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
    return {Outcome::kComplete, y};
}

constexpr int64_t kEveryRow = INT64_MAX;

}  // namespace

Result decode(const uint8_t* codes, size_t size, int bits, const Picture& picture)
{
    const Position first = {0, 0, 0};
    if (!picture.packed) {
        return walk(codes, size, bits, picture.width, picture.height, first, kEveryRow, Canvas<false>(picture));
    }
    if (picture.width % 2 != 0) {
        // The unused half of each row's last byte stays 0, as in a stored row.
        for (int32_t y = 0; y < picture.height; ++y) {
            picture.top[y * picture.row_bytes + picture.row_bytes - 1] = 0;
        }
    }
    return walk(codes, size, bits, picture.width, picture.height, first, kEveryRow, Canvas<true>(picture));
}

Result scan(const uint8_t* codes, size_t size, int bits, int32_t width, int32_t height, RowStart* starts,
            bool* used)
{
    std::fill(starts, starts + height, RowStart{0, width});
    starts[0] = {0, 0};
    std::fill(used, used + 256, false);
    return walk(codes, size, bits, width, height, {0, 0, 0}, kEveryRow, Recorder(starts, height, used));
}

bool decode_row(const uint8_t* codes, size_t size, int bits, int32_t width, int32_t height, int32_t y,
                const RowStart& start, const uint8_t* map, uint8_t* out)
{
    const int32_t from = std::min(start.x, width);
    std::memset(out, map[0], static_cast<size_t>(from));
    if (from == width) {
        return true;
    }
    const Result result =
        walk(codes, size, bits, width, height, {std::min(start.at, size), from, y}, y, RowCanvas(y, map, out));
    return result.outcome == Outcome::kComplete;
}

}  // namespace run_length
