// A row source that reads another's rows on a second thread, ahead of the
// coder, in the order the coder takes them (top to bottom, or the four
// interlace passes): the coder then finds each row ready, and what the
// other source does per row (turning colours into indices, touching the
// input's pages) runs beside the coding. Only the timing changes.
// Private to lib/.
#ifndef VASTRELMON_LIB_ROWS_AHEAD_H
#define VASTRELMON_LIB_ROWS_AHEAD_H

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "gif/gif_settings.h"
#include "platform/malloc_buffer.h"
#include "platform/side_thread.h"

class RowsAhead : public GifRowSource {
public:
    RowsAhead(GifRowSource* rows, int32_t width, int32_t height, bool interlaced)
        : rows_(rows), width_(static_cast<size_t>(width)), height_(height), interlaced_(interlaced)
    {
    }
    ~RowsAhead() override;
    RowsAhead(const RowsAhead&) = delete;
    RowsAhead& operator=(const RowsAhead&) = delete;

    // Starts the second thread; false (nothing is read ahead, and this
    // source must not be used) when it or its room cannot be had.
    bool start();
    // The rows must be asked for in the coder's order; false for a row
    // the other source could not give, or one out of that order.
    bool read_row(int32_t row, uint8_t* out) override;

private:
    // Rows read ahead at most: some 256 KiB, and at least a few.
    static constexpr size_t kAheadBytes = size_t{256} << 10;
    static constexpr size_t kMinSlots = 4;
    enum : int { kFree = 0, kReady = 1, kFailed = 2 };

    static void run(void* self) { static_cast<RowsAhead*>(self)->read_ahead(); }
    void read_ahead();

    GifRowSource* rows_;
    size_t width_;
    int32_t height_;
    bool interlaced_;
    size_t slots_ = 0;
    MallocBuffer<uint8_t> buffer_;
    MallocBuffer<std::atomic<int>> state_;
    MallocBuffer<int32_t> row_of_;  // the row each slot holds
    size_t taken_ = 0;              // rows the coder took
    std::atomic<bool> quit_{false};
    SideWait wait_;
    SideThread thread_;
};

#endif
