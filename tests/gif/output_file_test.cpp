// The encoder's file gets its name in close_file; a name that someone else
// takes meanwhile is theirs, and the encoder says so in its own terms.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gif/gif_file.h"
#include "tests/gif/gif_test_util.h"
#include "tests/support/temp_dir.h"

namespace {

TEST(OutputFile, NameTakenWhileWritingIsReportedAndKept)
{
    TempDir dir;
    const std::string path = dir.file("a.gif");
    clGIFFile gif;
    ASSERT_EQ(code_picture(&gif, 4, 4, 2, noise(16, 2, 1), LZW), 0);
    ASSERT_EQ(gif.open_file(path.c_str()), 0);
    ASSERT_EQ(gif.write_gif(), 0);
    EXPECT_FALSE(file_exists(path)) << "named before close_file";
    write_file(path, "theirs");
    EXPECT_EQ(gif.close_file(), 1);
    EXPECT_TRUE(gif.output_name_taken());
    EXPECT_EQ(gif.error_code, kGifAlreadyCreated);
    EXPECT_EQ(std::string(gif.error_text), ":3F0001:00176:file already exists.");
    EXPECT_EQ(gif.close_file(), 0) << "the file stays closed";
    EXPECT_EQ(read_file(path), "theirs");
    EXPECT_EQ(folder_entries(dir.path()), std::vector<std::string>{"a.gif"});
}

TEST(OutputFile, DestroyedWithoutCloseLeavesNothing)
{
    TempDir dir;
    {
        clGIFFile gif;
        ASSERT_EQ(code_picture(&gif, 4, 4, 2, noise(16, 2, 1), LZW), 0);
        ASSERT_EQ(gif.open_file(dir.file("a.gif").c_str()), 0);
        ASSERT_EQ(gif.write_gif(), 0);
    }
    EXPECT_EQ(folder_entries(dir.path()), std::vector<std::string>{});
}

}  // namespace
