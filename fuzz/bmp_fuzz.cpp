// The BMP reader on arbitrary bytes: it must refuse or load, never read or
// write outside its buffers, never leak, and a loaded picture must be sound.
#include <cstdint>
#include <cstdlib>

#include "console/options.h"
#include "app/load_bmp.h"
#include "fuzz_support.h"
#include "image/bitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (declares_big_picture(data, size)) {
        return 0;
    }
    silence_console();
    const bool verbose = (size & 1) != 0;  // exercise the detail texts as well
    uint32_t flags = kDefaultOptionFlags | FLAG_TRANSPARENCY;
    clBitMap image;
    if (load_bmp_from_memory(&flags, static_cast<int32_t>(size % 256), data, size, &image,
                             verbose) == 0) {
        int depth = image.get_color_depth();
        if (image.pixels() == nullptr || image.get_width() < 1 || image.get_height() < 1 ||
            (depth != 1 && depth != 4 && depth != 8 && depth != 24)) {
            std::abort();
        }
        if (depth <= 8) {
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
