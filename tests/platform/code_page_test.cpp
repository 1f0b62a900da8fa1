// The rules that decide what the console shows, as pure functions: they run
// under Wine as well, where the console itself cannot be set.
#include <gtest/gtest.h>

#include "platform/code_page.h"

namespace {

TEST(CodePage, CodesetOfTheLocaleString)
{
    struct Case {
        const char* locale;
        int code_page;
    };
    const Case cases[] = {
        {"ja_JP.SJIS", 932}, {"ja_JP.sjis", 932}, {"ja_JP.Shift_JIS", 932},
        {"ja_JP.shift-jis", 932}, {"ja_JP.CP932", 932}, {"ja_JP.MS932", 932},
        {"ja_JP.Windows-31J", 932}, {"ja_JP.SJIS@euro", 932},
        {"ja_JP.UTF-8", 65001}, {"en_US.utf8", 65001}, {"C.UTF-8", 65001},
        {"ja_JP.Utf_8@cjknarrow", 65001}, {"UTF-8", 65001}, {"utf8", 65001},
        {"C", 437}, {"POSIX", 437}, {"en_US.ISO-8859-1", 437}, {"ja_JP", 437},
        {"ja_JP.eucJP", 437}, {"", 437}, {"SJIS", 437}, {"ja_JP@x.UTF-8", 437},
        {"ja_JP.UTF-16", 437}, {nullptr, 437},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(code_page_from_locale(c.locale), c.code_page) << (c.locale ? c.locale : "null");
    }
}

TEST(CodePage, LanguageOfTheLocaleString)
{
    for (const char* locale : {"ja", "ja_JP", "ja_JP.UTF-8", "ja_JP.utf8@cjknarrow", "ja.SJIS"}) {
        EXPECT_TRUE(locale_is_japanese(locale)) << locale;
    }
    for (const char* locale : {"C", "en_US.UTF-8", "jam_JM", "j", "", "_JP", "C.UTF-8"}) {
        EXPECT_FALSE(locale_is_japanese(locale)) << locale;
    }
    EXPECT_FALSE(locale_is_japanese(nullptr));
}

TEST(CodePage, PosixVariablesInOrder)
{
    struct Case {
        const char* lc_all;
        const char* lc_ctype;
        const char* lc_messages;
        const char* lang;
        int code_page;
        bool japanese;
    };
    const Case cases[] = {
        {nullptr, nullptr, nullptr, "en_US.UTF-8", 65001, false},
        {"C.UTF-8", nullptr, nullptr, nullptr, 65001, false},
        {nullptr, nullptr, nullptr, "ja_JP.UTF-8", 65001, true},
        {nullptr, nullptr, "C", "ja_JP.UTF-8", 65001, false},
        {"ja_JP.SJIS", nullptr, nullptr, nullptr, 932, true},
        {"C", nullptr, nullptr, nullptr, 437, false},
        {nullptr, nullptr, nullptr, nullptr, 437, false},
        // LC_ALL overrides the others; an empty value is unset.
        {"C", "ja_JP.SJIS", "ja", "ja_JP.UTF-8", 437, false},
        {"", "C.UTF-8", "", "ja_JP.SJIS", 65001, true},
        {nullptr, "ja_JP.SJIS", "C", nullptr, 932, false},
        {nullptr, nullptr, "ja_JP", "en_US.UTF-8", 65001, true},
    };
    for (const Case& c : cases) {
        ConsoleLocale locale = locale_from_variables(c.lc_all, c.lc_ctype, c.lc_messages, c.lang);
        SCOPED_TRACE(testing::Message() << (c.lc_all ? c.lc_all : "-") << " "
                                        << (c.lc_ctype ? c.lc_ctype : "-") << " "
                                        << (c.lc_messages ? c.lc_messages : "-") << " "
                                        << (c.lang ? c.lang : "-"));
        EXPECT_EQ(locale.code_page, c.code_page);
        EXPECT_EQ(locale.japanese_messages, c.japanese);
    }
}

TEST(CodePage, WindowsConsolePages)
{
    struct Case {
        unsigned output_page;
        unsigned input_page;
        unsigned oem_page;
        int code_page;
    };
    const Case cases[] = {
        {65001, 65001, 437, 65001},
        {65001, 932, 932, 65001},  // "chcp 65001" on a Japanese system
        {932, 932, 932, 932},
        {437, 932, 437, 932},      // the input page decides, as it always has
        {932, 437, 437, 437},
        {850, 850, 850, 850},
        {437, 65001, 437, 437},    // UTF-8 input alone gives no UTF-8 output
        {0, 0, 932, 932},          // no console: the system's OEM page
        {0, 0, 437, 437},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(windows_code_page(c.output_page, c.input_page, c.oem_page), c.code_page)
            << c.output_page << " " << c.input_page << " " << c.oem_page;
    }
}

}  // namespace

#ifdef _WIN32
#include <windows.h>

namespace {

// Where the console's output page can be set (a real console, or Wine's
// when it has one), the program reads it back.
TEST(CodePage, WindowsConsoleSetToUtf8)
{
    UINT before = GetConsoleOutputCP();
    if (before == 0 || !SetConsoleOutputCP(kUtf8CodePage)) {
        GTEST_SKIP() << "no console whose output code page can be set";
    }
    EXPECT_EQ(console_locale().code_page, kUtf8CodePage);
    SetConsoleOutputCP(before);
}

TEST(CodePage, WindowsNamesToUtf8)
{
    char out[16];
    // "表ソ" in code page 932: both trail bytes are '\'.
    EXPECT_TRUE(names_to_utf8(kShiftJisCodePage, "\x95\x5c\x83\x5c.bmp", out, sizeof out));
    EXPECT_STREQ(out, "表ソ.bmp");
    // Cut between characters, never inside one.
    EXPECT_TRUE(names_to_utf8(kShiftJisCodePage, "\x95\x5c\x83\x5c", out, 6));
    EXPECT_STREQ(out, "表");
    EXPECT_TRUE(names_to_utf8(1252, "caf\xe9", out, sizeof out));
    EXPECT_STREQ(out, "caf\u00e9");
}

}  // namespace
#endif
