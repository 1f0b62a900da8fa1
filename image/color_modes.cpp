// Colour modes: greyscale and toned greyscale, one channel alone, and the fixed 3-3-2 palette. Curves and
// channel rules are worked out once per palette entry; a true-colour picture costs one integer pass over its
// pixels, rewritten in place to one index byte each.
#include <cstring>

#include "image/bitmap.h"
#include "image/tone_curves.h"

namespace {

const ErrorEntry kToneNoData = {kBitmapNotCreated, 322, "data area is not created."};
const ErrorEntry kChannelNoData = {kBitmapNotCreated, 423, "data area is not created."};
const ErrorEntry kRgb332NoData = {kBitmapNotCreated, 514, "data area is not created."};

// Luminance weights scaled by 2^24. Their sum is slightly above 2^24 so
// white reaches 255; the largest weighted sum still fits 32 bits.
constexpr uint32_t kRedWeight = 5024544;
constexpr uint32_t kGreenWeight = 9860814;
constexpr uint32_t kBlueWeight = 1924761;
constexpr int kWeightShift = 24;

// Offsets of the channels within a palette entry (red, green, blue) and a true-colour pixel (blue, green, red).
constexpr int kPaletteRed = 0;
constexpr int kPaletteGreen = 1;
constexpr int kPaletteBlue = 2;
constexpr int kPixelBlue = 0;
constexpr int kPixelGreen = 1;
constexpr int kPixelRed = 2;

// 3-3-2 layout: red in bits 7-5, green in bits 4-2, blue in bits 1-0.
constexpr int kThreeBitStep = 32;  // 256 / 8 levels
constexpr int kTwoBitStep = 64;    // 256 / 4 levels
constexpr int kRedShift = 5;
constexpr int kGreenShift = 2;
constexpr int kThreeBitLevels = 8;
constexpr int kTwoBitLevels = 4;
constexpr int kTwoBitWidened = 85;  // 255 / 3

struct Rgb {
    uint8_t red;
    uint8_t green;
    uint8_t blue;
};

Rgb tone_color(int kind, uint32_t level)
{
    using namespace tone_curves;
    const uint8_t plain = static_cast<uint8_t>(level);
    switch (kind) {
    case TONE_RED:
        return {kBrightCurve[level], plain, plain};
    case TONE_BLUE:
        return {kDarkCurve[level], kDarkCurve[level], kBrightCurve[level]};
    case TONE_ROSE:
        return {kRoseRedCurve[level], kDarkCurve[level], kRoseBlueCurve[level]};
    default:
        return {plain, plain, plain};
    }
}

// Repeats a 3-bit level's bits across a byte: 0, 36, 73, ..., 255.
uint8_t widen_three_bits(uint32_t level)
{
    return static_cast<uint8_t>(level * 32 + level * 4 + level / 2);
}

void set_entry(uint8_t* palette, int index, Rgb color)
{
    palette[3 * index + kPaletteRed] = color.red;
    palette[3 * index + kPaletteGreen] = color.green;
    palette[3 * index + kPaletteBlue] = color.blue;
}

Rgb get_entry(const uint8_t* palette, int index)
{
    return {palette[3 * index + kPaletteRed], palette[3 * index + kPaletteGreen],
            palette[3 * index + kPaletteBlue]};
}

// Writes index_of(pixel j) to byte j, at or before pixel j's bytes: no pixel is overwritten before it is read.
template <typename IndexOf>
void index_in_place(uint8_t* pixels, size_t count, IndexOf index_of)
{
    for (size_t j = 0; j < count; ++j) {
        const uint8_t* bgr = pixels + j * clBitMap::kTrueColorBytes;
        pixels[j] = index_of(bgr[kPixelRed], bgr[kPixelGreen], bgr[kPixelBlue]);
    }
}

}  // namespace

uint32_t luminance(uint32_t red, uint32_t green, uint32_t blue)
{
    return (red * kRedWeight + green * kGreenWeight + blue * kBlueWeight) >> kWeightShift;
}

int clBitMap::apply_tone(int kind)
{
    if (kind < TONE_GREY || kind > TONE_ROSE) {
        kind = TONE_GREY;
    }
    if (pixels() == nullptr) {
        return fail(this, kToneNoData);
    }
    if (is_indexed()) {
        for (int i = 0; i < entries_in_use(); ++i) {
            const Rgb old = get_entry(palette_, i);
            set_entry(palette_, i, tone_color(kind, luminance(old.red, old.green, old.blue)));
        }
        return 0;
    }
    for (int i = 0; i < kPaletteEntries; ++i) {
        set_entry(palette_, i, tone_color(kind, static_cast<uint32_t>(i)));
    }
    index_in_place(pixels(), pixel_count(), [](uint8_t r, uint8_t g, uint8_t b) {
        return static_cast<uint8_t>(luminance(r, g, b));
    });
    color_depth_ = kMaxIndexedDepth;
    return 0;
}

int clBitMap::keep_channel(int kind)
{
    if (kind < CHANNEL_RED || kind > CHANNEL_BLUE) {
        kind = CHANNEL_RED;
    }
    if (pixels() == nullptr) {
        return fail(this, kChannelNoData);
    }
    // ChannelKind runs red, green, blue: the same order as a palette entry.
    const int kept = kPaletteRed + kind;
    if (is_indexed()) {
        for (int i = 0; i < entries_in_use(); ++i) {
            for (int channel = kPaletteRed; channel <= kPaletteBlue; ++channel) {
                if (channel != kept) {
                    palette_[3 * i + channel] = 0;
                }
            }
        }
        return 0;
    }
    std::memset(palette_, 0, sizeof palette_);
    for (int i = 0; i < kPaletteEntries; ++i) {
        palette_[3 * i + kept] = static_cast<uint8_t>(i);
    }
    index_in_place(pixels(), pixel_count(), [kind](uint8_t r, uint8_t g, uint8_t b) {
        return kind == CHANNEL_GREEN ? g : kind == CHANNEL_BLUE ? b : r;
    });
    color_depth_ = kMaxIndexedDepth;
    return 0;
}

int clBitMap::quantize_rgb332()
{
    if (pixels() == nullptr) {
        return fail(this, kRgb332NoData);
    }
    if (is_indexed()) {
        for (int i = 0; i < entries_in_use(); ++i) {
            const Rgb old = get_entry(palette_, i);
            set_entry(palette_, i,
                      {widen_three_bits(old.red / kThreeBitStep), widen_three_bits(old.green / kThreeBitStep),
                       static_cast<uint8_t>(old.blue / kTwoBitStep * kTwoBitWidened)});
        }
        return 0;
    }
    for (int i = 0; i < kPaletteEntries; ++i) {
        const uint32_t index = static_cast<uint32_t>(i);
        set_entry(palette_, i,
                  {widen_three_bits(index >> kRedShift),
                   widen_three_bits((index >> kGreenShift) % kThreeBitLevels),
                   static_cast<uint8_t>(index % kTwoBitLevels * kTwoBitWidened)});
    }
    index_in_place(pixels(), pixel_count(), [](uint8_t r, uint8_t g, uint8_t b) {
        return static_cast<uint8_t>(r / kThreeBitStep << kRedShift | g / kThreeBitStep << kGreenShift |
                                    b / kTwoBitStep);
    });
    color_depth_ = kMaxIndexedDepth;
    return 0;
}
