#include "platform/code_page.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

// Lower-cases and drops '-' and '_' so "Shift_JIS", "shift-jis" and "SHIFTJIS" compare equal.
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

int code_page_of_codeset(const char* begin, const char* end)
{
    char codeset[32];
    normalise_codeset(begin, end, codeset, sizeof codeset);
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

const char* first_set(const char* a, const char* b, const char* c)
{
    for (const char* value : {a, b, c}) {
        if (value != nullptr && value[0] != '\0') {
            return value;
        }
    }
    return nullptr;
}

}  // namespace

int code_page_from_locale(const char* locale)
{
    if (locale == nullptr) {
        return kDefaultCodePage;
    }
    const char* end = std::strchr(locale, '@');
    if (end == nullptr) {
        end = locale + std::strlen(locale);
    }
    const char* dot = std::strchr(locale, '.');
    if (dot == nullptr || dot > end) {
        // No codeset. Only UTF-8 is ever named alone (macOS sets LC_CTYPE to "UTF-8"); a bare "SJIS" is no locale.
        return code_page_of_codeset(locale, end) == kUtf8CodePage ? kUtf8CodePage
                                                                  : kDefaultCodePage;
    }
    return code_page_of_codeset(dot + 1, end);
}

bool locale_is_japanese(const char* locale)
{
    if (locale == nullptr) {
        return false;
    }
    size_t language = std::strcspn(locale, "_.@");
    return language == 2 && std::tolower(static_cast<unsigned char>(locale[0])) == 'j' &&
           std::tolower(static_cast<unsigned char>(locale[1])) == 'a';
}

ConsoleLocale locale_from_variables(const char* lc_all, const char* lc_ctype,
                                    const char* lc_messages, const char* lang)
{
    ConsoleLocale locale;
    locale.code_page = code_page_from_locale(first_set(lc_all, lc_ctype, lang));
    locale.japanese_messages = locale_is_japanese(first_set(lc_all, lc_messages, lang));
    locale.names_code_page = locale.code_page;
    return locale;
}

int windows_code_page(unsigned output_page, unsigned input_page, unsigned oem_page)
{
    if (output_page == kUtf8CodePage) {
        return kUtf8CodePage;
    }
    unsigned page = input_page != 0 ? input_page : oem_page;
    if (page == kUtf8CodePage) {
        return kDefaultCodePage;
    }
    return static_cast<int>(page);
}

namespace {

void copy_cut(const char* text, char* out, size_t out_size)
{
    size_t length = std::strlen(text);
    if (length >= out_size) {
        length = out_size - 1;
    }
    std::memcpy(out, text, length);
    out[length] = '\0';
}

}  // namespace

#ifdef _WIN32

bool names_to_utf8(int names_code_page, const char* text, char* out, size_t out_size)
{
    constexpr int kMaxWide = 1024;  // a path holds at most 260
    wchar_t wide[kMaxWide];
    UINT page = static_cast<UINT>(names_code_page);
    int wide_length = MultiByteToWideChar(page, 0, text, -1, wide, kMaxWide);
    if (wide_length == 0) {
        copy_cut(text, out, out_size);
        return false;
    }
    // Character by character, so a cut never splits a UTF-8 sequence.
    size_t used = 0;
    for (int i = 0; i + 1 < wide_length; ++i) {
        int count = 1;
        if (wide[i] >= 0xD800 && wide[i] <= 0xDBFF && i + 2 < wide_length) {
            count = 2;  // a surrogate pair
        }
        char bytes[8];
        int length = WideCharToMultiByte(CP_UTF8, 0, wide + i, count, bytes, sizeof bytes,
                                         nullptr, nullptr);
        if (length <= 0 || used + static_cast<size_t>(length) >= out_size) {
            break;
        }
        std::memcpy(out + used, bytes, static_cast<size_t>(length));
        used += static_cast<size_t>(length);
        i += count - 1;
    }
    out[used] = '\0';
    return true;
}

ConsoleLocale console_locale()
{
    // With no console attached (output to a pipe or a file) both pages are
    // 0 and the page a console of this system would get is used.
    ConsoleLocale locale;
    locale.code_page = windows_code_page(GetConsoleOutputCP(), GetConsoleCP(), GetOEMCP());
    locale.japanese_messages = PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE;
    locale.names_code_page = static_cast<int>(GetACP());
    return locale;
}

#else

bool names_to_utf8(int, const char* text, char* out, size_t out_size)
{
    copy_cut(text, out, out_size);
    return true;
}

ConsoleLocale console_locale()
{
    return locale_from_variables(std::getenv("LC_ALL"), std::getenv("LC_CTYPE"),
                                 std::getenv("LC_MESSAGES"), std::getenv("LANG"));
}

#endif
