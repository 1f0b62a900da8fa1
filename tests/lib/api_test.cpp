// The library through its public header, as a C caller uses it: the same
// GIF as the program, the same refusals with the same texts, pixels as
// their BMP, cancelling, memory running out, and threads at once.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/corpus_table.h"
#include "tests/support/run_process.h"
#include "tools/pictures.h"
#include "vastrelmon.h"

namespace {

struct Converted {
    vastrelmon_status status = VASTRELMON_OK;
    std::string gif;
    vastrelmon_result result;
};

Converted convert(const std::string& bmp, const vastrelmon_options* options = nullptr)
{
    Converted out;
    vastrelmon_result_init(&out.result);
    unsigned char* gif = nullptr;
    size_t size = 0;
    out.status = vastrelmon_convert(bmp.data(), bmp.size(), options, &gif, &size, &out.result);
    if (gif != nullptr) {
        out.gif.assign(reinterpret_cast<char*>(gif), size);
        vastrelmon_free(gif);
    }
    return out;
}

// One set of options, as the program's command line and as the struct.
struct Choice {
    std::vector<std::string> args;
    void (*set)(vastrelmon_options*);
};

const Choice kChoices[] = {
    {{}, [](vastrelmon_options*) {}},
    {{"/i"}, [](vastrelmon_options* o) { o->interlace = 0; }},
    {{"/u"}, [](vastrelmon_options* o) { o->compress = 0; }},
    {{"/u", "/b", "/i"}, [](vastrelmon_options* o) { o->compress = 0; o->widest_codes = 1; o->interlace = 0; }},
    {{"/t3"}, [](vastrelmon_options* o) { o->transparent = 3; }},
    {{"/emc"}, [](vastrelmon_options* o) { o->color_mode = VASTRELMON_COLOR_GREY; }},
    {{"/es8", "/i"}, [](vastrelmon_options* o) { o->color_mode = VASTRELMON_COLOR_RGB332; o->interlace = 0; }},
    {{"/ec2"}, [](vastrelmon_options* o) { o->color_mode = VASTRELMON_COLOR_GREEN_ONLY; }},
    {{"/esw"}, [](vastrelmon_options* o) { o->color_mode = VASTRELMON_COLOR_ROSE_TONE; }},
};

// The program on bmp with args: its GIF, or "" and its error line.
std::string program_gif(const TempDir& dir, const std::string& bmp, const std::vector<std::string>& args,
                        std::string* error_line)
{
    write_file(dir.file("in.bmp"), bmp);
    std::vector<std::string> command = args;
    command.push_back("in.bmp");
    command.push_back("out.gif");
    ProcessOptions options;
    options.working_dir = dir.path();
    ProcessResult run = run_vastrelmon(command, options);
    error_line->clear();
    const size_t error = run.output.find("Error :");
    if (error != std::string::npos) {
        *error_line = run.output.substr(error, run.output.find('\n', error) - error);
    }
    if (!file_exists(dir.file("out.gif"))) {
        return "";
    }
    std::string gif = read_file(dir.file("out.gif"));
    unlink(dir.file("out.gif").c_str());
    return gif;
}

void expect_as_program(const TempDir& dir, const std::string& bmp, const Choice& choice)
{
    std::string error_line;
    const std::string expected = program_gif(dir, bmp, choice.args, &error_line);
    vastrelmon_options options;
    vastrelmon_options_init(&options);
    choice.set(&options);
    const Converted got = convert(bmp, &options);
    if (expected.empty()) {
        EXPECT_NE(got.status, VASTRELMON_OK);
        EXPECT_EQ(got.result.message, error_line);
    } else {
        EXPECT_EQ(got.status, VASTRELMON_OK) << got.result.message;
        EXPECT_TRUE(got.gif == expected) << "GIF differs from the program's";
    }
}

std::string picture(const std::string& kind, int width, int height)
{
    pictures::BmpRecipe recipe;
    EXPECT_TRUE(pictures::named_picture(kind, width, height, &recipe));
    return bmp_writer::build(recipe);
}

TEST(Library, GivesTheProgramsGifWithEveryOption)
{
    TempDir dir;
    std::vector<std::string> bmps;
    for (const char* kind : {"photo24", "photo8", "dither1", "noise8", "example"}) {
        bmps.push_back(picture(kind, 67, 41));
    }
    bmps.push_back(bmp_writer::build(pictures::indexed_recipe(
        33, 9, 4, pictures::ramp_palette(), pictures::photo_indices(33, 9), bmp_writer::kCoreHeader)));
    for (size_t i = 0; i < bmps.size(); ++i) {
        for (const Choice& choice : kChoices) {
            SCOPED_TRACE("picture " + std::to_string(i) + ", option " +
                         (choice.args.empty() ? std::string("none") : choice.args[0]));
            expect_as_program(dir, bmps[i], choice);
        }
    }
}

TEST(Library, GivesTheProgramsOutcomeOnThePublicCorpus)
{
    const std::string folder = BMPSUITE_DIR;
    if (!file_exists(folder + "/EXPECTED.tsv")) {
        GTEST_SKIP() << "no BMP corpus at " << folder;
    }
    TempDir dir;
    const std::vector<CorpusRow> rows = read_corpus_table(folder);
    ASSERT_FALSE(rows.empty());
    for (const CorpusRow& row : rows) {
        SCOPED_TRACE(row.file);
        expect_as_program(dir, read_file(folder + "/" + row.file), kChoices[0]);
    }
}

TEST(Library, PixelsGiveTheGifOfTheirBmp)
{
    const int width = 45, height = 23;
    vastrelmon_options options;
    vastrelmon_options_init(&options);
    options.transparent = 2;  // kept for the indexed picture, ignored for RGB
    unsigned char* gif = nullptr;
    size_t size = 0;

    // RGB rows with a padded stride, against the 24-bit BMP.
    const std::vector<pictures::Rgb> scene = pictures::example_scene(width, height);
    const size_t rgb_stride = width * 3 + 5;
    std::vector<unsigned char> rgb(rgb_stride * height, 0xEE);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const pictures::Rgb& c = scene[static_cast<size_t>(y) * width + x];
            unsigned char* p = &rgb[y * rgb_stride + x * 3];
            p[0] = c.red;
            p[1] = c.green;
            p[2] = c.blue;
        }
    }
    ASSERT_EQ(vastrelmon_encode_rgb(rgb.data(), width, height, rgb_stride, &options, &gif, &size, nullptr),
              VASTRELMON_OK);
    std::string from_pixels(reinterpret_cast<char*>(gif), size);
    vastrelmon_free(gif);
    EXPECT_TRUE(from_pixels == convert(bmp_writer::build(pictures::true_color_recipe(width, height, scene)),
                                       &options).gif);

    // Indices of a 40-colour palette, against the 8-bit BMP of that table.
    std::vector<pictures::Rgb> palette = pictures::ramp_palette();
    palette.resize(40);
    std::vector<uint8_t> indices = pictures::photo_indices(width, height);
    for (uint8_t& index : indices) {
        index %= 40;
    }
    std::vector<unsigned char> flat;
    for (const pictures::Rgb& c : palette) {
        flat.insert(flat.end(), {c.red, c.green, c.blue});
    }
    const size_t stride = width + 3;
    std::vector<unsigned char> rows(stride * height, 0xFF);
    for (int y = 0; y < height; ++y) {
        std::copy_n(&indices[static_cast<size_t>(y) * width], width, &rows[y * stride]);
    }
    ASSERT_EQ(vastrelmon_encode_indexed(rows.data(), width, height, stride, flat.data(), 40, &options, &gif,
                                        &size, nullptr),
              VASTRELMON_OK);
    from_pixels.assign(reinterpret_cast<char*>(gif), size);
    vastrelmon_free(gif);
    EXPECT_TRUE(from_pixels ==
                convert(bmp_writer::build(pictures::indexed_recipe(width, height, 8, palette, indices)), &options).gif);
}

Converted convert_with(const std::string& bmp, void (*set)(vastrelmon_options*))
{
    vastrelmon_options options;
    vastrelmon_options_init(&options);
    set(&options);
    return convert(bmp, &options);
}

TEST(Library, EveryFailureHasItsKindAndTheProgramsText)
{
    const std::string good = picture("photo8", 20, 10);
    pictures::BmpRecipe recipe;
    pictures::named_picture("photo8", 20, 10, &recipe);
    recipe.signature = "XX";
    const std::string not_bmp = bmp_writer::build(recipe);
    // Cut within the last row, with a size field that agrees.
    pictures::named_picture("photo8", 20, 10, &recipe);
    recipe.file_size = static_cast<uint32_t>(good.size() - 7);
    const std::string cut = bmp_writer::build(recipe).substr(0, good.size() - 7);
    recipe = pictures::true_color_recipe(64, 64, [] {
        std::vector<pictures::Rgb> colors;
        for (int i = 0; i < 64 * 64; ++i) {
            colors.push_back({static_cast<uint8_t>(i), static_cast<uint8_t>(i >> 8), 7});
        }
        return colors;
    }());
    const std::string many_colors = bmp_writer::build(recipe);
    const std::string too_wide = picture("dither1", 6401, 1);

    struct Case {
        const char* what;
        Converted got;
        vastrelmon_status status;
        const char* message;
    };
    const Case cases[] = {
        {"not a BMP", convert(not_bmp), VASTRELMON_ERROR_BAD_BMP, "Error :Fail To Read BMP File(340004)"},
        {"cut", convert(cut), VASTRELMON_ERROR_CUT_BMP, "Error :Fail To Read BMP File(340003)"},
        {"colours", convert(many_colors), VASTRELMON_ERROR_TOO_MANY_COLORS,
         "Error :Can't Optimized Palette[More Than 257]"},
        {"size", convert(too_wide), VASTRELMON_ERROR_TOO_LARGE, "Error :Fail To Allocate Memory(3A0006)"},
        {"transparency", convert_with(good, [](vastrelmon_options* o) { o->transparent = 256; }),
         VASTRELMON_ERROR_TRANSPARENCY, "Error :Out Of Range[Transparency Color]"},
        {"colour mode", convert_with(good, [](vastrelmon_options* o) { o->color_mode = vastrelmon_color_mode(6); }),
         VASTRELMON_ERROR_INVALID_ARGUMENT, "unknown colour mode"},
        {"options size", convert_with(good, [](vastrelmon_options* o) { o->size = 4; }),
         VASTRELMON_ERROR_INVALID_ARGUMENT, "options not set up with vastrelmon_options_init"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.got.status, c.status);
        EXPECT_EQ(c.got.result.status, c.status);
        EXPECT_STREQ(c.got.result.message, c.message);
        EXPECT_TRUE(c.got.gif.empty());
    }
    // The detail is what /v shows: the reader's code, line and text.
    EXPECT_EQ(std::string(cases[1].got.result.detail).rfind(":340003:", 0), 0u) << cases[1].got.result.detail;

    unsigned char* gif = reinterpret_cast<unsigned char*>(1);
    size_t size = 1;
    const unsigned char pixels[4] = {0, 1, 2, 9};
    const unsigned char palette[9] = {};
    EXPECT_EQ(vastrelmon_convert(nullptr, 10, nullptr, &gif, &size, nullptr), VASTRELMON_ERROR_INVALID_ARGUMENT);
    EXPECT_TRUE(gif == nullptr && size == 0);
    EXPECT_EQ(vastrelmon_encode_indexed(pixels, 2, 2, 2, palette, 3, nullptr, &gif, &size, nullptr),
              VASTRELMON_ERROR_INVALID_ARGUMENT);  // index 9 beyond three colours
    EXPECT_EQ(vastrelmon_encode_rgb(pixels, 2, 2, 5, nullptr, &gif, &size, nullptr),
              VASTRELMON_ERROR_INVALID_ARGUMENT);  // stride shorter than a row
}

TEST(Library, FilesAreNeverOverwrittenAndCompleteOrAbsent)
{
    TempDir dir;
    write_file(dir.file("in.bmp"), picture("photo24", 300, 200));
    write_file(dir.file("taken.gif"), "someone else's");
    vastrelmon_result result;
    vastrelmon_result_init(&result);
    EXPECT_EQ(vastrelmon_convert_file(dir.file("in.bmp").c_str(), dir.file("taken.gif").c_str(), nullptr, &result),
              VASTRELMON_ERROR_OUTPUT_EXISTS);
    EXPECT_EQ(read_file(dir.file("taken.gif")), "someone else's");
    EXPECT_EQ(vastrelmon_convert_file(dir.file("none.bmp").c_str(), dir.file("a.gif").c_str(), nullptr, &result),
              VASTRELMON_ERROR_IO);
    EXPECT_EQ(std::string(result.message), "Error :\"" + dir.file("none.bmp") + "\" Can't Open");
    EXPECT_EQ(vastrelmon_convert_file(dir.file("in.bmp").c_str(), dir.file("no/b.gif").c_str(), nullptr, &result),
              VASTRELMON_ERROR_IO);

    // Cancelled half-way: nothing of the GIF is left.
    vastrelmon_options options;
    vastrelmon_options_init(&options);
    int calls = 0;
    options.progress_context = &calls;
    options.progress = [](void* context, int percent) {
        ++*static_cast<int*>(context);
        return percent >= 50 ? 1 : 0;
    };
    EXPECT_EQ(vastrelmon_convert_file(dir.file("in.bmp").c_str(), dir.file("c.gif").c_str(), &options, &result),
              VASTRELMON_ERROR_CANCELLED);
    EXPECT_EQ(calls, 26);  // 0, 2, ..., 50
    EXPECT_EQ(folder_entries(dir.path()), (std::vector<std::string>{"in.bmp", "taken.gif"}));

    // Let through to the end, the same file as the program's.
    options.progress = [](void* context, int) { return ++*static_cast<int*>(context) * 0; };
    ASSERT_EQ(vastrelmon_convert_file(dir.file("in.bmp").c_str(), dir.file("d.gif").c_str(), &options, &result),
              VASTRELMON_OK);
    ProcessOptions in_dir;
    in_dir.working_dir = dir.path();
    ASSERT_EQ(run_vastrelmon({"in.bmp", "p.gif"}, in_dir).exit_status, 0);
    EXPECT_TRUE(read_file(dir.file("d.gif")) == read_file(dir.file("p.gif")));
}

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
TEST(Library, MemoryThatCannotBeHadIsAnError)
{
    const std::string bmp = picture("photo24", 6400, 4800);
    // In a child, whose address space is then too small for the picture.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const rlim_t limit = rlim_t{96} << 20;
        struct rlimit space = {limit, limit};
        setrlimit(RLIMIT_AS, &space);
        _exit(convert(bmp).status);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), VASTRELMON_ERROR_NO_MEMORY);
}
#endif

TEST(Library, ThreadsConvertAtOnceAsOneAtATime)
{
    std::vector<std::string> bmps;
    for (const char* kind : {"photo24", "photo8", "dither1", "noise8"}) {
        bmps.push_back(picture(kind, 320, 200));
        bmps.push_back(picture(kind, 101, 77));
    }
    std::vector<std::string> alone;
    for (const std::string& bmp : bmps) {
        alone.push_back(convert(bmp).gif);
    }
    std::vector<std::string> together(bmps.size());
    std::vector<std::thread> threads;
    for (size_t i = 0; i < bmps.size(); ++i) {
        threads.emplace_back([&, i] {
            for (int round = 0; round < 3; ++round) {
                together[i] = convert(bmps[i]).gif;
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (size_t i = 0; i < bmps.size(); ++i) {
        EXPECT_FALSE(alone[i].empty());
        EXPECT_TRUE(together[i] == alone[i]) << "picture " << i;
    }
}

TEST(Library, VersionIsTheProjects)
{
    EXPECT_STREQ(vastrelmon_version(), VASTRELMON_EXPECTED_VERSION);
}

}  // namespace
