// The row reader reads many stored rows per request and unpacks 1-bit rows
// a byte at a time. Pictures much larger than one request, cut anywhere,
// must fail with the row and byte counts of a row-by-row reader and leave
// the rows before the cut in place; random rows of every width must unpack
// to the same indices.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "bmp/bmp_file.h"
#include "tests/bmp/bmp_fixture.h"

namespace {

using bmp_writer::BmpRecipe;

BmpRecipe random_picture(int bits, int width, int height, unsigned seed)
{
    std::mt19937 random(seed);
    BmpRecipe recipe;
    recipe.bit_count = static_cast<uint16_t>(bits);
    recipe.width = width;
    recipe.height = height;
    if (bits <= 8) {
        recipe.palette = distinct_palette(1 << bits);
    }
    const int rows = height < 0 ? -height : height;
    for (int i = 0; i < width * rows; ++i) {
        recipe.pixels.push_back(bits == 24 ? random() & 0xFFFFFF : random() % (1u << bits));
    }
    return recipe;
}

TEST_F(BmpTest, RowsOfEveryWidthUnpackAsStored)
{
    unsigned seed = 1;
    for (int bits : {1, 4, 8, 24}) {
        for (int width = 1; width <= 40; ++width) {
            for (int height : {3, -2}) {
                const BmpRecipe recipe = random_picture(bits, width, height, seed++);
                clBitMap image;
                ASSERT_EQ(load(recipe, &image), 0) << printed;
                EXPECT_EQ(image_pixels(image), expected_pixels(recipe.pixels, bits))
                    << bits << " bits, width " << width << ", height " << height;
            }
        }
    }
}

// 24 bits, 1000 pixels a row: 3000-byte rows, many requests for 400 rows.
TEST_F(BmpTest, CutFarIntoABigPictureIsReportedAsRowByRow)
{
    const int width = 1000;
    const int height = 400;
    const size_t stride = bmp_writer::stride(width, 24);
    const BmpRecipe whole = random_picture(24, width, height, 77);
    const std::vector<uint8_t> all = expected_pixels(whole.pixels, 24);
    struct Cut {
        size_t rows;   // stored rows complete before the cut
        size_t extra;  // bytes of the next stored row
    };
    for (const Cut& cut : {Cut{0, 0}, Cut{0, 1}, Cut{86, 0}, Cut{87, 2999}, Cut{200, 1234}, Cut{399, 0},
                           Cut{399, 5}, Cut{400, 0}}) {
        const std::string what = std::to_string(cut.rows) + " rows and " + std::to_string(cut.extra) + " bytes";
        const bool complete = cut.rows == height;
        BmpRecipe recipe = whole;
        recipe.truncate_to = 54 + cut.rows * stride + cut.extra;
        clBitMap image;
        EXPECT_EQ(load(recipe, &image), complete ? 0 : 1) << what;

        BmpReader file = reader_of(recipe);
        BmpInfo info;
        ASSERT_EQ(file.read_header(&info), 0) << file.error_text;
        std::vector<uint8_t> pixels(all.size(), 0xEE);
        EXPECT_EQ(file.read_pixels(&info, pixels.data(), static_cast<int64_t>(pixels.size())), complete ? 0 : 1)
            << what;
        if (!complete) {
            EXPECT_EQ(file.error_text, error_text(0x340003, 288,
                                                  "file access error.[read," + std::to_string(cut.extra) + "," +
                                                      std::to_string(cut.rows) + "]"))
                << what;
        }
        // Stored rows come bottom first: the complete ones fill the picture
        // from its last row up, the rest is untouched.
        const size_t row_bytes = static_cast<size_t>(width) * 3;
        const size_t first_filled = (height - cut.rows) * row_bytes;
        for (size_t i = 0; i < all.size(); ++i) {
            const uint8_t wanted = i >= first_filled ? all[i] : 0xEE;
            if (pixels[i] != wanted) {
                ADD_FAILURE() << what << ": byte " << i << " is " << int(pixels[i]) << ", wanted " << int(wanted);
                break;
            }
        }
    }
}

}  // namespace
