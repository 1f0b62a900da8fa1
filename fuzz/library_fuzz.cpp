// The library's in-memory call on arbitrary bytes, with giflib and the
// tests' own BMP decoder as the oracle: a GIF it returns must decode to the
// BMP's colours (through the colour mode's own rule where one is chosen,
// so only its size is checked then); a refusal returns no GIF and a
// message.
//
// The first input byte chooses the options; the rest is the BMP file.
#include <gif_lib.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz_support.h"
#include "tests/support/bmp_reference.h"
#include "vastrelmon.h"

namespace {

void check(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

struct Reader {
    const unsigned char* data;
    size_t size;
    size_t at;
};

int read_bytes(GifFileType* gif, GifByteType* out, int count)
{
    Reader* reader = static_cast<Reader*>(gif->UserData);
    const size_t n = std::min(static_cast<size_t>(count), reader->size - reader->at);
    std::memcpy(out, reader->data + reader->at, n);
    reader->at += n;
    return static_cast<int>(n);
}

void check_gif(const unsigned char* data, size_t size, const std::string& bmp, bool same_colors)
{
    Reader reader = {data, size, 0};
    int error = 0;
    GifFileType* gif = DGifOpen(&reader, read_bytes, &error);
    check(gif != nullptr && DGifSlurp(gif) == GIF_OK && gif->ImageCount == 1 && gif->SColorMap != nullptr);
    const ReferenceBmp reference = decode_reference_bmp(bmp);
    // The tests' decoder does not read run-length codes: such a picture is
    // only checked to decode (the tests hold it against its plain twin).
    const bool run_length = bmp.size() >= 34 && bmp[14] != 12 && (bmp[30] == 1 || bmp[30] == 2) &&
                            bmp[31] == 0 && bmp[32] == 0 && bmp[33] == 0;
    if (run_length && !reference.ok) {
        DGifCloseFile(gif, &error);
        return;
    }
    check(reference.ok);
    const SavedImage& frame = gif->SavedImages[0];
    check(frame.ImageDesc.Width == reference.width && frame.ImageDesc.Height == reference.height);
    if (same_colors) {
        for (size_t i = 0; i < reference.colors.size(); ++i) {
            const int index = frame.RasterBits[i];
            check(index < gif->SColorMap->ColorCount);
            const GifColorType& c = gif->SColorMap->Colors[index];
            check((static_cast<uint32_t>(c.Red) << 16 | static_cast<uint32_t>(c.Green) << 8 | c.Blue) ==
                  reference.colors[i]);
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
    const uint8_t choice = data[0];
    vastrelmon_options options;
    vastrelmon_options_init(&options);
    options.interlace = (choice & 0x01) == 0;
    options.compress = (choice & 0x02) == 0;
    options.widest_codes = (choice & 0x04) != 0;
    if (choice & 0x08) {
        options.transparent = (choice >> 4) * 17 % 256;
    }
    static const vastrelmon_color_mode kModes[] = {
        VASTRELMON_COLOR_AS_IS,   VASTRELMON_COLOR_AS_IS,    VASTRELMON_COLOR_GREY,
        VASTRELMON_COLOR_RGB332,  VASTRELMON_COLOR_RED_ONLY, VASTRELMON_COLOR_ROSE_TONE};
    options.color_mode = kModes[(choice >> 4) % 6];

    unsigned char* gif = nullptr;
    size_t gif_size = 0;
    vastrelmon_result result;
    vastrelmon_result_init(&result);
    const vastrelmon_status status = vastrelmon_convert(data + 1, size - 1, &options, &gif, &gif_size, &result);
    if (status == VASTRELMON_OK) {
        check(gif != nullptr && gif_size > 0);
        check_gif(gif, gif_size, std::string(reinterpret_cast<const char*>(data + 1), size - 1),
                  options.color_mode == VASTRELMON_COLOR_AS_IS);
    } else {
        check(gif == nullptr && gif_size == 0 && result.status == status && result.message[0] != '\0');
    }
    vastrelmon_free(gif);
    return 0;
}
