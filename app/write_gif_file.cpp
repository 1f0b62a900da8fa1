// The last stage of a run: everything is set up and coded in memory, the file
// written without a name (a big picture's while it is coded) and given the
// output name only once it is complete; a file whose coding, write or close
// failed is abandoned, and nothing is left.
#include "app/write_gif_file.h"

#include <cstdlib>
#include <cstring>

#include "console/messages.h"
#include "console/options.h"
#include "platform/files.h"
#include "platform/packed_rows.h"
#include "gif/gif_file.h"
#include "image/bitmap.h"
#include "lib/conversion.h"

namespace {

constexpr int32_t kStoreComment = 1;

// Prints a failure: its message, then in verbose mode the encoder's own
// text, character for character.
int report(const clGIFFile& gif, bool verbose, MessageId message,
           MessageArgument argument = MessageArgument())
{
    print_message(message, argument);
    if (verbose) {
        print_verbatim(gif.error_text);
    }
    return 1;
}

// The progress line of the LZW coder, shown with /v.
bool show_progress(void*, int32_t percent)
{
    if (percent == kGifProgressFinished) {
        print_verbatim("\n");
    } else {
        print_message(MSG_PROGRESS, percent);
    }
    return true;
}

// The encoder's settings for a run: the coding choices of the option word,
// the image's transparent index, and the progress line in verbose mode.
GifSettings settings_for(uint32_t option_flags, const clBitMap* image, bool verbose)
{
    GifSettings settings;
    settings.interlace = (option_flags & FLAG_INTERLACE) != 0;
    if (option_flags & FLAG_NO_LZW) {
        settings.coder = (option_flags & FLAG_BIGGEST) ? GifSettings::kPlainBiggest : GifSettings::kPlain;
    }
    // The color stage unsets the index when no pixel uses that color; the
    // file then simply has no transparent color.
    if (option_flags & FLAG_TRANSPARENCY) {
        settings.transparent_index = image->get_transparent_index();
    }
    if (verbose) {
        settings.progress = show_progress;
    }
    return settings;
}

// Configures the encoder from the image and codes the pixels, in the order
// the encoder requires. The file is opened before the pixels are coded, so
// the coded data can go there meanwhile; if that open fails, it is made
// again, and reported, where the file is opened otherwise.
int prepare(const GifSettings& settings, const clBitMap* image, bool verbose, const char* output_name,
            const OutputOptions& output, GifRowSource* rows, clGIFFile* gif)
{
    gif->use_helpers(settings);
    if (gif->create(image->get_width(), image->get_height()) != 0) {
        int32_t code = static_cast<int32_t>(gif->error_code);
        return report(*gif, verbose, MSG_ALLOCATE_FAILED, code);
    }
    if (gif->set_comment(kStoreComment, static_cast<int32_t>(std::strlen(kGifComment)),
                         kGifComment) != 0) {
        return report(*gif, verbose, MSG_INNER_DATA_FAILED);
    }
    int32_t depth = image->get_color_depth();
    if (gif->set_color_depth(depth) != 0) {
        return report(*gif, verbose, MSG_BAD_COLOR_DEPTH, depth);
    }
    if (settings.transparent_index != GifSettings::kNoTransparency &&
        gif->set_transparency(settings.transparent_index) != 0) {
        return report(*gif, verbose, MSG_BAD_TRANSPARENCY);
    }
    // Refused only after the pixels, which come later.
    if (settings.interlace) {
        gif->set_interlace();
    }
    if (gif->set_palette(image->palette()) != 0) {
        return report(*gif, verbose, MSG_PALETTE_FAILED);
    }
    if (settings.coder == GifSettings::kLzw) {
        gif->lzw_on();
    } else {
        gif->lzw_off();
    }
    if (settings.coder == GifSettings::kPlainBiggest) {
        gif->biggest_on();
    } else {
        gif->biggest_off();
    }
    gif->set_progress(settings.progress, settings.progress_context);
    if (settings.write_behind) {
        gif->open_file(output_name, output);
    }
    if (gif->set_graphics(image->pixels(), image->get_stored_bits(), rows) != 0) {
        if (gif->rows_missing()) {
            return kGifRowsMissing;
        }
        return report(*gif, verbose, MSG_IMAGE_DATA_FAILED);
    }
    return 0;
}

// How the output is written. Builds with VASTRELMON_OUTPUT_HOOKS (the test
// and benchmark builds) let two environment variables change it:
// VASTRELMON_OUTPUT_METHOD=link|rename|in-place starts at that fallback, for
// the end-to-end tests of each; VASTRELMON_OUTPUT_SYNC=0 leaves out the
// syncs, to measure what they cost, and =fail-folder makes the folder's sync
// fail, as a failing disk would. The program itself reads no environment.
OutputOptions output_options()
{
    OutputOptions options;
#ifdef VASTRELMON_OUTPUT_HOOKS
    if (const char* method = std::getenv("VASTRELMON_OUTPUT_METHOD")) {
        if (std::strcmp(method, "link") == 0) {
            options.first = OutputMethod::kHiddenLink;
        } else if (std::strcmp(method, "rename") == 0) {
            options.first = OutputMethod::kHiddenRename;
        } else if (std::strcmp(method, "in-place") == 0) {
            options.first = OutputMethod::kInPlace;
        }
    }
    if (const char* sync = std::getenv("VASTRELMON_OUTPUT_SYNC")) {
        options.sync = std::strcmp(sync, "0") != 0;
        options.fail_folder_sync = std::strcmp(sync, "fail-folder") == 0;
    }
#endif
    return options;
}

}  // namespace

bool coder_takes_rows(uint32_t option_flags, const clBitMap* image)
{
    return (option_flags & FLAG_NO_LZW) == 0 && image->get_color_depth() == kGifMaxDepth &&
           image->get_stored_bits() == kBytePerPixel;
}

int write_gif_file(uint32_t option_flags, const char* output_name, const clBitMap* image,
                   bool verbose, GifRowSource* rows)
{
    clGIFFile gif;
    const OutputOptions output = output_options();
    const int prepared =
        prepare(settings_for(option_flags, image, verbose), image, verbose, output_name, output, rows, &gif);
    if (prepared != 0) {
        return prepared;
    }
    // Looked at again right before writing: the file may have appeared
    // while the pixels were coded.
    if (output_name_exists(output_name)) {
        print_message(MSG_ALREADY_EXISTS, output_name);
        return kGifOutputExisted;
    }
    if (!gif.file_open() && gif.open_file(output_name, output) != 0) {
        if (gif.output_name_taken()) {
            // Another run's file took the name since the look above.
            print_message(MSG_ALREADY_EXISTS, output_name);
            return kGifOutputExisted;
        }
        return report(gif, verbose, MSG_OUTPUT_CANT_OPEN, output_name);
    }
    // Until close_file the file has no name (or a hidden temporary one);
    // the encoder's destructor closes and deletes it after a failure.
    if (gif.write_gif() != 0) {
        return report(gif, verbose, MSG_OUTPUT_CANT_WRITE, output_name);
    }
    if (gif.close_file() != 0) {
        if (gif.output_name_taken()) {
            // Someone else's file took the name while this one was written.
            print_message(MSG_ALREADY_EXISTS, output_name);
            return kGifOutputExisted;
        }
        return report(gif, verbose, MSG_OUTPUT_CANT_CLOSE, output_name);
    }
    return 0;
}
