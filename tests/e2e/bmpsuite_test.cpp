// The public BMP corpus, file by file, as a user would run it: the outcome,
// the message, the exit status, no file left after a refusal, and converted
// files that decode to exactly the BMP's colours, as a decoder other than
// the program's gives them.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "image/bitmap.h"
#include "tests/support/bmp_reference.h"
#include "tests/support/corpus_table.h"
#include "tests/support/gif_decode.h"
#include "tests/support/run_process.h"

namespace {

const char* message_text(int id)
{
    switch (id) {
    case 12: return "Info  :Success.\n";
    case 20: return "Error :Fail To Read BMP File(";
    case 22: return "Error :Fail To Allocate Memory(";
    case 26: return "Error :Can't Optimized Palette[More Than 257]\n";
    default: return "(unknown message)";
    }
}

uint32_t grey(uint32_t c)
{
    uint32_t l = luminance(c >> 16, (c >> 8) & 255, c & 255);
    return l << 16 | l << 8 | l;
}

// giflib's view of the GIF against the BMP's colours, through transform.
void expect_same_colors(const std::string& gif_path, const ReferenceBmp& bmp,
                        uint32_t (*transform)(uint32_t))
{
    DecodedGif gif = decode_gif_file(gif_path);
    ASSERT_TRUE(gif.ok) << gif.error;
    ASSERT_EQ(gif.width, bmp.width);
    ASSERT_EQ(gif.height, bmp.height);
    size_t wrong = 0;
    for (size_t i = 0; i < bmp.colors.size(); ++i) {
        size_t at = 3u * gif.pixels[i];
        ASSERT_LT(at + 2, gif.color_table.size());
        uint32_t got = static_cast<uint32_t>(gif.color_table[at]) << 16 |
                       static_cast<uint32_t>(gif.color_table[at + 1]) << 8 | gif.color_table[at + 2];
        if (got != transform(bmp.colors[i]) && wrong++ < 3) {
            ADD_FAILURE() << "pixel " << i << ": got " << std::hex << got << ", want "
                          << transform(bmp.colors[i]);
        }
    }
    EXPECT_EQ(wrong, 0u);
}

// ImageMagick's colours of the file at path, where it is installed (the
// tests' dependencies install it when run as root).
ReferenceBmp magick_colors(const std::string& path)
{
    ReferenceBmp bmp;
    const std::string convert = "/usr/bin/convert";
    if (!file_exists(convert)) {
        return bmp;
    }
    // It warns about a file that ends early but gives every pixel all the
    // same: its exit status is not looked at, the picture's size is.
    ProcessResult run = run_process(convert, {path, "-depth", "8", "ppm:-"});
    std::istringstream ppm(run.output);
    std::string magic;
    int max = 0;
    if (!(ppm >> magic >> bmp.width >> bmp.height >> max) || magic != "P6" ||
        max != 255) {
        return bmp;
    }
    const size_t start = static_cast<size_t>(ppm.tellg()) + 1;
    const size_t count = static_cast<size_t>(bmp.width) * static_cast<size_t>(bmp.height);
    if (run.output.size() != start + 3 * count) {
        return bmp;
    }
    for (size_t i = 0; i < count; ++i) {
        const auto byte = [&](size_t k) { return static_cast<uint32_t>(static_cast<uint8_t>(run.output[start + 3 * i + k])); };
        bmp.colors.push_back(byte(0) << 16 | byte(1) << 8 | byte(2));
    }
    bmp.ok = true;
    return bmp;
}

// The file's true colours, from where the table says they come.
ReferenceBmp reference_colors(const std::string& folder, const CorpusRow& row, const std::string& bytes)
{
    if (row.reference == "magick") {
        return magick_colors(folder + "/" + row.file);
    }
    return decode_reference_bmp(row.reference == "-" ? bytes : read_file(folder + "/" + row.reference));
}

TEST(BmpSuite, EveryFileHasItsExpectedOutcome)
{
    const std::string folder = BMPSUITE_DIR;
    if (!file_exists(folder + "/EXPECTED.tsv")) {
        GTEST_SKIP() << "no BMP corpus at " << folder;
    }
    std::vector<CorpusRow> rows = read_corpus_table(folder);
    ASSERT_EQ(rows.size(), 91u);
    int as_expected = 0;
    int unchecked = 0;  // colours only ImageMagick gives, where it is missing
    for (const CorpusRow& row : rows) {
        SCOPED_TRACE(row.file);
        TempDir dir;
        const std::string input = dir.file("in.bmp");
        const std::string bytes = read_file(folder + "/" + row.file);
        write_file(input, bytes);
        ProcessOptions options;
        options.working_dir = dir.path();
        ProcessResult run = run_vastrelmon({"in.bmp"}, options);
        const int failures_before = ::testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count();
        EXPECT_EQ(run.signal, 0);
        EXPECT_EQ(run.exit_status, row.converts ? 0 : 255) << run.output;
        std::string expected = message_text(row.message);
        if (row.code != "-") {
            expected += row.code + ")\n";
        }
        EXPECT_NE(run.output.find(expected), std::string::npos) << run.output;
        if (!row.converts) {
            EXPECT_FALSE(file_exists(dir.file("in.gif")));
        }
        if (row.converts || row.message == 26) {
            const ReferenceBmp bmp = reference_colors(folder, row, bytes);
            if (!bmp.ok && row.reference == "magick") {
                ++unchecked;
            } else if (row.converts) {
                ASSERT_TRUE(bmp.ok);
                expect_same_colors(dir.file("in.gif"), bmp, [](uint32_t c) { return c; });
            } else {
                // Too many colours for a palette of its own, but greyscale fits.
                ProcessResult grey_run = run_vastrelmon({"/emc", "in.bmp", "grey.gif"}, options);
                EXPECT_EQ(grey_run.exit_status, 0) << grey_run.output;
                ASSERT_TRUE(bmp.ok);
                expect_same_colors(dir.file("grey.gif"), bmp, grey);
            }
        }
        if (::testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count() ==
            failures_before) {
            ++as_expected;
        }
    }
    std::printf("%d of %zu corpus files as expected, %d without ImageMagick to check their colours\n",
                as_expected, rows.size(), unchecked);
}

}  // namespace
