#include "lib/conversion.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "console/options.h"
#include "image/bitmap.h"
#include "gif/gif_file.h"
#include "lib/gif_output.h"
#include "platform/byte_sink.h"
#include "platform/file_view.h"

namespace conversion {

namespace {

// Smaller 8-bit pictures are read at once: the fresh pages of a copy cost
// them less than the coder's reads of rows where they lie.
constexpr uint64_t kRowsLeftPixels = uint64_t{1} << 18;

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
vastrelmon_status read_failure(const BmpReader& reader, Failure* failure)
{
    const vastrelmon_status status = reader.error_code == kBmpShortRead ? VASTRELMON_ERROR_CUT_BMP
                                     : reader.error_code == kBmpNoMemory ? VASTRELMON_ERROR_NO_MEMORY
                                                                        : VASTRELMON_ERROR_BAD_BMP;
    return fill(failure, status, MSG_BMP_READ_FAILED, static_cast<int32_t>(reader.error_code), reader.error_text);
}

// A failure of the image's own: its code decides between memory and
// another status.
vastrelmon_status image_failure(const clBitMap& image, vastrelmon_status other, MessageId id,
                                MessageArgument argument, Failure* failure)
{
    return fill(failure, image.error_code == kBitmapNoMemory ? VASTRELMON_ERROR_NO_MEMORY : other, id, argument,
                image.error_text);
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

// The indices an 8-bit picture's rows hold where they lie: every 64th row
// first, which mostly shows them all (a photograph's last new colour may
// turn up only 60 % of the way down, but somewhere in every 64th row), the
// other rows only while one is missing.
void flag_rows_in_file(const Rows& rows, bool* used)
{
    const size_t width = static_cast<size_t>(rows.info.width);
    auto flag = [&](int32_t y) {
        const uint8_t* row = rows.reader.row(rows.info, y);
        for (size_t x = 0; x < width; ++x) {
            used[row[x]] = true;
        }
    };
    for (int32_t y = 0; y < rows.info.height; y += clBitMap::kSampleRowStep) {
        flag(y);
    }
    for (int32_t y = 0; y < rows.info.height && std::count(used, used + kPaletteEntries, true) < kPaletteEntries;
         ++y) {
        if (y % clBitMap::kSampleRowStep != 0) {
            flag(y);
        }
    }
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

vastrelmon_status report(vastrelmon_result* result, const Failure& failure)
{
    return report(result, failure.status, failure.id, failure.argument, failure.detail);
}

void open_failure(int opened, const char* path, Failure* failure)
{
    static const ErrorEntry kCantOpen = {kBmpCantPosition, 44, "file don't open.[%s]"};
    static const ErrorEntry kNoMemory = {kBmpNoMemory, 277, "memory allocation.[line]"};
    uint32_t code = 0;
    char text[kErrorTextSize];
    if (opened == FileView::kCantOpen) {
        record_error(&code, text, &kCantOpen, path);
        fill(failure, VASTRELMON_ERROR_IO, MSG_INPUT_CANT_OPEN, path, text);
    } else {
        record_error(&code, text, &kNoMemory);
        fill(failure, VASTRELMON_ERROR_NO_MEMORY, MSG_ALLOCATE_FAILED, static_cast<int32_t>(code), text);
    }
}

void cut_failure(Rows* rows, size_t size, Failure* failure)
{
    rows->reader.fail_cut_rows(rows->info, size);
    read_failure(rows->reader, failure);
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
    choices->transparency = options->transparent >= 0;
    choices->transparent = options->transparent;
    choices->compress = options->compress != 0;
    choices->widest_codes = options->widest_codes != 0;
    choices->color_mode = options->color_mode;
    choices->progress = options->progress;
    choices->progress_context = options->progress_context;
    return VASTRELMON_OK;
}

bool Rows::read_row(int32_t row, uint8_t* out)
{
    if (info.bit_count == clBitMap::kTrueColorDepth) {
        colors.index(reader.colour_row(info, row, colour_row.get()), static_cast<size_t>(info.width), out);
    } else if (starts != nullptr) {
        return reader.run_length_row(info, starts.get(), row, map, out);
    } else if (remap) {
        const uint8_t* in = reader.row(info, row);
        for (int32_t x = 0; x < info.width; ++x) {
            out[x] = map[in[x]];
        }
    } else {
        std::memcpy(out, reader.row(info, row), static_cast<size_t>(info.width));
    }
    return true;
}

vastrelmon_status load(const uint8_t* bmp, size_t size, const Choices& choices, clBitMap* image, Rows* rows,
                       Failure* failure)
{
    rows->reader = BmpReader(bmp, size);
    rows->for_coder = choices.rows_for_coder;
    for (int i = 0; i < kPaletteEntries; ++i) {
        rows->map[i] = static_cast<uint8_t>(i);
    }
    BmpReader& reader = rows->reader;
    BmpInfo info;
    if (reader.read_header(&info) != 0) {
        return read_failure(reader, failure);
    }
    rows->info = info;
    // A fresh image takes any depth read_header lets through.
    image->set_color_depth(info.bit_count);
    // 1- and 4-bit pictures stay packed until the coder unpacks a few rows
    // at a time: an eighth or half of the memory, and of the colour work.
    const bool packed = info.bit_count == 1 || info.bit_count == 4;
    // The size limits live in create, which runs before any row is read.
    if (image->create(info.width, info.height, packed) != 0) {
        return image_failure(*image, VASTRELMON_ERROR_TOO_LARGE, MSG_ALLOCATE_FAILED,
                             static_cast<int32_t>(image->error_code), failure);
    }
    if (info.bit_count == clBitMap::kTrueColorDepth) {
        // Its rows are read where they lie, for the palette and then as
        // indices, never copied whole; a colour mode works on them in
        // memory. A transparent index means nothing to a true-colour
        // picture; the program says so and goes on without it.
        rows->left = choices.color_mode == MODE_NONE && reader.holds_every_row(info);
        // 16- and 32-bit rows become blue, green, red a row at a time.
        if (rows->left && info.coding != kRowsAsStored) {
            rows->colour_row = allocate_buffer<uint8_t>(size_t{3} * static_cast<size_t>(info.width), false);
            rows->left = rows->colour_row != nullptr;
        }
        if (!rows->left && reader.read_pixels(&info, image->pixels(), image->get_data_size()) != 0) {
            return read_failure(reader, failure);
        }
        return VASTRELMON_OK;
    }
    uint8_t palette[kPaletteBytes] = {};
    if (reader.read_table(&info, palette) != 0) {
        return read_failure(reader, failure);
    }
    // Run-length coded rows are checked now and drawn as the coder comes to
    // them: no picture in memory, and no pass over one for the palette. A
    // colour mode, as for true colour, has them in memory.
    if (choices.rows_for_coder && choices.color_mode == MODE_NONE &&
        (info.coding == kRunLength8 || info.coding == kRunLength4)) {
        rows->starts = allocate_buffer<run_length::RowStart>(static_cast<size_t>(info.height), false);
        if (rows->starts != nullptr && reader.scan_run_length(info, rows->starts.get(), rows->used) != 0) {
            return read_failure(reader, failure);
        }
        rows->left = rows->starts != nullptr;
    }
    // A big 8-bit picture's rows are read where they lie, for the indices
    // they hold and then by the coder.
    if (!rows->left && choices.rows_for_coder && reader.holds_every_row(info) &&
        static_cast<uint64_t>(info.width) * static_cast<uint64_t>(info.height) >= kRowsLeftPixels) {
        flag_rows_in_file(*rows, rows->used);
        rows->left = true;
    }
    if (!rows->left && reader.read_pixels(&info, image->pixels(), image->get_data_size(), packed) != 0) {
        return read_failure(reader, failure);
    }
    std::memcpy(image->palette(), palette, sizeof palette);
    if (choices.transparency && image->set_transparent_index(choices.transparent) != 0) {
        return fill(failure, VASTRELMON_ERROR_TRANSPARENCY, MSG_BAD_TRANSPARENCY, MessageArgument(),
                    image->error_text);
    }
    return VASTRELMON_OK;
}

vastrelmon_status make_palette(clBitMap* image, Rows* rows, Failure* failure)
{
    if (image->get_color_depth() <= clBitMap::kMaxIndexedDepth) {
        // A picture of a single index keeps its depth and palette.
        if (rows->left) {
            image->compact_palette(rows->used, rows->map);
            rows->remap = std::count(rows->used, rows->used + kPaletteEntries, true) < kPaletteEntries;
        } else {
            image->compact_palette();
        }
        return VASTRELMON_OK;
    }
    if (!rows->left) {
        if (image->build_palette() != 0) {
            return image_failure(*image, VASTRELMON_ERROR_INVALID_ARGUMENT, MSG_MAKE_PALETTE_FAILED,
                                 MessageArgument(), failure);
        }
    } else {
        // Each pixel's colour number lands where its index will lie, unless
        // the coder reads a big picture's rows again on its second thread,
        // where turning them into indices costs it nothing and the numbers'
        // fresh pages would.
        const BmpInfo& info = rows->info;
        const size_t width = static_cast<size_t>(info.width);
        const bool numbered = !rows->for_coder || width * static_cast<size_t>(info.height) < kReadAheadPixels;
        bool all = true;
        for (int32_t y = 0; y < info.height && all; ++y) {
            const uint8_t* row = rows->reader.colour_row(info, y, rows->colour_row.get());
            all = numbered ? rows->colors.add(row, width, image->pixels() + static_cast<size_t>(y) * width)
                           : rows->colors.add(row, width);
        }
        if (all && image->take_palette(&rows->colors) != 0) {
            return image_failure(*image, VASTRELMON_ERROR_INVALID_ARGUMENT, MSG_MAKE_PALETTE_FAILED,
                                 MessageArgument(), failure);
        }
        if (all && numbered) {
            rows->colors.number_to_index(image->pixels(), width * static_cast<size_t>(info.height));
            rows->left = false;
        } else if (all && !(rows->for_coder && image->get_color_depth() == kGifMaxDepth)) {
            // The coder takes rows of depth 8 only.
            for (int32_t y = 0; y < info.height; ++y) {
                rows->colors.index(rows->reader.colour_row(info, y, rows->colour_row.get()), width,
                                   image->pixels() + static_cast<size_t>(y) * width);
            }
            rows->left = false;
        }
    }
    if (image->get_color_depth() > clBitMap::kMaxIndexedDepth) {
        return fill(failure, VASTRELMON_ERROR_TOO_MANY_COLORS, MSG_TOO_MANY_COLORS);
    }
    return VASTRELMON_OK;
}

vastrelmon_status reduce(const Choices& choices, clBitMap* image, Rows* rows, Failure* failure)
{
    if (apply_color_mode(choices.color_mode, image) != 0) {
        return image_failure(*image, VASTRELMON_ERROR_INVALID_ARGUMENT, MSG_EDIT_PALETTE_FAILED, MessageArgument(),
                             failure);
    }
    return make_palette(image, rows, failure);
}

vastrelmon_status encode(const Choices& choices, bool transparency, const clBitMap& image, ByteSink* sink,
                         const char* gif_path, vastrelmon_result* result)
{
    GifOutputJob job;
    job.image = &image;
    job.interlace = choices.interlace;
    job.transparency = transparency;
    job.coder = coder_for(choices.compress, choices.widest_codes);
    Progress progress = {choices.progress, choices.progress_context};
    if (choices.progress != nullptr) {
        job.progress = pass_progress;
        job.progress_context = &progress;
    }
    job.sink = sink;
    job.path = gif_path;
    Failure failure;
    const vastrelmon_status status = write_gif_output(job, &failure);
    if (status == VASTRELMON_ERROR_CANCELLED) {
        return refuse(result, status, "cancelled by the progress callback");
    }
    if (status != VASTRELMON_OK) {
        return report(result, failure);
    }
    return VASTRELMON_OK;
}

}  // namespace conversion
