// The program as a user meets it: help, version, names and the refusal to
// overwrite, compared byte for byte with the exit status. The banner, the
// short usage and an invalid command under every kind of locale are in
// console_language_test.cpp.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/run_process.h"

namespace {

const std::string kRule = std::string(4, ' ') + std::string(71, '\xcd') + "\n";
const std::string kBanner =
    "Vastrelmon Rev.001\n"
    "\t\t\t\tBMP to GIF converter - the Vastrelmon developers\n" +
    kRule +
    "About GIF ...\tThe Graphics Interchange Format(c) is the Copyright\n"
    "\t\tproperty  of  CompuServe  Incorporated. GIF(sm)  is\n"
    "\t\ta Service Mark property of CompuServe Incorporated.\n" +
    kRule;

TEST(FrontEnd, HelpShowsFullUsage)
{
    for (const char* help : {"/h", "/H"}) {
        ProcessResult r = run_vastrelmon({help});
        EXPECT_EQ(r.exit_status, 0);
        ASSERT_EQ(r.output.compare(0, kBanner.size(), kBanner), 0);
        std::string usage = r.output.substr(kBanner.size());
        EXPECT_EQ(usage.rfind("USAGE:\t   {<option>} <input BMP file> {<output GIF file>}\n\n", 0), 0u);
        EXPECT_NE(usage.find("  /t<num> Transparency mode on[TransparencyColorCode=num:0..255]\n"),
                  std::string::npos);
        EXPECT_EQ(usage.substr(usage.size() - 63),
                  "\t\tIf output file is exist, cancel outputting it.(no overwrite)\n");
    }
    ProcessResult with_names = run_vastrelmon({"/v", "/h", "a.bmp", "b.gif"});
    EXPECT_EQ(with_names.exit_status, 0);
    EXPECT_EQ(with_names.output.find("Input Filename"), std::string::npos);
    EXPECT_NE(with_names.output.find("USAGE:\t"), std::string::npos);
}

TEST(FrontEnd, GnuHelpAndVersionAnswerOnlyAlone)
{
    ProcessResult help = run_vastrelmon({"--help"});
    ProcessResult slash_h = run_vastrelmon({"/h"});
    EXPECT_EQ(help.exit_status, slash_h.exit_status);
    EXPECT_EQ(help.output, slash_h.output);

    ProcessResult version = run_vastrelmon({"--version"});
    EXPECT_EQ(version.exit_status, 0);
    EXPECT_EQ(version.output, "vastrelmon " VASTRELMON_EXPECTED_VERSION "\n");

    ProcessResult invalid = run_vastrelmon({"/x", "a.bmp"});
    ASSERT_NE(invalid.output.find("Error :Invalid Command\n"), std::string::npos);
    const std::vector<std::string> still_invalid[] = {{"--version", "x.bmp"}, {"--helpx"},
                                                      {"x.bmp", "--help"}};
    for (const std::vector<std::string>& args : still_invalid) {
        ProcessResult r = run_vastrelmon(args);
        EXPECT_EQ(r.exit_status, invalid.exit_status) << args[0];
        EXPECT_EQ(r.output, invalid.output) << args[0];
    }
}

TEST(FrontEnd, ExistingOutputIsLeftAloneAndInputNeverOpened)
{
    TempDir dir;
    write_file(dir.file("a.gif"), "precious");
    // a.bmp does not even exist: the refusal comes before the input is read.
    ProcessOptions in_dir;
    in_dir.working_dir = dir.path();
    ProcessResult r = run_vastrelmon({"a.bmp"}, in_dir);
    EXPECT_EQ(r.exit_status, 0);
    EXPECT_EQ(r.output, kBanner +
                            "Info  :Input Filename:a.bmp\n"
                            "Info  :Output Filename:a.gif\n"
                            "Error :\"a.gif\" Already Exists\n");
    EXPECT_EQ(read_file(dir.file("a.gif")), "precious");
}

TEST(FrontEnd, WindowsPathShowsOnlyTheFileName)
{
    TempDir dir;
    // On POSIX the backslashes are part of one file name in the working
    // folder; make the derived output exist so the run stops after the names.
    write_file(dir.file("C:\\pics\\photo.gif"), "x");
    ProcessOptions in_dir;
    in_dir.working_dir = dir.path();
    ProcessResult r = run_vastrelmon({"C:\\pics\\photo.BMP"}, in_dir);
    EXPECT_EQ(r.exit_status, 0);
    EXPECT_EQ(r.output, kBanner +
                            "Info  :Input Filename:photo.BMP\n"
                            "Info  :Output Filename:photo.gif\n"
                            "Error :\"C:\\pics\\photo.gif\" Already Exists\n");
}

}  // namespace
