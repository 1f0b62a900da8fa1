#include "platform/write_behind.h"

#include <atomic>
#include <new>

#if defined(__linux__) && !defined(VASTRELMON_NO_WRITE_BEHIND)
#include <errno.h>
#include <fcntl.h>
#include <time.h>
#include <unistd.h>

namespace {

// One write: big enough to cost few calls, small enough that the last
// piece, which the caller writes, is short.
constexpr size_t kPieceBytes = size_t{1} << 20;
// Without a second thread the filling thread writes itself, in bigger
// pieces, between its own work: the same copying as afterwards, but the disk
// starts earlier.
constexpr size_t kOwnThreadPieceBytes = size_t{8} << 20;
// How long the writer waits before it looks at the filler's position again:
// the time a busy coder needs for a few hundred kilobytes.
constexpr long kPauseNanoseconds = 200000;

}  // namespace

struct WriteBehind::Work {
    int descriptor;
    int64_t offset;
    const uint8_t* data;
    std::atomic<size_t> settled{0};
    std::atomic<bool> stopping{false};
    bool own_thread = false;  // written by the filling thread in settled()
    size_t written = 0;   // the writing thread's only until it has been joined
    bool failed = false;  // the same

    static void run(void* self) { static_cast<Work*>(self)->write_pieces(); }

    // Writes [written, end) and starts it to the disk.
    void write_up_to(size_t end)
    {
        if (!write_range(written, end)) {
            failed = true;
            return;
        }
        // Only a request; a failure shows again in the sync.
        sync_file_range(descriptor, static_cast<off_t>(offset) + static_cast<off_t>(written),
                        static_cast<off_t>(end - written), SYNC_FILE_RANGE_WRITE);
        written = end;
    }

    // Writes [from, to) at its place; false when the system refuses.
    bool write_range(size_t from, size_t to)
    {
        while (from < to) {
            const ssize_t n = pwrite(descriptor, data + from, to - from, static_cast<off_t>(offset) + static_cast<off_t>(from));
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                return false;
            }
            from += static_cast<size_t>(n);
        }
        return true;
    }

    void write_pieces()
    {
        while (!stopping.load(std::memory_order_acquire)) {
            // Acquire: the bytes before the position are visible here.
            const size_t ready = settled.load(std::memory_order_acquire);
            if (ready - written < kPieceBytes) {
                const timespec pause = {0, kPauseNanoseconds};
                nanosleep(&pause, nullptr);
                continue;
            }
            write_up_to(written + kPieceBytes);
            if (failed) {
                return;
            }
        }
    }
};

bool WriteBehind::start(std::FILE* file, int64_t offset, const uint8_t* data)
{
    finish();
    if (file == nullptr || data == nullptr || offset < 0) {
        return false;
    }
    Work* work = new (std::nothrow) Work;
    if (work == nullptr) {
        return false;
    }
    work->descriptor = fileno(file);
    work->offset = offset;
    work->data = data;
    if (work->descriptor < 0) {
        delete work;
        return false;
    }
    work->own_thread = !thread_.start(Work::run, work);
    work_ = work;
    return true;
}

void WriteBehind::settled(size_t bytes)
{
    if (work_ == nullptr) {
        return;
    }
    if (work_->own_thread) {
        if (!work_->failed && bytes - work_->written >= kOwnThreadPieceBytes) {
            work_->write_up_to(bytes);
        }
        return;
    }
    // Release: the bytes before the position are written before it is.
    work_->settled.store(bytes, std::memory_order_release);
}

size_t WriteBehind::finish()
{
    if (work_ == nullptr) {
        return 0;
    }
    if (!work_->own_thread) {
        work_->stopping.store(true, std::memory_order_release);
        thread_.join();
    }
    const size_t written = work_->failed ? 0 : work_->written;
    delete work_;
    work_ = nullptr;
    return written;
}

#else

// Without positioned writes the caller writes everything, as before.
struct WriteBehind::Work {};

bool WriteBehind::start(std::FILE*, int64_t, const uint8_t*)
{
    return false;
}

void WriteBehind::settled(size_t) {}

size_t WriteBehind::finish()
{
    return 0;
}

#endif
