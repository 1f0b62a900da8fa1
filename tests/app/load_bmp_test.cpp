// What load_bmp prints and leaves behind: messages 9, 10, 13, 19, 20, 22
// and 23, the verbose error texts, and the option word.
#include <filesystem>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "app/convert_image.h"
#include "app/write_gif_file.h"
#include "tests/bmp/bmp_fixture.h"

namespace {

using bmp_writer::BmpRecipe;

BmpRecipe indexed_picture()
{
    BmpRecipe recipe;
    recipe.bit_count = 8;
    recipe.width = 3;
    recipe.height = 2;
    recipe.palette.assign(256, {0, 0, 0});
    recipe.palette[7] = {255, 0, 0};
    recipe.pixels = {7, 0, 0, 0, 0, 1};
    return recipe;
}

// Only where the input is mapped: elsewhere (Windows) it is read whole into
// memory first, and a file cut afterwards changes nothing.
#ifndef _WIN32
// A big 8-bit picture leaves its rows in the mapped file for the coder,
// which makes the GIF of the picture read into memory. Cut after the load,
// the file is the read failure of a file cut while its rows are read, and
// no GIF is left:
// cut where the coder's first row is (bottom-up, interlaced), within the
// rows it takes in order (top-down), and within the mapping's last page,
// whose bytes past the cut read as zeros.
TEST_F(BmpTest, RowsLeftInTheFileThatGoMissingAreTheReadFailure)
{
    struct Cut {
        int height;
        bool top_down;
        uint32_t flags;
        size_t quarters;  // of the file that stay
        size_t dropped;   // bytes then cut from the end
        // The rows start at byte 1078, 1024 bytes each: whole rows and the
        // bytes of the next that stay.
        const char* record;
    };
    const uint32_t in_order = kDefaultOptionFlags & ~FLAG_INTERLACE;
    const Cut cuts[] = {{1030, false, kDefaultOptionFlags, 2, 0, "file access error.[read,485,514]"},
                        {1030, true, in_order, 3, 0, "file access error.[read,242,772]"},
                        {600, false, kDefaultOptionFlags, 2, 0, "file access error.[read,485,299]"},
                        {600, true, in_order, 4, 100, "file access error.[read,924,599]"}};
    for (const Cut& cut : cuts) {
        SCOPED_TRACE(cut.record);
        BmpRecipe recipe;
        recipe.bit_count = 8;
        recipe.width = 1024;
        recipe.height = cut.top_down ? -cut.height : cut.height;
        recipe.palette = distinct_palette(256);
        for (int i = 0; i < 1024 * cut.height; ++i) {
            recipe.pixels.push_back(static_cast<uint32_t>(i % 1024 / 4 + i / 1024) % 256);
        }
        const std::string path = dir_.file("big.bmp");
        const std::string bytes = bmp_writer::build(recipe);
        write_file(path, bytes);
        uint32_t flags = cut.flags;
        auto load_rows_in_file = [&](clBitMap* image, BmpInput* input) {
            ASSERT_EQ(load_bmp(&flags, -1, MODE_NONE, path.c_str(), image, false, input), 0);
            ASSERT_TRUE(input->rows.left);
        };
        const std::string from_file = dir_.file("file.gif");
        const std::string from_memory = dir_.file("memory.gif");
        {
            clBitMap image;
            BmpInput input;
            load_rows_in_file(&image, &input);
            // The library's load reads every row into memory.
            clBitMap whole;
            conversion::Rows rows;
            conversion::Failure failure;
            ASSERT_EQ(conversion::load(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                                       conversion::Choices(), &whole, &rows, &failure),
                      VASTRELMON_OK);
            ASSERT_FALSE(rows.left);
            testing::internal::CaptureStdout();
            EXPECT_EQ(write_gif_file(flags, from_file.c_str(), &image, false, &input), 0);
            EXPECT_EQ(write_gif_file(flags, from_memory.c_str(), &whole, false), 0);
            testing::internal::GetCapturedStdout();
            EXPECT_TRUE(read_file(from_file) == read_file(from_memory));
            std::filesystem::remove(from_file);
            std::filesystem::remove(from_memory);
        }
        clBitMap image;
        BmpInput input;
        load_rows_in_file(&image, &input);
        write_file(path, bytes.substr(0, bytes.size() * cut.quarters / 4 - cut.dropped));

        const std::string output = dir_.file("big.gif");
        testing::internal::CaptureStdout();
        EXPECT_EQ(write_gif_file(flags, output.c_str(), &image, false, &input), kGifRowsMissing);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
        EXPECT_FALSE(file_exists(output));
        const std::string failure = "Error :Fail To Read BMP File(340003)\n";
        for (bool loud : {false, true}) {
            testing::internal::CaptureStdout();
            EXPECT_EQ(input.check_rows(loud), 1);
            EXPECT_EQ(testing::internal::GetCapturedStdout(),
                      loud ? failure + error_text(kBmpShortRead, 288, cut.record) : failure);
        }
    }
}

// A true-colour picture stays in its mapped file: its palette is built from
// the rows where they lie. A picture the coder codes on one thread gets its
// indices in the same pass; a bigger one's coder reads each row again as it
// comes to it. The GIF is the one of the picture read into memory; rows that
// go missing before the palette is built, or before the coder reads them,
// are the read failure of a file cut while its rows are read, also when only
// the last row is cut (the mapping's last page then reads as zeros past the
// cut).
TEST_F(BmpTest, TrueColourRowsLeftInTheFile)
{
    const std::string failure = "Error :Fail To Read BMP File(340003)\n";
    // 24 bits, each row with a byte of padding; below and above the size
    // from which the coder has a second thread.
    for (const int height : {600, 1800}) {
        SCOPED_TRACE(height);
        BmpRecipe recipe;
        recipe.width = 601;
        recipe.height = height;
        for (int i = 0; i < 601 * height; ++i) {
            recipe.pixels.push_back(static_cast<uint32_t>(i % 601 / 50 * 0x0A0B0C + i / 601 / 120 * 0x100000));
        }
        const std::string path = dir_.file("true.bmp");
        const std::string bytes = bmp_writer::build(recipe);
        // The stages as a run goes through them, the file cut to `kept` bytes
        // after the load (cut_at 0) or after the palette (1); what they
        // printed. in_memory: a colour mode to come has every row read.
        auto run = [&](bool in_memory, size_t kept, int cut_at, const std::string& output) {
            write_file(path, bytes);
            uint32_t flags = kDefaultOptionFlags;
            clBitMap image;
            BmpInput input;
            testing::internal::CaptureStdout();
            EXPECT_EQ(load_bmp(&flags, -1, in_memory ? MODE_GREY : MODE_NONE, path.c_str(), &image, false, &input), 0);
            EXPECT_EQ(input.rows.left, !in_memory);
            if (cut_at == 0) {
                write_file(path, bytes.substr(0, kept));
            }
            if (convert_image(flags, MODE_NONE, &image, false, &input) == 0) {
                if (cut_at == 1) {
                    write_file(path, bytes.substr(0, kept));
                }
                if (write_gif_file(flags, output.c_str(), &image, false, input.rows.left ? &input : nullptr) ==
                    kGifRowsMissing) {
                    EXPECT_EQ(input.check_rows(false), 1);
                }
            }
            return testing::internal::GetCapturedStdout();
        };
        const std::string memory = dir_.file("memory.gif");
        EXPECT_EQ(run(true, bytes.size(), 2, memory), "");
        EXPECT_EQ(run(false, bytes.size(), 2, dir_.file("file.gif")), "");
        EXPECT_TRUE(read_file(dir_.file("file.gif")) == read_file(memory));
        for (const size_t dropped : {bytes.size() / 2, size_t{100}}) {
            for (int cut_at : {0, 1}) {
                SCOPED_TRACE(cut_at);
                SCOPED_TRACE(dropped);
                const std::string output = dir_.file("cut" + std::to_string(cut_at) + ".gif");
                // Indices taken with the palette need no row read again.
                const bool whole_after_palette = cut_at == 1 && height == 600;
                EXPECT_EQ(run(false, bytes.size() - dropped, cut_at, output), whole_after_palette ? "" : failure);
                EXPECT_EQ(file_exists(output), whole_after_palette);
                if (whole_after_palette) {
                    EXPECT_TRUE(read_file(output) == read_file(memory));
                }
                std::filesystem::remove(output);
            }
        }
        std::filesystem::remove(memory);
        std::filesystem::remove(dir_.file("file.gif"));
    }
}


#endif
TEST_F(BmpTest, VerboseLoadShowsTheSize)
{
    clBitMap image;
    ASSERT_EQ(load(indexed_picture(), &image), 0);
    EXPECT_EQ(printed, "");
    verbose = true;
    clBitMap again;
    ASSERT_EQ(load(indexed_picture(), &again), 0);
    EXPECT_EQ(printed, "Info  :BMP Width =3\nInfo  :BMP Height=2\n");
}

TEST_F(BmpTest, FilesThatCannotBeOpened)
{
    verbose = true;
    // A '%' in the name shows that the detail is printed, not formatted.
    const std::string missing = dir_.file("no%sfile.bmp");
    const std::string folder = dir_.file("folder.bmp");
    ASSERT_TRUE(std::filesystem::create_directory(folder));
    std::vector<std::string> paths = {missing, folder};
#ifndef _WIN32
    // A FIFO with no writer would hang a plain open.
    const std::string fifo = dir_.file("fifo.bmp");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    paths.push_back(fifo);
#endif
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        clBitMap image;
        EXPECT_EQ(load_path(path, &image), 1);
        EXPECT_EQ(printed, "Error :\"" + path + "\" Can't Open\n" +
                               error_text(0x340002, 44, "file don't open.[" + path + "]"));
        EXPECT_EQ(image.pixels(), nullptr);
    }
}

TEST_F(BmpTest, RefusedHeaderIsMessage20AndNothingIsCreated)
{
    BmpRecipe recipe = indexed_picture();
    recipe.compression = 4;  // an embedded JPEG
    clBitMap image;
    EXPECT_EQ(load(recipe, &image), 1);
    EXPECT_EQ(printed, "Error :Fail To Read BMP File(340004)\n");
    EXPECT_EQ(image.get_color_depth(), -1);

    verbose = true;
    set_console_language(ConsoleLanguage::kJapanese);
    EXPECT_EQ(load(recipe, &image), 1);
    // "エラー:BMPの読み込みに失敗しました(340004)\n" in code page 932, then the detail.
    EXPECT_EQ(printed,
              "\x83\x47\x83\x89\x81\x5b:BMP\x82\xcc\x93\xc7\x82\xdd\x8d\x9e\x82\xdd\x82\xc9"
              "\x8e\xb8\x94\x73\x82\xb5\x82\xdc\x82\xb5\x82\xbd(340004)\n" +
                  error_text(0x340004, 188, "this file is not BMP file.[read,header,compress]"));
}

TEST_F(BmpTest, SizeBeyondTheImageLimitsIsMessage22)
{
    verbose = true;
    BmpRecipe recipe;
    recipe.width = 7000;
    recipe.height = 10;
    clBitMap image;
    EXPECT_EQ(load(recipe, &image), 1);
    EXPECT_EQ(printed, "Info  :BMP Width =7000\nInfo  :BMP Height=10\n"
                       "Error :Fail To Allocate Memory(3A0006)\n" +
                           error_text(0x3A0006, 59, "argument is out of range.[W:7000,H:10]"));

    // The largest height a file can claim never reaches a row read.
    BmpRecipe tall;
    tall.height = -INT32_MAX;
    tall.raw_pixels = "";
    verbose = false;
    clBitMap other;
    EXPECT_EQ(load(tall, &other), 1);
    EXPECT_EQ(printed, "Error :Fail To Allocate Memory(3A0006)\n");
}

TEST_F(BmpTest, TrueColourDropsTransparency)
{
    BmpRecipe recipe;
    recipe.width = 2;
    recipe.pixels = {0xFF0000, 0x0000FF};
    uint32_t flags = kDefaultOptionFlags | FLAG_TRANSPARENCY | FLAG_NO_LZW;
    clBitMap image;
    ASSERT_EQ(load(recipe, &image, &flags, 3), 0);
    EXPECT_EQ(printed, "Info  :Transparency mode disable because color depth exceeds 8 bits.\n");
    EXPECT_EQ(flags, kDefaultOptionFlags | FLAG_NO_LZW);
    EXPECT_EQ(image.get_transparent_index(), -1);
}

TEST_F(BmpTest, IndexedPictureTakesTheTransparentIndex)
{
    uint32_t flags = kDefaultOptionFlags | FLAG_TRANSPARENCY;
    clBitMap image;
    ASSERT_EQ(load(indexed_picture(), &image, &flags, 7), 0);
    EXPECT_EQ(printed, "");
    EXPECT_EQ(flags, kDefaultOptionFlags | FLAG_TRANSPARENCY);
    EXPECT_EQ(image.get_transparent_index(), 7);
    EXPECT_EQ(image.palette()[3 * 7], 255);

    // Without the flag the index is not looked at.
    clBitMap plain;
    ASSERT_EQ(load(indexed_picture(), &plain, nullptr, 7), 0);
    EXPECT_EQ(plain.get_transparent_index(), -1);

    // The image refuses an index beyond 255: message 23, then its own text.
    verbose = true;
    clBitMap refused;
    EXPECT_EQ(load(indexed_picture(), &refused, &flags, 256), 1);
    EXPECT_EQ(printed, "Info  :BMP Width =3\nInfo  :BMP Height=2\n"
                       "Error :Out Of Range[Transparency Color]\n" +
                           error_text(0x3A0006, 161, "argument is out of range.[TC:256]"));
}

}  // namespace
