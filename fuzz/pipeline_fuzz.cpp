// The whole conversion on arbitrary bytes, with giflib as the oracle: when
// the program says it wrote a GIF, giflib must decode it to exactly the
// converted picture's indices and colours.
//
// The first input byte chooses the options (colour mode, interlace, coder,
// biggest mode, transparency); the rest is the BMP file.
#include <gif_lib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "console/options.h"
#include "app/load_bmp.h"
#include "fuzz_support.h"
#include "app/write_gif_file.h"
#include "image/bitmap.h"
#include "app/convert_image.h"

namespace {

const int32_t kModes[] = {MODE_NONE,     MODE_NONE,       MODE_NONE,      MODE_GREY,
                          MODE_TONE_RED, MODE_TONE_BLUE,  MODE_TONE_ROSE, MODE_RGB332,
                          MODE_RED_ONLY, MODE_GREEN_ONLY, MODE_BLUE_ONLY, 6};

void check(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

void check_gif_matches(const char* path, const clBitMap& image, uint32_t flags)
{
    int error = 0;
    GifFileType* gif = DGifOpenFileName(path, &error);
    check(gif != nullptr);
    check(DGifSlurp(gif) == GIF_OK);
    check(gif->ImageCount == 1);
    const SavedImage& frame = gif->SavedImages[0];
    int width = image.get_width();
    int height = image.get_height();
    check(frame.ImageDesc.Width == width && frame.ImageDesc.Height == height);
    check(frame.ImageDesc.Interlace == ((flags & FLAG_INTERLACE) != 0));
    check(gif->SColorMap != nullptr);
    int depth = image.get_color_depth();
    for (int i = 0; i < (1 << depth); ++i) {
        const GifColorType& c = gif->SColorMap->Colors[i];
        check(c.Red == image.palette()[3 * i] && c.Green == image.palette()[3 * i + 1] &&
              c.Blue == image.palette()[3 * i + 2]);
    }
    GraphicsControlBlock control;
    check(DGifSavedExtensionToGCB(gif, 0, &control) == GIF_OK);
    const bool transparent = (flags & FLAG_TRANSPARENCY) && image.get_transparent_index() >= 0;
    check(control.TransparentColor == (transparent ? image.get_transparent_index() : NO_TRANSPARENT_COLOR));
    // giflib hands back rows in picture order, interlaced or not.
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            check(frame.RasterBits[static_cast<size_t>(y) * width + x] == image.index_at(x, y));
        }
    }
    DGifCloseFile(gif, &error);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1 || declares_big_picture(data + 1, size - 1)) {
        return 0;
    }
    silence_console();
    static const std::string gif_path = scratch_path(".gif");
    std::remove(gif_path.c_str());

    uint8_t choice = data[0];
    uint32_t flags = kDefaultOptionFlags;
    if (choice & 0x01) flags &= ~FLAG_INTERLACE;
    if (choice & 0x02) flags |= FLAG_NO_LZW;
    if (choice & 0x04) flags |= FLAG_BIGGEST;
    int32_t transparent = -1;
    if (choice & 0x08) {
        flags |= FLAG_TRANSPARENCY;
        transparent = (choice >> 4) * 17 % 256;
    }
    int32_t mode = kModes[(choice >> 4) % (sizeof kModes / sizeof kModes[0])];
    const bool verbose = (choice & 0x80) != 0;

    // The program's stages on the bytes as if mapped from its file.
    clBitMap image;
    BmpInput input;
    conversion::Choices choices;
    choices.transparency = (flags & FLAG_TRANSPARENCY) != 0;
    choices.transparent = transparent;
    choices.color_mode = mode;
    choices.rows_for_coder = (flags & FLAG_NO_LZW) == 0;
    conversion::Failure failure;
    if (conversion::load(data + 1, size - 1, choices, &image, &input.rows, &failure) != VASTRELMON_OK) {
        return 0;
    }
    if (input.rows.info.bit_count == 24) {
        flags &= ~FLAG_TRANSPARENCY;
    }
    if (convert_image(flags, mode, &image, verbose, &input) != 0) {
        return 0;
    }
    check(image.get_color_depth() >= 1 && image.get_color_depth() <= 8);
    if (write_gif_file(flags, gif_path.c_str(), &image, verbose, input.rows.left ? &input : nullptr) == 0) {
        if (!input.rows.left) {  // else the image lacks the rows the coder read
            check_gif_matches(gif_path.c_str(), image, flags);
        }
    } else {
        // A refused write leaves no file behind.
        std::FILE* left = std::fopen(gif_path.c_str(), "rb");
        check(left == nullptr);
    }
    std::remove(gif_path.c_str());
    return 0;
}
