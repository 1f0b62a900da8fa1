// Header layouts the reader accepts and every header it refuses, each with
// its exact code, line and text.
#include <climits>
#include <functional>

#include "bmp/bmp_file.h"
#include "tests/bmp/bmp_fixture.h"

namespace {

using bmp_writer::BmpRecipe;

// 2 x 2 at 24 bits: 54 header bytes and two rows of 8.
BmpRecipe small_color_picture()
{
    BmpRecipe recipe;
    recipe.width = 2;
    recipe.height = 2;
    recipe.pixels = {0xFF0000, 0x0000FF, 0x0000FF, 0x0000FF};
    return recipe;
}
constexpr int kSmallColorFileBytes = 70;

class ReadHeader : public BmpTest {
protected:
    // read_header of the recipe's bytes, read afresh; file keeps the
    // outcome.
    int read(const BmpRecipe& recipe, BmpInfo* info)
    {
        file = reader_of(recipe);
        return file.read_header(info);
    }
    BmpReader file{nullptr, 0};
};

TEST_F(ReadHeader, EveryHeaderSizeFindsTheTableAndRows)
{
    for (uint32_t header_size : {12u, 16u, 40u, 64u, 108u, 124u}) {
        SCOPED_TRACE("header size " + std::to_string(header_size));
        BmpRecipe recipe;
        recipe.header_size = header_size;
        recipe.bit_count = 8;
        recipe.width = 3;
        recipe.height = 2;
        recipe.palette = distinct_palette(256);
        // A 16-byte header's compression field is the table's first entry.
        recipe.palette[0] = {0, 0, 0};
        recipe.pixels = {255, 1, 2, 0, 128, 3};
        const int64_t entry_bytes = header_size == 12 ? 3 : 4;

        BmpInfo info;
        ASSERT_EQ(read(recipe, &info), 0) << file.error_text;
        EXPECT_EQ(info.is_core, header_size == 12 ? 1 : 0);
        EXPECT_EQ(info.width, 3);
        EXPECT_EQ(info.height, 2);
        EXPECT_EQ(info.top_down, 0);
        EXPECT_EQ(info.bit_count, 8);
        EXPECT_EQ(info.palette_offset, 14 + header_size);
        EXPECT_EQ(info.pixel_offset, 14 + header_size + 256 * entry_bytes);

        clBitMap image;
        ASSERT_EQ(load(recipe, &image), 0) << printed;
        EXPECT_EQ(image_pixels(image), expected_pixels(recipe.pixels, 8));
        for (int i : {0, 1, 128, 255}) {
            EXPECT_EQ(image.palette()[3 * i], recipe.palette[i].red) << "entry " << i;
            EXPECT_EQ(image.palette()[3 * i + 1], recipe.palette[i].green) << "entry " << i;
            EXPECT_EQ(image.palette()[3 * i + 2], recipe.palette[i].blue) << "entry " << i;
        }
    }
}

struct RefusedHeader {
    const char* what;
    std::function<void(BmpRecipe&)> change;
    uint32_t code;
    int line;
    std::string text;
};

TEST_F(ReadHeader, RefusedHeadersNameTheirFault)
{
    const std::string not_bmp = "this file is not BMP file.";
    const RefusedHeader cases[] = {
        {"signature BA", [](BmpRecipe& s) { s.signature = "BA"; }, 0x340004, 116,
         not_bmp + "[disagree,header]"},
        {"size field one over", [](BmpRecipe& s) { s.file_size = kSmallColorFileBytes + 1; },
         0x340004, 123, not_bmp + "[disagree,filesize,71]"},
        {"size field one under", [](BmpRecipe& s) { s.file_size = kSmallColorFileBytes - 1; },
         0x340004, 123, not_bmp + "[disagree,filesize,69]"},
        {"size field 4 GiB - 1", [](BmpRecipe& s) { s.file_size = 0xFFFFFFFF; }, 0x340004, 123,
         not_bmp + "[disagree,filesize,-1]"},
        {"two planes", [](BmpRecipe& s) { s.planes = 2; }, 0x340004, 181,
         not_bmp + "[read,header,plane]"},
        {"run-length 8 on 4 bits", [](BmpRecipe& s) { s.bit_count = 4; s.compression = 1; }, 0x340004,
         188, not_bmp + "[read,header,compress]"},
        {"run-length 4 on 8 bits", [](BmpRecipe& s) { s.bit_count = 8; s.compression = 2; }, 0x340004,
         188, not_bmp + "[read,header,compress]"},
        {"bit fields on 24 bits", [](BmpRecipe& s) { s.compression = 3; }, 0x340004, 188,
         not_bmp + "[read,header,compress]"},
        {"embedded JPEG", [](BmpRecipe& s) { s.bit_count = 0; s.compression = 4; }, 0x340004, 188,
         not_bmp + "[read,header,compress]"},
        {"embedded PNG", [](BmpRecipe& s) { s.bit_count = 0; s.compression = 5; }, 0x340004, 188,
         not_bmp + "[read,header,compress]"},
        {"OS/2 64-byte header, compression 3 (not bit fields there)",
         [](BmpRecipe& s) { s.header_size = 64; s.bit_count = 16; s.compression = 3; }, 0x340004, 188,
         not_bmp + "[read,header,compress]"},
        {"bit fields after a 44-byte header",
         [](BmpRecipe& s) { s.header_size = 44; s.bit_count = 32; s.compression = 3; }, 0x340004, 188,
         not_bmp + "[read,header,compress]"},
        {"header of 14 bytes", [](BmpRecipe& s) { s.header_size = 14; }, 0x340004, 139,
         not_bmp + "[read,header,size]"},
        {"top-down run-length", [](BmpRecipe& s) { s.bit_count = 8; s.compression = 1; s.height = -1; },
         0x340004, 212, not_bmp + "[read,header,top-down]"},
        {"masks cut", [](BmpRecipe& s) { s.bit_count = 16; s.compression = 3; s.raw_pixels = ""; s.masks = {0x7C00}; },
         0x340003, 172, not_bmp + "[read,header,4]"},
        {"masks overlap", [](BmpRecipe& s) { s.bit_count = 16; s.compression = 3; s.masks = {0xF800, 0x0FE0, 0x1F}; },
         0x340004, 216, not_bmp + "[read,header,bit fields]"},
        {"mask with a gap", [](BmpRecipe& s) { s.bit_count = 32; s.compression = 3; s.masks = {0xF0F00000, 0xFF00, 0xFF}; },
         0x340004, 216, not_bmp + "[read,header,bit fields]"},
        {"16-bit mask past the pixel", [](BmpRecipe& s) { s.bit_count = 16; s.compression = 3; s.masks = {0x1F0000, 0x3E0, 0x1F}; },
         0x340004, 216, not_bmp + "[read,header,bit fields]"},
        {"V5 masks overlap", [](BmpRecipe& s) { s.header_size = 124; s.bit_count = 32; s.compression = 3; s.masks = {0xFF, 0xFF00, 0xFF}; },
         0x340004, 216, not_bmp + "[read,header,bit fields]"},
        {"2 bits", [](BmpRecipe& s) { s.bit_count = 2; }, 0x340004, 209,
         not_bmp + "[read,header,bit depth]"},
        {"width 0", [](BmpRecipe& s) { s.width = 0; }, 0x340004, 198,
         not_bmp + "[read,header,width or height]"},
        {"width -2", [](BmpRecipe& s) { s.width = -2; s.raw_pixels = ""; }, 0x340004, 198,
         not_bmp + "[read,header,width or height]"},
        {"height 0", [](BmpRecipe& s) { s.height = 0; }, 0x340004, 198,
         not_bmp + "[read,header,width or height]"},
        {"height -2147483648", [](BmpRecipe& s) { s.height = INT32_MIN; s.raw_pixels = ""; },
         0x340004, 198, not_bmp + "[read,header,width or height]"},
        {"core width 0", [](BmpRecipe& s) { s.header_size = 12; s.width = 0; }, 0x340004, 198,
         not_bmp + "[read,header,width or height]"},
        {"core 16 bits", [](BmpRecipe& s) { s.header_size = 12; s.bit_count = 16; }, 0x340004,
         209, not_bmp + "[read,header,bit depth]"},
        {"cut inside the file header", [](BmpRecipe& s) { s.truncate_to = 10; }, 0x340003, 108,
         "file access error.[read]"},
        {"cut inside the header size", [](BmpRecipe& s) { s.truncate_to = 16; }, 0x340003, 133,
         not_bmp + "[read,header,2]."},
        {"cut inside a core header",
         [](BmpRecipe& s) { s.header_size = 12; s.truncate_to = 22; }, 0x340003, 149,
         not_bmp + "[read,header,4]"},
        {"cut inside an information header", [](BmpRecipe& s) { s.truncate_to = 30; }, 0x340003,
         169, not_bmp + "[read,header,12]"},
    };
    for (const RefusedHeader& refused : cases) {
        SCOPED_TRACE(refused.what);
        BmpRecipe recipe = small_color_picture();
        refused.change(recipe);
        BmpInfo info;
        info.width = 99;
        EXPECT_EQ(read(recipe, &info), 1);
        EXPECT_EQ(file.error_code, refused.code);
        EXPECT_EQ(file.error_text, error_text(refused.code, refused.line, refused.text));
        EXPECT_EQ(info.width, 0) << "the out record is cleared on failure";
    }
}

TEST_F(ReadHeader, NothingOpenIsAPositioningFailure)
{
    BmpInfo info;
    EXPECT_EQ(file.read_header(&info), 1);
    EXPECT_EQ(file.error_text, error_text(0x340002, 82, "file access error.[seek]"));
}

}  // namespace
