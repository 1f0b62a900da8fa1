// Palette work: shrinking an indexed picture's colour table to the entries
// its pixels use, and turning a true-colour picture into an indexed one.
#include <algorithm>
#include <cstring>

#include "image/bitmap.h"
#include "image/true_color_palette.h"
#include "platform/packed_rows.h"

namespace {

// Too many colours is not a failure of build_palette: the caller sees the
// depth still at 24. The record carries code 0 so it is told apart.
constexpr uint32_t kTooManyColors = 0;

const ErrorEntry kCompactNoData = {kBitmapNotCreated, 215, "data area is not created."};
const ErrorEntry kCompactDepth = {kBitmapOutOfRange, 223, "yet set or not support variable.[C:%d]"};
const ErrorEntry kCompactResult = {kBitmapIllegalResult, 277, "illegal result.[calc bit depth:%d]"};
const ErrorEntry kBuildNoData = {kBitmapNotCreated, 569, "data area is not created."};
const ErrorEntry kBuildDepth = {kBitmapOutOfRange, 575, "yet set or not support variable.[C:%d]"};
const ErrorEntry kBuildTooMany = {kTooManyColors, 613, "use color is more than 257."};

// Pixels flagged between two looks at the count of flags.
constexpr size_t kFlagChunk = 4096;

// Flags the indices the pixels use, `seen` of them flagged already; stops
// once all `entries` are seen. Returns how many distinct indices are flagged.
int flag_used_indices_one_by_one(const uint8_t* pixels, size_t count, int entries, bool* used, int seen)
{
    for (size_t i = 0; i < count && seen < entries; ++i) {
        if (!used[pixels[i]]) {
            used[pixels[i]] = true;
            ++seen;
        }
    }
    return seen;
}

int count_flags(const bool* used)
{
    int flagged = 0;
    for (int i = 0; i < kPaletteEntries; ++i) {
        flagged += used[i] ? 1 : 0;
    }
    return flagged;
}

// The same, a chunk of pixels at a time with no test per pixel. The chunk in which the count reaches
// `entries` is gone through again one pixel at a time, so the scan stops at the same pixel and flags the same
// indices even when some pixels hold values of 2^depth or more.
int flag_used_indices(const uint8_t* pixels, size_t count, int entries, bool* used)
{
    int seen = 0;
    for (size_t start = 0; start < count && seen < entries; start += kFlagChunk) {
        const size_t length = count - start < kFlagChunk ? count - start : kFlagChunk;
        bool before[kPaletteEntries];
        std::memcpy(before, used, sizeof before);
        for (size_t i = start; i < start + length; ++i) {
            used[pixels[i]] = true;
        }
        const int flagged = count_flags(used);
        if (flagged >= entries) {
            std::memcpy(used, before, sizeof before);
            return flag_used_indices_one_by_one(pixels + start, length, entries, used, seen);
        }
        seen = flagged;
    }
    return seen;
}

// A picture of one byte per pixel whose pixels use all 256 entries mostly shows every one of them in a few
// rows spread over its height (a photograph's last new colour may turn up far down, but somewhere in
// every 64th row). Whether those rows hold every entry; when they do not, used is cleared again.
bool sample_fills_table(const uint8_t* pixels, size_t width, size_t height, int entries, bool* used)
{
    if (entries != kPaletteEntries) {
        return false;
    }
    for (size_t row = 0; row < height; row += clBitMap::kSampleRowStep) {
        const uint8_t* line = pixels + row * width;
        for (size_t x = 0; x < width; ++x) {
            used[line[x]] = true;
        }
    }
    if (count_flags(used) == entries) {
        return true;
    }
    std::memset(used, 0, kPaletteEntries * sizeof *used);
    return false;
}

// flag_used_indices for a picture of one byte per pixel, which finds a full table sooner: the sample rows
// first, and only when an entry is still missing the scan in order as before. With 256 entries every byte
// value is an entry, so neither the order nor the early stop can change what is flagged: every entry, or
// exactly the values present.
int flag_used_rows(const uint8_t* pixels, size_t width, size_t height, int entries, bool* used)
{
    if (sample_fills_table(pixels, width, height, entries, used)) {
        return entries;
    }
    return flag_used_indices(pixels, width * height, entries, used);
}

// flag_used_indices for packed rows (their values are all below 2^bits, so stopping early never changes the
// result). Each distinct byte is noted once; the pixels of a row's last byte are taken one by one, as its low
// bits may hold no pixel.
int flag_used_packed(const uint8_t* pixels, size_t width, size_t height, int bits, bool* used)
{
    const size_t stride = row_bytes(width, bits);
    const size_t whole = width * static_cast<size_t>(bits) / 8;
    const int entries = 1 << bits;
    bool byte_seen[kPaletteEntries] = {};
    for (size_t row = 0; row < height; ++row) {
        const uint8_t* line = pixels + row * stride;
        for (size_t i = 0; i < whole; ++i) {
            byte_seen[line[i]] = true;
        }
        for (size_t x = whole * 8 / static_cast<size_t>(bits); x < width; ++x) {
            used[packed_index(line, x, bits)] = true;
        }
        for (int value = 0; value < kPaletteEntries; ++value) {
            if (byte_seen[value]) {
                for (int j = 0; j < 8; j += bits) {
                    used[(value >> j) & (entries - 1)] = true;
                }
            }
        }
        if (count_flags(used) == entries) {
            break;
        }
    }
    return count_flags(used);
}

}  // namespace

int clBitMap::compact_palette()
{
    if (pixels() == nullptr) {
        return fail(this, kCompactNoData);
    }
    if (color_depth_ != 1 && color_depth_ != 4 && color_depth_ != 8) {
        return fail(this, kCompactDepth, color_depth_);
    }
    const int entries = entries_in_use();
    bool used[kPaletteEntries] = {};
    const int used_count =
        stored_bits_ < 8 ? flag_used_packed(pixels(), static_cast<size_t>(width_), static_cast<size_t>(height_),
                                            stored_bits_, used)
                         : flag_used_rows(pixels(), static_cast<size_t>(width_), static_cast<size_t>(height_),
                                          entries, used);
    if (used_count == entries) {
        return 0;
    }
    uint8_t map[kPaletteEntries];
    if (compact_palette(used, map) != 0) {
        return 1;
    }
    // Every byte through one table; in packed rows each of its pixels is mapped (padding pixels are 0, and 0
    // always maps to 0).
    const int bits = stored_bits_;
    uint8_t byte_map[kPaletteEntries];
    for (int value = 0; value < kPaletteEntries; ++value) {
        int mapped = bits == 8 ? map[value] : 0;
        for (int j = 0; j < 8 && bits < 8; j += bits) {
            mapped |= map[(value >> j) & ((1 << bits) - 1)] << j;
        }
        byte_map[value] = static_cast<uint8_t>(mapped);
    }
    uint8_t* bytes = pixels();
    const size_t total = bits == 8 ? pixel_count() : row_bytes() * static_cast<size_t>(height_);
    for (size_t i = 0; i < total; ++i) {
        bytes[i] = byte_map[bytes[i]];
    }
    return 0;
}

int clBitMap::compact_palette(const bool* used, uint8_t* map)
{
    if (color_depth_ != 1 && color_depth_ != 4 && color_depth_ != 8) {
        return fail(this, kCompactDepth, color_depth_);
    }
    const int entries = entries_in_use();
    int used_count = 0;
    for (int index = 0; index < kPaletteEntries; ++index) {
        map[index] = static_cast<uint8_t>(index);
        used_count += used[index] ? 1 : 0;
    }
    if (used_count == entries) {
        return 0;
    }
    const int new_depth = bits_for_count(static_cast<uint32_t>(used_count), color_depth_);
    if (new_depth <= 0) {
        return fail(this, kCompactResult, new_depth);
    }
    // Unused indices, and any beyond the table, become 0.
    uint8_t saved[kPaletteBytes];
    std::memcpy(saved, palette_, sizeof saved);
    std::memset(palette_, 0, sizeof palette_);
    std::memset(map, 0, kPaletteEntries);
    int next = 0;
    for (int index = 0; index < entries; ++index) {
        if (used[index]) {
            map[index] = static_cast<uint8_t>(next);
            std::memcpy(palette_ + 3 * next++, saved + 3 * index, 3);
        }
    }
    if (transparent_index_ >= 0 && transparent_index_ < kPaletteEntries) {
        transparent_index_ = transparent_index_ < entries && used[transparent_index_] ? map[transparent_index_] : -1;
    }
    color_depth_ = new_depth;
    return 0;
}

int clBitMap::build_palette()
{
    if (pixels() == nullptr) {
        return fail(this, kBuildNoData);
    }
    if (color_depth_ != kTrueColorDepth) {
        return fail(this, kBuildDepth, color_depth_);
    }
    std::memset(palette_, 0, sizeof palette_);
    TrueColorPalette colors;
    if (!colors.add(pixels(), pixel_count())) {
        record_error(&error_code, error_text, &kBuildTooMany);
        return 0;
    }
    color_depth_ = colors.finish(palette_);
    colors.index(pixels(), pixel_count(), pixels());
    return 0;
}

int clBitMap::take_palette(TrueColorPalette* colors)
{
    if (color_depth_ != kTrueColorDepth) {
        return fail(this, kBuildDepth, color_depth_);
    }
    color_depth_ = colors->finish(palette_);
    return 0;
}
