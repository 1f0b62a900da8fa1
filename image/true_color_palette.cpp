#include "image/true_color_palette.h"

#include <algorithm>
#include <cstring>

using namespace true_color;

namespace {

// The search for the depth covers bits 7 down to 0.
constexpr int kTopDepth = 8;
// A sort key is the low byte of a colour's usage count.
constexpr uint32_t kSortKeyMask = 0xFF;

// A pixel's bytes, blue, green, red, as red << 16 | green << 8 | blue.
uint32_t pack_bgr(const uint8_t* bgr)
{
    return static_cast<uint32_t>(bgr[2]) << 16 | static_cast<uint32_t>(bgr[1]) << 8 | bgr[0];
}

// Four pixels (12 bytes) that all equal the pixel before them are taken together, after one compare: a flat
// area costs a compare per four pixels, and a photograph, whose runs are short, no branch per pixel that
// could mispredict. The compare reads the bytes as two little-endian words (elsewhere each pixel is looked up
// on its own).
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
constexpr bool kColorGroups = true;
#else
constexpr bool kColorGroups = false;
#endif
constexpr size_t kGroupPixels = 4;

// Four pixels' 12 bytes: the first eight and the last four.
struct PixelGroup {
    uint64_t head;
    uint32_t tail;

    static PixelGroup at(const uint8_t* bgr)
    {
        PixelGroup group;
        std::memcpy(&group.head, bgr, sizeof group.head);
        std::memcpy(&group.tail, bgr + sizeof group.head, sizeof group.tail);
        return group;
    }
    // Four pixels of colour packed (bytes blue, green, red each).
    static PixelGroup of(uint32_t packed)
    {
        const uint64_t color = packed;
        return {color | color << 24 | (color & 0xFFFF) << 48, static_cast<uint32_t>(color >> 16 | color << 8)};
    }
    bool operator==(const PixelGroup& other) const { return head == other.head && tail == other.tail; }
};

// Calls visit(i, packed colour) for each of count pixels in turn, except that four pixels that all equal the
// one before them may go to repeat(i) as one, i the first of them. Both return false to stop, and then so
// does this.
template <typename Visit, typename Repeat>
bool for_each_color(const uint8_t* bgr, size_t count, Visit visit, Repeat repeat)
{
    size_t i = 0;
    if (kColorGroups && count > kGroupPixels) {
        // The first pixel has none before it.
        uint32_t packed = pack_bgr(bgr);
        if (!visit(0, packed)) {
            return false;
        }
        PixelGroup last = PixelGroup::of(packed);
        for (i = 1; count - i >= kGroupPixels; i += kGroupPixels) {
            const uint8_t* const group = bgr + i * clBitMap::kTrueColorBytes;
            if (PixelGroup::at(group) == last) {
                if (!repeat(i)) {
                    return false;
                }
                continue;
            }
            for (size_t k = 0; k < kGroupPixels; ++k) {
                packed = pack_bgr(group + k * clBitMap::kTrueColorBytes);
                if (!visit(i + k, packed)) {
                    return false;
                }
            }
            last = PixelGroup::of(packed);
        }
    }
    for (; i < count; ++i) {
        if (!visit(i, pack_bgr(bgr + i * clBitMap::kTrueColorBytes))) {
            return false;
        }
    }
    return true;
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
    for (uint32_t& key : keys_) {
        key = kEmpty;
    }
}

int ColorIndex::find(uint32_t packed) const
{
    for (uint32_t at = home(packed);; at = (at + 1) & kSlotMask) {
        if (keys_[at] == packed) {
            return values_[at];
        }
        if (keys_[at] == kEmpty) {
            return -1;
        }
    }
}

void ColorIndex::add(uint32_t packed, int value)
{
    uint32_t at = home(packed);
    while (keys_[at] != kEmpty) {
        at = (at + 1) & kSlotMask;
    }
    keys_[at] = packed;
    values_[at] = static_cast<uint8_t>(value);
}

void ColorIndex::renumber(const uint8_t* map)
{
    for (uint32_t at = 0; at < kSlots; ++at) {
        if (keys_[at] != kEmpty) {
            values_[at] = map[values_[at]];
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

template <bool kNumbered>
bool TrueColorPalette::add_colors(const uint8_t* bgr, size_t count, uint8_t* numbers)
{
    start();
    int last = -1;  // the entry of the pixel before
    return for_each_color(
        bgr, count,
        [this, numbers, &last](size_t i, uint32_t packed) {
            int found = index_.find(packed);
            if (found < 0) {
                if (list_.size == kPaletteEntries) {
                    return false;
                }
                found = list_.size++;
                list_.entries[found] = ColorEntry{packed, 0, 0, static_cast<uint8_t>(found)};
                index_.add(packed, found);
            }
            ++list_.entries[found].uses;
            last = found;
            if (kNumbered) {
                numbers[i] = static_cast<uint8_t>(found);
            }
            return true;
        },
        [this, numbers, &last](size_t i) {
            list_.entries[last].uses += kGroupPixels;
            if (kNumbered) {
                std::memset(numbers + i, last, kGroupPixels);
            }
            return true;
        });
}

bool TrueColorPalette::add(const uint8_t* bgr, size_t count)
{
    return add_colors<false>(bgr, count, nullptr);
}

bool TrueColorPalette::add(const uint8_t* bgr, size_t count, uint8_t* numbers)
{
    return add_colors<true>(bgr, count, numbers);
}

int TrueColorPalette::finish(uint8_t* palette)
{
    start();
    // Largest key first. Stable, so colours with equal keys keep their order of first appearance and every
    // platform builds the same palette. Afterwards the index gives each colour's position in the sorted list.
    for (int i = 0; i < list_.size; ++i) {
        list_.entries[i].key = static_cast<uint8_t>(list_.entries[i].uses & kSortKeyMask);
    }
    std::stable_sort(list_.entries, list_.entries + list_.size,
                     [](const ColorEntry& a, const ColorEntry& b) { return a.key > b.key; });
    for (int i = 0; i < list_.size; ++i) {
        table_index_[list_.entries[i].first] = static_cast<uint8_t>(i);
    }
    index_.renumber(table_index_);
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
    uint8_t last = 0;  // the index of the pixel before
    for_each_color(
        bgr, count,
        [this, out, &last](size_t i, uint32_t packed) {
            last = static_cast<uint8_t>(index_.find(packed));
            out[i] = last;
            return true;
        },
        [out, &last](size_t i) {
            std::memset(out + i, last, kGroupPixels);
            return true;
        });
}

void TrueColorPalette::number_to_index(uint8_t* numbers, size_t count) const
{
    for (size_t i = 0; i < count; ++i) {
        numbers[i] = table_index_[numbers[i]];
    }
}
