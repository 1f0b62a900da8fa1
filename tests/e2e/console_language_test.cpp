// What the program says under each kind of locale, byte for byte: English
// or Japanese, in code page 437/932 bytes or in UTF-8. The Japanese texts
// are written here as Unicode; their code page 932 form comes from the
// system's own converter (iconv), so the program's converter is checked
// against an independent one.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "console/cp932.h"
#include "console/messages.h"
#include "tests/support/run_process.h"
#include "tools/bmp_writer.h"

namespace {

using Environment = std::vector<std::pair<std::string, std::string>>;

enum class Speech { kEnglish, kJapanese932, kEnglishUtf8, kJapaneseUtf8 };

struct Setting {
    const char* label;
    Environment environment;
    Speech speech;
};

const Setting kSettings[] = {
    {"LANG=en_US.UTF-8", {{"LANG", "en_US.UTF-8"}}, Speech::kEnglishUtf8},
    {"LC_ALL=C.UTF-8", {{"LC_ALL", "C.UTF-8"}}, Speech::kEnglishUtf8},
    {"LANG=ja_JP.UTF-8", {{"LANG", "ja_JP.UTF-8"}}, Speech::kJapaneseUtf8},
    {"LANG=ja_JP.UTF-8 LC_MESSAGES=C", {{"LANG", "ja_JP.UTF-8"}, {"LC_MESSAGES", "C"}},
     Speech::kEnglishUtf8},
    {"LC_ALL=ja_JP.SJIS", {{"LC_ALL", "ja_JP.SJIS"}}, Speech::kJapanese932},
    {"LC_ALL=C", {{"LC_ALL", "C"}}, Speech::kEnglish},
    {"no locale", {}, Speech::kEnglish},
};

// The system's converter from UTF-8 to code page 932.
std::string iconv_cp932(const std::string& utf8)
{
    TempDir dir;
    write_file(dir.file("text"), utf8);
    std::string command = "iconv -f UTF-8 -t CP932 '" + dir.file("text") + "'";
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        ADD_FAILURE() << "cannot run iconv";
        return "";
    }
    std::string converted;
    int c;
    while ((c = std::fgetc(pipe)) != EOF) {
        converted.push_back(static_cast<char>(c));
    }
    EXPECT_EQ(pclose(pipe), 0) << "iconv could not convert: " << utf8;
    return converted;
}

std::string repeated(const std::string& piece, int count)
{
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += piece;
    }
    return text;
}

// The expected output for a setting, from the English and the Japanese
// (UTF-8) text of one run, where '\f' stands for a separator line.
std::string expected_output(Speech speech, const std::string& english, const std::string& japanese)
{
    std::string text;
    std::string fill;
    switch (speech) {
    case Speech::kEnglish:
        text = english;
        fill = "\xCD";
        break;
    case Speech::kEnglishUtf8:
        text = english;
        fill = "═";
        break;
    case Speech::kJapaneseUtf8:
        text = japanese;
        fill = "─";
        break;
    case Speech::kJapanese932:
        text = iconv_cp932(japanese);
        fill = "\x06";
        break;
    }
    const std::string rule = "    " + repeated(fill, 71) + "\n";
    for (size_t at = text.find('\f'); at != std::string::npos; at = text.find('\f', at)) {
        text.replace(at, 1, rule);
        at += rule.size();
    }
    return text;
}

const std::string kBannerEnglish =
    "Vastrelmon Rev.001\n"
    "\t\t\t\tBMP to GIF converter - the Vastrelmon developers\n"
    "\f"
    "About GIF ...\tThe Graphics Interchange Format(c) is the Copyright\n"
    "\t\tproperty  of  CompuServe  Incorporated. GIF(sm)  is\n"
    "\t\ta Service Mark property of CompuServe Incorporated.\n"
    "\f";
const std::string kBannerJapanese =
    "Vastrelmon Rev.001\n"
    "\t\t\t\tBMP to GIF converter - the Vastrelmon developers\n"
    "\f"
    "GIFについて\tThe Graphics Interchange Format(c) is the Copyright\n"
    "\t\tproperty  of  CompuServe  Incorporated. GIF(sm)  is\n"
    "\t\ta Service Mark property of CompuServe Incorporated.\n"
    "\f";
const std::string kShortUsageEnglish =
    "USAGE:\n  0: /h\n  1: {<option>} <input BMP file> {<output GIF file>}\noption:\n"
    "  /h\t  Print Help Message\n";
const std::string kShortUsageJapanese =
    "書式:\n  0: /h\n  1: {<オプション>} <入力ファイル[.bmp]> {<出力ファイル[.gif]>}\n"
    "オプション:\n  /h\t  ヘルプ表示\n";

struct Scenario {
    const char* label;
    std::vector<std::string> args;
    int exit_status;
    std::string english;   // after the banner
    std::string japanese;  // after the banner
};

const Scenario kScenarios[] = {
    {"banner", {}, 0, kShortUsageEnglish, kShortUsageJapanese},
    {"help",
     {"/h"},
     0,
     "USAGE:\t   {<option>} <input BMP file> {<output GIF file>}\n\noption:\n"
     "  /i\t  Interlace mode off(Default:on)\n"
     "  /t<num> Transparency mode on[TransparencyColorCode=num:0..255]\n"
     "  /o\t  ColorTable optimization off(Default:on)\n"
     "  /u\t  LZW compression mode off(Default:on)\n"
     "  /v\t  Verbose on(Default:off)\n"
     "input file:\tOnly .BMP extension and no-compression file.\n"
     "output file:\tOnly .GIF extension. If <output GIF file> is none,\n"
     "\t\tit's considered <input BMP file>+\".gif\".\n"
     "\t\tIf output file is exist, cancel outputting it.(no overwrite)\n",
     "書式:\t   {<オプション>} <入力ファイル[.bmp]> {<出力ファイル[.gif]>}\n\nオプション:\n"
     "  /i\t  インタレース設定を無効にする(デフォルト:インタレース有効)\n"
     "  /t<num> 色番号<num:0～255>を透過色としたファイルを作成する\n"
     "  /o\t  カラーテーブルの最適化を無効にする(デフォルト:最適化有効)\n"
     "  /u\t  LZW圧縮を無効にする(デフォルト:LZW圧縮有効)\n"
     "  /v\t  冗長表示を有効にする(デフォルト:冗長表示無効)\n"
     "入力ファイル:\t拡張子が\"bmp\"である無圧縮ファイルに限ります\n"
     "出力ファイル:\t拡張子が\"gif\"であるファイルに限ります\n"
     "\t\t指定が無い場合は\"<入力ファイル>.gif\"となります\n"
     "\t\t存在しているファイルの上書きは行いません\n"},
    {"invalid command",
     {"/x", "a.bmp"},
     0,
     "Error :Invalid Command\n\n\n" + kShortUsageEnglish,
     "エラー:コマンドの書式が正しくありません\n\n\n" + kShortUsageJapanese},
    {"existing output",
     {"old.bmp"},
     0,
     "Info  :Input Filename:old.bmp\nInfo  :Output Filename:old.gif\n"
     "Error :\"old.gif\" Already Exists\n",
     "情報  :入力ファイル名:old.bmp\n情報  :出力ファイル名:old.gif\n"
     "エラー:出力先(old.gif)を上書きできません\n"},
    {"refused BMP",
     {"/v", "text.bmp"},
     255,
     "Info  :Input Filename:text.bmp\nInfo  :Output Filename:text.gif\n"
     "Error :Fail To Read BMP File(340004)\n"
     ":340004:00116:this file is not BMP file.[disagree,header]",
     "情報  :入力ファイル名:text.bmp\n情報  :出力ファイル名:text.gif\n"
     "エラー:BMPの読み込みに失敗しました(340004)\n"
     ":340004:00116:this file is not BMP file.[disagree,header]"},
    {"success",
     {"/v", "in.bmp"},
     0,
     "Info  :Input Filename:in.bmp\nInfo  :Output Filename:in.gif\n"
     "Info  :BMP Width =2\nInfo  :BMP Height=1\n"
     "Info  :[Before]Color Depth=24\nInfo  :[After] Color Depth=1\n"
     "\rInfo  :Process  50%/100%\rInfo  :Process 100%/100%\n"
     "Info  :Success.\n",
     "情報  :入力ファイル名:in.bmp\n情報  :出力ファイル名:in.gif\n"
     "情報  :入力画像幅  =2\n情報  :入力画像高さ=1\n"
     "情報  :最適化前色深度=24\n情報  :最適化後色深度=1\n"
     "\r情報  :画像変換処理  50%完了\r情報  :画像変換処理 100%完了\n"
     "情報  :処理正常終了\n"},
};

bmp_writer::BmpRecipe red_and_blue()
{
    bmp_writer::BmpRecipe recipe;
    recipe.width = 2;
    recipe.height = 1;
    recipe.pixels = {0xFF0000, 0x0000FF};
    return recipe;
}

TEST(ConsoleLanguage, EveryRunUnderEveryLocale)
{
    for (const Setting& setting : kSettings) {
        for (const Scenario& run : kScenarios) {
            SCOPED_TRACE(std::string(setting.label) + ", " + run.label);
            TempDir dir;
            write_file(dir.file("old.gif"), "precious");
            write_file(dir.file("text.bmp"), "not a picture at all");
            ASSERT_TRUE(bmp_writer::write(dir.file("in.bmp"), red_and_blue()));
            ProcessOptions options;
            options.working_dir = dir.path();
            options.environment = setting.environment;
            ProcessResult result = run_vastrelmon(run.args, options);
            EXPECT_EQ(result.exit_status, run.exit_status);
            EXPECT_EQ(result.output, expected_output(setting.speech, kBannerEnglish + run.english,
                                                     kBannerJapanese + run.japanese));
        }
    }
}

TEST(ConsoleLanguage, Utf8NameInAFolderShowsItsFinalComponent)
{
    TempDir dir;
    ASSERT_TRUE(std::filesystem::create_directory(dir.file("写真")));
    ASSERT_TRUE(bmp_writer::write(dir.file("写真/表示.bmp"), red_and_blue()));
    ProcessOptions options;
    options.working_dir = dir.path();
    options.environment = {{"LANG", "ja_JP.UTF-8"}};
    ProcessResult result = run_vastrelmon({"写真/表示.bmp"}, options);
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(result.output, expected_output(Speech::kJapaneseUtf8, "",
                                             kBannerJapanese +
                                                 "情報  :入力ファイル名:表示.bmp\n"
                                                 "情報  :出力ファイル名:表示.gif\n"
                                                 "情報  :処理正常終了\n"));
    EXPECT_TRUE(file_exists(dir.file("写真/表示.gif")));
}

TEST(ConsoleLanguage, CodePage932TextsAgreeWithTheSystemConverter)
{
    for (int id = 0; id < kMessageCount; ++id) {
        const char* text = MessageCatalogue[id].japanese_text;
        char converted[4096];
        utf8_to_cp932(text, converted, sizeof converted);
        EXPECT_EQ(std::string(converted), iconv_cp932(text)) << "message " << id;
    }
}

}  // namespace
