#include "lib/conversion.h"

#include <cstdio>
#include <cstring>

#include "bmp/bmp_file.h"
#include "console/messages.h"
#include "console/options.h"
#include "image/bitmap.h"
#include "lib/gif_output.h"

namespace conversion {

namespace {

// Fills result with message id as the program prints it in English
// (without the line end), the detail it adds with /v, and status.
vastrelmon_status report(vastrelmon_result* result, vastrelmon_status status, MessageId id,
                         MessageArgument argument = MessageArgument(), const char* detail = "")
{
    if (result == nullptr || result->size < sizeof *result) {
        return status;
    }
    result->status = status;
    result->message_number = id;
    const char* format = MessageCatalogue[id].english_text;
    if (argument.kind == ARG_STRING) {
        std::snprintf(result->message, sizeof result->message, format, argument.text);
    } else {
        std::snprintf(result->message, sizeof result->message, format, argument.value);
    }
    const size_t length = std::strlen(result->message);
    if (length > 0 && result->message[length - 1] == '\n') {
        result->message[length - 1] = '\0';
    }
    std::snprintf(result->detail, sizeof result->detail, "%s", detail);
    return status;
}

// What a failed read of the BMP means to a caller.
vastrelmon_status read_status(uint32_t code)
{
    switch (code) {
    case kBmpShortRead:
        return VASTRELMON_ERROR_CUT_BMP;
    case kBmpNoMemory:
        return VASTRELMON_ERROR_NO_MEMORY;
    default:
        return VASTRELMON_ERROR_BAD_BMP;
    }
}

vastrelmon_status read_failure(const clFile& file, vastrelmon_result* result)
{
    return report(result, read_status(file.error_code), MSG_BMP_READ_FAILED,
                  static_cast<int32_t>(file.error_code), file.error_text);
}

// The image's pixel area could not be had: too big a picture, or memory.
vastrelmon_status create_failure(const clBitMap& image, vastrelmon_result* result)
{
    const vastrelmon_status status =
        image.error_code == kBitmapNoMemory ? VASTRELMON_ERROR_NO_MEMORY : VASTRELMON_ERROR_TOO_LARGE;
    return report(result, status, MSG_ALLOCATE_FAILED, static_cast<int32_t>(image.error_code), image.error_text);
}

// The library's progress callback under the encoder's: the encoder's last
// call (finished) is not passed on, as 100 has been.
struct Progress {
    vastrelmon_progress callback;
    void* context;
};

bool pass_progress(void* context, int32_t percent)
{
    const Progress* progress = static_cast<const Progress*>(context);
    return percent == kGifProgressFinished || progress->callback(progress->context, percent) == 0;
}

}  // namespace

int apply_color_mode(int32_t mode, clBitMap* image)
{
    switch (mode) {
    case MODE_NONE:
        return 0;
    case MODE_GREY:
        return image->apply_tone(TONE_GREY);
    case MODE_TONE_RED:
        return image->apply_tone(TONE_RED);
    case MODE_TONE_BLUE:
        return image->apply_tone(TONE_BLUE);
    case MODE_TONE_ROSE:
        return image->apply_tone(TONE_ROSE);
    case MODE_RGB332:
        return image->quantize_rgb332();
    case MODE_RED_ONLY:
        return image->keep_channel(CHANNEL_RED);
    case MODE_GREEN_ONLY:
        return image->keep_channel(CHANNEL_GREEN);
    case MODE_BLUE_ONLY:
        return image->keep_channel(CHANNEL_BLUE);
    default:
        return -1;
    }
}

vastrelmon_status refuse(vastrelmon_result* result, vastrelmon_status status, const char* why)
{
    if (result != nullptr && result->size >= sizeof *result) {
        result->status = status;
        result->message_number = -1;
        std::snprintf(result->message, sizeof result->message, "%s", why);
        result->detail[0] = '\0';
    }
    return status;
}

vastrelmon_status report_open_failure(const clFile& file, const char* path, vastrelmon_result* result)
{
    return report(result, VASTRELMON_ERROR_IO, MSG_INPUT_CANT_OPEN, path, file.error_text);
}

vastrelmon_status report_exists(const char* path, vastrelmon_result* result)
{
    return report(result, VASTRELMON_ERROR_OUTPUT_EXISTS, MSG_ALREADY_EXISTS, path);
}

vastrelmon_status take_options(const vastrelmon_options* options, Choices* choices, vastrelmon_result* result)
{
    if (options == nullptr) {
        return VASTRELMON_OK;
    }
    // A caller built against an older header passes a shorter struct; its
    // fields are the first ones, so all of them are known here.
    if (options->size < offsetof(vastrelmon_options, progress_context) + sizeof(void*)) {
        return refuse(result, VASTRELMON_ERROR_INVALID_ARGUMENT, "options not set up with vastrelmon_options_init");
    }
    if (options->transparent < -1 || options->transparent > 255) {
        return report(result, VASTRELMON_ERROR_TRANSPARENCY, MSG_BAD_TRANSPARENCY);
    }
    const int32_t mode = options->color_mode;
    if (mode != MODE_NONE && !(mode >= MODE_GREY && mode <= MODE_RGB332) &&
        !(mode >= MODE_RED_ONLY && mode <= MODE_BLUE_ONLY)) {
        return refuse(result, VASTRELMON_ERROR_INVALID_ARGUMENT, "unknown colour mode");
    }
    choices->interlace = options->interlace != 0;
    choices->transparent = options->transparent;
    choices->compress = options->compress != 0;
    choices->widest_codes = options->widest_codes != 0;
    choices->color_mode = options->color_mode;
    choices->progress = options->progress;
    choices->progress_context = options->progress_context;
    return VASTRELMON_OK;
}

vastrelmon_status load(clFile* file, const Choices& choices, clBitMap* image, bool* transparency,
                       vastrelmon_result* result)
{
    BmpInfo info;
    if (file->read_header(&info) != 0) {
        return read_failure(*file, result);
    }
    image->set_color_depth(info.bit_count);
    // 1- and 4-bit pictures stay packed, as the program keeps them.
    const bool packed = info.bit_count == 1 || info.bit_count == 4;
    if (image->create(info.width, info.height, packed) != 0) {
        return create_failure(*image, result);
    }
    *transparency = false;
    if (info.bit_count == clBitMap::kTrueColorDepth) {
        // A transparent index means nothing to a true-colour picture; the
        // program says so and goes on without it.
        if (file->read_pixels(&info, image->pixels(), image->get_data_size()) != 0) {
            return read_failure(*file, result);
        }
        return VASTRELMON_OK;
    }
    uint8_t palette[kPaletteBytes] = {};
    if (file->read_table(&info, palette) != 0 ||
        file->read_pixels(&info, image->pixels(), image->get_data_size(), packed) != 0) {
        return read_failure(*file, result);
    }
    std::memcpy(image->palette(), palette, sizeof palette);
    if (choices.transparent >= 0) {
        if (image->set_transparent_index(choices.transparent) != 0) {
            return report(result, VASTRELMON_ERROR_TRANSPARENCY, MSG_BAD_TRANSPARENCY, MessageArgument(),
                          image->error_text);
        }
        *transparency = true;
    }
    return VASTRELMON_OK;
}

vastrelmon_status reduce(const Choices& choices, clBitMap* image, vastrelmon_result* result)
{
    if (apply_color_mode(choices.color_mode, image) != 0) {
        const vastrelmon_status status =
            image->error_code == kBitmapNoMemory ? VASTRELMON_ERROR_NO_MEMORY : VASTRELMON_ERROR_INVALID_ARGUMENT;
        return report(result, status, MSG_EDIT_PALETTE_FAILED, MessageArgument(), image->error_text);
    }
    if (image->get_color_depth() > clBitMap::kMaxIndexedDepth) {
        if (image->build_palette() != 0) {
            const vastrelmon_status status = image->error_code == kBitmapNoMemory ? VASTRELMON_ERROR_NO_MEMORY
                                                                                  : VASTRELMON_ERROR_INVALID_ARGUMENT;
            return report(result, status, MSG_MAKE_PALETTE_FAILED, MessageArgument(), image->error_text);
        }
        if (image->get_color_depth() > clBitMap::kMaxIndexedDepth) {
            return report(result, VASTRELMON_ERROR_TOO_MANY_COLORS, MSG_TOO_MANY_COLORS);
        }
    } else {
        // A picture of a single index keeps its depth and palette.
        image->compact_palette();
    }
    return VASTRELMON_OK;
}

vastrelmon_status encode(const Choices& choices, bool transparency, const clBitMap& image, ByteSink* sink,
                         const char* gif_path, vastrelmon_result* result)
{
    GifOutputJob job;
    job.image = &image;
    job.interlace = choices.interlace;
    job.transparency = transparency;
    job.coder = choices.compress ? GifCoder::kLzw
                                 : choices.widest_codes ? GifCoder::kPlainBiggest : GifCoder::kPlain;
    Progress progress = {choices.progress, choices.progress_context};
    if (choices.progress != nullptr) {
        job.progress = pass_progress;
        job.progress_context = &progress;
    }
    job.sink = sink;
    job.path = gif_path;
    GifOutputFailure failure;
    const vastrelmon_status status = write_gif_output(job, &failure);
    if (status == VASTRELMON_ERROR_CANCELLED) {
        return refuse(result, status, "cancelled by the progress callback");
    }
    if (status != VASTRELMON_OK) {
        return report(result, status, failure.message, failure.argument, failure.detail);
    }
    return VASTRELMON_OK;
}

}  // namespace conversion
