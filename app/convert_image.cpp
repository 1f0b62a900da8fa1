#include "app/convert_image.h"

#include "app/load_bmp.h"

#include "console/messages.h"
#include "console/options.h"
#include "image/bitmap.h"
#include "lib/conversion.h"

namespace {

void report_failure(MessageId message, const clBitMap& image, bool verbose)
{
    print_message(message);
    if (verbose) {
        print_verbatim(image.error_text);
    }
}

void report_depths(int32_t before, int32_t after, bool verbose)
{
    if (verbose) {
        print_message(MSG_DEPTH_BEFORE, before);
        print_message(MSG_DEPTH_AFTER, after);
    }
}

}  // namespace

int convert_image(uint32_t option_flags, int32_t conversion_mode, clBitMap* image, bool verbose, InputFile* input)
{
    const int step = conversion::apply_color_mode(conversion_mode, image);
    if (step < 0) {
        print_message(MSG_EDIT_PALETTE_FAILED);
        return 1;
    }
    if (step != 0) {
        report_failure(MSG_EDIT_PALETTE_FAILED, *image, verbose);
        return 1;
    }
    // /o asks for no optimisation, but the GIF needs the smallest table all
    // the same: say so and go on.
    if ((option_flags & FLAG_OPTIMIZE) == 0) {
        print_message(MSG_OPTIMIZE_ANYWAY);
    }
    const int32_t before = image->get_color_depth();
    if (before > clBitMap::kMaxIndexedDepth) {
        if (input != nullptr && input->rows_in_file) {
            if (palette_from_file(input, image, verbose) != 0) {
                return 1;
            }
        } else if (image->build_palette() != 0) {
            report_failure(MSG_MAKE_PALETTE_FAILED, *image, verbose);
            return 1;
        }
        if (image->get_color_depth() > clBitMap::kMaxIndexedDepth) {
            print_message(MSG_TOO_MANY_COLORS);
            return 1;
        }
    } else {
        // A picture using a single index cannot be compacted; it keeps its
        // depth and palette, which the GIF carries as they are.
        image->compact_palette();
    }
    // A 16- or 32-bit file's picture is read as 24 bits; the user is shown
    // the depth the file has.
    const bool read_as_24 = before == clBitMap::kTrueColorDepth && input != nullptr && input->depth_read != 0;
    report_depths(read_as_24 ? input->depth_read : before, image->get_color_depth(), verbose);
    return 0;
}
