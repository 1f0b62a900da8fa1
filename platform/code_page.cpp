#include "platform/code_page.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

constexpr int kShiftJisCodePage = 932;
constexpr int kUtf8CodePage = 65001;
constexpr int kDefaultCodePage = 437;

// Lower-cases and drops '-' and '_' so "Shift_JIS", "shift-jis" and
// "SHIFTJIS" compare equal.
void normalise_codeset(const char* begin, const char* end, char* out, size_t out_size)
{
    size_t used = 0;
    for (const char* p = begin; p < end && used + 1 < out_size; ++p) {
        if (*p == '-' || *p == '_') {
            continue;
        }
        out[used++] = static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
    }
    out[used] = '\0';
}

}  // namespace

int code_page_from_locale(const char* locale)
{
    if (locale == nullptr) {
        return kDefaultCodePage;
    }
    const char* dot = std::strchr(locale, '.');
    if (dot == nullptr) {
        return kDefaultCodePage;
    }
    const char* end = std::strchr(dot + 1, '@');
    if (end == nullptr) {
        end = dot + 1 + std::strlen(dot + 1);
    }
    char codeset[32];
    normalise_codeset(dot + 1, end, codeset, sizeof codeset);
    static const char* const kShiftJisNames[] = {"sjis", "shiftjis", "cp932", "ms932", "windows31j"};
    for (const char* name : kShiftJisNames) {
        if (std::strcmp(codeset, name) == 0) {
            return kShiftJisCodePage;
        }
    }
    if (std::strcmp(codeset, "utf8") == 0) {
        return kUtf8CodePage;
    }
    return kDefaultCodePage;
}

#ifdef _WIN32

int console_code_page()
{
    UINT code_page = GetConsoleCP();
    if (code_page == 0) {
        // No console attached (output to a pipe or file): use the page a
        // console of this system would get.
        code_page = GetOEMCP();
    }
    return static_cast<int>(code_page);
}

#else

int console_code_page()
{
    static const char* const kVariables[] = {"LC_ALL", "LC_CTYPE", "LANG"};
    for (const char* name : kVariables) {
        const char* value = std::getenv(name);
        if (value != nullptr && value[0] != '\0') {
            return code_page_from_locale(value);
        }
    }
    return kDefaultCodePage;
}

#endif
