// The palette work against a reference written straight from the algorithm:
// a linear search of the colour list for every pixel, a stable sort by the
// low byte of the usage count, a one-pixel-at-a-time scan for the indices in
// use. The fast versions (a colour index, counting whole runs, flagging in
// chunks) must leave every byte of the picture, the palette, the depth, the
// transparent index and the error record exactly as the reference does.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "image/bitmap.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Outcome {
    int status;
    int depth;
    int transparent;
    uint32_t error_code;
    std::string error_text;
    Bytes palette;
    Bytes pixels;  // the whole buffer
};

std::string difference(const Outcome& got, const Outcome& wanted)
{
    if (got.status != wanted.status) {
        return "status " + std::to_string(got.status) + ", wanted " + std::to_string(wanted.status);
    }
    if (got.depth != wanted.depth) {
        return "depth " + std::to_string(got.depth) + ", wanted " + std::to_string(wanted.depth);
    }
    if (got.transparent != wanted.transparent) {
        return "transparent index " + std::to_string(got.transparent) + ", wanted " +
               std::to_string(wanted.transparent);
    }
    if (got.error_code != wanted.error_code || got.error_text != wanted.error_text) {
        return "error \"" + got.error_text + "\", wanted \"" + wanted.error_text + "\"";
    }
    for (size_t i = 0; i < wanted.palette.size(); ++i) {
        if (got.palette[i] != wanted.palette[i]) {
            return "palette byte " + std::to_string(i) + " is " + std::to_string(got.palette[i]) + ", wanted " +
                   std::to_string(wanted.palette[i]);
        }
    }
    for (size_t i = 0; i < wanted.pixels.size(); ++i) {
        if (got.pixels[i] != wanted.pixels[i]) {
            return "pixel byte " + std::to_string(i) + " is " + std::to_string(got.pixels[i]) + ", wanted " +
                   std::to_string(wanted.pixels[i]);
        }
    }
    return "";
}

Outcome outcome_of(const clBitMap& image, int status)
{
    return {status,
            image.get_color_depth(),
            image.get_transparent_index(),
            image.error_code,
            image.error_text,
            Bytes(image.palette(), image.palette() + kPaletteBytes),
            Bytes(image.pixels(), image.pixels() + image.get_data_size())};
}

int bits_for(uint32_t count, int top)
{
    int depth = top;
    uint32_t mask = 1u << (top - 1);
    while (depth > 0 && ((count - 1) & mask) == 0) {
        mask >>= 1;
        --depth;
    }
    return depth;
}

// ---- build_palette ----------------------------------------------------------

Outcome reference_build(const Bytes& buffer, size_t count)
{
    struct Entry {
        uint32_t packed;
        uint32_t uses;
        uint8_t key;
    };
    // The palette is zeroed whatever it held.
    Outcome out{0, 24, -1, 0, "", Bytes(kPaletteBytes, 0), buffer};
    std::vector<Entry> list;
    auto pack = [&](size_t i) {
        return static_cast<uint32_t>(buffer[3 * i + 2]) << 16 | static_cast<uint32_t>(buffer[3 * i + 1]) << 8 |
               buffer[3 * i];
    };
    for (size_t i = 0; i < count; ++i) {
        const uint32_t packed = pack(i);
        size_t j = 0;
        while (j < list.size() && list[j].packed != packed) {
            ++j;
        }
        if (j < list.size()) {
            ++list[j].uses;
        } else if (list.size() < 256) {
            list.push_back({packed, 1, 0});
        } else {
            out.error_text = ":000000:00613:use color is more than 257.";
            return out;
        }
    }
    for (Entry& e : list) {
        e.key = static_cast<uint8_t>(e.uses & 0xFF);
    }
    std::stable_sort(list.begin(), list.end(), [](const Entry& a, const Entry& b) { return a.key > b.key; });
    for (size_t j = 0; j < list.size(); ++j) {
        out.palette[3 * j] = static_cast<uint8_t>(list[j].packed >> 16);
        out.palette[3 * j + 1] = static_cast<uint8_t>(list[j].packed >> 8);
        out.palette[3 * j + 2] = static_cast<uint8_t>(list[j].packed);
    }
    for (size_t i = 0; i < count; ++i) {
        const uint32_t packed = pack(i);
        size_t j = 0;
        while (list[j].packed != packed) {
            ++j;
        }
        out.pixels[i] = static_cast<uint8_t>(j);
    }
    out.depth = std::max(1, bits_for(static_cast<uint32_t>(list.size()), 8));
    return out;
}

// A true-colour picture of `colors` distinct colours. Usage counts are
// drawn from a few values whose low bytes agree, so many colours share a
// sort key; the pixels come in runs or scattered.
Bytes true_color_picture(size_t count, int colors, bool runs, std::mt19937* random)
{
    std::vector<uint32_t> palette;
    while (static_cast<int>(palette.size()) < colors) {
        const uint32_t color = (*random)() & 0xFFFFFF;
        if (std::find(palette.begin(), palette.end(), color) == palette.end()) {
            palette.push_back(color);
        }
    }
    std::vector<uint32_t> sequence;
    for (int c = 0; c < colors; ++c) {
        sequence.push_back(palette[static_cast<size_t>(c)]);  // every colour at least once
    }
    const size_t tie_counts[] = {1, 257, 513, 2, 258};
    for (size_t c = 0; sequence.size() < count; c = (c + 1) % palette.size()) {
        const size_t more = std::min(count - sequence.size(), tie_counts[(*random)() % 5] - 1 + (*random)() % 2);
        sequence.insert(sequence.end(), more, palette[c]);
    }
    if (!runs) {
        std::shuffle(sequence.begin(), sequence.end(), *random);
    }
    Bytes bgr(3 * count);
    for (size_t i = 0; i < count; ++i) {
        bgr[3 * i] = static_cast<uint8_t>(sequence[i]);
        bgr[3 * i + 1] = static_cast<uint8_t>(sequence[i] >> 8);
        bgr[3 * i + 2] = static_cast<uint8_t>(sequence[i] >> 16);
    }
    return bgr;
}

TEST(PaletteReference, BuildPaletteAsTheLinearSearchAndStableSort)
{
    std::mt19937 random(42);
    for (int colors : {1, 2, 3, 5, 17, 129, 200, 255, 256, 257, 300}) {
        for (bool runs : {false, true}) {
            for (int width : {1, 7, 640}) {
                const int height = std::min(kMaxImageHeight, std::max(colors + 3, colors * 600 / width + 1));
                const std::string what = std::to_string(colors) + " colours, " + std::to_string(width) + " x " +
                                         std::to_string(height) + (runs ? ", in runs" : ", scattered");
                clBitMap image;
                ASSERT_EQ(image.set_color_depth(24), 0);
                ASSERT_EQ(image.create(width, height), 0);
                const size_t count = static_cast<size_t>(width) * height;
                const Bytes bgr = true_color_picture(count, std::min<int>(colors, static_cast<int>(count)), runs,
                                                     &random);
                std::memcpy(image.pixels(), bgr.data(), bgr.size());
                std::memset(image.palette(), 0x5A, kPaletteBytes);
                const Bytes buffer(image.pixels(), image.pixels() + image.get_data_size());
                const Outcome wanted = reference_build(buffer, count);
                const int status = image.build_palette();
                EXPECT_EQ(difference(outcome_of(image, status), wanted), "") << what;
            }
        }
    }
}

// ---- compact_palette -----------------------------------------------------------

Outcome reference_remap(Outcome in, const uint8_t* map, size_t count)
{
    const Bytes saved = in.palette;
    std::fill(in.palette.begin(), in.palette.end(), 0);
    bool written[256] = {};
    for (size_t i = 0; i < count; ++i) {
        const uint8_t old_index = in.pixels[i];
        const uint8_t new_index = map[old_index];
        in.pixels[i] = new_index;
        if (!written[new_index]) {
            written[new_index] = true;
            std::copy(saved.begin() + 3 * old_index, saved.begin() + 3 * old_index + 3, in.palette.begin() + 3 * new_index);
        }
    }
    return in;
}

Outcome reference_compact(Outcome in, size_t count)
{
    const int entries = 1 << in.depth;
    bool used[256] = {};
    int seen = 0;
    for (size_t i = 0; i < count && seen < entries; ++i) {
        if (!used[in.pixels[i]]) {
            used[in.pixels[i]] = true;
            ++seen;
        }
    }
    if (seen == entries) {
        return in;
    }
    const int depth = bits_for(static_cast<uint32_t>(seen), in.depth);
    if (depth <= 0) {
        in.status = 1;
        in.error_code = 0x3A0004;
        in.error_text = ":3A0004:00277:illegal result.[calc bit depth:" + std::to_string(depth) + "]";
        return in;
    }
    uint8_t map[256] = {};
    int next = 0;
    for (int index = 0; index < entries; ++index) {
        if (used[index]) {
            map[index] = static_cast<uint8_t>(next++);
        }
    }
    if (in.transparent >= 0 && in.transparent < 256) {
        in.transparent = used[in.transparent] ? map[in.transparent] : -1;
    }
    Outcome out = reference_remap(in, map, count);
    out.depth = depth;
    return out;
}

// An indexed picture using `used` of the depth's indices, now and then a
// value of 2^depth or more (which the BMP reader never makes, but which
// changes where the scan for used indices may stop), in runs or scattered.
void make_indexed_picture(clBitMap* image, int depth, int width, int height, int used, bool strays,
                          std::mt19937* random)
{
    ASSERT_EQ(image->set_color_depth(depth), 0);
    ASSERT_EQ(image->create(width, height), 0);
    std::vector<uint8_t> choices;
    for (int v = 0; v < (1 << depth); ++v) {
        choices.push_back(static_cast<uint8_t>(v));
    }
    std::shuffle(choices.begin(), choices.end(), *random);
    choices.resize(static_cast<size_t>(used));
    const size_t count = static_cast<size_t>(width) * height;
    for (size_t i = 0; i < count; ++i) {
        uint8_t value = choices[(*random)() % choices.size()];
        if (i > 0 && (*random)() % 4 != 0) {
            value = image->pixels()[i - 1];
        }
        if (strays && (*random)() % 5000 == 0) {
            value = static_cast<uint8_t>((1 << depth) + (*random)() % (256 - (1 << depth)));
        }
        image->pixels()[i] = value;
    }
    for (int i = 0; i < kPaletteBytes; ++i) {
        image->palette()[i] = static_cast<uint8_t>((*random)());
    }
}

// The same picture created packed (as the BMP reader keeps 1- and 4-bit
// rows) must compact to the same depth, palette, transparent index, record
// and indices.
void expect_packed_compacts_alike(const clBitMap& image, const Outcome& wanted, const std::string& what)
{
    const int depth = image.get_color_depth();
    const int width = image.get_width();
    clBitMap packed;
    ASSERT_EQ(packed.set_color_depth(depth), 0);
    ASSERT_EQ(packed.create(width, image.get_height(), true), 0);
    ASSERT_EQ(packed.get_stored_bits(), depth);
    for (int32_t y = 0; y < image.get_height(); ++y) {
        uint8_t* row = packed.pixels() + static_cast<size_t>(y) * packed.row_bytes();
        for (int32_t x = 0; x < width; ++x) {
            row[x * depth / 8] = static_cast<uint8_t>(row[x * depth / 8] |
                                                      image.index_at(x, y) << (8 - depth - x * depth % 8));
        }
        row[packed.row_bytes() - 1] = static_cast<uint8_t>(row[packed.row_bytes() - 1] |
                                                           ((1 << (packed.row_bytes() * 8 - width * depth)) - 1));
    }
    std::memcpy(packed.palette(), image.palette(), kPaletteBytes);
    if (image.get_transparent_index() >= 0) {
        ASSERT_EQ(packed.set_transparent_index(image.get_transparent_index()), 0);
    }
    Outcome got = outcome_of(packed, packed.compact_palette());
    got.pixels.clear();
    for (int32_t y = 0; y < packed.get_height(); ++y) {
        for (int32_t x = 0; x < width; ++x) {
            got.pixels.push_back(packed.index_at(x, y));
        }
    }
    Outcome unpacked = wanted;
    unpacked.pixels.resize(got.pixels.size());
    EXPECT_EQ(difference(got, unpacked), "") << what << ", packed";
}

TEST(PaletteReference, CompactPaletteAsTheOneByOneScan)
{
    std::mt19937 random(7);
    for (int depth : {1, 4, 8}) {
        for (int used : {1, 2, 3, (1 << depth) - 1, 1 << depth}) {
            for (bool strays : {false, true}) {
                if (strays && depth == 8) {
                    continue;  // every byte fits depth 8
                }
                for (int transparent : {-1, 0, 1, 200}) {
                    for (int width : {1, 13, 500}) {
                        const int height = width == 1 ? 40 : 9000 / width + 1;
                        const std::string what = "depth " + std::to_string(depth) + ", " + std::to_string(used) +
                                                 " used" + (strays ? " and strays" : "") + ", transparent " +
                                                 std::to_string(transparent) + ", width " + std::to_string(width);
                        clBitMap image;
                        make_indexed_picture(&image, depth, width, height, std::min(used, 1 << depth), strays,
                                             &random);
                        if (transparent >= 0) {
                            ASSERT_EQ(image.set_transparent_index(transparent), 0);
                        }
                        const size_t count = static_cast<size_t>(width) * height;
                        const Outcome wanted = reference_compact(outcome_of(image, 0), count);
                        if (depth < 8 && !strays) {
                            expect_packed_compacts_alike(image, wanted, what);
                        }
                        const int status = image.compact_palette();
                        EXPECT_EQ(difference(outcome_of(image, status), wanted), "") << what;
                    }
                }
            }
        }
    }
}

}  // namespace
