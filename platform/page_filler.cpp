#include "platform/page_filler.h"

#include <atomic>
#include <cstdint>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

#if defined(__linux__) && defined(MADV_POPULATE_WRITE) && !defined(VASTRELMON_NO_PAGE_FILLER)

namespace {

// One request covers this much: long enough to cost little, short enough
// that stop() never waits long.
constexpr uintptr_t kRequestBytes = uintptr_t{1} << 20;

}  // namespace

struct PageFiller::Work {
    uintptr_t begin;  // whole pages [begin, end)
    uintptr_t end;
    std::atomic<bool> stopping{false};

    static void run(void* self) { static_cast<Work*>(self)->fill(); }

    void fill()
    {
        for (uintptr_t to = end; to > begin && !stopping.load(std::memory_order_relaxed);) {
            const uintptr_t from = to - begin > kRequestBytes ? to - kRequestBytes : begin;
            if (madvise(reinterpret_cast<void*>(from), to - from, MADV_POPULATE_WRITE) != 0) {
                return;  // refused: the filling thread gets the pages itself
            }
            to = from;
        }
    }
};

void PageFiller::start(void* block, size_t bytes)
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
    if (!thread_.start(Work::run, work)) {
        delete work;
        return;
    }
    work_ = work;
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

void PageFiller::start(void*, size_t) {}

void PageFiller::stop() {}

#endif
