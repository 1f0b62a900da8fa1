#include "image/true_color_palette.h"

#include <algorithm>
#include <cstring>

using namespace true_color;

namespace {

// The search for the depth covers bits 7 down to 0.
constexpr int kTopDepth = 8;
// A sort key is the low byte of a colour's usage count.
constexpr uint32_t kSortKeyMask = 0xFF;

uint32_t pack_bgr(const uint8_t* bgr)
{
    return static_cast<uint32_t>(bgr[2]) << 16 | static_cast<uint32_t>(bgr[1]) << 8 | bgr[0];
}

}  // namespace

int bits_for_count(uint32_t count, int top_depth)
{
    const uint32_t highest = count - 1;
    int depth = top_depth;
    uint32_t mask = 1u << (top_depth - 1);
    while (depth > 0 && (highest & mask) == 0) {
        mask >>= 1;
        --depth;
    }
    return depth;
}

void ColorIndex::clear()
{
    for (Slot& slot : slots_) {
        slot.packed = kEmpty;
    }
}

int ColorIndex::find(uint32_t packed) const
{
    for (uint32_t at = home(packed);; at = (at + 1) & kSlotMask) {
        if (slots_[at].packed == packed) {
            return slots_[at].value;
        }
        if (slots_[at].packed == kEmpty) {
            return -1;
        }
    }
}

void ColorIndex::add(uint32_t packed, int value)
{
    uint32_t at = home(packed);
    while (slots_[at].packed != kEmpty) {
        at = (at + 1) & kSlotMask;
    }
    slots_[at].packed = packed;
    slots_[at].value = static_cast<uint16_t>(value);
}

void ColorIndex::renumber(const int* map)
{
    for (Slot& slot : slots_) {
        if (slot.packed != kEmpty) {
            slot.value = static_cast<uint16_t>(map[slot.value]);
        }
    }
}

void TrueColorPalette::start()
{
    if (!started_) {
        index_.clear();
        started_ = true;
    }
}

bool TrueColorPalette::add(const uint8_t* bgr, size_t count)
{
    start();
    for (size_t i = 0; i < count; ++i) {
        const uint32_t packed = pack_bgr(bgr + i * clBitMap::kTrueColorBytes);
        if (packed == run_color_ && run_entry_ >= 0) {
            ++run_length_;
            continue;
        }
        if (run_entry_ >= 0) {
            list_.entries[run_entry_].uses += run_length_;
        }
        int found = index_.find(packed);
        if (found < 0) {
            if (list_.size == kPaletteEntries) {
                return false;
            }
            found = list_.size++;
            list_.entries[found] = ColorEntry{packed, 0, 0, static_cast<uint8_t>(found)};
            index_.add(packed, found);
        }
        run_color_ = packed;
        run_entry_ = found;
        run_length_ = 1;
    }
    return true;
}

int TrueColorPalette::finish(uint8_t* palette)
{
    start();
    if (run_entry_ >= 0) {
        list_.entries[run_entry_].uses += run_length_;
        run_entry_ = -1;
    }
    // Largest key first. Stable, so colours with equal keys keep their order
    // of first appearance and every platform builds the same palette.
    // Afterwards the index gives each colour's position in the sorted list.
    for (int i = 0; i < list_.size; ++i) {
        list_.entries[i].key = static_cast<uint8_t>(list_.entries[i].uses & kSortKeyMask);
    }
    std::stable_sort(list_.entries, list_.entries + list_.size,
                     [](const ColorEntry& a, const ColorEntry& b) { return a.key > b.key; });
    int position[kPaletteEntries];
    for (int i = 0; i < list_.size; ++i) {
        position[list_.entries[i].first] = i;
    }
    index_.renumber(position);
    std::memset(palette, 0, kPaletteBytes);
    for (int i = 0; i < list_.size; ++i) {
        const uint32_t packed = list_.entries[i].packed;
        palette[3 * i] = static_cast<uint8_t>(packed >> 16);
        palette[3 * i + 1] = static_cast<uint8_t>(packed >> 8);
        palette[3 * i + 2] = static_cast<uint8_t>(packed);
    }
    return std::max(1, bits_for_count(static_cast<uint32_t>(list_.size), kTopDepth));
}

void TrueColorPalette::index(const uint8_t* bgr, size_t count, uint8_t* out) const
{
    uint32_t run_color = 0;
    uint8_t run_position = 0;
    bool in_run = false;
    for (size_t i = 0; i < count; ++i) {
        const uint32_t packed = pack_bgr(bgr + i * clBitMap::kTrueColorBytes);
        if (!in_run || packed != run_color) {
            run_color = packed;
            run_position = static_cast<uint8_t>(index_.find(packed));
            in_run = true;
        }
        out[i] = run_position;
    }
}
