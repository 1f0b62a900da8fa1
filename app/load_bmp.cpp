#include "app/load_bmp.h"

#include "console/messages.h"
#include "console/options.h"
#include "image/bitmap.h"

void print_failure(const conversion::Failure& failure, bool verbose)
{
    print_message(failure.id, failure.argument);
    if (verbose) {
        print_verbatim(failure.detail);
    }
}

bool BmpInput::read_row(int32_t row, uint8_t* out)
{
    // A row on a page the file lost reads as zeros: not the file's.
    if (!rows.read_row(row, out) || !file.intact_so_far()) {
        return false;
    }
    return ++rows_taken_ < rows.info.height || file.intact();
}

int BmpInput::check_rows(bool verbose)
{
    if (file.intact()) {
        return 0;
    }
    conversion::Failure failure;
    conversion::cut_failure(&rows, file.file_size_now(), &failure);
    print_failure(failure, verbose);
    return 1;
}

int load_bmp(uint32_t* option_flags, int32_t transparent_index, int32_t conversion_mode, const char* input_name,
             clBitMap* image, bool verbose, BmpInput* input)
{
    conversion::Failure failure;
    const FileView::Opened opened = input->file.open(input_name, true);
    if (opened != FileView::kOpened) {
        conversion::open_failure(opened, input_name != nullptr ? input_name : "", &failure);
        print_failure(failure, verbose);
        return 1;
    }
    conversion::Choices choices;
    choices.transparency = (*option_flags & FLAG_TRANSPARENCY) != 0;
    choices.transparent = transparent_index;
    choices.color_mode = conversion_mode;
    choices.rows_for_coder = (*option_flags & FLAG_NO_LZW) == 0;
    const vastrelmon_status status =
        conversion::load(input->file.data(), input->file.size(), choices, image, &input->rows, &failure);
    const BmpInfo& info = input->rows.info;
    if (verbose && info.width > 0) {
        print_message(MSG_BMP_WIDTH, info.width);
        print_message(MSG_BMP_HEIGHT, info.height);
    }
    if (status != VASTRELMON_OK) {
        print_failure(failure, verbose);
        return 1;
    }
    // Every row read: the file can go.
    if (!input->rows.left) {
        if (input->check_rows(verbose) != 0) {
            return 1;
        }
        input->file.close();
    }
    if (info.bit_count == clBitMap::kTrueColorDepth && choices.transparency) {
        print_message(MSG_TRANSPARENCY_OFF);
        *option_flags &= ~FLAG_TRANSPARENCY;
    }
    return 0;
}
