#include "app/platform.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
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

bool output_name_exists(const char* path)
{
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        return false;
    }
    std::fclose(file);
    return true;
}

std::FILE* open_regular_for_reading(const char* path)
{
    struct _stat64 info;
    if (_stat64(path, &info) != 0 || (info.st_mode & _S_IFMT) != _S_IFREG) {
        return nullptr;
    }
    return std::fopen(path, "rb");
}

std::FILE* create_exclusive(const char* path)
{
    // The C runtime ignores "x" in fopen modes, so the exclusive creation is
    // asked of _open directly.
    int fd = _open(path, _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd < 0) {
        return nullptr;
    }
    std::FILE* file = _fdopen(fd, "wb");
    if (file == nullptr) {
        _close(fd);
    }
    return file;
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

bool output_name_exists(const char* path)
{
    // O_NONBLOCK keeps the open of a FIFO without a writer from waiting.
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    close(fd);
    return true;
}

std::FILE* open_regular_for_reading(const char* path)
{
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return nullptr;
    }
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return nullptr;
    }
    // Regular files ignore O_NONBLOCK, but clear it all the same.
    int flags = fcntl(fd, F_GETFL);
    if (flags != -1) {
        fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    }
    std::FILE* file = fdopen(fd, "rb");
    if (file == nullptr) {
        close(fd);
    }
    return file;
}

std::FILE* create_exclusive(const char* path)
{
    int fd = open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        return nullptr;
    }
    std::FILE* file = fdopen(fd, "wb");
    if (file == nullptr) {
        close(fd);
    }
    return file;
}

#endif

int seek_file(std::FILE* file, int64_t offset, int whence)
{
#ifdef _WIN32
    return _fseeki64(file, offset, whence);
#else
    return fseeko(file, static_cast<off_t>(offset), whence);
#endif
}

int64_t tell_file(std::FILE* file)
{
#ifdef _WIN32
    return _ftelli64(file);
#else
    return static_cast<int64_t>(ftello(file));
#endif
}

void remove_file(const char* path)
{
    std::remove(path);
}
