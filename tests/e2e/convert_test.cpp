// Whole runs of the program on generated BMP files: every depth, every
// option, checked through giflib against the colours the BMP holds.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "image/bitmap.h"
#include "tools/bmp_writer.h"
#include "tests/support/gif_decode.h"
#include "tests/support/run_process.h"

namespace {

using bmp_writer::BmpRecipe;
using bmp_writer::Rgb;

struct Picture {
    std::string name;
    BmpRecipe recipe;
    // The colour of every pixel, top row first, as 0xRRGGBB.
    std::vector<uint32_t> colors;
};

uint32_t rgb(const Rgb& c)
{
    return static_cast<uint32_t>(c.red) << 16 | static_cast<uint32_t>(c.green) << 8 | c.blue;
}

// An asymmetric picture: a diagonal bar and a corner block on a background,
// so a flipped, mirrored or channel-swapped result cannot pass.
std::vector<uint32_t> shape_indices(int width, int height, int colors)
{
    std::vector<uint32_t> indices(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint32_t v = static_cast<uint32_t>((x * 3 + y * 5) / 4) % colors;
            if (x < width / 3 && y < height / 4) {
                v = 1 % colors;
            }
            indices[static_cast<size_t>(y) * width + x] = v;
        }
    }
    return indices;
}

Picture indexed_picture(int bits, int width, int height, int used)
{
    Picture p;
    p.name = std::to_string(bits) + "-bit";
    p.recipe.bit_count = static_cast<uint16_t>(bits);
    p.recipe.width = width;
    p.recipe.height = height;
    for (int i = 0; i < (1 << bits); ++i) {
        p.recipe.palette.push_back(Rgb{static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 7),
                                     static_cast<uint8_t>(i * 13 + 1)});
    }
    // Use `used` entries spread over the table, not the first ones, so the
    // palette must shrink and renumber.
    std::vector<uint32_t> shape = shape_indices(width, height, used);
    for (uint32_t& v : shape) {
        v = (v * ((1u << bits) / used + (bits == 1 ? 0 : 1))) % (1u << bits);
    }
    p.recipe.pixels = shape;
    for (uint32_t v : shape) {
        p.colors.push_back(rgb(p.recipe.palette[v]));
    }
    return p;
}

Picture true_color_picture(int width, int height, int used)
{
    Picture p;
    p.name = "24-bit";
    p.recipe.bit_count = 24;
    p.recipe.width = width;
    p.recipe.height = -height;  // top-down, for variety
    std::vector<uint32_t> shape = shape_indices(width, height, used);
    for (uint32_t v : shape) {
        uint32_t color = (v * 0x3B1D07u + 0x200000u) & 0xFFFFFF;
        p.recipe.pixels.push_back(color);
        p.colors.push_back(color);
    }
    return p;
}

// What each colour mode makes of a colour: the luminance is the image's
// own (its weights are checked on their own), the rest from first principles.
uint32_t luminance(uint32_t c)
{
    return ::luminance(c >> 16, (c >> 8) & 255, c & 255);
}

uint32_t curve(uint32_t level, double gamma)
{
    return static_cast<uint32_t>(255.0 * std::pow(level * (1.0 / 255.0), gamma));
}

uint32_t pack(uint32_t r, uint32_t g, uint32_t b)
{
    return r << 16 | g << 8 | b;
}

uint32_t widen3(uint32_t v)
{
    return v * 32 + v * 4 + v / 2;
}

const std::map<std::string, std::function<uint32_t(uint32_t)>>& modes()
{
    static const std::map<std::string, std::function<uint32_t(uint32_t)>> table = {
        {"", [](uint32_t c) { return c; }},
        {"/emc", [](uint32_t c) { uint32_t l = luminance(c); return pack(l, l, l); }},
        {"/esr", [](uint32_t c) { uint32_t l = luminance(c); return pack(curve(l, 0.5), l, l); }},
        {"/esb",
         [](uint32_t c) {
             uint32_t l = luminance(c);
             return pack(curve(l, 1.5), curve(l, 1.5), curve(l, 0.5));
         }},
        {"/esw",
         [](uint32_t c) {
             uint32_t l = luminance(c);
             return pack(curve(l, 0.35), curve(l, 1.5), curve(l, 0.85));
         }},
        {"/es8",
         [](uint32_t c) {
             return pack(widen3((c >> 16) / 32), widen3(((c >> 8) & 255) / 32), (c & 255) / 64 * 85);
         }},
        {"/ec1", [](uint32_t c) { return c & 0xFF0000; }},
        {"/ec2", [](uint32_t c) { return c & 0x00FF00; }},
        {"/ec4", [](uint32_t c) { return c & 0x0000FF; }},
    };
    return table;
}

std::vector<std::string> split(const std::string& options)
{
    std::istringstream in(options);
    std::vector<std::string> words;
    std::string word;
    while (in >> word) {
        words.push_back(word);
    }
    return words;
}

// Writes the picture as in.bmp in dir and runs the program there.
ProcessResult run_on(const TempDir& dir, const Picture& picture, std::vector<std::string> args)
{
    EXPECT_TRUE(bmp_writer::write(dir.file("in.bmp"), picture.recipe));
    ProcessOptions in_dir;
    in_dir.working_dir = dir.path();
    return run_vastrelmon(args, in_dir);
}

int table_entries_for(size_t colors)
{
    int depth = 1;
    while ((1u << depth) < colors) {
        ++depth;
    }
    return depth == 1 ? 4 : 1 << depth;
}

// Runs the program on the picture with the options and checks the GIF.
void convert_and_check(const Picture& picture, const std::string& options, const std::string& mode,
                       bool smallest_table = true)
{
    SCOPED_TRACE(picture.name + " with options \"" + options + "\"");
    TempDir dir;
    std::vector<std::string> args = split(options);
    args.push_back("in.bmp");
    ProcessResult run = run_on(dir, picture, args);
    ASSERT_EQ(run.exit_status, 0) << run.output;
    ASSERT_NE(run.output.find("Info  :Success.\n"), std::string::npos) << run.output;

    DecodedGif gif = decode_gif_file(dir.file("in.gif"));
    ASSERT_TRUE(gif.ok) << gif.error;
    const int width = picture.recipe.width;
    const int height = std::abs(picture.recipe.height);
    ASSERT_EQ(gif.width, width);
    ASSERT_EQ(gif.height, height);
    EXPECT_EQ(gif.interlaced, options.find("/i") == std::string::npos);
    EXPECT_EQ(gif.comment, "Conv. by Vastrelmon(Prj.Quorvel)@Dremmick");
    EXPECT_TRUE(gif.has_graphic_control);

    const auto& transform = modes().at(mode);
    std::set<uint32_t> used_indices;
    size_t wrong = 0;
    for (size_t i = 0; i < gif.pixels.size(); ++i) {
        uint32_t index = gif.pixels[i];
        used_indices.insert(index);
        ASSERT_LT(3 * index + 2, gif.color_table.size());
        uint32_t got = pack(gif.color_table[3 * index], gif.color_table[3 * index + 1],
                            gif.color_table[3 * index + 2]);
        uint32_t want = transform(picture.colors[i]);
        if (got != want && wrong++ < 3) {
            ADD_FAILURE() << "pixel " << i % width << "," << i / width << ": got " << std::hex
                          << got << ", want " << want;
        }
    }
    EXPECT_EQ(wrong, 0u);
    if (mode.empty() && smallest_table) {
        // The smallest table that holds the colours.
        std::set<uint32_t> colors(picture.colors.begin(), picture.colors.end());
        EXPECT_EQ(gif.color_table.size(), 3u * table_entries_for(colors.size()));
        EXPECT_EQ(used_indices.size(), colors.size());
    }
}

std::vector<Picture> pictures()
{
    return {indexed_picture(1, 37, 23, 2), indexed_picture(4, 9, 31, 5),
            indexed_picture(8, 61, 17, 40), true_color_picture(45, 29, 37)};
}

TEST(Convert, EveryDepthWithEachOption)
{
    for (const Picture& picture : pictures()) {
        for (const char* options : {"", "/i", "/u", "/u /b", "/b", "/v", "/o", "/i /u /b /v"}) {
            convert_and_check(picture, options, "");
        }
    }
}

TEST(Convert, EveryDepthWithEachColourMode)
{
    for (const Picture& picture : pictures()) {
        for (const auto& mode : modes()) {
            if (!mode.first.empty()) {
                convert_and_check(picture, mode.first, mode.first);
                convert_and_check(picture, mode.first + " /u /i", mode.first);
            }
        }
    }
}

TEST(Convert, TransparentIndexIsRenumberedWithThePalette)
{
    Picture picture = indexed_picture(8, 20, 10, 3);  // uses indices 0, 86, 172
    TempDir dir;
    ASSERT_TRUE(bmp_writer::write(dir.file("in.bmp"), picture.recipe));
    ProcessOptions in_dir;
    in_dir.working_dir = dir.path();
    ASSERT_EQ(run_vastrelmon({"/t86", "in.bmp", "used.gif"}, in_dir).exit_status, 0);
    DecodedGif used = decode_gif_file(dir.file("used.gif"));
    ASSERT_TRUE(used.ok) << used.error;
    EXPECT_EQ(used.transparent_index, 1);
    // An index no pixel uses: the file is written without a transparent colour.
    ProcessResult unused = run_vastrelmon({"/t5", "in.bmp", "unused.gif"}, in_dir);
    EXPECT_EQ(unused.exit_status, 0) << unused.output;
    DecodedGif none = decode_gif_file(dir.file("unused.gif"));
    ASSERT_TRUE(none.ok) << none.error;
    EXPECT_EQ(none.transparent_index, -1);
}

TEST(Convert, TransparencyIsDroppedForTrueColour)
{
    Picture picture = true_color_picture(8, 8, 3);
    TempDir dir;
    ProcessResult run = run_on(dir, picture, {"/t1", "in.bmp"});
    EXPECT_EQ(run.exit_status, 0);
    EXPECT_NE(run.output.find("Info  :Transparency mode disable because color depth exceeds 8 bits.\n"),
              std::string::npos);
    EXPECT_EQ(decode_gif_file(dir.file("in.gif")).transparent_index, -1);
}

TEST(Convert, VerboseRunShowsSizeDepthsAndProgress)
{
    Picture picture = true_color_picture(30, 20, 5);
    TempDir dir;
    ProcessResult run = run_on(dir, picture, {"/v", "in.bmp"});
    EXPECT_EQ(run.exit_status, 0);
    EXPECT_NE(run.output.find("Info  :Input Filename:in.bmp\nInfo  :Output Filename:in.gif\n"
                              "Info  :BMP Width =30\nInfo  :BMP Height=20\n"
                              "Info  :[Before]Color Depth=24\nInfo  :[After] Color Depth=3\n"),
              std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("\rInfo  :Process 100%/100%\nInfo  :Success.\n"), std::string::npos)
        << run.output;
}

TEST(Convert, MoreThan256ColoursNeedAColourMode)
{
    Picture picture;
    picture.recipe.bit_count = 24;
    picture.recipe.width = 300;
    picture.recipe.height = 2;
    for (uint32_t i = 0; i < 600; ++i) {
        picture.recipe.pixels.push_back(i * 0x010203u);
        picture.colors.push_back((i * 0x010203u) & 0xFFFFFF);
    }
    TempDir dir;
    ProcessResult refused = run_on(dir, picture, {"in.bmp"});
    EXPECT_EQ(refused.exit_status, 255);
    EXPECT_NE(refused.output.find("Error :Can't Optimized Palette[More Than 257]\n"),
              std::string::npos);
    EXPECT_FALSE(file_exists(dir.file("in.gif")));
    convert_and_check(picture, "/emc", "/emc");
}

TEST(Convert, TinyPicturesAtEveryDepth)
{
    const uint32_t far_indices[] = {200, 3, 77};
    for (int pixels = 1; pixels <= 3; ++pixels) {
        Picture p8 = indexed_picture(8, pixels, 1, 2);
        p8.recipe.pixels.assign(far_indices, far_indices + pixels);
        p8.colors.clear();
        for (uint32_t v : p8.recipe.pixels) {
            p8.colors.push_back(rgb(p8.recipe.palette[v]));
        }
        // A lone index keeps the table it came with: there is nothing to
        // shrink it to.
        convert_and_check(p8, "", "", pixels > 1);
        convert_and_check(p8, "/u", "", pixels > 1);
        Picture p24 = true_color_picture(pixels, 1, pixels);
        convert_and_check(p24, "/u /b", "");
    }
}

// Big indexed pictures are coded from rows read out of the file one at a
// time, read ahead where a row is more than a copy: a full table in both
// row orders, a table the picture uses a part of, and run-length coded rows
// of 8 and 4 bits with skipped pixels; padded rows, every coder and a
// colour mode.
TEST(Convert, BigIndexedPicturesFromRowsInTheFile)
{
    const int width = 1203;  // a byte of padding per 8-bit row; about a megabyte in all
    const int height = 900;
    std::vector<Picture> big;
    for (bool top_down : {false, true}) {
        Picture picture = indexed_picture(8, width, height, 256);
        picture.name = top_down ? "top-down 8-bit" : "8-bit";
        picture.recipe.height = top_down ? -height : height;
        picture.colors.clear();
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                // Every index in every row, and a slope that tells the rows apart.
                const uint32_t v = static_cast<uint32_t>(x * 7 + y * 13 + y / 5) % 256;
                picture.recipe.pixels[static_cast<size_t>(y) * width + x] = v;
                picture.colors.push_back(rgb(picture.recipe.palette[v]));
            }
        }
        big.push_back(picture);
    }
    big.push_back(indexed_picture(8, width, height, 40));
    big.back().name = "8-bit, 40 entries used";
    for (int bits : {8, 4}) {
        big.push_back(indexed_picture(bits, width, height, bits == 8 ? 40 : 5));
        big.back().name = std::to_string(bits) + "-bit run-length";
        bmp_writer::RunLengthCoding coding;
        coding.skip_zeros = true;
        big.back().recipe.compression = bits == 8 ? 1 : 2;
        big.back().recipe.run_length = coding;
    }
    for (const Picture& picture : big) {
        for (const char* options : {"", "/i", "/u", "/v"}) {
            convert_and_check(picture, options, "");
        }
        convert_and_check(picture, "/esr", "/esr");
    }
}

}  // namespace
