#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console/options.h"

namespace {

struct Parsed {
    uint32_t result;
    int32_t mode;
    int32_t transparent;
    std::string input;
    std::string output;
    bool verbose = false;
};

Parsed parse(std::vector<std::string> words)
{
    std::vector<const char*> argv = {"vastrelmon"};
    for (const std::string& w : words) {
        argv.push_back(w.c_str());
    }
    Parsed p;
    char input[kPathBufferSize];
    char output[kPathBufferSize];
    p.result = parse_command_line(static_cast<int>(argv.size()), argv.data(), &p.mode,
                                  &p.transparent, input, output, &p.verbose);
    p.input = input;
    p.output = output;
    return p;
}

TEST(Options, PlainNameGivesDefaultsAndDerivedOutput)
{
    Parsed p = parse({"photo.BMP"});
    EXPECT_EQ(p.result, 0x14u);
    EXPECT_EQ(p.input, "photo.BMP");
    EXPECT_EQ(p.output, "photo.gif");
    EXPECT_EQ(p.transparent, -1);
    EXPECT_EQ(p.mode, 0);
}

TEST(Options, FlagsCombine)
{
    EXPECT_EQ(parse({"/i", "/o", "/u", "/b", "a.bmp"}).result, 0x60u);
    EXPECT_EQ(parse({"/I", "/U", "a.bmp"}).result, 0x50u);
}

TEST(Options, TransparencyValues)
{
    Parsed bare = parse({"/t", "a.bmp"});
    EXPECT_EQ(bare.result, 0x14u | FLAG_TRANSPARENCY);
    EXPECT_EQ(bare.transparent, 0);
    EXPECT_EQ(parse({"/t255", "a.bmp"}).transparent, 255);
    EXPECT_EQ(parse({"/T007", "a.bmp"}).transparent, 7);
    EXPECT_EQ(parse({"/t3", "/t9", "a.bmp"}).transparent, 9);  // the later one wins
    for (const char* bad : {"/t256", "/t-1", "/t1x", "/t99999999999"}) {
        EXPECT_EQ(parse({bad, "a.bmp"}).result, PARSE_INVALID) << bad;
    }
    // "/t 5": the 5 is the input name and is not a .bmp
    EXPECT_EQ(parse({"/t", "5", "a.bmp"}).result, PARSE_INVALID);
}

TEST(Options, EffectCodes)
{
    const std::pair<const char*, int32_t> codes[] = {
        {"/EMC", MODE_GREY},      {"/esr", MODE_TONE_RED},  {"/esb", MODE_TONE_BLUE},
        {"/esw", MODE_TONE_ROSE}, {"/es8", MODE_RGB332},    {"/ec1", MODE_RED_ONLY},
        {"/ec2", MODE_GREEN_ONLY}, {"/ec4", MODE_BLUE_ONLY},
    };
    for (const auto& code : codes) {
        Parsed p = parse({code.first, "a.bmp"});
        EXPECT_EQ(p.mode, code.second) << code.first;
        EXPECT_EQ(p.result, 0x14u) << code.first;
    }
    for (const char* bad : {"/em", "/emcx", "/ezz", "/e"}) {
        EXPECT_EQ(parse({bad, "a.bmp"}).result, PARSE_INVALID) << bad;
    }
    EXPECT_EQ(parse({"/emc", "/esr", "a.bmp"}).result, PARSE_INVALID);
}

TEST(Options, MalformedOptionsAreInvalid)
{
    for (const char* bad : {"/ii", "/hx", "/x", "/", "/vv", "/bb"}) {
        EXPECT_EQ(parse({bad, "a.bmp"}).result, PARSE_INVALID) << bad;
    }
}

TEST(Options, HelpRules)
{
    EXPECT_EQ(parse({"/h"}).result, PARSE_HELP);
    EXPECT_EQ(parse({"/H"}).result, PARSE_HELP);
    EXPECT_EQ(parse({"/h", "a.txt"}).result, PARSE_HELP);
    EXPECT_EQ(parse({"/h", "a.bmp"}).result, PARSE_HELP);
    EXPECT_EQ(parse({"/v", "/h", "a.bmp", "b.gif"}).result, PARSE_HELP);
    EXPECT_EQ(parse({"/help"}).result, PARSE_INVALID);
    EXPECT_EQ(parse({"/h", "/v"}).result, PARSE_INVALID);  // no file name
    EXPECT_EQ(parse({"/h", "/x", "a.bmp"}).result, PARSE_INVALID);
    // The GNU names count only alone and spelt exactly.
    EXPECT_EQ(parse({"--help"}).result, PARSE_HELP);
    for (const char* bad : {"--helpx", "--HELP", "-h", "--version"}) {
        EXPECT_EQ(parse({bad}).result, PARSE_INVALID) << bad;
    }
    EXPECT_EQ(parse({"a.bmp", "--help"}).result, PARSE_INVALID);
    const char* version[] = {"vastrelmon", "--version"};
    EXPECT_TRUE(asks_for_version(2, version));
    const char* not_alone[] = {"vastrelmon", "--version", "a.bmp"};
    EXPECT_FALSE(asks_for_version(3, not_alone));
    const char* upper[] = {"vastrelmon", "--VERSION"};
    EXPECT_FALSE(asks_for_version(2, upper));
}

TEST(Options, FileNameRules)
{
    EXPECT_EQ(parse({"a.bmp", "/v"}).result, PARSE_INVALID);
    EXPECT_EQ(parse({"a.bmp", "b.gif", "c.gif"}).result, PARSE_INVALID);
    EXPECT_EQ(parse({"bmp"}).result, PARSE_INVALID);
    EXPECT_EQ(parse({"a.bm"}).result, PARSE_INVALID);
    EXPECT_EQ(parse({""}).result, PARSE_INVALID);
    EXPECT_EQ(parse({"a.bmp", "b.png"}).result, PARSE_INVALID);
    EXPECT_EQ(parse({}).result, PARSE_INVALID);

    Parsed named = parse({"a.bmp", "out.GIF"});
    EXPECT_EQ(named.result, 0x14u);
    EXPECT_EQ(named.output, "out.GIF");
    Parsed dot = parse({".bmp"});
    EXPECT_EQ(dot.result, 0x14u);
    EXPECT_EQ(dot.output, ".gif");
    EXPECT_EQ(parse({"old.pics\\a.bmp"}).output, "old.pics\\a.gif");
    EXPECT_EQ(parse({"C:\\pics\\photo.BMP"}).output, "C:\\pics\\photo.gif");
}

TEST(Options, NamesLongerThan260AreRefusedNotCut)
{
    std::string longest = std::string(256, 'n') + ".bmp";  // 260 characters
    Parsed fits = parse({longest});
    EXPECT_EQ(fits.result, 0x14u);
    EXPECT_EQ(fits.input, longest);
    EXPECT_EQ(fits.output, std::string(256, 'n') + ".gif");

    std::string too_long = std::string(257, 'n') + ".bmp";
    EXPECT_EQ(parse({too_long}).result, PARSE_INVALID);
    EXPECT_EQ(parse({"a.bmp", std::string(257, 'n') + ".gif"}).result, PARSE_INVALID);
    // An over-long option could lose digits when cut: refused too.
    EXPECT_EQ(parse({"/t" + std::string(300, '0') + "5", "a.bmp"}).result, PARSE_INVALID);
}

TEST(Options, VerboseIsSetEvenWhenTheCommandIsInvalid)
{
    Parsed p = parse({"/v", "a.txt"});
    EXPECT_EQ(p.result, PARSE_INVALID);
    EXPECT_TRUE(p.verbose);
    EXPECT_FALSE(parse({"a.bmp"}).verbose);
    EXPECT_TRUE(parse({"/V", "a.bmp"}).verbose);
}

#ifndef _WIN32
TEST(Options, AbsolutePosixPathsAreFileNames)
{
    Parsed p = parse({"/i", "/home/me/photo.bmp"});
    EXPECT_EQ(p.result, 0x10u);
    EXPECT_EQ(p.input, "/home/me/photo.bmp");
    EXPECT_EQ(p.output, "/home/me/photo.gif");
    EXPECT_EQ(parse({"/pics/a.txt"}).result, PARSE_INVALID);  // a name, not .bmp
}
#endif

TEST(Options, FileArgumentsMayStartWithSlashAfterTheFirst)
{
    Parsed p = parse({"a.bmp", "/tmp/out.gif"});
    EXPECT_EQ(p.result, 0x14u);
    EXPECT_EQ(p.output, "/tmp/out.gif");
}

}  // namespace
