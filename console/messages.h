// The bilingual message catalogue and the console language.
//
// Every line the program shows comes from one table of 40 messages, each in
// English (ASCII) and Japanese (code page 932 bytes). select_language picks
// the column once, before the first message.
#ifndef VASTRELMON_CONSOLE_MESSAGES_H
#define VASTRELMON_CONSOLE_MESSAGES_H

#include <cstdint>

enum ArgumentKind : int32_t { ARG_NONE = 0, ARG_STRING = 1, ARG_INTEGER = 2 };

struct MessageRow {
    int32_t argument_kind;
    const char* japanese_text;
    const char* english_text;
};

constexpr int kMessageCount = 40;
extern const MessageRow MessageCatalogue[kMessageCount];

// Message ids used by the program.
enum MessageId : int8_t {
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

// The code page that selects the Japanese column.
constexpr int kJapaneseCodePage = 932;

// True for English, false for Japanese. Written once by select_language.
extern bool use_english;

// Asks the console for its code page: 932 selects Japanese, anything else
// English.
void select_language();

// Prints message id (0..39; anything else prints nothing) in the current
// language. argument points to a NUL-terminated string for ARG_STRING rows
// (cut to 127 bytes) or to an int32_t for ARG_INTEGER rows; it may be null.
void print_message(int8_t id, const void* argument);

// Prints a rule: width spaces (clamped to 4..39), 79 - 2 * width fill bytes
// (205 in English, 6 in Japanese), a line feed.
void print_separator(int32_t width);

// Writes text to standard output exactly as it is, never as a format.
void print_verbatim(const char* text);

#endif
