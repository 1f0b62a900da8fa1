#include "lib/conversion.h"

#include <cstdio>
#include <cstring>

#include "bmp/bmp_file.h"
#include "console/messages.h"
#include "console/options.h"
#include "gif/gif_file.h"
#include "image/bitmap.h"
#include "platform/byte_sink.h"

const char kGifComment[] = "Conv. by Vastrelmon(Prj.Quorvel)@Dremmick";

namespace conversion {

namespace {

constexpr int32_t kStoreComment = 1;

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

// The encoder refused a step the program never expects to fail.
vastrelmon_status encoder_failure(const clGIFFile& gif, MessageId id, vastrelmon_result* result,
                                  MessageArgument argument = MessageArgument())
{
    const vastrelmon_status status =
        gif.error_code == kGifNoMemory ? VASTRELMON_ERROR_NO_MEMORY : VASTRELMON_ERROR_INVALID_ARGUMENT;
    return report(result, status, id, argument, gif.error_text);
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
    clGIFFile gif;
    // No second thread and nothing written while coding: the GIF's bytes
    // are the same either way, and a library starts no thread of its own.
    GifSettings helpers;
    helpers.side_thread = false;
    helpers.rows_ahead = false;
    helpers.write_behind = false;
    gif.use_helpers(helpers);
    if (gif.create(image.get_width(), image.get_height()) != 0) {
        return encoder_failure(gif, MSG_ALLOCATE_FAILED, result, static_cast<int32_t>(gif.error_code));
    }
    if (gif.set_comment(kStoreComment, static_cast<int32_t>(std::strlen(kGifComment)), kGifComment) != 0) {
        return encoder_failure(gif, MSG_INNER_DATA_FAILED, result);
    }
    const int32_t depth = image.get_color_depth();
    if (gif.set_color_depth(depth) != 0) {
        return encoder_failure(gif, MSG_BAD_COLOR_DEPTH, result, depth);
    }
    // The colour work unsets the index when no pixel uses that colour.
    if (transparency && image.get_transparent_index() >= 0 &&
        gif.set_transparency(image.get_transparent_index()) != 0) {
        return report(result, VASTRELMON_ERROR_TRANSPARENCY, MSG_BAD_TRANSPARENCY, MessageArgument(),
                      gif.error_text);
    }
    if (choices.interlace) {
        gif.set_interlace();
    }
    if (gif.set_palette(image.palette()) != 0) {
        return encoder_failure(gif, MSG_PALETTE_FAILED, result);
    }
    if (choices.compress) {
        gif.lzw_on();
    } else {
        gif.lzw_off();
    }
    if (!choices.compress && choices.widest_codes) {
        gif.biggest_on();
    } else {
        gif.biggest_off();
    }
    Progress progress = {choices.progress, choices.progress_context};
    if (choices.progress != nullptr) {
        gif.set_progress(pass_progress, &progress);
    }
    if (gif.set_graphics(image.pixels(), image.get_stored_bits()) != 0) {
        if (gif.cancelled()) {
            return refuse(result, VASTRELMON_ERROR_CANCELLED, "cancelled by the progress callback");
        }
        return encoder_failure(gif, MSG_IMAGE_DATA_FAILED, result);
    }
    if (sink != nullptr) {
        // A memory sink's only failure is memory.
        if (gif.write_gif(sink) != 0) {
            return report(result, VASTRELMON_ERROR_NO_MEMORY, MSG_ALLOCATE_FAILED,
                          static_cast<int32_t>(kGifNoMemory));
        }
        return VASTRELMON_OK;
    }
    if (gif.open_file(gif_path) != 0) {
        if (gif.output_name_taken()) {
            return report_exists(gif_path, result);
        }
        return report(result, VASTRELMON_ERROR_IO, MSG_OUTPUT_CANT_OPEN, gif_path, gif.error_text);
    }
    if (gif.write_gif() != 0) {
        return report(result, VASTRELMON_ERROR_IO, MSG_OUTPUT_CANT_WRITE, gif_path, gif.error_text);
    }
    if (gif.close_file() != 0) {
        if (gif.output_name_taken()) {
            return report_exists(gif_path, result);
        }
        return report(result, VASTRELMON_ERROR_IO, MSG_OUTPUT_CANT_CLOSE, gif_path, gif.error_text);
    }
    return VASTRELMON_OK;
}

}  // namespace conversion
