// GIF row order: the pixels as the coders read them, row after row, either
// top to bottom or in the four interlace passes.
#ifndef VASTRELMON_GIF_ROW_ORDER_H
#define VASTRELMON_GIF_ROW_ORDER_H

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "platform/side_thread.h"

// Copies width x height pixels (rows top first, width bytes each) into
// target in GIF row order and returns the OR of every value copied, which
// reaches 2^D exactly when some value does. target must hold the picture
// and must not overlap source.
uint8_t copy_in_gif_order(const uint8_t* source, int32_t width, int32_t height, bool interlaced,
                          uint8_t* target);

// The same copy on a second thread, while the caller codes the pixels
// already copied. The caller asks with wait_for() for the pixels it is
// about to read; they are handed out only once every value up to them has
// been found below 2^depth. A value that is not ends the handing out; the
// copy itself goes on to the end, as copy_in_gif_order would.
//
// Usage: start() (false: no thread could be had and nothing was copied),
// wait_for() as often as needed, then finish() for the OR of all values.
class RowCopier {
public:
    RowCopier() = default;
    ~RowCopier() { finish(); }
    RowCopier(const RowCopier&) = delete;
    RowCopier& operator=(const RowCopier&) = delete;

    bool start(const uint8_t* source, int32_t width, int32_t height, bool interlaced, uint8_t* target,
               int32_t depth);
    // At least wanted pixels in GIF order, or all there are, copied and
    // found to fit the depth: how many are, or 0 when a value that does not
    // fit came first.
    size_t wait_for(size_t wanted);
    // Waits for the copy to end; the OR of all values copied.
    uint8_t finish();

private:
    static void run(void* self);

    const uint8_t* source_ = nullptr;
    uint8_t* target_ = nullptr;
    int32_t width_ = 0;
    int32_t height_ = 0;
    bool interlaced_ = false;
    int32_t depth_ = 0;
    uint8_t bits_ = 0;                    // OR of everything copied, set by the end
    std::atomic<size_t> checked_{0};      // pixels copied and fitting the depth
    std::atomic<bool> misfit_{false};     // a value not below 2^depth was copied
    std::atomic<bool> ended_{false};      // the copy is complete
    SideWait wait_;
    SideThread thread_;
};

#endif
