#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "console/cp932.h"
#include "console/messages.h"
#include "console/path_display.h"

namespace {

template <typename Print>
std::string captured(Print print)
{
    testing::internal::CaptureStdout();
    print();
    return testing::internal::GetCapturedStdout();
}

class Messages : public testing::Test {
protected:
    void TearDown() override { set_console_language(ConsoleLanguage::kEnglish); }
};

TEST_F(Messages, IntegerAndHexArguments)
{
    EXPECT_EQ(captured([] {
                  print_message(MSG_BMP_WIDTH, 640);
                  print_message(MSG_BMP_READ_FAILED, 0x340004);
              }),
              "Info  :BMP Width =640\nError :Fail To Read BMP File(340004)\n");
}

TEST_F(Messages, StringArgumentIsCutAt127BytesAndNeverConverted)
{
    std::string path(200, 'p');
    EXPECT_EQ(captured([&] { print_message(MSG_ALREADY_EXISTS, path.c_str()); }),
              "Error :\"" + std::string(127, 'p') + "\" Already Exists\n");
    // A name goes out as the user gave it, also on a code page 932 console.
    set_console_language(ConsoleLanguage::kJapanese);
    EXPECT_EQ(captured([] { print_message(MSG_INPUT_NAME, "\xE8\xA1\xA8.bmp"); }),
              "\x8f\xee\x95\xf1  :\x93\xfc\x97\xcd\x83\x74\x83\x40\x83\x43\x83\x8b\x96\xbc:"
              "\xE8\xA1\xA8.bmp\n");
}

TEST_F(Messages, IdsOutsideTheCatalogueAndMismatchedArgumentsPrintNoConversion)
{
    EXPECT_EQ(captured([] {
                  print_message(static_cast<MessageId>(-1));
                  print_message(static_cast<MessageId>(40));
                  print_message(static_cast<MessageId>(127), 5);
              }),
              "");
    // Without the argument its row needs, a text is left unformatted.
    EXPECT_EQ(captured([] {
                  print_message(MSG_BMP_WIDTH);
                  print_message(MSG_ALREADY_EXISTS, static_cast<const char*>(nullptr));
                  print_message(MSG_ALREADY_EXISTS, 7);
              }),
              "Info  :BMP Width =%d\nError :\"%s\" Already Exists\nError :\"%s\" Already Exists\n");
}

TEST_F(Messages, JapaneseTextsAreCodePage932Bytes)
{
    set_console_language(ConsoleLanguage::kJapanese);
    // "エラー:コマンドの書式が正しくありません\n"
    EXPECT_EQ(captured([] { print_message(MSG_INVALID_COMMAND); }),
              "\x83\x47\x83\x89\x81\x5b:\x83\x52\x83\x7d\x83\x93\x83\x68\x82\xcc\x8f\x91\x8e\xae"
              "\x82\xaa\x90\xb3\x82\xb5\x82\xad\x82\xa0\x82\xe8\x82\xdc\x82\xb9\x82\xf1\n");
    // The full-width tilde of "0～255" is 81 60.
    std::string usage = captured([] { print_message(MSG_FULL_USAGE); });
    EXPECT_NE(usage.find("<num:0\x81\x60" "255>"), std::string::npos);
    EXPECT_EQ(captured([] { print_message(MSG_PROGRESS, 42); }),
              "\r\x8f\xee\x95\xf1  :\x89\xe6\x91\x9c\x95\xcf\x8a\xb7\x8f\x88\x97\x9d  42%\x8a\xae"
              "\x97\xb9");
}

TEST_F(Messages, Utf8ConsolesGetTheUnicodeTexts)
{
    set_console_language(ConsoleLanguage::kJapaneseUtf8);
    EXPECT_EQ(captured([] { print_message(MSG_PROGRESS, 42); }), "\r情報  :画像変換処理  42%完了");
    std::string usage = captured([] { print_message(MSG_FULL_USAGE); });
    EXPECT_NE(usage.find("<num:0\uFF5E" "255>"), std::string::npos);
    set_console_language(ConsoleLanguage::kEnglishUtf8);
    EXPECT_EQ(captured([] { print_message(MSG_PROGRESS, 100); }), "\rInfo  :Process 100%/100%");
}

TEST_F(Messages, EveryRowHasBothTextsAndEveryJapaneseCharacterHasCodePage932Bytes)
{
    for (int id = 0; id < kMessageCount; ++id) {
        const MessageRow& row = MessageCatalogue[id];
        ASSERT_NE(row.english_text, nullptr);
        ASSERT_NE(row.japanese_text, nullptr);
        EXPECT_GE(row.argument_kind, ARG_NONE);
        EXPECT_LE(row.argument_kind, ARG_INTEGER);
        // A character missing from the converter's table would come out as
        // '?'; the printer converts into 1024 bytes.
        char converted[4096];
        size_t length = utf8_to_cp932(row.japanese_text, converted, sizeof converted);
        EXPECT_EQ(std::string(converted).find('?'), std::string::npos) << "message " << id;
        EXPECT_LT(length, 1024u) << "message " << id;
    }
    EXPECT_STREQ(MessageCatalogue[19].english_text, MessageCatalogue[33].english_text);
    EXPECT_STREQ(MessageCatalogue[38].japanese_text, MessageCatalogue[39].japanese_text);
    const char* credit = MessageCatalogue[MSG_CREDIT].english_text;
    EXPECT_EQ(std::strncmp(credit, "\t\t\t\t", 4), 0);
    EXPECT_NE(credit[4], '\t');
    EXPECT_EQ(credit[std::strlen(credit) - 1], '\n');
}

TEST(Cp932, MalformedAndUnknownCharactersAndShortBuffers)
{
    char out[16];
    // Every byte of a malformed sequence gives a '?' (a lone continuation
    // byte, a cut sequence), and so does a character the table lacks (U+00E9,
    // and one beyond the 16-bit range).
    EXPECT_EQ(utf8_to_cp932("a\x80" "b\xE3\x81" "c\xC3\xA9\xF0\x9F\x98\x80", out, sizeof out), 8u);
    EXPECT_STREQ(out, "a?b??c??");
    // A double-byte character that does not fit is left out whole.
    EXPECT_EQ(utf8_to_cp932("ab表", out, 4), 2u);
    EXPECT_STREQ(out, "ab");
    EXPECT_EQ(utf8_to_cp932("ab表", out, 5), 4u);
    EXPECT_STREQ(out, "ab\x95\x5c");
}

TEST_F(Messages, SeparatorWidthIsClampedAndFillFollowsLanguage)
{
    std::string four = std::string(4, ' ') + std::string(71, '\xcd') + "\n";
    EXPECT_EQ(captured([] { print_separator(4); }), four);
    EXPECT_EQ(captured([] { print_separator(0); }), four);
    EXPECT_EQ(captured([] { print_separator(-5); }), four);
    EXPECT_EQ(captured([] { print_separator(100); }), std::string(39, ' ') + "\xcd\n");
    set_console_language(ConsoleLanguage::kJapanese);
    EXPECT_EQ(captured([] { print_separator(4); }),
              std::string(4, ' ') + std::string(71, '\x06') + "\n");
    std::string rule;
    for (int i = 0; i < 71; ++i) {
        rule += "─";
    }
    set_console_language(ConsoleLanguage::kJapaneseUtf8);
    EXPECT_EQ(captured([] { print_separator(4); }), "    " + rule + "\n");
    set_console_language(ConsoleLanguage::kEnglishUtf8);
    EXPECT_EQ(captured([] { print_separator(39); }), std::string(39, ' ') + "═\n");
}

TEST(ConsoleLanguageRule, CodePageAndMessageLanguageDecide)
{
    struct Case {
        int code_page;
        bool japanese_messages;
        ConsoleLanguage expected;
        bool double_byte_names;
    };
    const Case cases[] = {
        {kShiftJisCodePage, false, ConsoleLanguage::kJapanese, true},
        {kShiftJisCodePage, true, ConsoleLanguage::kJapanese, true},
        {kUtf8CodePage, true, ConsoleLanguage::kJapaneseUtf8, false},
        {kUtf8CodePage, false, ConsoleLanguage::kEnglishUtf8, false},
        {437, true, ConsoleLanguage::kEnglish, false},
        {1252, false, ConsoleLanguage::kEnglish, false},
        {20932, true, ConsoleLanguage::kEnglish, false},  // EUC-JP
    };
    for (const Case& c : cases) {
        ConsoleLocale locale;
        locale.code_page = c.code_page;
        locale.japanese_messages = c.japanese_messages;
        ConsoleLanguage language = language_for(locale);
        EXPECT_EQ(language, c.expected) << c.code_page << " " << c.japanese_messages;
        set_console_language(language);
        EXPECT_EQ(console_names_are_double_byte(), c.double_byte_names) << c.code_page;
    }
    // Names in code page 932 under UTF-8 output (a Japanese Windows system
    // with a UTF-8 console) keep the double-byte rule.
    set_console_language(ConsoleLanguage::kJapaneseUtf8, kShiftJisCodePage);
    EXPECT_TRUE(console_names_are_double_byte());
    set_console_language(ConsoleLanguage::kEnglish, kShiftJisCodePage);
    EXPECT_FALSE(console_names_are_double_byte());
    set_console_language(ConsoleLanguage::kEnglish);
}

TEST_F(Messages, NamesAndVerboseTextsInTheAnsiCodePageBecomeUtf8OnUtf8Output)
{
#ifdef _WIN32
    const std::string name_char = "表";  // 95 5C in code page 932
#else
    const std::string name_char = "\x95\x5c";  // POSIX names are in the output's encoding already
#endif
    const char* error_text = ":3F0009:00161:file don't open.[\x95\x5c.gif]";
    set_console_language(ConsoleLanguage::kEnglishUtf8, kShiftJisCodePage);
    EXPECT_EQ(captured([] { print_message(MSG_INPUT_NAME, "\x95\x5c.bmp"); }),
              "Info  :Input Filename:" + name_char + ".bmp\n");
    EXPECT_EQ(captured([&] { print_verbatim(error_text); }),
              ":3F0009:00161:file don't open.[" + name_char + ".gif]");
    // Output in the names' own code page, or names already in UTF-8: as given.
    for (ConsoleLanguage language : {ConsoleLanguage::kJapanese, ConsoleLanguage::kEnglish}) {
        set_console_language(language, kShiftJisCodePage);
        EXPECT_EQ(captured([&] { print_verbatim(error_text); }), error_text);
    }
    set_console_language(ConsoleLanguage::kJapaneseUtf8, kUtf8CodePage);
    EXPECT_EQ(captured([&] { print_verbatim(error_text); }), error_text);
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
    EXPECT_EQ(shown("写真/表示.bmp"), "表示.bmp");
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
