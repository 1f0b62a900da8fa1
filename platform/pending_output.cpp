#include "platform/pending_output.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

const char kPendingPrefix[] = ".vastrelmon-";
const char kPendingSuffix[] = ".tmp";

namespace {

constexpr int kRandomLetters = 8;
// Room the temporary's name needs beyond the folder.
constexpr size_t kTemporaryNameRoom = sizeof kPendingPrefix + kRandomLetters + sizeof kPendingSuffix;
// Temporary names tried before giving up; each collision is a file that
// exists, so more than a handful means something else is wrong.
constexpr int kTemporaryAttempts = 64;

uint64_t mix(uint64_t x)
{
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

// Letters and digits unlikely to name an existing file: the clock, the process and a counter, mixed.
template <typename Char>
void random_letters(Char* out, uint64_t process)
{
    static std::atomic<uint64_t> counter{0};
    static const char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    uint64_t now = static_cast<uint64_t>(
        std::chrono::high_resolution_clock::now().time_since_epoch().count());
    uint64_t seed = mix(now ^ mix(process) ^ mix(counter++ + 0x1234567ull));
    for (int i = 0; i < kRandomLetters; ++i) {
        out[i] = static_cast<Char>(kAlphabet[seed % 36]);
        seed /= 36;
    }
}

// Length of the folder part of path, separator included (0: the current folder).
template <typename Char>
size_t folder_length(const Char* path, size_t length, bool windows)
{
    size_t folder = 0;
    for (size_t i = 0; i < length; ++i) {
        if (path[i] == '/' || (windows && (path[i] == '\\' || path[i] == ':'))) {
            folder = i + 1;
        }
    }
    return folder;
}

// Writes the folder of final_path, then the hidden temporary name, into out (capacity checked by the caller).
template <typename Char>
void temporary_name(const Char* final_path, size_t length, bool windows, uint64_t process,
                    Char* out)
{
    size_t at = folder_length(final_path, length, windows);
    for (size_t i = 0; i < at; ++i) {
        out[i] = final_path[i];
    }
    for (const char* c = kPendingPrefix; *c != '\0'; ++c) {
        out[at++] = static_cast<Char>(*c);
    }
    random_letters(out + at, process);
    at += kRandomLetters;
    for (const char* c = kPendingSuffix; *c != '\0'; ++c) {
        out[at++] = static_cast<Char>(*c);
    }
    out[at] = 0;
}

}  // namespace

PendingOutput::~PendingOutput()
{
    forget_names();
}

int PendingOutput::give_up(int error)
{
    name_taken_ = error == EEXIST;
    forget_names();
    errno = error;
    return 1;
}

#ifdef _WIN32

// Windows: a temporary in the same folder, FlushFileBuffers, then MoveFileExW without MOVEFILE_REPLACE_EXISTING
// (refusing an existing name). Names are taken in the ANSI code page, as the C runtime takes them.

std::FILE* PendingOutput::open(const char* final_path, const OutputOptions& options)
{
    sync_ = options.sync;
    name_taken_ = false;
    int length = MultiByteToWideChar(CP_ACP, 0, final_path, -1, final_path_,
                                     kPathCapacity - static_cast<int>(kTemporaryNameRoom));
    if (length <= 1) {
        final_path_[0] = 0;
        errno = length == 1 ? ENOENT : ENAMETOOLONG;
        return nullptr;
    }
    if (GetFileAttributesW(final_path_) != INVALID_FILE_ATTRIBUTES) {
        name_taken_ = true;
        errno = EEXIST;
        return nullptr;
    }
    // Every way is the temporary here: MoveFileExW exists on every Windows.
    method_ = OutputMethod::kHiddenRename;
    int fd = -1;
    for (int attempt = 0; attempt < kTemporaryAttempts && fd < 0; ++attempt) {
        temporary_name(final_path_, static_cast<size_t>(length - 1), true,
                       static_cast<uint64_t>(_getpid()), temp_path_);
        fd = _wopen(temp_path_, _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _S_IREAD | _S_IWRITE);
        if (fd < 0 && errno != EEXIST) {
            break;
        }
    }
    if (fd < 0) {
        int error = errno;
        temp_path_[0] = 0;
        errno = error;
        return nullptr;
    }
    std::FILE* stream = _fdopen(fd, "wb");
    if (stream == nullptr) {
        int error = errno;
        _close(fd);
        forget_names();
        errno = error;
    }
    return stream;
}

int PendingOutput::commit(std::FILE* stream)
{
    name_taken_ = false;
    bool done = std::fflush(stream) == 0;
    int error = errno;
    if (done && sync_ && !FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream))))) {
        done = false;
        error = EIO;
    }
    if (std::fclose(stream) != 0 && done) {
        done = false;
        error = errno;
    }
    if (!done) {
        return give_up(error);
    }
    return name_from_temporary();
}

int PendingOutput::name_from_temporary()
{
    if (MoveFileExW(temp_path_, final_path_, MOVEFILE_WRITE_THROUGH)) {
        temp_path_[0] = 0;
        return 0;
    }
    DWORD error = GetLastError();
    return give_up(error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? EEXIST : EIO);
}

void PendingOutput::forget_names()
{
    if (temp_path_[0] != 0) {
        _wunlink(temp_path_);
        temp_path_[0] = 0;
    }
    if (final_created_) {
        _wunlink(final_path_);
        final_created_ = false;
    }
}

#else

namespace {

// The file systems' ways of saying "not here" to each step. Anything else (no such folder, no permission, a
// read-only file system, no space) is a failure of the output, not of the method, and ends it.

// O_TMPFILE: EOPNOTSUPP from a file system without it; EISDIR from a kernel older than 3.11, which takes the
// flag for O_DIRECTORY; EINVAL from file systems that reject the flag combination.
bool unnamed_refused(int error)
{
    return error == EOPNOTSUPP || error == EISDIR || error == EINVAL;
}

// link(): EPERM where the file system has no hard links (FAT, some network shares; other EPERM cases concern
// files we do not own, and the temporary is ours), EOPNOTSUPP from some FUSE and network file systems.
bool link_refused(int error)
{
    return error == EPERM || error == EOPNOTSUPP;
}

// renameat2(RENAME_NOREPLACE): ENOSYS before Linux 3.15, EINVAL from a file system that cannot honour the
// flag, EPERM from a seccomp filter unaware of the call (the sticky-folder EPERM concerns others' files).
bool rename_refused(int error)
{
    return error == ENOSYS || error == EINVAL || error == EPERM;
}

#ifndef RENAME_NOREPLACE
#define RENAME_NOREPLACE (1 << 0)
#endif

int rename_noreplace(const char* from, const char* to)
{
#ifdef SYS_renameat2
    return static_cast<int>(syscall(SYS_renameat2, AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE));
#else
    (void)from;
    (void)to;
    errno = ENOSYS;
    return -1;
#endif
}

// The folder part of path into out (capacity kPathCapacity), "." when path has none.
void folder_of(const char* path, char* out)
{
    size_t length = folder_length(path, std::strlen(path), false);
    if (length == 0) {
        out[length++] = '.';
    } else {
        std::memcpy(out, path, length);
    }
    out[length] = '\0';
}

// Syncs path's folder, so that a name just given there (or taken away) survives a power loss as the file's
// data does; -1 with errno when that cannot be promised. fail stands in for a failing disk (tests).
int sync_folder(const char* path, bool fail)
{
    char folder[PendingOutput::kPathCapacity];
    folder_of(path, folder);
    int fd = ::open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        // A folder that may be written but not read cannot be opened to be
        // synced; refusing the output there would refuse it for good.
        return errno == EACCES ? 0 : -1;
    }
    // EINVAL: a file system with no sync for folders (older network ones); there is nothing more to wait for.
    int result = fsync(fd) == 0 || errno == EINVAL ? 0 : -1;
    if (fail) {
        result = -1;
        errno = EIO;
    }
    int error = errno;
    close(fd);
    errno = error;
    return result;
}

// An unnamed file in folder, or -1 with errno.
int open_unnamed(const char* folder)
{
#ifdef O_TMPFILE
    // Named through its /proc/self/fd link: without /proc it never could be, so the way is refused at once.
    if (access("/proc/self/fd", X_OK) != 0) {
        errno = EOPNOTSUPP;
        return -1;
    }
    return ::open(folder, O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
#else
    (void)folder;
    errno = EOPNOTSUPP;
    return -1;
#endif
}

// The mode of a plain create (0666 less the umask), so the named file has the permissions the user expects.
int create_new(const char* path)
{
    return ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
}

bool write_all(int fd, const char* data, size_t size)
{
    while (size > 0) {
        ssize_t put = write(fd, data, size);
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            return false;
        }
        data += put;
        size -= static_cast<size_t>(put);
    }
    return true;
}

bool copy_all(int from, int to)
{
    char buffer[65536];
    while (true) {
        ssize_t got = read(from, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return false;
        }
        if (got == 0) {
            return true;
        }
        if (!write_all(to, buffer, static_cast<size_t>(got))) {
            return false;
        }
    }
}

}  // namespace

std::FILE* PendingOutput::open(const char* final_path, const OutputOptions& options)
{
    sync_ = options.sync;
    fail_folder_sync_ = options.fail_folder_sync;
    name_taken_ = false;
    size_t length = std::strlen(final_path);
    if (length == 0) {
        errno = ENOENT;
        return nullptr;
    }
    if (length + kTemporaryNameRoom >= static_cast<size_t>(kPathCapacity)) {
        errno = ENAMETOOLONG;
        return nullptr;
    }
    std::memcpy(final_path_, final_path, length + 1);
    // Anything under the name, even a dangling link, is refused as an exclusive create would refuse it.
    struct stat info;
    if (lstat(final_path_, &info) == 0) {
        name_taken_ = true;
        errno = EEXIST;
        return nullptr;
    }
    if (errno != ENOENT) {
        return nullptr;
    }
    method_ = options.first;
    int fd = -1;
    if (method_ == OutputMethod::kUnnamed) {
        char folder[kPathCapacity];
        folder_of(final_path_, folder);
        fd = open_unnamed(folder);
        if (fd < 0) {
            if (!unnamed_refused(errno)) {
                return nullptr;
            }
            method_ = OutputMethod::kHiddenLink;
        }
    }
    if (method_ != OutputMethod::kUnnamed) {
        for (int attempt = 0; attempt < kTemporaryAttempts && fd < 0; ++attempt) {
            temporary_name(final_path_, length, false, static_cast<uint64_t>(getpid()), temp_path_);
            fd = create_new(temp_path_);
            if (fd < 0 && errno != EEXIST) {
                break;
            }
        }
        if (fd < 0) {
            int error = errno;
            temp_path_[0] = '\0';
            errno = error;
            return nullptr;
        }
    }
    std::FILE* stream = fdopen(fd, "wb");
    if (stream == nullptr) {
        int error = errno;
        close(fd);
        forget_names();
        errno = error;
    }
    return stream;
}

int PendingOutput::commit(std::FILE* stream)
{
    name_taken_ = false;
    bool done = std::fflush(stream) == 0;
    if (done && sync_) {
        done = fdatasync(fileno(stream)) == 0;
    }
    int error = errno;
    if (done && method_ == OutputMethod::kUnnamed) {
        char link_path[64];
        std::snprintf(link_path, sizeof link_path, "/proc/self/fd/%d", fileno(stream));
        if (linkat(AT_FDCWD, link_path, AT_FDCWD, final_path_, AT_SYMLINK_FOLLOW) == 0) {
            final_created_ = true;  // ours until the close and the folder sync succeed
        } else {
            done = false;
            error = errno;
        }
    }
    if (std::fclose(stream) != 0 && done) {
        done = false;
        error = errno;
    }
    if (!done) {
        return give_up(error);
    }
    if (method_ == OutputMethod::kUnnamed) {
        return keep_name();
    }
    return name_from_temporary();
}

int PendingOutput::name_from_temporary()
{
    if (method_ == OutputMethod::kHiddenLink) {
        if (link(temp_path_, final_path_) == 0) {
            final_created_ = true;
            unlink(temp_path_);
            temp_path_[0] = '\0';
            return keep_name();
        }
        if (!link_refused(errno)) {
            return give_up(errno);
        }
        method_ = OutputMethod::kHiddenRename;
    }
    if (method_ == OutputMethod::kHiddenRename) {
        if (rename_noreplace(temp_path_, final_path_) == 0) {
            final_created_ = true;
            temp_path_[0] = '\0';
            return keep_name();
        }
        if (!rename_refused(errno)) {
            return give_up(errno);
        }
        method_ = OutputMethod::kInPlace;
    }
    return copy_into_place();
}

// No step here refuses an existing name atomically: the final name is created exclusively, as a plain
// exclusive create would, and the synced temporary copied into it; only a kill during the copy can leave a
// short file there.
int PendingOutput::copy_into_place()
{
    int to = create_new(final_path_);
    if (to < 0) {
        return give_up(errno);
    }
    final_created_ = true;
    int from = ::open(temp_path_, O_RDONLY | O_CLOEXEC);
    bool done = from >= 0 && copy_all(from, to) && (!sync_ || fdatasync(to) == 0);
    int error = errno;
    if (from >= 0) {
        close(from);
    }
    if (close(to) != 0 && done) {
        done = false;
        error = errno;
    }
    if (!done) {
        return give_up(error);
    }
    unlink(temp_path_);
    temp_path_[0] = '\0';
    return keep_name();
}

// The name just given stays ours until its folder is synced: should that fail, a power loss could take the
// name away after the run said it succeeded, so the name is taken away now and the output fails.
int PendingOutput::keep_name()
{
    if (sync_ && sync_folder(final_path_, fail_folder_sync_) != 0) {
        return give_up(errno);
    }
    final_created_ = false;
    return 0;
}

void PendingOutput::forget_names()
{
    if (temp_path_[0] != '\0') {
        unlink(temp_path_);
        temp_path_[0] = '\0';
    }
    if (final_created_) {
        unlink(final_path_);
        final_created_ = false;
    }
}

#endif
