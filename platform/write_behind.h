// Sends a buffer to its file while the buffer is still being filled: the
// thread that fills it says how far its bytes are final, and a second thread
// writes them at their place in the file a piece at a time and has the
// system start each piece on its way to the disk. What is left when the
// filling ends is written by the caller as usual, and the sync before the
// file is named finds most of the work done.
//
// Where no second thread can be started (one processor), the filling
// thread writes a bigger piece itself whenever it reports one: no time is
// saved on copying, but the disk starts earlier.
//
// Only the timing changes. The caller gets back how many bytes from the
// buffer's start are in the file; after any failed write that is 0, and the
// caller writes everything itself, so a full disk is found and reported
// where it always was. Where the system has no positioned writes, nothing is
// written ahead.
//
// The buffer may also be a ring that the filling thread goes round again
// and again: it then calls make_room() before it fills ring bytes that held
// earlier data, and waits there until they are in the file. Should a write
// fail, make_room() says so and the filling stops: the caller has lost the
// data that left the ring and starts over without it.
//
// Usage: start() once the file is open and the buffer allocated, settled()
// as the buffer fills, finish() when it is full (before the buffer is freed
// or the file is written by other means; the destructor finishes too).
#ifndef VASTRELMON_PLATFORM_WRITE_BEHIND_H
#define VASTRELMON_PLATFORM_WRITE_BEHIND_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "platform/side_thread.h"

class WriteBehind {
public:
    WriteBehind() : work_(nullptr) {}
    ~WriteBehind() { finish(); }
    WriteBehind(const WriteBehind&) = delete;
    WriteBehind& operator=(const WriteBehind&) = delete;

    // Starts writing data's bytes to file, the first at file offset offset,
    // as they are settled. With ring_bytes, data is a ring of that many
    // bytes (a multiple of 4096) holding byte n of the data at n modulo
    // ring_bytes. With alone, no second thread: the filling thread writes
    // (for little data, where a thread costs more than it saves). The
    // stream's own buffer and position are not touched. False when nothing
    // will be written ahead (with a ring, the caller must then not use one).
    bool start(std::FILE* file, int64_t offset, const uint8_t* data, size_t ring_bytes = 0, bool alone = false);
    // The bytes before bytes are final and may go to the file. Called by
    // the thread that fills the buffer; cheap enough for every clear code.
    void settled(size_t bytes);
    // For a ring: the bytes before settled are final; waits until the data
    // below needed minus the ring's size is in the file, and returns how
    // far the filling may go (at least needed), or 0 once a write failed.
    size_t make_room(size_t needed, size_t settled);
    // Waits for the writer and returns how many bytes from data's start are
    // in the file: 0 when none were written or a write failed. *tried (when
    // given) says whether anything was written to the file at all.
    size_t finish(bool* tried = nullptr);

private:
    struct Work;
    [[maybe_unused]] Work* work_;  // the running writer's state, or null (Linux only)
    SideThread thread_;
};

#endif
