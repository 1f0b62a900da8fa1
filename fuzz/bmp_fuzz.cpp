// The BMP reader on arbitrary bytes: it must refuse or load, never read or
// write outside its buffers, never leak, and a loaded picture must be sound.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "console/options.h"
#include "lib/conversion.h"
#include "fuzz_support.h"
#include "image/bitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (declares_big_picture(data, size)) {
        return 0;
    }
    conversion::Choices choices;
    choices.transparency = true;
    choices.transparent = static_cast<int32_t>(size % 256);
    choices.rows_for_coder = (size & 1) != 0;  // rows left in the bytes as well
    clBitMap image;
    conversion::Rows rows;
    conversion::Failure failure;
    if (conversion::load(data, size, choices, &image, &rows, &failure) == VASTRELMON_OK) {
        int depth = image.get_color_depth();
        if (image.pixels() == nullptr || image.get_width() < 1 || image.get_height() < 1 ||
            (depth != 1 && depth != 4 && depth != 8 && depth != 24)) {
            std::abort();
        }
        if (rows.starts != nullptr) {
            // Run-length rows drawn one at a time must be the rows drawn at once.
            choices.rows_for_coder = false;
            clBitMap whole;
            conversion::Rows in_memory;
            if (conversion::load(data, size, choices, &whole, &in_memory, &failure) != VASTRELMON_OK) {
                std::abort();
            }
            std::vector<uint8_t> row(static_cast<size_t>(image.get_width()));
            for (int32_t y = 0; y < image.get_height(); ++y) {
                if (!rows.read_row(y, row.data())) {
                    std::abort();
                }
                for (int32_t x = 0; x < image.get_width(); ++x) {
                    if (row[static_cast<size_t>(x)] != whole.index_at(x, y)) {
                        std::abort();
                    }
                }
            }
        }
        if (depth <= 8 && !rows.left) {
            // Every index must address the file's colour table.
            for (int32_t y = 0; y < image.get_height(); ++y) {
                for (int32_t x = 0; x < image.get_width(); ++x) {
                    if (image.index_at(x, y) >= (1u << depth)) {
                        std::abort();
                    }
                }
            }
        }
    }
    return 0;
}
