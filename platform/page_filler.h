// Fresh memory costs one page fault for every 4 KiB page the first time it
// is written: 22,500 of them for the biggest picture, which take about as
// long as reading it. A PageFiller has a second thread ask the system for
// the pages of such a buffer while it is being filled, last page first, so
// that the filling thread, which mostly starts at the other end (BMP files
// store the bottom row first), finds most of them in place and the two meet
// halfway.
//
// Only the timing changes: the pages are the same zero-filled pages either
// way, the helper never reads or writes the buffer itself, and where the
// system offers no such request (or no thread can be started) a PageFiller
// does nothing at all.
//
// Usage: start() after the allocation, stop() before the buffer is freed
// (the destructor stops too).
#ifndef VASTRELMON_PLATFORM_PAGE_FILLER_H
#define VASTRELMON_PLATFORM_PAGE_FILLER_H

#include <cstddef>

#include "platform/side_thread.h"

class PageFiller {
public:
    PageFiller() : work_(nullptr) {}
    ~PageFiller() { stop(); }
    PageFiller(const PageFiller&) = delete;
    PageFiller& operator=(const PageFiller&) = delete;

    // Starts on bytes bytes at block; a filler still running is stopped
    // first.
    void start(void* block, size_t bytes);
    // Ends the helper after its current request and waits for it.
    void stop();

private:
    struct Work;
    [[maybe_unused]] Work* work_;  // the running helper's state, or null (Linux only)
    SideThread thread_;
};

#endif
