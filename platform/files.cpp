#include "platform/files.h"

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
#if defined(__linux__)
#endif

#ifdef _WIN32

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

#else

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

#endif

#if defined(__linux__)

int64_t file_size(std::FILE* file)
{
    struct stat status;
    if (fstat(fileno(file), &status) != 0) {
        return -1;
    }
    return static_cast<int64_t>(status.st_size);
}

void start_writeback(std::FILE* file)
{
    // Offset 0 and length 0: the whole file. Only a request; a failure here is found again by the sync.
    sync_file_range(fileno(file), 0, 0, SYNC_FILE_RANGE_WRITE);
}

#else

void start_writeback(std::FILE*) {}

int64_t file_size(std::FILE*)
{
    return -1;
}

#endif
