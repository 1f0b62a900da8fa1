#include "app/driver.h"

#include <cstdint>
#include <cstdio>

#include "console/messages.h"
#include "console/options.h"
#include "console/path_display.h"
#include "platform/files.h"
#include "app/load_bmp.h"
#include "app/write_gif_file.h"
#include "image/bitmap.h"
#include "app/convert_image.h"

namespace {

constexpr char kRevision[] = "001";
constexpr int32_t kSeparatorWidth = 4;
constexpr int kExitFailure = -1;

void print_banner()
{
    print_message(MSG_PROGRAM_NAME, kRevision);
    print_message(MSG_CREDIT);
    print_separator(kSeparatorWidth);
    print_message(MSG_GIF_NOTICE);
    print_separator(kSeparatorWidth);
}

void show_name(MessageId message, const char* path)
{
    char shown[kPathBufferSize] = {};
    display_name(path, console_names_are_double_byte(), shown, sizeof shown);
    print_message(message, shown);
}

// Everything between the banner and the release of the image.
int run_stages(int argc, const char* const* argv, clBitMap* image)
{
    if (argc < 2) {
        print_message(MSG_SHORT_USAGE);
        return 0;
    }
    int32_t conversion_mode = MODE_NONE;
    int32_t transparent_index = -1;
    char input_name[kPathBufferSize];
    char output_name[kPathBufferSize];
    bool verbose = false;
    uint32_t result = parse_command_line(argc, argv, &conversion_mode, &transparent_index,
                                         input_name, output_name, &verbose);
    if (result & PARSE_INVALID) {
        print_message(MSG_INVALID_COMMAND);
        std::fputs("\n\n", stdout);
        print_message(MSG_SHORT_USAGE);
        return 0;
    }
    if (result & PARSE_HELP) {
        print_message(MSG_FULL_USAGE);
        return 0;
    }
    uint32_t option_flags = result;

    show_name(MSG_INPUT_NAME, input_name);
    show_name(MSG_OUTPUT_NAME, output_name);
    if (output_name_exists(output_name)) {
        print_message(MSG_ALREADY_EXISTS, output_name);
        return 0;
    }
    // A big picture's rows may stay in the mapped file until the coder
    // reads them.
    BmpInput input;
    if (load_bmp(&option_flags, transparent_index, conversion_mode, input_name, image, verbose, &input) != 0 ||
        convert_image(option_flags, conversion_mode, image, verbose, &input) != 0) {
        return kExitFailure;
    }
    const int written = write_gif_file(option_flags, output_name, image, verbose, input.rows.left ? &input : nullptr,
                                       input.rows.cost_work());
    if (written == kGifRowsMissing) {
        input.check_rows(verbose);
        return kExitFailure;
    }
    if (written == kGifOutputExisted) {
        return 0;  // message 17 said it; nothing was written, so no success either
    }
    if (written != 0) {
        return kExitFailure;
    }
    print_message(MSG_SUCCESS);
    return 0;
}

}  // namespace

int run_program(int argc, const char* const* argv)
{
    // Tools that read the version (help2man, packagers) expect the version
    // line alone, so neither the banner nor the language comes first.
    if (asks_for_version(argc, argv)) {
        std::fputs("vastrelmon " VASTRELMON_VERSION "\n", stdout);
        std::fflush(stdout);
        return 0;
    }
    clBitMap image;
    select_language();
    print_banner();
    int status = run_stages(argc, argv, &image);
    image.release();
    std::fflush(stdout);
    return status;
}
