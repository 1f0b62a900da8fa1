// The file operations whose behaviour the C runtimes do not agree on. These
// run on every platform the program is built for (Windows under Wine too).
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/files.h"

namespace {

TEST(Platform, ReadingRefusesWhatIsNotARegularFile)
{
    EXPECT_EQ(open_regular_for_reading("platform_test_missing.bmp"), nullptr);
    EXPECT_EQ(open_regular_for_reading("."), nullptr);  // a folder
    const char* path = "platform_test_input.bmp";
    std::FILE* file = std::fopen(path, "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("BM", file);
    std::fclose(file);
    std::FILE* input = open_regular_for_reading(path);
    ASSERT_NE(input, nullptr);
    EXPECT_EQ(std::fgetc(input), 'B');
    std::fclose(input);
    std::remove(path);
}

}  // namespace
