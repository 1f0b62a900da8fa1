#include "gif/row_order.h"

#include <cstring>

namespace {

// The four interlace passes: first row and row step of each.
struct InterlacePass {
    int32_t first_row;
    int32_t row_step;
};
const InterlacePass kInterlacePasses[] = {{0, 8}, {4, 8}, {2, 4}, {1, 2}};
const InterlacePass kTopToBottom[] = {{0, 1}};

// The copier tells its reader about this many bytes at a time.
constexpr size_t kHandOutBytes = size_t{1} << 18;

uint8_t combined_bits(const uint8_t* values, size_t count)
{
    uint8_t bits = 0;
    for (size_t i = 0; i < count; ++i) {
        bits |= values[i];
    }
    return bits;
}

// Copies the rows pass by pass, each followed by the OR of its values while
// it is still in the cache; after every chunk of about kHandOutBytes calls
// progress(pixels copied, OR so far, context). Returns the OR of all values.
template <typename Progress>
uint8_t copy_rows(const uint8_t* source, int32_t width, int32_t height, bool interlaced, uint8_t* target,
                  Progress progress)
{
    const size_t row_bytes = static_cast<size_t>(width);
    const InterlacePass* passes = interlaced ? kInterlacePasses : kTopToBottom;
    const size_t pass_count = interlaced ? sizeof kInterlacePasses / sizeof kInterlacePasses[0] : 1;
    uint8_t bits = 0;
    size_t copied = 0;
    size_t told = 0;
    for (size_t p = 0; p < pass_count; ++p) {
        for (int32_t row = passes[p].first_row; row < height; row += passes[p].row_step) {
            uint8_t* out = target + copied;
            std::memcpy(out, source + static_cast<size_t>(row) * row_bytes, row_bytes);
            bits = static_cast<uint8_t>(bits | combined_bits(out, row_bytes));
            copied += row_bytes;
            if (copied - told >= kHandOutBytes) {
                progress(copied, bits);
                told = copied;
            }
        }
    }
    return bits;
}

}  // namespace

uint8_t copy_in_gif_order(const uint8_t* source, int32_t width, int32_t height, bool interlaced,
                          uint8_t* target)
{
    return copy_rows(source, width, height, interlaced, target, [](size_t, uint8_t) {});
}

bool RowCopier::start(const uint8_t* source, int32_t width, int32_t height, bool interlaced, uint8_t* target,
                      int32_t depth)
{
    source_ = source;
    target_ = target;
    width_ = width;
    height_ = height;
    interlaced_ = interlaced;
    depth_ = depth;
    checked_.store(0);
    misfit_.store(false);
    ended_.store(false);
    return thread_.start(run, this);
}

void RowCopier::run(void* self)
{
    RowCopier* copier = static_cast<RowCopier*>(self);
    const uint8_t bits = copy_rows(copier->source_, copier->width_, copier->height_, copier->interlaced_,
                                   copier->target_, [copier](size_t copied, uint8_t so_far) {
                                       if ((so_far >> copier->depth_) != 0) {
                                           copier->misfit_.store(true);
                                       } else if (!copier->misfit_.load()) {
                                           copier->checked_.store(copied);
                                       }
                                       copier->wait_.wake_all();
                                   });
    copier->bits_ = bits;
    if ((bits >> copier->depth_) != 0) {
        copier->misfit_.store(true);
    } else {
        copier->checked_.store(static_cast<size_t>(copier->width_) * static_cast<size_t>(copier->height_));
    }
    copier->ended_.store(true);
    copier->wait_.wake_all();
}

size_t RowCopier::wait_for(size_t wanted)
{
    struct Want {
        const RowCopier* copier;
        size_t pixels;
    } want = {this, wanted};
    wait_.wait_until(
        [](const void* context) {
            const Want* w = static_cast<const Want*>(context);
            return w->copier->misfit_.load() || w->copier->ended_.load() ||
                   w->copier->checked_.load() >= w->pixels;
        },
        &want);
    const size_t checked = checked_.load();
    if (checked < wanted && misfit_.load()) {
        return 0;
    }
    return checked;
}

uint8_t RowCopier::finish()
{
    thread_.join();
    return bits_;
}
