// Run-length coded and 16- or 32-bit files against the same picture stored
// plainly: the same image in memory and the same GIF, byte for byte. And
// each way a run-length stream can be malformed or cut, by its code and
// line.
#include <string>
#include <vector>

#include "include/vastrelmon.h"
#include "tests/bmp/bmp_fixture.h"
#include "tests/support/bmp_reference.h"

namespace {

using bmp_writer::BmpRecipe;
using bmp_writer::RunLengthCoding;

std::string gif_of(const std::string& bmp)
{
    vastrelmon_options options;
    vastrelmon_options_init(&options);
    unsigned char* gif = nullptr;
    size_t size = 0;
    if (vastrelmon_convert(bmp.data(), bmp.size(), &options, &gif, &size, nullptr) != VASTRELMON_OK) {
        return "(refused)";
    }
    std::string bytes(reinterpret_cast<char*>(gif), size);
    vastrelmon_free(gif);
    return bytes;
}

// Indices with long runs, short runs, lone pixels and stretches of 0, the
// mix changing from row to row.
std::vector<uint32_t> mixed_indices(int width, int height, int bits)
{
    std::vector<uint32_t> indices;
    const uint32_t levels = 1u << bits;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int band = (x + 3 * y) / 7 % 4;
            uint32_t value = band == 0 ? 0 : band == 1 ? (y + 1) % levels : (x * 5 + y * 3) % levels;
            if (y % 5 == 3) {
                value = 0;  // a whole row of 0
            }
            indices.push_back(value);
        }
    }
    return indices;
}

// A 4-bit picture of 5 x 3.
BmpRecipe sweep_like_plain()
{
    BmpRecipe plain;
    plain.width = 5;
    plain.height = 3;
    plain.bit_count = 4;
    plain.palette = distinct_palette(16);
    plain.pixels = mixed_indices(5, 3, 4);
    return plain;
}

class CodedRows : public BmpTest {
protected:
    // The plain file's image and GIF must be those of coded.
    void expect_same_as(const BmpRecipe& plain, const BmpRecipe& coded)
    {
        clBitMap want, got;
        ASSERT_EQ(load(plain, &want), 0) << printed;
        ASSERT_EQ(load(coded, &got), 0) << printed;
        EXPECT_EQ(image_pixels(got), image_pixels(want));
        EXPECT_EQ(got.get_color_depth(), want.get_color_depth());
        const std::string plain_gif = gif_of(bmp_writer::build(plain));
        EXPECT_NE(plain_gif, "(refused)");
        EXPECT_TRUE(gif_of(bmp_writer::build(coded)) == plain_gif);
    }
};

TEST_F(CodedRows, RunLengthGivesThePlainFilesGif)
{
    std::vector<RunLengthCoding> codings(6);
    codings[1].absolute = false;
    codings[2].skip_zeros = true;
    codings[3].pad_last_run = true;
    codings[4].end_of_bitmap = false;
    codings[5].longest_run = 3;
    codings[5].skip_zeros = true;
    for (int bits : {4, 8}) {
        for (int width : {1, 2, 3, 7, 16, 33, 333}) {
            for (int height : {1, 4, 9}) {
                BmpRecipe plain;
                plain.width = width;
                plain.height = height;
                plain.bit_count = static_cast<uint16_t>(bits);
                plain.palette = distinct_palette(1 << bits);
                plain.pixels = mixed_indices(width, height, bits);
                for (size_t c = 0; c < codings.size(); ++c) {
                    SCOPED_TRACE(std::to_string(bits) + " bits, " + std::to_string(width) + " x " +
                                 std::to_string(height) + ", coding " + std::to_string(c));
                    BmpRecipe coded = plain;
                    coded.compression = bits == 8 ? 1 : 2;
                    coded.run_length = codings[c];
                    expect_same_as(plain, coded);
                }
            }
        }
    }
}

TEST_F(CodedRows, BitFieldsGiveTheGifOfTheirColours)
{
    struct Masks {
        int bits;
        std::vector<uint32_t> masks;  // none: the plain layout
        uint32_t compression;
    };
    // Every mask shape of the public corpus, and the plain layouts.
    const Masks shapes[] = {
        {16, {}, 0},
        {16, {0xF800, 0x07E0, 0x001F}, 3},
        {16, {0x7C00, 0x03E0, 0x001F}, 3},
        {16, {0xFF00, 0x00FF, 0}, 3},
        {16, {0x0030, 0x000E, 0x0001}, 3},
        {16, {0x0038, 0xFFC0, 0x0007}, 3},
        {16, {0x0800, 0x01FF, 0x0600}, 3},
        {16, {0x0F00, 0x00F0, 0x000F}, 3},
        {32, {}, 0},
        {32, {0xFF000000, 0x00000FF0, 0x00FF0000}, 3},
        {32, {0xFFE00000, 0x001FFC00, 0x000003FF}, 3},
        {32, {0xFE000000, 0x01FFFF80, 0x0000007F}, 3},
        {32, {0x3FF00000, 0x000FFC00, 0x000003FF, 0xC0000000}, 3},
        {32, {0x0FC00000, 0x003FFFE0, 0x0000001F, 0xF0000000}, 3},
        {32, {0x0000FF00, 0x0FFF0000, 0x000000FF, 0xF0000000}, 3},
        {32, {0xFF000000, 0x0000FF00, 0x000000FF, 0x00FF0000}, 6},
    };
    for (const Masks& shape : shapes) {
        for (uint32_t header : {40u, 52u, 56u, 108u, 124u}) {
            if ((shape.compression == 0 && header != 40) || (shape.masks.size() > 3 && header == 52)) {
                continue;
            }
            for (int width : {1, 3, 17}) {
                SCOPED_TRACE(std::to_string(shape.bits) + " bits, mask " +
                             (shape.masks.empty() ? std::string("plain") : std::to_string(shape.masks[0])) +
                             ", header " + std::to_string(header) + ", width " + std::to_string(width));
                BmpRecipe coded;
                coded.width = width;
                coded.height = -5;  // top-down as well as bottom-up below
                coded.bit_count = static_cast<uint16_t>(shape.bits);
                coded.compression = shape.compression;
                coded.header_size = header;
                coded.masks = shape.masks;
                // Few enough colours for a palette: 7 levels a channel bit.
                for (int i = 0; i < width * 5; ++i) {
                    coded.pixels.push_back(static_cast<uint32_t>(i * 0x9E3779B1u) >> (i % 7 * 4));
                }
                if (header == 40 && width == 17) {
                    coded.height = 5;
                }
                const ReferenceBmp colors = decode_reference_bmp(bmp_writer::build(coded));
                ASSERT_TRUE(colors.ok);
                BmpRecipe plain;
                plain.width = width;
                plain.height = coded.height;
                plain.pixels = colors.colors;
                clBitMap image;
                if (load(coded, &image) != 0 || image.get_color_depth() != 24) {
                    ADD_FAILURE() << printed;
                    continue;
                }
                expect_same_as(plain, coded);
            }
        }
    }
}

TEST_F(CodedRows, MalformedOrCutCodesAreRefused)
{
    struct Bad {
        const char* what;
        int bits;
        std::string codes;
        uint32_t code;
        int line;
        std::string text;
    };
    const std::string eol("\0\0", 2), eob("\0\1", 2);
    const std::string not_bmp = "this file is not BMP file.";
    // A 4 x 2 picture.
    const Bad cases[] = {
        {"a run after the last row's end of line", 8, "\4\1" + eol + "\4\1" + eol + "\1\1" + eob, 0x340004, 296,
         not_bmp + "[rle,row,2]"},
        {"an absolute run there", 8, "\4\1" + eol + "\4\1" + eol + std::string("\0\3\1\2\3\0", 6), 0x340004,
         296, not_bmp + "[rle,row,2]"},
        {"a delta up past the last row", 8, std::string("\2\1\0\2\0\2", 6), 0x340004, 296,
         not_bmp + "[rle,row,0]"},
        {"a delta right past the row's end", 4, std::string("\2\x11\0\2\3\0", 6), 0x340004, 299,
         not_bmp + "[rle,delta,0]"},
        {"a delta after a run past the row's end", 8, std::string("\6\1\0\2\1\0", 6) + eob, 0x340004, 299,
         not_bmp + "[rle,delta,0]"},
        {"codes that stop in the first row", 8, "\2\1", 0x340003, 292, "file access error.[read,rle,0]"},
        {"codes that stop after the first row", 8, "\4\1" + eol, 0x340003, 292, "file access error.[read,rle,1]"},
        {"an absolute run cut", 8, std::string("\0\4\1\2", 4), 0x340003, 292, "file access error.[read,rle,0]"},
        {"a delta cut", 4, std::string("\0\2\1", 3), 0x340003, 292, "file access error.[read,rle,0]"},
        {"an odd byte at the end", 8, "\4\1" + eol + "\3\1\4", 0x340003, 292, "file access error.[read,rle,1]"},
        {"no codes at all", 4, "", 0x340003, 292, "file access error.[read,rle,0]"},
    };
    for (const Bad& bad : cases) {
        SCOPED_TRACE(bad.what);
        BmpRecipe recipe;
        recipe.width = 4;
        recipe.height = 2;
        recipe.bit_count = static_cast<uint16_t>(bad.bits);
        recipe.compression = bad.bits == 8 ? 1 : 2;
        recipe.palette = distinct_palette(1 << bad.bits);
        recipe.raw_pixels = bad.codes;
        clBitMap image;
        verbose = true;
        EXPECT_EQ(load(recipe, &image), 1);
        char shown[16];
        std::snprintf(shown, sizeof shown, "%X", bad.code);
        EXPECT_EQ(printed, "Info  :BMP Width =4\nInfo  :BMP Height=2\nError :Fail To Read BMP File(" +
                               std::string(shown) + ")\n" + error_text(bad.code, bad.line, bad.text));
        EXPECT_EQ(gif_of(bmp_writer::build(recipe)), "(refused)");
    }
}

TEST_F(CodedRows, SkippedAndDroppedPixels)
{
    // 5 x 3, 8 bits: a delta, a run across the row's end, an early end of
    // line and an early end of bitmap; and codes that end where the picture
    // does, without an end of bitmap.
    BmpRecipe recipe;
    recipe.width = 5;
    recipe.height = 3;
    recipe.bit_count = 8;
    recipe.compression = 1;
    recipe.palette = distinct_palette(256);
    recipe.raw_pixels = std::string("\1\7" "\0\2\2\0" "\7\x09" "\0\0" "\2\5" "\0\1", 14);
    clBitMap image;
    ASSERT_EQ(load(recipe, &image), 0) << printed;
    // Stored rows bottom first: row 0 is 7, 0, 0, 9, 9 (two dropped); row 1
    // is 5, 5, 0, 0, 0; row 2 all 0.
    EXPECT_EQ(image_pixels(image), std::vector<uint8_t>({0, 0, 0, 0, 0, 5, 5, 0, 0, 0, 7, 0, 0, 9, 9}));
    recipe.raw_pixels = std::string("\5\1\0\0\5\2\0\0\5\3", 10);
    clBitMap whole, short_by_one;
    ASSERT_EQ(load(recipe, &whole), 0) << printed;
    recipe.raw_pixels = std::string("\5\1\0\0\5\2\0\0\4\3", 10);
    EXPECT_EQ(load(recipe, &short_by_one), 1);
}

}  // namespace

namespace {

TEST_F(CodedRows, HeaderTooShortForTheCompressionFieldIsUncompressed)
{
    // 18 bytes hold half of the compression field: the pixels are plain
    // rows, whatever that half says (the colour table is not read for it).
    BmpRecipe plain = sweep_like_plain();
    BmpRecipe cut = plain;
    cut.header_size = 18;
    cut.compression = 2;
    clBitMap want, got;
    ASSERT_EQ(load(plain, &want), 0) << printed;
    ASSERT_EQ(load(cut, &got), 0) << printed;
    EXPECT_EQ(image_pixels(got), image_pixels(want));
}

}  // namespace
