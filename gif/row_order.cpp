#include "gif/row_order.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>

#include "platform/side_thread.h"

namespace {

// The four interlace passes: first row and row step of each.
struct InterlacePass {
    int32_t first_row;
    int32_t row_step;
};
const InterlacePass kInterlacePasses[] = {{0, 8}, {4, 8}, {2, 4}, {1, 2}};
const InterlacePass kTopToBottom[] = {{0, 1}};

// Rows gathered per window of an interlaced picture, in bytes (besides the
// pixels kept from the window before): enough that the copying costs little
// per pixel, few enough to stay in the second-level cache.
constexpr size_t kWindowBytes = size_t{256} << 10;
// The same for a picture gathered by the coder alone (a small one): fewer
// fresh pages, at the cost of moving the kept pixels a little more often.
constexpr size_t kSmallWindowBytes = size_t{16} << 10;

// Build switch VASTRELMON_ROWS_AHEAD=OFF: the coder gathers every window's
// rows itself.
#if defined(VASTRELMON_NO_ROWS_AHEAD)
constexpr bool kRowsAhead = false;
#else
constexpr bool kRowsAhead = true;
#endif

}  // namespace

uint8_t combined_bits(const uint8_t* values, size_t count)
{
    // Eight values at a time.
    uint64_t words = 0;
    size_t i = 0;
    for (; i + sizeof words <= count; i += sizeof words) {
        uint64_t word;
        std::memcpy(&word, values + i, sizeof word);
        words |= word;
    }
    uint8_t bits = 0;
    for (; i < count; ++i) {
        bits |= values[i];
    }
    for (size_t shift = 0; shift < 64; shift += 8) {
        bits = static_cast<uint8_t>(bits | (words >> shift));
    }
    return bits;
}

GifRows::GifRows(int32_t height, bool interlaced)
    : height_(height),
      row_(-1),
      pass_(0),
      pass_count_(interlaced ? sizeof kInterlacePasses / sizeof kInterlacePasses[0] : 1)
{
}

int32_t GifRows::next()
{
    const InterlacePass* passes = pass_count_ == 1 ? kTopToBottom : kInterlacePasses;
    while (pass_ < pass_count_) {
        row_ = row_ < 0 ? passes[pass_].first_row : row_ + passes[pass_].row_step;
        if (row_ < height_) {
            return row_;
        }
        ++pass_;
        row_ = -1;
    }
    return -1;
}

bool GifOrderWindow::start(const uint8_t* pixels, int32_t width, int32_t height, bool interlaced,
                           int stored_bits, GifRowSource* source, bool ahead)
{
    stop_ahead();
    picture_ = pixels;
    source_ = source;
    rows_missing_ = false;
    width_ = static_cast<size_t>(width);
    stored_bits_ = stored_bits;
    row_bytes_ = row_bytes(width_, stored_bits);
    height_ = height;
    base_ = 0;
    const size_t total = width_ * static_cast<size_t>(height);
    if (!interlaced && !is_packed(stored_bits) && source == nullptr) {
        pixels_ = pixels;
        count_ = total;
        last_ = true;
        return true;
    }
    rows_ = GifRows(height, interlaced);
    pending_row_ = rows_.next();
    // The first window is gathered here; the second thread takes over at
    // the first advance.
    ahead_wanted_ = kRowsAhead && ahead && total >= 2 * kWindowBytes;
    // Room for the pixels kept and at least one row; a small picture gets
    // only what it needs.
    capacity_ = std::min(total, kMatchReach + std::max(ahead ? kWindowBytes : kSmallWindowBytes, width_));
    buffer_ = allocate_buffer<uint8_t>(capacity_, false);
    if (!buffer_) {
        return false;
    }
    pixels_ = buffer_.get();
    count_ = 0;
    return fill();
}

bool GifOrderWindow::copy_row(int32_t row, uint8_t* out) const
{
    if (source_ != nullptr) {
        return source_->read_row(row, out);
    }
    const uint8_t* stored = picture_ + static_cast<size_t>(row) * row_bytes_;
    if (is_packed(stored_bits_)) {
        unpack_row(stored, width_, stored_bits_, out);
    } else {
        std::memcpy(out, stored, width_);
    }
    return true;
}

bool GifOrderWindow::fill()
{
    uint8_t* window = buffer_.get();
    while (pending_row_ >= 0 && capacity_ - count_ >= width_) {
        if (!copy_row(pending_row_, window + count_)) {
            rows_missing_ = true;
            return false;
        }
        count_ += width_;
        pending_row_ = rows_.next();
    }
    last_ = pending_row_ < 0;
    return true;
}

bool GifOrderWindow::advance(size_t done)
{
    if (ahead_ != nullptr) {
        return advance_ahead(done);
    }
    if (ahead_wanted_) {
        ahead_wanted_ = false;
        // The pixels kept are still read from the old buffer.
        MallocBuffer<uint8_t> old = std::move(buffer_);
        if (start_ahead()) {
            return advance_ahead(done);
        }
        buffer_ = std::move(old);
    }
    uint8_t* window = buffer_.get();
    std::memmove(window, window + done, count_ - done);
    base_ += done;
    count_ -= done;
    return fill();
}

// The gathering thread and the coder share two buffers, each room for the
// pixels a window keeps and then a window's rows. The thread fills one
// buffer's rows while the coder works in the other; the coder, moving on,
// puts the pixels it keeps right before the new rows and gives the old
// buffer back.
struct GifOrderWindow::Ahead {
    static constexpr int32_t kFree = -2;    // the thread may fill it
    static constexpr int32_t kFailed = -1;  // a row could not be had
    // The pause of a side that waits: the coder rarely does; the thread
    // waits for most of a window's coding.
    static constexpr long kCoderPauseNanoseconds = 20000;
    static constexpr long kThreadPauseNanoseconds = 50000;

    GifOrderWindow* window;
    uint8_t* rows[2];  // where each buffer's rows go
    size_t rows_per_buffer;
    // kFree, kFailed, or the rows the buffer holds (then final says whether
    // they are the picture's last).
    std::atomic<int32_t> state[2];
    bool final[2];
    std::atomic<bool> quit{false};
    int filling = 0;   // the thread's buffer
    int current = -1;  // the coder's buffer, -1 before the first
    SideWait wait;
    SideThread thread;

    static void run(void* self) { static_cast<Ahead*>(self)->gather(); }

    // The buffer the coder takes next.
    int next() const { return current < 0 ? 0 : current ^ 1; }

    void gather()
    {
        GifOrderWindow& w = *window;
        for (int k = 0;; k ^= 1) {
            filling = k;
            wait.poll_until(
                [](const void* context) {
                    const Ahead* ahead = static_cast<const Ahead*>(context);
                    return ahead->quit.load() || ahead->state[ahead->filling].load() == kFree;
                },
                this, kThreadPauseNanoseconds, false);
            if (quit.load()) {
                return;
            }
            int32_t count = 0;
            while (static_cast<size_t>(count) < rows_per_buffer && w.pending_row_ >= 0) {
                if (!w.copy_row(w.pending_row_, rows[k] + static_cast<size_t>(count) * w.width_)) {
                    state[k].store(kFailed);
                    return;
                }
                ++count;
                w.pending_row_ = w.rows_.next();
            }
            final[k] = w.pending_row_ < 0;
            state[k].store(count);
            if (final[k]) {
                return;
            }
        }
    }
};

bool GifOrderWindow::start_ahead()
{
    const size_t rows_per_buffer = std::max<size_t>(1, kWindowBytes / width_);
    const size_t buffer_bytes = kMatchReach + rows_per_buffer * width_;
    buffer_ = allocate_buffer<uint8_t>(2 * buffer_bytes, false);
    Ahead* ahead = new (std::nothrow) Ahead;
    if (!buffer_ || ahead == nullptr) {
        delete ahead;
        return false;
    }
    ahead->window = this;
    ahead->rows_per_buffer = rows_per_buffer;
    for (int k = 0; k < 2; ++k) {
        ahead->rows[k] = buffer_.get() + k * buffer_bytes + kMatchReach;
        ahead->state[k].store(Ahead::kFree);
        ahead->final[k] = false;
    }
    if (!ahead->thread.start(Ahead::run, ahead)) {
        delete ahead;
        return false;
    }
    ahead_ = ahead;
    return true;
}

bool GifOrderWindow::advance_ahead(size_t done)
{
    Ahead& ahead = *ahead_;
    const int next = ahead.next();
    ahead.wait.poll_until(
        [](const void* context) {
            const Ahead* a = static_cast<const Ahead*>(context);
            return a->state[a->next()].load() != Ahead::kFree;
        },
        &ahead, Ahead::kCoderPauseNanoseconds);
    const int32_t rows = ahead.state[next].load();
    if (rows == Ahead::kFailed) {
        rows_missing_ = true;
        return false;
    }
    const size_t kept = count_ - done;
    uint8_t* start = ahead.rows[next] - kept;
    if (kept != 0) {
        std::memcpy(start, pixels_ + done, kept);
    }
    if (ahead.current >= 0) {
        ahead.state[ahead.current].store(Ahead::kFree);
    }
    ahead.current = next;
    pixels_ = start;
    base_ += done;
    count_ = kept + static_cast<size_t>(rows) * width_;
    last_ = ahead.final[next];
    return true;
}

void GifOrderWindow::stop_ahead()
{
    if (ahead_ != nullptr) {
        ahead_->quit.store(true);
        ahead_->thread.join();
        delete ahead_;
        ahead_ = nullptr;
    }
}
