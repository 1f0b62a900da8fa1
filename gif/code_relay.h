// Hands the LZW codes from the thread that finds them to a second thread
// that packs them into bits, so that finding and packing run side by side.
// The codes pass through a ring of fixed size, a batch at a time; either
// side waits when the other falls behind. The packed bytes are the same as
// when one thread does both: the packer sees every code, in order, and
// derives the clear codes and widths from them exactly as one thread would.
//
// Usage, on the finding thread: start() (false: no second thread could be
// had, so find and pack on this thread instead), then claim() room for a
// batch, fill it and submit() it, as often as needed, then finish(), which
// waits for the packer and returns its result. The finding thread keeps its
// counts in its own variables between submit() calls.
#ifndef VASTRELMON_GIF_CODE_RELAY_H
#define VASTRELMON_GIF_CODE_RELAY_H

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "platform/side_thread.h"

class CodeRelay {
public:
    // Runs on the second thread: takes codes with take() and done() until
    // take() returns 0; false when it stops early (the coded area is full).
    using Packer = bool (*)(CodeRelay* relay, void* context);

    static constexpr size_t kBatchCodes = size_t{1} << 15;
    static constexpr bool kOwnThread = true;  // the packer runs on the second thread

    CodeRelay() : ring_(nullptr), produced_(0), taken_(0), packer_(nullptr), context_(nullptr), result_(false) {}
    ~CodeRelay() { finish(); }
    CodeRelay(const CodeRelay&) = delete;
    CodeRelay& operator=(const CodeRelay&) = delete;

    bool start(Packer packer, void* context);

    // The finding side. claim() gives room for kBatchCodes codes, or null
    // once the packer has stopped early (the codes are then of no use);
    // submit() hands over the first count of them, a whole batch every time
    // but the last.
    uint16_t* claim();
    void submit(size_t count);
    // No more codes; waits for the packer and returns what it returned.
    bool finish();

    // The packing side. take() waits for codes and gives the next ones, or
    // 0 when all have been taken and no more will come; done() says they
    // are packed and their room may be reused.
    size_t take(const uint16_t** codes);
    void done();

private:
    static constexpr size_t kRingBatches = 8;
    // The packer's pause while no codes wait: a small share of the time the
    // finder takes for a batch (from about 70 us on noise to 400 us).
    static constexpr long kPollNanoseconds = 20000;
    static constexpr uint64_t kRingCodes = kRingBatches * kBatchCodes;

    static void run(void* self);

    uint16_t* ring_;
    uint64_t produced_;  // codes submitted (finding side only)
    uint64_t taken_;     // codes given out by take() (packing side only)
    std::atomic<uint64_t> published_{0};  // codes the finder has handed over
    std::atomic<uint64_t> consumed_{0};   // codes the packer is done with
    std::atomic<bool> finished_{false};   // no codes beyond published_ will come
    std::atomic<bool> stopped_{false};    // the packer has returned
    Packer packer_;
    void* context_;
    bool result_;
    SideWait wait_;
    SideThread thread_;
};

#endif
