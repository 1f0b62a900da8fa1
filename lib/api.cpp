// The public C API: the callers' arguments checked, then one conversion
// (lib/conversion.h) from a file, from memory or from pixels.
#include "vastrelmon.h"

#include <cstdlib>
#include <cstring>

#include "image/bitmap.h"
#include "lib/conversion.h"
#include "platform/byte_sink.h"
#include "platform/file_view.h"
#include "platform/files.h"

namespace {

using conversion::Choices;
using conversion::refuse;

// The output pointers of a call, cleared first so a failure leaves no
// stale value behind.
bool clear_output(unsigned char** gif, size_t* gif_size)
{
    if (gif == nullptr || gif_size == nullptr) {
        return false;
    }
    *gif = nullptr;
    *gif_size = 0;
    return true;
}

// Colour work and coding of a loaded image, into memory or, with gif_path,
// a file.
vastrelmon_status finish(const Choices& choices, clBitMap* image, conversion::Rows* rows, const char* gif_path,
                         unsigned char** gif, size_t* gif_size, vastrelmon_result* result)
{
    conversion::Failure failure;
    if (conversion::reduce(choices, image, rows, &failure) != VASTRELMON_OK) {
        return conversion::report(result, failure);
    }
    // The colour work unsets the index when no pixel uses that colour.
    if (gif_path != nullptr) {
        return conversion::encode(choices, choices.transparency, *image, nullptr, gif_path, result);
    }
    MemorySink sink;
    const vastrelmon_status status = conversion::encode(choices, choices.transparency, *image, &sink, nullptr, result);
    if (status == VASTRELMON_OK) {
        *gif = sink.take(gif_size);
    }
    return status;
}

// An image of the caller's pixels at depth bits (8 or 24), as a BMP of them
// would load; rows are then filled by the caller.
vastrelmon_status make_image(int width, int height, int bits, clBitMap* image, vastrelmon_result* result)
{
    image->set_color_depth(bits);
    if (image->create(width, height) != 0) {
        const vastrelmon_status status =
            image->error_code == kBitmapNoMemory ? VASTRELMON_ERROR_NO_MEMORY : VASTRELMON_ERROR_TOO_LARGE;
        return refuse(result, status,
                      status == VASTRELMON_ERROR_TOO_LARGE ? "pictures are at most 6400 x 4800 pixels"
                                                           : "not enough memory for the picture");
    }
    return VASTRELMON_OK;
}

// The BMP of size bytes at bmp converted.
vastrelmon_status convert_bytes(const uint8_t* bmp, size_t size, Choices choices, const char* gif_path,
                                unsigned char** gif, size_t* gif_size, vastrelmon_result* result)
{
    clBitMap image;
    conversion::Rows rows;
    conversion::Failure failure;
    if (conversion::load(bmp, size, choices, &image, &rows, &failure) != VASTRELMON_OK) {
        return conversion::report(result, failure);
    }
    // A transparent index means nothing to a true-colour picture.
    choices.transparency = choices.transparency && rows.info.bit_count != clBitMap::kTrueColorDepth;
    return finish(choices, &image, &rows, gif_path, gif, gif_size, result);
}

bool pixels_fit(const void* pixels, int width, int height, size_t stride, size_t bytes_per_pixel)
{
    return pixels != nullptr && width > 0 && height > 0 &&
           stride >= static_cast<size_t>(width) * bytes_per_pixel;
}

}  // namespace

void vastrelmon_options_init(vastrelmon_options* options)
{
    if (options == nullptr) {
        return;
    }
    std::memset(options, 0, sizeof *options);
    options->size = sizeof *options;
    options->interlace = 1;
    options->transparent = -1;
    options->compress = 1;
    options->color_mode = VASTRELMON_COLOR_AS_IS;
}

void vastrelmon_result_init(vastrelmon_result* result)
{
    if (result == nullptr) {
        return;
    }
    std::memset(result, 0, sizeof *result);
    result->size = sizeof *result;
    result->message_number = -1;
}

vastrelmon_status vastrelmon_convert(const void* bmp, size_t bmp_size, const vastrelmon_options* options,
                                     unsigned char** gif, size_t* gif_size, vastrelmon_result* result)
{
    Choices choices;
    if (!clear_output(gif, gif_size) || bmp == nullptr) {
        return refuse(result, VASTRELMON_ERROR_INVALID_ARGUMENT, "a pointer argument is null");
    }
    vastrelmon_status status = conversion::take_options(options, &choices, result);
    if (status != VASTRELMON_OK) {
        return status;
    }
    return convert_bytes(static_cast<const uint8_t*>(bmp), bmp_size, choices, nullptr, gif, gif_size, result);
}

vastrelmon_status vastrelmon_encode_rgb(const void* pixels, int width, int height, size_t stride,
                                        const vastrelmon_options* options, unsigned char** gif,
                                        size_t* gif_size, vastrelmon_result* result)
{
    Choices choices;
    if (!clear_output(gif, gif_size) || !pixels_fit(pixels, width, height, stride, 3)) {
        return refuse(result, VASTRELMON_ERROR_INVALID_ARGUMENT, "no pixels, or a size or stride that cannot hold them");
    }
    vastrelmon_status status = conversion::take_options(options, &choices, result);
    if (status != VASTRELMON_OK) {
        return status;
    }
    clBitMap image;
    status = make_image(width, height, clBitMap::kTrueColorDepth, &image, result);
    if (status != VASTRELMON_OK) {
        return status;
    }
    // The image keeps blue, green, red, as a BMP stores them.
    const uint8_t* rows = static_cast<const uint8_t*>(pixels);
    uint8_t* out = image.pixels();
    for (int y = 0; y < height; ++y) {
        const uint8_t* in = rows + static_cast<size_t>(y) * stride;
        for (int x = 0; x < width; ++x, in += 3, out += 3) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
        }
    }
    choices.transparency = false;  // no index in a true-colour picture
    conversion::Rows none;
    return finish(choices, &image, &none, nullptr, gif, gif_size, result);
}

vastrelmon_status vastrelmon_encode_indexed(const void* indices, int width, int height, size_t stride,
                                            const unsigned char* palette, int palette_entries,
                                            const vastrelmon_options* options, unsigned char** gif,
                                            size_t* gif_size, vastrelmon_result* result)
{
    Choices choices;
    if (!clear_output(gif, gif_size) || !pixels_fit(indices, width, height, stride, 1) || palette == nullptr ||
        palette_entries < 1 || palette_entries > kPaletteEntries) {
        return refuse(result, VASTRELMON_ERROR_INVALID_ARGUMENT,
                      "no pixels or palette, a size or stride that cannot hold them, or not 1 to 256 colours");
    }
    vastrelmon_status status = conversion::take_options(options, &choices, result);
    if (status != VASTRELMON_OK) {
        return status;
    }
    clBitMap image;
    status = make_image(width, height, 8, &image, result);
    if (status != VASTRELMON_OK) {
        return status;
    }
    const uint8_t* rows = static_cast<const uint8_t*>(indices);
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = rows + static_cast<size_t>(y) * stride;
        for (int x = 0; x < width; ++x) {
            if (row[x] >= palette_entries) {
                return refuse(result, VASTRELMON_ERROR_INVALID_ARGUMENT, "an index beyond the palette");
            }
        }
        std::memcpy(image.pixels() + static_cast<size_t>(y) * static_cast<size_t>(width), row,
                    static_cast<size_t>(width));
    }
    std::memcpy(image.palette(), palette, static_cast<size_t>(palette_entries) * 3);
    if (choices.transparency) {
        image.set_transparent_index(choices.transparent);  // any index fits depth 8
    }
    conversion::Rows none;
    return finish(choices, &image, &none, nullptr, gif, gif_size, result);
}

vastrelmon_status vastrelmon_convert_file(const char* bmp_path, const char* gif_path,
                                          const vastrelmon_options* options, vastrelmon_result* result)
{
    Choices choices;
    if (bmp_path == nullptr || gif_path == nullptr) {
        return refuse(result, VASTRELMON_ERROR_INVALID_ARGUMENT, "a path is null");
    }
    vastrelmon_status status = conversion::take_options(options, &choices, result);
    if (status != VASTRELMON_OK) {
        return status;
    }
    // Looked at before the BMP is read, as the program does; looked at
    // again when the GIF is named.
    if (output_name_exists(gif_path)) {
        return conversion::report_exists(gif_path, result);
    }
    // Read, not mapped: the process's signals are not the library's.
    FileView file;
    const FileView::Opened opened = file.open(bmp_path, false);
    if (opened != FileView::kOpened) {
        conversion::Failure failure;
        conversion::open_failure(opened, bmp_path, &failure);
        return conversion::report(result, failure);
    }
    return convert_bytes(file.data(), file.size(), choices, gif_path, nullptr, nullptr, result);
}

void vastrelmon_free(void* gif)
{
    std::free(gif);
}

const char* vastrelmon_version(void)
{
    return VASTRELMON_VERSION_STRING;
}
