// The file operations that keep the never-overwrite promise. These run on
// every platform the program is built for (Windows under Wine too), since
// the C runtimes differ exactly here.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/files.h"

namespace {

std::string read_all(const char* path)
{
    std::string content;
    std::FILE* file = std::fopen(path, "rb");
    if (file != nullptr) {
        int c;
        while ((c = std::fgetc(file)) != EOF) {
            content.push_back(static_cast<char>(c));
        }
        std::fclose(file);
    }
    return content;
}

TEST(Platform, ExclusiveCreateNeverTruncatesAnExistingFile)
{
    const char* path = "platform_test_existing.gif";
    std::FILE* first = std::fopen(path, "wb");
    ASSERT_NE(first, nullptr);
    std::fputs("precious", first);
    std::fclose(first);

    EXPECT_TRUE(output_name_exists(path));
    std::FILE* second = create_exclusive(path);
    EXPECT_EQ(second, nullptr);
    if (second != nullptr) {
        std::fclose(second);
    }
    EXPECT_EQ(read_all(path), "precious");
    remove_file(path);
    EXPECT_FALSE(output_name_exists(path));
}

TEST(Platform, ExclusiveCreateWritesBinaryBytes)
{
    const char* path = "platform_test_new.gif";
    remove_file(path);
    std::FILE* file = create_exclusive(path);
    ASSERT_NE(file, nullptr);
    // Line feeds and carriage returns must arrive unchanged (no text mode).
    const char bytes[] = "\n\r\n\x1a\x00z";
    EXPECT_EQ(std::fwrite(bytes, 1, sizeof bytes - 1, file), sizeof bytes - 1);
    EXPECT_EQ(std::fclose(file), 0);
    EXPECT_EQ(read_all(path), std::string(bytes, sizeof bytes - 1));
    remove_file(path);
}

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
    remove_file(path);
}

}  // namespace
