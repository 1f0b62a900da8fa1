#include "console/messages.h"

#include <cstdio>
#include <cstring>

#include "console/cp932.h"
#include "platform/error_record.h"

namespace {

constexpr int kStringArgumentBytes = 127;  // longer strings are cut
constexpr int kMinSeparatorIndent = 4;
constexpr int kMaxSeparatorIndent = 39;
constexpr int kLineColumns = 79;
constexpr char kFillEnglish[] = "\xCD";              // byte 205: '═' in code page 437
constexpr char kFillJapanese[] = "\x06";             // byte 6: '─' on a code page 932 console
constexpr char kFillEnglishUtf8[] = "\u2550";        // '═'
constexpr char kFillJapaneseUtf8[] = "\u2500";       // '─'
constexpr size_t kMaxFillBytes = sizeof kFillEnglishUtf8 - 1;
// The longest text of the catalogue in code page 932, with room to spare.
constexpr size_t kMaxTextBytes = 1024;
// A byte of an ANSI code page becomes at most three bytes of UTF-8.
constexpr size_t kMaxUtf8PerByte = 3;

ConsoleLanguage language = ConsoleLanguage::kEnglish;
int names_code_page = kUtf8CodePage;  // counts only for UTF-8 output

bool speaks_english()
{
    return language == ConsoleLanguage::kEnglish || language == ConsoleLanguage::kEnglishUtf8;
}

bool speaks_utf8()
{
    return language == ConsoleLanguage::kEnglishUtf8 || language == ConsoleLanguage::kJapaneseUtf8;
}

// Text that may hold file names, in the bytes the console shows: names come in the system's ANSI code page on
// Windows, which a UTF-8 console would show as garbage, so there they are converted into out (out_size
// bytes); otherwise, or when the conversion fails, the text as it is.
const char* as_names_are_shown(const char* text, char* out, size_t out_size)
{
    if (speaks_utf8() && names_code_page != kUtf8CodePage &&
        names_to_utf8(names_code_page, text, out, out_size)) {
        return out;
    }
    return text;
}

}  // namespace

ConsoleLanguage language_for(const ConsoleLocale& locale)
{
    if (locale.code_page == kShiftJisCodePage) {
        return ConsoleLanguage::kJapanese;
    }
    if (locale.code_page == kUtf8CodePage) {
        return locale.japanese_messages ? ConsoleLanguage::kJapaneseUtf8
                                        : ConsoleLanguage::kEnglishUtf8;
    }
    return ConsoleLanguage::kEnglish;
}

void select_language()
{
    ConsoleLocale locale = console_locale();
    language = language_for(locale);
    names_code_page = locale.names_code_page;
}

void set_console_language(ConsoleLanguage chosen, int chosen_names_code_page)
{
    language = chosen;
    names_code_page = chosen_names_code_page;
}

ConsoleLanguage console_language()
{
    return language;
}

bool console_names_are_double_byte()
{
    return language == ConsoleLanguage::kJapanese ||
           (speaks_utf8() && names_code_page == kShiftJisCodePage);
}

void print_message(MessageId id, MessageArgument argument)
{
    if (id < 0 || id >= kMessageCount) {
        return;
    }
    const MessageRow& row = MessageCatalogue[id];
    const char* format = speaks_english() ? row.english_text : row.japanese_text;
    char converted[kMaxTextBytes];
    if (language == ConsoleLanguage::kJapanese) {
        utf8_to_cp932(format, converted, sizeof converted);
        format = converted;
    }
    bool fits = row.argument_kind == argument.kind &&
                (argument.kind != ARG_STRING || argument.text != nullptr);
    if (row.argument_kind == ARG_NONE || !fits) {
        // Without its argument a text is written as it is, so a stray conversion never reads garbage.
        std::fputs(format, stdout);
        return;
    }
    if (row.argument_kind == ARG_STRING) {
        char cut[kStringArgumentBytes + 1];
        std::strncpy(cut, argument.text, kStringArgumentBytes);
        cut[kStringArgumentBytes] = '\0';
        char converted[kStringArgumentBytes * kMaxUtf8PerByte + 1];
        std::printf(format, as_names_are_shown(cut, converted, sizeof converted));
    } else {
        std::printf(format, argument.value);
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
    const char* fill = kFillEnglish;
    switch (language) {
    case ConsoleLanguage::kEnglish:
        fill = kFillEnglish;
        break;
    case ConsoleLanguage::kJapanese:
        fill = kFillJapanese;
        break;
    case ConsoleLanguage::kEnglishUtf8:
        fill = kFillEnglishUtf8;
        break;
    case ConsoleLanguage::kJapaneseUtf8:
        fill = kFillJapaneseUtf8;
        break;
    }
    size_t fill_bytes = std::strlen(fill);
    char line[kMaxSeparatorIndent + (kLineColumns - 2 * kMinSeparatorIndent) * kMaxFillBytes + 2];
    size_t used = static_cast<size_t>(width);
    std::memset(line, ' ', used);
    for (int column = 0; column < kLineColumns - 2 * width; ++column) {
        std::memcpy(line + used, fill, fill_bytes);
        used += fill_bytes;
    }
    line[used++] = '\n';
    std::fwrite(line, 1, used, stdout);
}

void print_verbatim(const char* text)
{
    // The verbose texts are error records' texts, which name files too; a
    // longer text than a record holds is written as it is.
    char converted[kErrorTextSize * kMaxUtf8PerByte + 1];
    std::fputs(as_names_are_shown(text, converted, sizeof converted), stdout);
}
