#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console/messages.h"
#include "console/options.h"
#include "image/bitmap.h"
#include "app/convert_image.h"
#include "tests/image/image_recipes.h"

namespace {

class Convert : public testing::Test {
protected:
    // With it, convert_image adds the depths and the error texts.
    bool verbose = false;

    // Runs convert_image and keeps what it printed in printed_.
    int convert(clBitMap* image, int32_t mode, uint32_t flags = kDefaultOptionFlags)
    {
        testing::internal::CaptureStdout();
        const int result = convert_image(flags, mode, image, verbose);
        printed_ = testing::internal::GetCapturedStdout();
        return result;
    }

    std::string printed_;

private:
};

std::vector<Color> distinct_colors(int count)
{
    std::vector<Color> row;
    for (int k = 0; k < count; ++k) {
        row.push_back(distinct_color(k));
    }
    return row;
}

TEST_F(Convert, TrueColourUpTo256ColoursBecomesIndexed)
{
    clBitMap image;
    make_true_color(&image, distinct_colors(256));
    EXPECT_EQ(convert(&image, MODE_NONE), 0);
    EXPECT_EQ(image.get_color_depth(), 8);
    EXPECT_EQ(printed_, "");
}

TEST_F(Convert, The257thColourFailsUnlessAColourModeRuns)
{
    clBitMap plain;
    make_true_color(&plain, distinct_colors(257));
    EXPECT_EQ(convert(&plain, MODE_NONE), 1);
    EXPECT_EQ(printed_, "Error :Can't Optimized Palette[More Than 257]\n");
    EXPECT_EQ(plain.error_code, 0u);
    EXPECT_EQ(std::string(plain.error_text), ":000000:00613:use color is more than 257.");

    clBitMap grey;
    make_true_color(&grey, distinct_colors(257));
    EXPECT_EQ(convert(&grey, MODE_GREY), 0);
    EXPECT_EQ(printed_, "");
    EXPECT_GE(grey.get_color_depth(), 1);
    EXPECT_LE(grey.get_color_depth(), 8);
}

TEST_F(Convert, VerboseReportsDepthBeforeAndAfter)
{
    verbose = true;
    clBitMap image;
    make_true_color(&image, distinct_colors(5));
    EXPECT_EQ(convert(&image, MODE_NONE), 0);
    EXPECT_EQ(printed_, "Info  :[Before]Color Depth=24\nInfo  :[After] Color Depth=3\n");

    clBitMap indexed;
    make_indexed(&indexed, 8, {3, 7, 200});
    EXPECT_EQ(convert(&indexed, MODE_NONE), 0);
    EXPECT_EQ(printed_, "Info  :[Before]Color Depth=8\nInfo  :[After] Color Depth=2\n");
}

TEST_F(Convert, ABlankCanvasConverts)
{
    verbose = true;
    clBitMap image;
    make_true_color(&image, std::vector<Color>(9, Color{250, 250, 250}));
    EXPECT_EQ(convert(&image, MODE_NONE), 0);
    EXPECT_EQ(image.get_color_depth(), 1);
    EXPECT_EQ(printed_, "Info  :[Before]Color Depth=24\nInfo  :[After] Color Depth=1\n");
}

TEST_F(Convert, ASingleIndexPictureKeepsItsDepth)
{
    clBitMap image;
    make_indexed(&image, 4, {6, 6, 6});
    const std::string before = snapshot(image);
    EXPECT_EQ(convert(&image, MODE_NONE), 0);
    EXPECT_EQ(snapshot(image), before);
    EXPECT_EQ(printed_, "");
}

TEST_F(Convert, NoOptimiseOptionOnlyAnnounces)
{
    const std::vector<Color> row = {{1, 2, 3}, {4, 5, 6}, {1, 2, 3}, {7, 8, 9}};
    clBitMap with_option;
    make_true_color(&with_option, row);
    clBitMap without_option;
    make_true_color(&without_option, row);
    EXPECT_EQ(convert(&with_option, MODE_TONE_ROSE, kDefaultOptionFlags & ~FLAG_OPTIMIZE), 0);
    EXPECT_EQ(printed_, "Info  :Enable Optimize Color Palette\n");
    EXPECT_EQ(convert(&without_option, MODE_TONE_ROSE), 0);
    EXPECT_EQ(printed_, "");
    EXPECT_EQ(snapshot(with_option), snapshot(without_option));
}

TEST_F(Convert, ColourModeThenCompaction)
{
    // Grey levels 35 and 255 remain; the grey ramp keeps them in order.
    clBitMap image;
    make_true_color(&image, {{0x30, 0x20, 0x10}, {255, 255, 255}, {0x30, 0x20, 0x10}});
    EXPECT_EQ(convert(&image, MODE_GREY), 0);
    EXPECT_EQ(image.get_color_depth(), 1);
    EXPECT_EQ(indices(image), (std::vector<int>{0, 1, 0}));
    EXPECT_EQ(entry(image, 0), (Color{35, 35, 35}));
    EXPECT_EQ(entry(image, 1), (Color{255, 255, 255}));
}

TEST_F(Convert, UnknownModeLeavesTheImageUntouched)
{
    verbose = true;
    for (int32_t mode : {-1, 6, 15, 19, 255}) {
        clBitMap image;
        make_true_color(&image, {{1, 2, 3}, {4, 5, 6}});
        const std::string before = snapshot(image);
        EXPECT_EQ(convert(&image, mode), 1) << "mode " << mode;
        EXPECT_EQ(printed_, "Error :Fail To Edit Palette\n") << "mode " << mode;
        EXPECT_EQ(snapshot(image), before) << "mode " << mode;
    }
}

TEST_F(Convert, FailuresShowTheErrorTextOnlyWhenVerbose)
{
    clBitMap quiet;
    quiet.set_color_depth(24);
    EXPECT_EQ(convert(&quiet, MODE_RGB332), 1);
    EXPECT_EQ(printed_, "Error :Fail To Edit Palette\n");

    verbose = true;
    clBitMap mode_failed;
    mode_failed.set_color_depth(24);
    EXPECT_EQ(convert(&mode_failed, MODE_BLUE_ONLY), 1);
    EXPECT_EQ(printed_, "Error :Fail To Edit Palette\n:3A0003:00423:data area is not created.");

    clBitMap build_failed;
    build_failed.set_color_depth(24);
    EXPECT_EQ(convert(&build_failed, MODE_NONE), 1);
    EXPECT_EQ(printed_, "Error :Fail To Make Palette\n:3A0003:00569:data area is not created.");
}

}  // namespace
