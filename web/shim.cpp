// The WebAssembly face of the library: one call with plain integer
// options, so JavaScript never has to know the layout of the C structs,
// and accessors for what it returns. The GIF bytes stay in the module's
// memory until web_release, so JavaScript copies them once.
#include <emscripten/emscripten.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "console/messages.h"
#include "vastrelmon.h"

namespace {

struct Outcome {
    unsigned char* gif = nullptr;
    size_t gif_size = 0;
    vastrelmon_result result;
    char japanese[512];
};

// The Japanese row of a catalogue message, with the English message's
// argument carried over: the argument is whatever the English text has
// where its format has the conversion.
void translate(Outcome* outcome)
{
    outcome->japanese[0] = '\0';
    const int number = outcome->result.message_number;
    if (number < 0 || number >= kMessageCount) {
        return;
    }
    const char* english = MessageCatalogue[number].english_text;
    const char* japanese = MessageCatalogue[number].japanese_text;
    const char* message = outcome->result.message;
    const char* english_at = std::strchr(english, '%');
    const char* japanese_at = std::strchr(japanese, '%');
    char argument[256] = "";
    if (english_at != nullptr && japanese_at != nullptr) {
        const size_t prefix = static_cast<size_t>(english_at - english);
        // The format's text after the conversion, without the line end the
        // message lost.
        size_t suffix = std::strlen(english_at + 2);
        if (suffix > 0 && english_at[2 + suffix - 1] == '\n') {
            --suffix;
        }
        const size_t length = std::strlen(message);
        if (length >= prefix + suffix) {
            const size_t taken = length - prefix - suffix;
            std::memcpy(argument, message + prefix, taken < sizeof argument ? taken : sizeof argument - 1);
            argument[taken < sizeof argument ? taken : sizeof argument - 1] = '\0';
        }
    }
    char* out = outcome->japanese;
    const size_t room = sizeof outcome->japanese;
    if (japanese_at == nullptr) {
        std::snprintf(out, room, "%s", japanese);
    } else {
        std::snprintf(out, room, "%.*s%s%s", static_cast<int>(japanese_at - japanese), japanese, argument,
                      japanese_at + 2);
    }
    const size_t length = std::strlen(out);
    if (length > 0 && out[length - 1] == '\n') {
        out[length - 1] = '\0';
    }
}

// JavaScript's Module.onProgress, when set, hears each step of the coder.
EM_JS(void, web_tell_progress, (int percent), {
    if (typeof Module["onProgress"] === "function") {
        Module["onProgress"](percent);
    }
});

int report_progress(void*, int percent)
{
    web_tell_progress(percent);
    return 0;
}

}  // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE Outcome* web_convert(const void* bmp, size_t bmp_size, int interlace, int transparent,
                                          int compress, int widest_codes, int color_mode, int progress)
{
    Outcome* outcome = new (std::nothrow) Outcome;
    if (outcome == nullptr) {
        return nullptr;
    }
    vastrelmon_options options;
    vastrelmon_options_init(&options);
    options.interlace = interlace;
    options.transparent = transparent;
    options.compress = compress;
    options.widest_codes = widest_codes;
    options.color_mode = static_cast<vastrelmon_color_mode>(color_mode);
    if (progress != 0) {
        options.progress = report_progress;
    }
    vastrelmon_result_init(&outcome->result);
    vastrelmon_convert(bmp, bmp_size, &options, &outcome->gif, &outcome->gif_size, &outcome->result);
    translate(outcome);
    return outcome;
}

EMSCRIPTEN_KEEPALIVE int web_status(const Outcome* outcome)
{
    return outcome->result.status;
}

EMSCRIPTEN_KEEPALIVE const unsigned char* web_gif(const Outcome* outcome)
{
    return outcome->gif;
}

EMSCRIPTEN_KEEPALIVE size_t web_gif_size(const Outcome* outcome)
{
    return outcome->gif_size;
}

EMSCRIPTEN_KEEPALIVE int web_message_number(const Outcome* outcome)
{
    return outcome->result.message_number;
}

EMSCRIPTEN_KEEPALIVE const char* web_message(const Outcome* outcome)
{
    return outcome->result.message;
}

EMSCRIPTEN_KEEPALIVE const char* web_message_japanese(const Outcome* outcome)
{
    return outcome->japanese;
}

EMSCRIPTEN_KEEPALIVE const char* web_detail(const Outcome* outcome)
{
    return outcome->result.detail;
}

EMSCRIPTEN_KEEPALIVE void web_release(Outcome* outcome)
{
    if (outcome != nullptr) {
        vastrelmon_free(outcome->gif);
        delete outcome;
    }
}

}  // extern "C"
