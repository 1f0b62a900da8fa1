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

int convert_image(uint32_t option_flags, int32_t conversion_mode, clBitMap* image, bool verbose, BmpInput* input)
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
    conversion::Rows in_memory;
    conversion::Rows* rows = input != nullptr ? &input->rows : &in_memory;
    const bool read_in_file = rows->left;
    conversion::Failure failure;
    const vastrelmon_status status = conversion::make_palette(image, rows, &failure);
    // What was read from the file counts only while the file still holds it.
    if (read_in_file && (!rows->left || status != VASTRELMON_OK)) {
        if (input->check_rows(verbose) != 0) {
            return 1;
        }
        input->file.close();
    }
    if (status != VASTRELMON_OK) {
        print_failure(failure, verbose);
        return 1;
    }
    // A 16- or 32-bit file's picture is read as 24 bits; the user is shown
    // the depth the file has.
    const bool read_as_24 = before == clBitMap::kTrueColorDepth && rows->info.width > 0;
    report_depths(read_as_24 ? file_bit_count(rows->info) : before, image->get_color_depth(), verbose);
    return 0;
}
