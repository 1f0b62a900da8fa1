#include "console/options.h"

#include <cstring>

namespace {

// Options are examined through a lower-cased copy of at most this many characters.
constexpr size_t kOptionCopyChars = 261;
constexpr int kMaxTransparentIndex = 255;

struct EffectCode {
    char letters[3];
    int32_t mode;
};

const EffectCode kEffectCodes[] = {
    {"mc", MODE_GREY},      {"sr", MODE_TONE_RED},  {"sb", MODE_TONE_BLUE},
    {"sw", MODE_TONE_ROSE}, {"s8", MODE_RGB332},    {"c1", MODE_RED_ONLY},
    {"c2", MODE_GREEN_ONLY}, {"c4", MODE_BLUE_ONLY},
};

char lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// True when name ends in the four characters ext (".bmp" or ".gif"), in any case.
bool has_extension(const char* name, size_t length, const char* ext)
{
    if (length < 4) {
        return false;
    }
    for (size_t i = 0; i < 4; ++i) {
        if (lower(name[length - 4 + i]) != ext[i]) {
            return false;
        }
    }
    return true;
}

// Options begin with '/'. On POSIX systems an absolute path begins with '/' too; it always holds a second
// '/', which no option does, so such an argument is taken for a file name.
bool is_option(const char* argument)
{
    if (argument[0] != '/') {
        return false;
    }
#ifdef _WIN32
    return true;
#else
    return std::strchr(argument + 1, '/') == nullptr;
#endif
}

// Applies one option to the word; false when the option is invalid.
bool apply_option(const char* argument, uint32_t* flags, bool* help, bool* effect_seen,
                  int32_t* conversion_mode, int32_t* transparency_value, bool* verbose)
{
    size_t n = std::strlen(argument);
    if (n > kOptionCopyChars) {
        // Judged by a cut copy, a longer option could silently lose /t digits, so it is refused outright.
        return false;
    }
    char copy[kOptionCopyChars + 1];
    for (size_t i = 0; i <= n; ++i) {
        copy[i] = lower(argument[i]);
    }
    switch (copy[1]) {
    case 'h':
        *help = true;
        return n == 2;
    case 'i':
        *flags &= ~FLAG_INTERLACE;
        return n == 2;
    case 'o':
        *flags &= ~FLAG_OPTIMIZE;
        return n == 2;
    case 'u':
        *flags |= FLAG_NO_LZW;
        return n == 2;
    case 'b':
        *flags |= FLAG_BIGGEST;
        return n == 2;
    case 'v':
        if (n != 2) {
            return false;
        }
        *verbose = true;
        return true;
    case 't': {
        *flags |= FLAG_TRANSPARENCY;
        int value = 0;
        for (size_t i = 2; i < n; ++i) {
            if (copy[i] < '0' || copy[i] > '9') {
                return false;
            }
            value = value * 10 + (copy[i] - '0');
            if (value > kMaxTransparentIndex) {
                return false;
            }
        }
        *transparency_value = value;
        return true;
    }
    case 'e':
        if (n != 4 || *effect_seen) {
            return false;
        }
        *effect_seen = true;
        for (const EffectCode& code : kEffectCodes) {
            if (copy[2] == code.letters[0] && copy[3] == code.letters[1]) {
                *conversion_mode = code.mode;
                return true;
            }
        }
        return false;
    default:
        return false;
    }
}

}  // namespace

uint32_t parse_command_line(int argc, const char* const* argv, int32_t* conversion_mode,
                            int32_t* transparent_index, char* input_name, char* output_name,
                            bool* verbose)
{
    *verbose = false;
    std::memset(input_name, 0, kPathBufferSize);
    std::memset(output_name, 0, kPathBufferSize);
    *transparent_index = -1;
    *conversion_mode = MODE_NONE;

    int first_file = argc;
    for (int i = 1; i < argc; ++i) {
        if (!is_option(argv[i])) {
            first_file = i;
            break;
        }
    }
    // "--help", which help2man and packagers ask every command-line tool,
    // is /h only when it stands alone; elsewhere it stays a bad file name.
    if (argc == 2 && ((argv[1][0] == '/' && lower(argv[1][1]) == 'h' && argv[1][1] != '\0' &&
                       argv[1][2] == '\0') ||
                      std::strcmp(argv[1], "--help") == 0)) {
        return PARSE_HELP;
    }
    if (first_file == argc || argc - first_file > 2) {
        return PARSE_INVALID;
    }

    uint32_t flags = kDefaultOptionFlags;
    bool help = false;
    bool effect_seen = false;
    int32_t transparency_value = 0;
    for (int i = 1; i < first_file; ++i) {
        if (!apply_option(argv[i], &flags, &help, &effect_seen, conversion_mode,
                          &transparency_value, verbose)) {
            return PARSE_INVALID;
        }
    }
    if (help) {
        return PARSE_HELP;
    }

    // A longer name cannot be stored whole; cutting it could name another file, so it is refused.
    const char* input = argv[first_file];
    size_t input_length = std::strlen(input);
    if (input_length > kMaxPathChars || !has_extension(input, input_length, ".bmp")) {
        return PARSE_INVALID;
    }
    std::memcpy(input_name, input, input_length);

    if (first_file + 1 < argc) {
        const char* output = argv[first_file + 1];
        size_t output_length = std::strlen(output);
        if (output_length > kMaxPathChars || !has_extension(output, output_length, ".gif")) {
            return PARSE_INVALID;
        }
        std::memcpy(output_name, output, output_length);
    } else {
        // Same path and stem, with the last three characters made "gif".
        std::memcpy(output_name, input, input_length - 3);
        std::memcpy(output_name + input_length - 3, "gif", 3);
    }

    if (flags & FLAG_TRANSPARENCY) {
        *transparent_index = transparency_value;
    }
    return flags;
}

bool asks_for_version(int argc, const char* const* argv)
{
    return argc == 2 && std::strcmp(argv[1], "--version") == 0;
}
