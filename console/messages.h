// The bilingual message catalogue and the console's language.
//
// Every line the program shows comes from one table of 40 messages, each in English (ASCII) and Japanese
// (kept as UTF-8). The console's language, chosen once before the first message, decides the column and the
// bytes: the Japanese texts go out as code page 932 bytes or as UTF-8.
#ifndef VASTRELMON_CONSOLE_MESSAGES_H
#define VASTRELMON_CONSOLE_MESSAGES_H

#include <cstdint>

#include "platform/code_page.h"

enum ArgumentKind : int32_t { ARG_NONE = 0, ARG_STRING = 1, ARG_INTEGER = 2 };

struct MessageRow {
    int32_t argument_kind;
    const char* japanese_text;  // UTF-8
    const char* english_text;
};

constexpr int kMessageCount = 40;
extern const MessageRow MessageCatalogue[kMessageCount];

// Message ids used by the program.
enum MessageId : int8_t {
    MSG_PROJECT_NAME = 0,
    MSG_PROGRAM_NAME = 1,
    MSG_CREDIT = 2,
    MSG_GIF_NOTICE = 3,
    MSG_SHORT_USAGE = 4,
    MSG_FULL_USAGE = 5,
    MSG_INPUT_NAME = 6,
    MSG_OUTPUT_NAME = 7,
    MSG_OPTIMIZE_ANYWAY = 8,
    MSG_BMP_WIDTH = 9,
    MSG_BMP_HEIGHT = 10,
    MSG_PROGRESS = 11,
    MSG_SUCCESS = 12,
    MSG_TRANSPARENCY_OFF = 13,
    MSG_DEPTH_BEFORE = 14,
    MSG_DEPTH_AFTER = 15,
    MSG_INVALID_COMMAND = 16,
    MSG_ALREADY_EXISTS = 17,
    MSG_INPUT_ALREADY_OPEN = 18,
    MSG_INPUT_CANT_OPEN = 19,
    MSG_BMP_READ_FAILED = 20,
    MSG_ALLOCATE_FAILED = 22,
    MSG_BAD_TRANSPARENCY = 23,
    MSG_EDIT_PALETTE_FAILED = 24,
    MSG_MAKE_PALETTE_FAILED = 25,
    MSG_TOO_MANY_COLORS = 26,
    MSG_BAD_COLOR_DEPTH = 27,
    MSG_BAD_INTERLACE = 28,
    MSG_PALETTE_FAILED = 29,
    MSG_COMPRESS_MODE_FAILED = 30,
    MSG_BIGGEST_MODE_FAILED = 31,
    MSG_IMAGE_DATA_FAILED = 32,
    MSG_OUTPUT_CANT_OPEN = 33,
    MSG_OUTPUT_CANT_WRITE = 34,
    MSG_INNER_DATA_FAILED = 35,
    MSG_OUTPUT_CANT_CLOSE = 36,
    MSG_UNDEFINED_ERROR = 38,
};

// The language of the texts and the bytes they are written in.
enum class ConsoleLanguage : uint8_t {
    kEnglish,       // ASCII; separators of byte 205 (code page 437)
    kJapanese,      // code page 932 bytes; separators of byte 6
    kEnglishUtf8,   // ASCII; separators of U+2550
    kJapaneseUtf8,  // UTF-8; separators of U+2500
};

// The rule: a code page 932 console speaks Japanese in its bytes, a UTF-8 console speaks UTF-8, in Japanese
// when the user's messages are Japanese; every other console English with separators of byte 205.
ConsoleLanguage language_for(const ConsoleLocale& locale);

// Sets the language from what the system says (console_locale). Called once, before the first message.
void select_language();

// Sets the language directly, and for UTF-8 output the code page that file
// names come in. Until either call the console speaks English (kEnglish).
void set_console_language(ConsoleLanguage language, int names_code_page = kUtf8CodePage);
ConsoleLanguage console_language();

// True when file names are code page 932 text, whose double-byte characters may hold a '\' as their second
// byte: on a code page 932 console, and on a UTF-8 one when the names come in code page 932 (Windows).
bool console_names_are_double_byte();

// A message's one argument: none, a NUL-terminated string or a 32-bit integer; converts implicitly from either.
struct MessageArgument {
    MessageArgument() = default;
    MessageArgument(const char* string) : kind(ARG_STRING), text(string) {}
    MessageArgument(int32_t integer) : kind(ARG_INTEGER), value(integer) {}

    int32_t kind = ARG_NONE;
    const char* text = nullptr;
    int32_t value = 0;
};

// Prints message id (0..39; anything else prints nothing) in the console's language. A string argument is cut
// to 127 bytes and written as it is; only for UTF-8 output are names in another code page converted (Windows,
// names_to_utf8). An argument that does not fit the row's kind (none where one is needed, a null string, an
// integer for a string) leaves the text unformatted.
void print_message(MessageId id, MessageArgument argument = MessageArgument());

// Prints width spaces (clamped to 4..39), 79 - 2 * width fill characters (see ConsoleLanguage), a line feed.
void print_separator(int32_t width);

// Writes text to standard output as it is, never as a format; for UTF-8 output it is converted as the names
// in print_message are, since the verbose error texts hold file names.
void print_verbatim(const char* text);

#endif
