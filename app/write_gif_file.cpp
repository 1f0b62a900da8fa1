// The last stage of a run: everything is set up and coded in memory first, so
// a failure before the file is created never touches the file system; the
// file gets the output name only once it is complete, and one whose write or
// close failed is deleted again.
#include "app/write_gif_file.h"

#include <cstdlib>
#include <cstring>

#include "console/messages.h"
#include "console/options.h"
#include "platform/files.h"
#include "gif/gif_file.h"
#include "image/bitmap.h"

const char kGifComment[] = "Conv. by Vastrelmon(Prj.Quorvel)@Dremmick";

namespace {

constexpr int32_t kStoreComment = 1;
constexpr int32_t kNoTransparentIndex = -1;

// Prints a failure: its message, then in verbose mode the encoder's own
// text, character for character.
int report(const clGIFFile& gif, bool verbose, MessageId message, MessageArgument argument = MessageArgument())
{
    print_message(message, argument);
    if (verbose) {
        print_verbatim(gif.error_text);
    }
    return 1;
}

// The progress line of the LZW coder, shown with /v.
void show_progress(void*, int32_t percent)
{
    if (percent == clGIFFile::kProgressFinished) {
        print_verbatim("\n");
    } else {
        print_message(MSG_PROGRESS, percent);
    }
}

// Configures the encoder from the image and codes the pixels, in the order
// the encoder requires.
int prepare(uint32_t option_flags, const clBitMap* image, bool verbose, clGIFFile* gif)
{
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
    // The colour stage unsets the index when no pixel uses that colour; the
    // file then simply has no transparent colour.
    if ((option_flags & FLAG_TRANSPARENCY) &&
        image->get_transparent_index() != kNoTransparentIndex &&
        gif->set_transparency(image->get_transparent_index()) != 0) {
        return report(*gif, verbose, MSG_BAD_TRANSPARENCY);
    }
    if ((option_flags & FLAG_INTERLACE) && gif->set_interlace() != 0) {
        return report(*gif, verbose, MSG_BAD_INTERLACE);
    }
    if (gif->set_palette(image->palette()) != 0) {
        return report(*gif, verbose, MSG_PALETTE_FAILED);
    }
    bool plain = (option_flags & FLAG_NO_LZW) != 0;
    if ((plain ? gif->lzw_off() : gif->lzw_on()) != 0) {
        return report(*gif, verbose, MSG_COMPRESS_MODE_FAILED, plain ? "UCGIF" : "LZW");
    }
    bool biggest = (option_flags & FLAG_BIGGEST) != 0;
    if ((biggest ? gif->biggest_on() : gif->biggest_off()) != 0) {
        return report(*gif, verbose, MSG_BIGGEST_MODE_FAILED, biggest ? "ON" : "OFF");
    }
    if (verbose) {
        gif->set_progress(show_progress, nullptr);
    }
    if (gif->set_graphics(image->pixels()) != 0) {
        return report(*gif, verbose, MSG_IMAGE_DATA_FAILED);
    }
    return 0;
}

// How the output is written. Builds with VASTRELMON_OUTPUT_HOOKS (the test
// and benchmark builds) let two environment variables change it:
// VASTRELMON_OUTPUT_METHOD=link|rename|in-place starts at that fallback, for
// the end-to-end tests of each; VASTRELMON_OUTPUT_SYNC=0 leaves out the
// sync, to measure what it costs. The program itself reads no environment.
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
    }
#endif
    return options;
}

}  // namespace

int write_gif_file(uint32_t option_flags, int32_t, const char* output_name,
                   const clBitMap* image, bool verbose)
{
    clGIFFile gif;
    if (prepare(option_flags, image, verbose, &gif) != 0) {
        return 1;
    }
    // Looked at again right before writing: the file may have appeared
    // while the pixels were coded.
    if (output_name_exists(output_name)) {
        print_message(MSG_ALREADY_EXISTS, output_name);
        return kGifOutputExisted;
    }
    if (gif.open_file(output_name, output_options()) != 0) {
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
