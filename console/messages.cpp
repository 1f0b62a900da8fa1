#include "console/messages.h"

#include <cstdio>
#include <cstring>

#include "platform/code_page.h"

bool use_english = true;

namespace {

constexpr int kStringArgumentBytes = 127;  // longer strings are cut
constexpr int kMinSeparatorIndent = 4;
constexpr int kMaxSeparatorIndent = 39;
constexpr int kLineColumns = 79;
constexpr unsigned char kFillEnglish = 205;
constexpr unsigned char kFillJapanese = 6;

}  // namespace

void select_language()
{
    use_english = console_code_page() != kJapaneseCodePage;
}

void print_message(int8_t id, const void* argument)
{
    if (id < 0 || id >= kMessageCount) {
        return;
    }
    const MessageRow& row = MessageCatalogue[id];
    const char* format = use_english ? row.english_text : row.japanese_text;
    if (row.argument_kind == ARG_NONE || argument == nullptr) {
        // Rows that take an argument are never printed without one; printing
        // the format verbatim keeps a stray conversion from reading garbage.
        if (row.argument_kind == ARG_NONE) {
            std::printf("%s", format);
        } else {
            std::fputs(format, stdout);
        }
        return;
    }
    if (row.argument_kind == ARG_STRING) {
        char cut[kStringArgumentBytes + 1];
        std::strncpy(cut, static_cast<const char*>(argument), kStringArgumentBytes);
        cut[kStringArgumentBytes] = '\0';
        std::printf(format, cut);
    } else {
        int32_t value;
        std::memcpy(&value, argument, sizeof value);
        std::printf(format, value);
    }
}

void print_separator(int32_t width)
{
    if (width < kMinSeparatorIndent) {
        width = kMinSeparatorIndent;
    }
    if (width > kMaxSeparatorIndent) {
        width = kMaxSeparatorIndent;
    }
    char line[kLineColumns + 2];
    int fill = kLineColumns - 2 * width;
    std::memset(line, ' ', static_cast<size_t>(width));
    std::memset(line + width, use_english ? kFillEnglish : kFillJapanese, static_cast<size_t>(fill));
    line[width + fill] = '\n';
    std::fwrite(line, 1, static_cast<size_t>(width + fill + 1), stdout);
}

void print_verbatim(const char* text)
{
    std::fputs(text, stdout);
}
