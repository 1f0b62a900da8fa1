// The public C API: argument checks and results; the work is done in
// lib/conversion.cpp.
#include "vastrelmon.h"

#include <cstdlib>
#include <cstring>

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
    options->widest_codes = 0;
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

vastrelmon_status vastrelmon_convert(const void*, size_t, const vastrelmon_options*, unsigned char** gif,
                                     size_t* gif_size, vastrelmon_result*)
{
    if (gif != nullptr) {
        *gif = nullptr;
    }
    if (gif_size != nullptr) {
        *gif_size = 0;
    }
    return VASTRELMON_ERROR_INVALID_ARGUMENT;
}

vastrelmon_status vastrelmon_encode_rgb(const void*, int, int, size_t, const vastrelmon_options*,
                                        unsigned char**, size_t*, vastrelmon_result*)
{
    return VASTRELMON_ERROR_INVALID_ARGUMENT;
}

vastrelmon_status vastrelmon_encode_indexed(const void*, int, int, size_t, const unsigned char*, int,
                                            const vastrelmon_options*, unsigned char**, size_t*,
                                            vastrelmon_result*)
{
    return VASTRELMON_ERROR_INVALID_ARGUMENT;
}

vastrelmon_status vastrelmon_convert_file(const char*, const char*, const vastrelmon_options*,
                                          vastrelmon_result*)
{
    return VASTRELMON_ERROR_INVALID_ARGUMENT;
}

void vastrelmon_free(void* gif)
{
    std::free(gif);
}

const char* vastrelmon_version(void)
{
    return VASTRELMON_VERSION_STRING;
}
