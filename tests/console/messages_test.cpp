#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "console/messages.h"
#include "console/path_display.h"
#include "platform/code_page.h"

namespace {

std::string captured(void (*print)())
{
    testing::internal::CaptureStdout();
    print();
    return testing::internal::GetCapturedStdout();
}

class Messages : public testing::Test {
protected:
    void TearDown() override { use_english = true; }
};

TEST_F(Messages, IntegerAndHexArguments)
{
    use_english = true;
    int32_t width = 640;
    int32_t code = 0x340004;
    testing::internal::CaptureStdout();
    print_message(MSG_BMP_WIDTH, &width);
    print_message(MSG_BMP_READ_FAILED, &code);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Info  :BMP Width =640\nError :Fail To Read BMP File(340004)\n");
}

TEST_F(Messages, StringArgumentIsCutAt127Bytes)
{
    use_english = true;
    std::string path(200, 'p');
    testing::internal::CaptureStdout();
    print_message(MSG_ALREADY_EXISTS, path.c_str());
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Error :\"" + std::string(127, 'p') + "\" Already Exists\n");
}

TEST_F(Messages, IdsOutsideTheCataloguePrintNothing)
{
    EXPECT_EQ(captured([] {
                  print_message(-1, nullptr);
                  print_message(40, nullptr);
                  print_message(127, nullptr);
              }),
              "");
}

TEST_F(Messages, JapaneseTextsAreCodePage932Bytes)
{
    use_english = false;
    // "エラー:コマンドの書式が正しくありません\n"
    EXPECT_EQ(captured([] { print_message(MSG_INVALID_COMMAND, nullptr); }),
              "\x83\x47\x83\x89\x81\x5b:\x83\x52\x83\x7d\x83\x93\x83\x68\x82\xcc\x8f\x91\x8e\xae"
              "\x82\xaa\x90\xb3\x82\xb5\x82\xad\x82\xa0\x82\xe8\x82\xdc\x82\xb9\x82\xf1\n");
    // The full-width tilde of "0～255" is 81 60.
    std::string usage = captured([] { print_message(MSG_FULL_USAGE, nullptr); });
    EXPECT_NE(usage.find("<num:0\x81\x60" "255>"), std::string::npos);
    int32_t percent = 42;
    testing::internal::CaptureStdout();
    print_message(MSG_PROGRESS, &percent);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "\r\x8f\xee\x95\xf1  :\x89\xe6\x91\x9c\x95\xcf\x8a\xb7\x8f\x88\x97\x9d  42%\x8a\xae"
              "\x97\xb9");
}

TEST_F(Messages, EnglishProgressKeepsOneLine)
{
    use_english = true;
    int32_t percent = 100;
    testing::internal::CaptureStdout();
    print_message(MSG_PROGRESS, &percent);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "\rInfo  :Process 100%/100%");
}

TEST_F(Messages, EveryRowHasBothTextsAndAKnownKind)
{
    for (int id = 0; id < kMessageCount; ++id) {
        const MessageRow& row = MessageCatalogue[id];
        ASSERT_NE(row.english_text, nullptr);
        ASSERT_NE(row.japanese_text, nullptr);
        EXPECT_GE(row.argument_kind, ARG_NONE);
        EXPECT_LE(row.argument_kind, ARG_INTEGER);
    }
    EXPECT_STREQ(MessageCatalogue[19].english_text, MessageCatalogue[33].english_text);
    EXPECT_STREQ(MessageCatalogue[38].japanese_text, MessageCatalogue[39].japanese_text);
    const char* credit = MessageCatalogue[MSG_CREDIT].english_text;
    EXPECT_EQ(std::strncmp(credit, "\t\t\t\t", 4), 0);
    EXPECT_NE(credit[4], '\t');
    EXPECT_EQ(credit[std::strlen(credit) - 1], '\n');
}

TEST_F(Messages, SeparatorWidthIsClampedAndFillFollowsLanguage)
{
    use_english = true;
    std::string four = std::string(4, ' ') + std::string(71, '\xcd') + "\n";
    EXPECT_EQ(captured([] { print_separator(4); }), four);
    EXPECT_EQ(captured([] { print_separator(0); }), four);
    EXPECT_EQ(captured([] { print_separator(-5); }), four);
    EXPECT_EQ(captured([] { print_separator(100); }), std::string(39, ' ') + "\xcd\n");
    use_english = false;
    EXPECT_EQ(captured([] { print_separator(4); }),
              std::string(4, ' ') + std::string(71, '\x06') + "\n");
}

TEST(CodePage, ShiftJisSpellingsSelect932)
{
    for (const char* locale : {"ja_JP.SJIS", "ja_JP.sjis", "ja_JP.Shift_JIS", "ja_JP.shift-jis",
                               "ja_JP.CP932", "ja_JP.MS932", "ja_JP.Windows-31J",
                               "ja_JP.SJIS@euro"}) {
        EXPECT_EQ(code_page_from_locale(locale), 932) << locale;
    }
    for (const char* locale : {"ja_JP.UTF-8", "C", "POSIX", "en_US.ISO-8859-1", "ja_JP",
                               "ja_JP.eucJP", "", "SJIS"}) {
        EXPECT_NE(code_page_from_locale(locale), 932) << locale;
    }
}

std::string shown(const char* path, bool double_byte = false)
{
    char out[262];
    display_name(path, double_byte, out, sizeof out);
    return out;
}

TEST(PathDisplay, OnlyTheFinalComponentIsShown)
{
    EXPECT_EQ(shown("C:\\pics\\photo.BMP"), "photo.BMP");
    EXPECT_EQ(shown("C:photo.bmp"), "photo.bmp");
    EXPECT_EQ(shown("dir/sub\\a.gif"), "a.gif");
    EXPECT_EQ(shown("a.bmp"), "a.bmp");
    EXPECT_EQ(shown("old.pics\\a.gif"), "a.gif");
    EXPECT_EQ(shown("/abs/.bmp"), ".bmp");
    EXPECT_EQ(shown("dir/"), "");
}

TEST(PathDisplay, DoubleByteTrailIsNotASeparator)
{
    // "表" is 95 5C in code page 932: its second byte is a backslash.
    EXPECT_EQ(shown("C:\\\x95\\.bmp", true), "\x95\\.bmp");
    EXPECT_EQ(shown("\x95\\dir\\\x95\\x.bmp", true), "\x95\\x.bmp");
    // Without double-byte names the same byte is a separator.
    EXPECT_EQ(shown("C:\\\x95\\.bmp", false), ".bmp");
}

}  // namespace
