#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "image/bitmap.h"
#include "image/tone_curves.h"
#include "tests/image/image_recipes.h"

namespace {

TEST(Luminance, WorkedValues)
{
    EXPECT_EQ(luminance(255, 255, 255), 255u);
    EXPECT_EQ(luminance(255, 0, 0), 76u);
    EXPECT_EQ(luminance(0, 255, 0), 149u);
    EXPECT_EQ(luminance(0, 0, 255), 29u);
    EXPECT_EQ(luminance(128, 128, 128), 128u);
    EXPECT_EQ(luminance(0, 0, 0), 0u);
}

// On a true-colour picture entry L of the new palette is the tone of L.
TEST(ApplyTone, ToneCurvesAtWorkedLevels)
{
    struct Case {
        int kind, level;
        Color expected;
    };
    const Case cases[] = {
        {TONE_GREY, 77, {77, 77, 77}},      {TONE_RED, 1, {15, 1, 1}},
        {TONE_RED, 64, {127, 64, 64}},      {TONE_RED, 128, {180, 128, 128}},
        {TONE_RED, 192, {221, 192, 192}},   {TONE_BLUE, 1, {0, 0, 15}},
        {TONE_BLUE, 64, {32, 32, 127}},     {TONE_BLUE, 128, {90, 90, 180}},
        {TONE_BLUE, 192, {166, 166, 221}},  {TONE_ROSE, 1, {36, 0, 2}},
        {TONE_ROSE, 64, {157, 32, 78}},     {TONE_ROSE, 128, {200, 90, 141}},
        {TONE_ROSE, 192, {230, 166, 200}},  {TONE_ROSE, 0, {0, 0, 0}},
        {TONE_ROSE, 255, {255, 255, 255}},  {TONE_BLUE, 255, {255, 255, 255}},
        {TONE_RED, 255, {255, 255, 255}},   {-1, 64, {64, 64, 64}},
        {4, 64, {64, 64, 64}},
    };
    for (const Case& c : cases) {
        clBitMap image;
        make_true_color(&image, {{0, 0, 0}});
        ASSERT_EQ(image.apply_tone(c.kind), 0);
        EXPECT_EQ(entry(image, c.level), c.expected) << "tone " << c.kind << " at L = " << c.level;
    }
}

// The curves are written out in the source; every entry must still be what
// the C library's pow gives.
TEST(ApplyTone, CurveTablesMatchPow)
{
    const struct {
        const uint8_t* curve;
        double gamma;
    } curves[] = {{tone_curves::kBrightCurve, 0.5},
                  {tone_curves::kDarkCurve, 1.5},
                  {tone_curves::kRoseRedCurve, 0.35},
                  {tone_curves::kRoseBlueCurve, 0.85}};
    for (const auto& c : curves) {
        for (int level = 0; level < tone_curves::kLevels; ++level) {
            const auto expected = static_cast<uint8_t>(255.0 * std::pow(level * (1.0 / 255.0), c.gamma));
            ASSERT_EQ(c.curve[level], expected) << "gamma " << c.gamma << " at level " << level;
        }
    }
}

TEST(ApplyTone, GreyRewritesTrueColourPixelsInPlace)
{
    // The first pixel has bytes blue 0x10, green 0x20, red 0x30.
    clBitMap image;
    make_true_color(&image, {{0x30, 0x20, 0x10}, {255, 255, 255}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}});
    ASSERT_EQ(image.apply_tone(TONE_GREY), 0);
    EXPECT_EQ(image.get_color_depth(), 8);
    EXPECT_EQ(indices(image), (std::vector<int>{35, 255, 76, 149, 29}));
    EXPECT_EQ(entry(image, 35), (Color{35, 35, 35}));
}

TEST(ApplyTone, IndexedPictureChangesOnlyTheEntriesInUse)
{
    clBitMap image;
    make_indexed(&image, 1, {0, 1, 1});
    const std::vector<int> pixels_before = indices(image);
    ASSERT_EQ(image.apply_tone(TONE_RED), 0);
    // Entries 0 and 1 were (0, 255, 0) and (1, 254, 0): both of luminance 149.
    EXPECT_EQ(entry(image, 0), (Color{194, 149, 149}));
    EXPECT_EQ(entry(image, 1), (Color{194, 149, 149}));
    EXPECT_EQ(entry(image, 2), original_entry(2));
    EXPECT_EQ(image.get_color_depth(), 1);
    EXPECT_EQ(indices(image), pixels_before);
}

TEST(Rgb332, TrueColourPixelAndItsPaletteEntry)
{
    clBitMap image;
    make_true_color(&image, {{200, 100, 50}, {255, 255, 255}, {0, 0, 0}});
    ASSERT_EQ(image.quantize_rgb332(), 0);
    EXPECT_EQ(image.get_color_depth(), 8);
    EXPECT_EQ(indices(image), (std::vector<int>{204, 255, 0}));
    EXPECT_EQ(entry(image, 204), (Color{219, 109, 0}));
    EXPECT_EQ(entry(image, 255), (Color{255, 255, 255}));
    const int widened[] = {0, 36, 73, 109, 146, 182, 219, 255};
    for (int level = 0; level < 8; ++level) {
        EXPECT_EQ(entry(image, level << 5).red, widened[level]) << "red level " << level;
        EXPECT_EQ(entry(image, level << 2).green, widened[level]) << "green level " << level;
    }
    for (int level = 0; level < 4; ++level) {
        EXPECT_EQ(entry(image, level).blue, level * 85) << "blue level " << level;
    }
}

TEST(Rgb332, IndexedPaletteIsQuantised)
{
    clBitMap image;
    make_indexed(&image, 4, {0, 5});
    image.palette()[3] = 200;
    image.palette()[4] = 100;
    image.palette()[5] = 50;
    ASSERT_EQ(image.quantize_rgb332(), 0);
    EXPECT_EQ(entry(image, 1), (Color{219, 109, 0}));
    EXPECT_EQ(entry(image, 15), (Color{0, 255, 0}));  // was (15, 240, 7)
    EXPECT_EQ(entry(image, 16), original_entry(16));
    EXPECT_EQ(image.get_color_depth(), 4);
}

TEST(KeepChannel, TrueColourKeepsTheChosenChannelByte)
{
    const int kinds[] = {CHANNEL_RED, CHANNEL_GREEN, CHANNEL_BLUE};
    const int expected_index[] = {200, 100, 50};
    for (int k = 0; k < 3; ++k) {
        clBitMap image;
        make_true_color(&image, {{200, 100, 50}, {1, 2, 3}});
        ASSERT_EQ(image.keep_channel(kinds[k]), 0);
        EXPECT_EQ(image.get_color_depth(), 8);
        EXPECT_EQ(image.pixels()[0], expected_index[k]) << "channel " << k;
        EXPECT_EQ(image.pixels()[1], k + 1) << "channel " << k;
        Color ramp = {0, 0, 0};
        (k == 0 ? ramp.red : k == 1 ? ramp.green : ramp.blue) = 77;
        EXPECT_EQ(entry(image, 77), ramp) << "channel " << k;
    }
}

TEST(KeepChannel, IndexedPictureKeepsPixelsAndClearsOtherChannels)
{
    clBitMap image;
    make_indexed(&image, 8, {9, 3, 250});
    ASSERT_EQ(image.keep_channel(CHANNEL_RED), 0);
    EXPECT_EQ(indices(image), (std::vector<int>{9, 3, 250}));
    for (int i = 0; i < kPaletteEntries; ++i) {
        ASSERT_EQ(entry(image, i), (Color{i, 0, 0})) << "entry " << i;
    }
    clBitMap out_of_range_kind;
    make_indexed(&out_of_range_kind, 1, {0});
    ASSERT_EQ(out_of_range_kind.keep_channel(7), 0);
    EXPECT_EQ(entry(out_of_range_kind, 1), (Color{1, 0, 0}));
}

TEST(ColorModes, NeedThePixelBuffer)
{
    clBitMap image;
    image.set_color_depth(24);
    EXPECT_EQ(image.apply_tone(TONE_GREY), 1);
    EXPECT_EQ(std::string(image.error_text), ":3A0003:00322:data area is not created.");
    EXPECT_EQ(image.keep_channel(CHANNEL_BLUE), 1);
    EXPECT_EQ(std::string(image.error_text), ":3A0003:00423:data area is not created.");
    EXPECT_EQ(image.quantize_rgb332(), 1);
    EXPECT_EQ(std::string(image.error_text), ":3A0003:00514:data area is not created.");
    EXPECT_EQ(image.get_color_depth(), 24);
}

}  // namespace
