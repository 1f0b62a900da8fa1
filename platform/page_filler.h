// Fresh memory costs one page fault for every 4 KiB page the first time it
// is written: several thousand faults for each of the run's big buffers (the
// picture, its copy in GIF row order, the coded data), which together take
// as long as a whole stage. A PageFiller has a second thread ask the system
// for the pages of such a buffer while the run goes on, so the thread that
// fills the buffer mostly finds them in place.
//
// Only the timing changes: the pages are the same zero-filled pages either
// way, the helper never reads or writes the buffer itself, and where the
// system offers no such request (or no thread can be started) a PageFiller
// does nothing at all.
//
// Usage: start() after the allocation, stop() before the buffer is freed
// (the destructor stops too). A filler for a buffer that is filled from its
// start at a modest pace, and may stay partly unused, can be held back to a
// fixed distance ahead of the position its user reports with reached().
#ifndef VASTRELMON_PLATFORM_PAGE_FILLER_H
#define VASTRELMON_PLATFORM_PAGE_FILLER_H

#include <cstddef>
#include <cstdint>

#include "platform/side_thread.h"

class PageFiller {
public:
    // The order in which the pages are asked for: the same as the user's,
    // or the opposite one, so that the two meet halfway.
    enum Direction { kFromStart, kFromEnd };

    PageFiller() : work_(nullptr) {}
    ~PageFiller() { stop(); }
    PageFiller(const PageFiller&) = delete;
    PageFiller& operator=(const PageFiller&) = delete;

    // Starts on bytes bytes at block; a filler still running is stopped
    // first. With a lead of 0 every page is asked for; otherwise (kFromStart
    // only) at most lead bytes beyond the last position given to reached().
    void start(void* block, size_t bytes, Direction direction, size_t lead = 0);
    // Tells a held-back filler how far the buffer has been written.
    void reached(size_t offset);
    // Ends the helper after its current request and waits for it.
    void stop();

private:
    struct Work;
    Work* work_;  // the running helper's state, or null
    SideThread thread_;
};

#endif
