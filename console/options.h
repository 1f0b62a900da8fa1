// The command line: options (each beginning with '/'), then the input BMP name, optionally the output GIF name.
#ifndef VASTRELMON_CONSOLE_OPTIONS_H
#define VASTRELMON_CONSOLE_OPTIONS_H

#include <cstdint>

// Bits of the option word.
constexpr uint32_t FLAG_INTERLACE = 0x04;
constexpr uint32_t FLAG_TRANSPARENCY = 0x08;
constexpr uint32_t FLAG_OPTIMIZE = 0x10;
constexpr uint32_t FLAG_BIGGEST = 0x20;
constexpr uint32_t FLAG_NO_LZW = 0x40;
constexpr uint32_t kDefaultOptionFlags = FLAG_INTERLACE | FLAG_OPTIMIZE;

// Results of parse_command_line that are not an option word.
constexpr uint32_t PARSE_INVALID = 0x01;
constexpr uint32_t PARSE_HELP = 0x02;

// Colour modes chosen by /e<code>.
enum ConversionMode : int32_t {
    MODE_NONE = 0,
    MODE_GREY = 1,
    MODE_TONE_RED = 2,
    MODE_TONE_BLUE = 3,
    MODE_TONE_ROSE = 4,
    MODE_RGB332 = 5,
    MODE_RED_ONLY = 16,
    MODE_GREEN_ONLY = 17,
    MODE_BLUE_ONLY = 18,
};

// File names hold at most this many characters; longer ones are refused.
constexpr int kMaxPathChars = 260;
constexpr int kPathBufferSize = 262;

// Parses argv[1..argc-1]. Returns PARSE_INVALID, PARSE_HELP or the option word; "--help" as the only argument
// is /h under its GNU name. input_name and output_name are kPathBufferSize buffers. *verbose (print progress
// and error details) is cleared first and set as soon as /v is seen, even when the command later turns out
// invalid.
uint32_t parse_command_line(int argc, const char* const* argv, int32_t* conversion_mode,
                            int32_t* transparent_index, char* input_name, char* output_name,
                            bool* verbose);

// True when the command line is "--version" and nothing else. The driver
// must know before the banner: a version request prints the version alone.
bool asks_for_version(int argc, const char* const* argv);

#endif
