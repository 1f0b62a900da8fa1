#include "platform/page_filler.h"

#include <atomic>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>
#endif

#if defined(__linux__) && defined(MADV_POPULATE_WRITE) && !defined(VASTRELMON_NO_PAGE_FILLER)

namespace {

// One request covers this much: long enough to cost little, short enough
// that stop() never waits long.
constexpr size_t kRequestBytes = size_t{1} << 20;
// How long a held-back filler waits before it looks at the user's position
// again: the time the user needs for a few hundred kilobytes.
constexpr long kPauseNanoseconds = 200000;

// Asks for one range of whole pages; false when the system refuses.
bool populate(uintptr_t from, uintptr_t to)
{
    return madvise(reinterpret_cast<void*>(from), to - from, MADV_POPULATE_WRITE) == 0;
}

}  // namespace

struct PageFiller::Work {
    uintptr_t begin;  // whole pages [begin, end)
    uintptr_t end;
    Direction direction;
    size_t lead;
    std::atomic<size_t> reached{0};
    std::atomic<bool> stopping{false};

    static void run(void* self) { static_cast<Work*>(self)->fill(); }

    void fill()
    {
        if (direction == kFromEnd) {
            for (uintptr_t to = end; to > begin && !stopping.load(std::memory_order_relaxed);) {
                const uintptr_t from = to - begin > kRequestBytes ? to - kRequestBytes : begin;
                if (!populate(from, to)) {
                    return;
                }
                to = from;
            }
            return;
        }
        for (uintptr_t from = begin; from < end && !stopping.load(std::memory_order_relaxed);) {
            if (lead != 0 && from - begin > reached.load(std::memory_order_relaxed) + lead) {
                const timespec pause = {0, kPauseNanoseconds};
                nanosleep(&pause, nullptr);
                continue;
            }
            const uintptr_t to = end - from > kRequestBytes ? from + kRequestBytes : end;
            if (!populate(from, to)) {
                return;
            }
            from = to;
        }
    }
};

void PageFiller::start(void* block, size_t bytes, Direction direction, size_t lead)
{
    stop();
    const uintptr_t page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    const uintptr_t first = reinterpret_cast<uintptr_t>(block);
    const uintptr_t begin = (first + page - 1) / page * page;
    const uintptr_t end = (first + bytes) / page * page;
    if (block == nullptr || end <= begin + kRequestBytes) {
        return;  // not worth a thread
    }
    Work* work = new (std::nothrow) Work;
    if (work == nullptr) {
        return;
    }
    work->begin = begin;
    work->end = end;
    work->direction = direction;
    work->lead = lead;
    if (!thread_.start(Work::run, work)) {
        delete work;
        return;
    }
    work_ = work;
}

void PageFiller::reached(size_t offset)
{
    if (work_ != nullptr) {
        work_->reached.store(offset, std::memory_order_relaxed);
    }
}

void PageFiller::stop()
{
    if (work_ == nullptr) {
        return;
    }
    work_->stopping.store(true, std::memory_order_relaxed);
    thread_.join();
    delete work_;
    work_ = nullptr;
}

#else

// Without the request there is nothing to do ahead of the user.
struct PageFiller::Work {};

void PageFiller::start(void*, size_t, Direction, size_t) {}

void PageFiller::reached(size_t) {}

void PageFiller::stop() {}

#endif
