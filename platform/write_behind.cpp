#include "platform/write_behind.h"

#include <atomic>
#include <cstdint>
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
// Without a second thread, the bytes written are started to the disk each
// time this many more have gone to the file (build switch
// VASTRELMON_EARLY_WRITEBACK=OFF: never). A request costs the filler tens of
// microseconds, and the disk then works while the rest is coded, so the
// sync at the end waits only for what came after: a 640 x 480 noise
// picture's 410 KB take one request, a smaller GIF none.
#if defined(VASTRELMON_NO_EARLY_WRITEBACK)
constexpr size_t kOwnThreadDiskBytes = SIZE_MAX;
#else
constexpr size_t kOwnThreadDiskBytes = size_t{256} << 10;
#endif
// A ring holds at least this many of the writer's pieces, so the filler
// seldom has to wait for the one being written.
constexpr size_t kRingPieces = 4;
// How long a filler waiting for ring room pauses before it looks again: a
// fraction of the time a piece takes to write.
constexpr long kRoomPauseNanoseconds = 20000;

}  // namespace

struct WriteBehind::Work {
    int descriptor;
    int64_t offset;
    const uint8_t* data;
    size_t ring = 0;  // 0: data holds all of the bytes
    size_t piece = kPieceBytes;
    std::atomic<size_t> settled{0};
    // Bytes in the file: changed by the writing thread (by the filling one
    // when own_thread), read by the filler to reuse a ring.
    std::atomic<size_t> written{0};
    std::atomic<bool> failed{false};
    std::atomic<bool> stopping{false};
    bool own_thread = false;  // written by the filling thread itself
    bool tried = false;  // a write was made; the writing thread's until joined
    // The bytes written are started on their way to the disk once this many
    // have gathered: 0, each piece at once; for a small picture's data,
    // where a request a piece costs the filler about what the sync then
    // saves, kOwnThreadDiskBytes.
    size_t disk_bytes = 0;
    // The bytes before this one have been started to the disk.
    size_t started = 0;

    static void run(void* self) { static_cast<Work*>(self)->write_pieces(); }

    // Writes [written, end) and starts it, or what has gathered, to the
    // disk.
    void write_up_to(size_t end)
    {
        const size_t from = written.load(std::memory_order_relaxed);
        tried = true;
        if (!write_range(from, end)) {
            failed.store(true, std::memory_order_release);
            return;
        }
        // Only a request; a failure shows again in the sync.
        if (end - started >= disk_bytes) {
            sync_file_range(descriptor, static_cast<off_t>(offset) + static_cast<off_t>(started),
                            static_cast<off_t>(end - started), SYNC_FILE_RANGE_WRITE);
            started = end;
        }
        // Release: the ring's bytes before end were read before they may be
        // filled again.
        written.store(end, std::memory_order_release);
    }

    // Writes the data's bytes [from, to) at their place, a ring's in at
    // most two parts; false when the system refuses.
    bool write_range(size_t from, size_t to)
    {
        while (from < to) {
            const size_t at = ring != 0 ? from % ring : from;
            size_t n = to - from;
            if (ring != 0 && n > ring - at) {
                n = ring - at;
            }
            const ssize_t got = pwrite(descriptor, data + at, n, static_cast<off_t>(offset) + static_cast<off_t>(from));
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                return false;
            }
            from += static_cast<size_t>(got);
        }
        return true;
    }

    void write_pieces()
    {
        while (!stopping.load(std::memory_order_acquire)) {
            // Acquire: the bytes before the position are visible here.
            const size_t ready = settled.load(std::memory_order_acquire);
            const size_t done = written.load(std::memory_order_relaxed);
            if (ready - done < piece) {
                const timespec pause = {0, kPauseNanoseconds};
                nanosleep(&pause, nullptr);
                continue;
            }
            write_up_to(done + piece);
            if (failed.load(std::memory_order_relaxed)) {
                return;
            }
        }
    }
};

bool WriteBehind::start(std::FILE* file, int64_t offset, const uint8_t* data, size_t ring_bytes, bool alone)
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
    work->ring = ring_bytes;
    if (ring_bytes != 0 && ring_bytes / kRingPieces < work->piece) {
        work->piece = ring_bytes / kRingPieces;
    }
    if (work->descriptor < 0 || (ring_bytes != 0 && work->piece == 0)) {
        delete work;
        return false;
    }
    work->disk_bytes = alone ? kOwnThreadDiskBytes : 0;
    work->own_thread = alone || !thread_.start(Work::run, work);
    work_ = work;
    return true;
}

void WriteBehind::settled(size_t bytes)
{
    if (work_ == nullptr) {
        return;
    }
    if (work_->own_thread) {
        if (!work_->failed.load() && bytes - work_->written.load() >= kOwnThreadPieceBytes) {
            work_->write_up_to(bytes);
        }
        return;
    }
    // Release: the bytes before the position are written before it is.
    work_->settled.store(bytes, std::memory_order_release);
}

size_t WriteBehind::make_room(size_t needed, size_t settled)
{
    if (work_ == nullptr || work_->ring == 0) {
        return 0;
    }
    Work& work = *work_;
    if (work.own_thread) {
        if (!work.failed.load() && work.written.load() + work.ring < needed) {
            work.write_up_to(settled);
        }
    } else {
        work.settled.store(settled, std::memory_order_release);
        // Acquire: the writer has read the bytes before written.
        while (!work.failed.load(std::memory_order_acquire) &&
               work.written.load(std::memory_order_acquire) + work.ring < needed) {
            const timespec pause = {0, kRoomPauseNanoseconds};
            nanosleep(&pause, nullptr);
        }
    }
    return work.failed.load(std::memory_order_acquire) ? 0 : work.written.load(std::memory_order_acquire) + work.ring;
}

size_t WriteBehind::finish(bool* tried)
{
    if (tried != nullptr) {
        *tried = false;
    }
    if (work_ == nullptr) {
        return 0;
    }
    if (!work_->own_thread) {
        work_->stopping.store(true, std::memory_order_release);
        thread_.join();
    }
    if (tried != nullptr) {
        *tried = work_->tried;
    }
    const size_t written = work_->failed.load() ? 0 : work_->written.load();
    delete work_;
    work_ = nullptr;
    return written;
}

#else

// Without positioned writes the caller writes everything, as before.
struct WriteBehind::Work {};

bool WriteBehind::start(std::FILE*, int64_t, const uint8_t*, size_t, bool)
{
    return false;
}

void WriteBehind::settled(size_t) {}

size_t WriteBehind::make_room(size_t, size_t)
{
    return 0;
}

size_t WriteBehind::finish(bool* tried)
{
    if (tried != nullptr) {
        *tried = false;
    }
    return 0;
}

#endif
