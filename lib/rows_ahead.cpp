#include "lib/rows_ahead.h"

#include <cstring>
#include <new>

#include "gif/row_order.h"

namespace {

struct SlotLook {
    const std::atomic<int>* state;
    const std::atomic<bool>* quit;
    int want_free;  // 1: wait for a free slot (or quit), 0: for a filled one
};

bool slot_ready(const void* context)
{
    const SlotLook* look = static_cast<const SlotLook*>(context);
    const int state = look->state->load();
    return look->want_free ? (state == 0 || look->quit->load()) : state != 0;
}

}  // namespace

RowsAhead::~RowsAhead()
{
    quit_.store(true);
    wait_.wake_all();
    thread_.join();
}

bool RowsAhead::start()
{
    if (width_ == 0) {
        return false;
    }
    slots_ = kAheadBytes / width_ < kMinSlots ? kMinSlots : kAheadBytes / width_;
    buffer_ = allocate_buffer<uint8_t>(slots_ * width_, false);
    state_ = allocate_buffer<std::atomic<int>>(slots_, false);
    row_of_ = allocate_buffer<int32_t>(slots_, false);
    if (!buffer_ || !state_ || !row_of_) {
        return false;
    }
    for (size_t i = 0; i < slots_; ++i) {
        new (&state_[i]) std::atomic<int>(kFree);
    }
    return thread_.start(run, this);
}

void RowsAhead::read_ahead()
{
    GifRows order(height_, interlaced_);
    size_t index = 0;
    for (int32_t row = order.next(); row >= 0; row = order.next(), ++index) {
        const size_t slot = index % slots_;
        const SlotLook look = {&state_[slot], &quit_, 1};
        wait_.wait_until(slot_ready, &look);
        if (quit_.load()) {
            return;
        }
        row_of_[slot] = row;
        const bool read = rows_->read_row(row, buffer_.get() + slot * width_);
        state_[slot].store(read ? kReady : kFailed);
        wait_.wake_all();
        if (!read) {
            return;
        }
    }
}

bool RowsAhead::read_row(int32_t row, uint8_t* out)
{
    const size_t slot = taken_ % slots_;
    const SlotLook look = {&state_[slot], &quit_, 0};
    wait_.wait_until(slot_ready, &look);
    if (state_[slot].load() != kReady || row_of_[slot] != row) {
        return false;
    }
    std::memcpy(out, buffer_.get() + slot * width_, width_);
    ++taken_;
    state_[slot].store(kFree);
    wait_.wake_all();
    return true;
}
