// What the console can show and its user reads: its output code page and whether messages are Japanese.
#ifndef VASTRELMON_PLATFORM_CODE_PAGE_H
#define VASTRELMON_PLATFORM_CODE_PAGE_H

#include <cstddef>

// Code pages the program tells apart.
constexpr int kShiftJisCodePage = 932;  // Japanese, Shift_JIS with the Windows extensions
constexpr int kUtf8CodePage = 65001;
constexpr int kDefaultCodePage = 437;   // stands for every other page

struct ConsoleLocale {
    int code_page = kDefaultCodePage;
    // Japanese messages: the message locale's language is "ja" (POSIX) or the UI language is Japanese (Windows).
    bool japanese_messages = false;
    // The code page of the file names on the command line: the locale's on POSIX, the system's ANSI page on
    // Windows (which a UTF-8 console does not change).
    int names_code_page = kDefaultCodePage;
};

// Asks the system once. POSIX reads the environment, not the installed locales (see locale_from_variables);
// Windows asks the console and the user's interface language (see windows_code_page).
ConsoleLocale console_locale();

// The code page a locale string declares by its codeset, the part after '.' up to any '@': a Shift_JIS
// spelling gives 932, UTF-8 (any case, with or without '-') gives 65001, and so does a bare "UTF-8" (the
// macOS LC_CTYPE); anything else, or null, gives 437.
int code_page_from_locale(const char* locale);

// True when the language of a locale string (the part before '_', '.' or '@') is "ja".
bool locale_is_japanese(const char* locale);

// The POSIX rule. The code page comes from the first non-empty of LC_ALL, LC_CTYPE, LANG; the message
// language from the first non-empty of LC_ALL, LC_MESSAGES, LANG. A null or empty value counts as unset.
ConsoleLocale locale_from_variables(const char* lc_all, const char* lc_ctype,
                                    const char* lc_messages, const char* lang);

// Converts text in names_code_page to UTF-8 into out, a buffer of out_size bytes (at least 1), cut to fit.
// Only Windows converts; elsewhere names are in the locale's encoding already and are copied. Returns false,
// with the text copied, when the conversion fails (or the text holds more than 1023 characters).
bool names_to_utf8(int names_code_page, const char* text, char* out, size_t out_size);

// The Windows rule: an output page of 65001 means UTF-8; otherwise the console's input page decides as it
// always has (the OEM page when there is no console), an input page of 65001 alone counting as any other.
int windows_code_page(unsigned output_page, unsigned input_page, unsigned oem_page);

#endif
