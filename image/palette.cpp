// Palette work: shrinking an indexed picture's colour table to the entries
// its pixels use, and turning a true-colour picture into an indexed one.
#include <algorithm>
#include <cstring>

#include "image/bitmap.h"
#include "platform/packed_rows.h"

namespace {

// Too many colours is not a failure of build_palette: the caller sees the
// depth still at 24. The record carries code 0 so it is told apart.
constexpr uint32_t kTooManyColors = 0;

const ErrorEntry kCompactNoData = {kBitmapNotCreated, 215, "data area is not created."};
const ErrorEntry kCompactDepth = {kBitmapOutOfRange, 223, "yet set or not support variable.[C:%d]"};
const ErrorEntry kCompactResult = {kBitmapIllegalResult, 277, "illegal result.[calc bit depth:%d]"};
const ErrorEntry kBuildNoData = {kBitmapNotCreated, 569, "data area is not created."};
const ErrorEntry kBuildDepth = {kBitmapOutOfRange, 575, "yet set or not support variable.[C:%d]"};
const ErrorEntry kBuildTooMany = {kTooManyColors, 613, "use color is more than 257."};

// The search for build_palette's depth covers bits 7 down to 0.
constexpr int kBuildTopDepth = 8;
// A sort key is the low byte of a colour's usage count.
constexpr uint32_t kSortKeyMask = 0xFF;

// Fewest bits that address count colours: the significant bits of
// count - 1, searched from bit top_depth - 1 downwards. 0 when count is 1.
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

// Pixels flagged between two looks at the count of flags.
constexpr size_t kFlagChunk = 4096;

// Flags the indices the pixels use, `seen` of them flagged already; stops
// once all `entries` are seen. Returns how many distinct indices are flagged.
int flag_used_indices_one_by_one(const uint8_t* pixels, size_t count, int entries, bool* used, int seen)
{
    for (size_t i = 0; i < count && seen < entries; ++i) {
        if (!used[pixels[i]]) {
            used[pixels[i]] = true;
            ++seen;
        }
    }
    return seen;
}

int count_flags(const bool* used)
{
    int flagged = 0;
    for (int i = 0; i < kPaletteEntries; ++i) {
        flagged += used[i] ? 1 : 0;
    }
    return flagged;
}

// The same, a chunk of pixels at a time with no test per pixel. The chunk in
// which the count reaches `entries` is gone through again one pixel at a
// time, so the scan stops at the same pixel and flags the same indices even
// when some pixels hold values of 2^depth or more.
int flag_used_indices(const uint8_t* pixels, size_t count, int entries, bool* used)
{
    int seen = 0;
    for (size_t start = 0; start < count && seen < entries; start += kFlagChunk) {
        const size_t length = count - start < kFlagChunk ? count - start : kFlagChunk;
        bool before[kPaletteEntries];
        std::memcpy(before, used, sizeof before);
        for (size_t i = start; i < start + length; ++i) {
            used[pixels[i]] = true;
        }
        const int flagged = count_flags(used);
        if (flagged >= entries) {
            std::memcpy(used, before, sizeof before);
            return flag_used_indices_one_by_one(pixels + start, length, entries, used, seen);
        }
        seen = flagged;
    }
    return seen;
}

// Build switch VASTRELMON_PALETTE_SAMPLE=OFF: every full table found by
// going through the pixels in order.
#if defined(VASTRELMON_NO_PALETTE_SAMPLE)
constexpr bool kSampleRows = false;
#else
constexpr bool kSampleRows = true;
#endif
// A picture of one byte per pixel whose pixels use all 256 entries mostly
// shows every one of them in a few rows spread over its height (a
// photograph's last new colour may turn up only 60 % of the way down, but
// somewhere in every 64th row). Whether those rows hold every entry; when
// they do not, used is cleared again.
bool sample_fills_table(const uint8_t* pixels, size_t width, size_t height, int entries, bool* used)
{
    if (!kSampleRows || entries != kPaletteEntries) {
        return false;
    }
    for (size_t row = 0; row < height; row += clBitMap::kSampleRowStep) {
        const uint8_t* line = pixels + row * width;
        for (size_t x = 0; x < width; ++x) {
            used[line[x]] = true;
        }
    }
    if (count_flags(used) == entries) {
        return true;
    }
    std::memset(used, 0, kPaletteEntries * sizeof *used);
    return false;
}

// flag_used_indices for a picture of one byte per pixel, which finds a full
// table sooner: the sample rows first, and only when an entry is still
// missing the scan in order as before. With 256 entries every byte value is
// an entry, so neither the order nor the early stop can change what is
// flagged: every entry, or exactly the values present.
int flag_used_rows(const uint8_t* pixels, size_t width, size_t height, int entries, bool* used)
{
    if (sample_fills_table(pixels, width, height, entries, used)) {
        return entries;
    }
    return flag_used_indices(pixels, width * height, entries, used);
}

// flag_used_indices for packed rows (their values are all below 2^bits, so
// stopping early never changes the result). Each distinct byte is noted
// once; the pixels of a row's last byte are taken one by one, as its low
// bits may hold no pixel.
int flag_used_packed(const uint8_t* pixels, size_t width, size_t height, int bits, bool* used)
{
    const size_t stride = row_bytes(width, bits);
    const size_t whole = width * static_cast<size_t>(bits) / 8;
    const int entries = 1 << bits;
    bool byte_seen[kPaletteEntries] = {};
    for (size_t row = 0; row < height; ++row) {
        const uint8_t* line = pixels + row * stride;
        for (size_t i = 0; i < whole; ++i) {
            byte_seen[line[i]] = true;
        }
        for (size_t x = whole * 8 / static_cast<size_t>(bits); x < width; ++x) {
            used[packed_index(line, x, bits)] = true;
        }
        for (int value = 0; value < kPaletteEntries; ++value) {
            if (byte_seen[value]) {
                for (int j = 0; j < 8; j += bits) {
                    used[(value >> j) & (entries - 1)] = true;
                }
            }
        }
        if (count_flags(used) == entries) {
            break;
        }
    }
    return count_flags(used);
}

struct ColorEntry {
    uint32_t packed;  // red << 16 | green << 8 | blue
    uint32_t uses;
    uint8_t key;
    uint8_t first;  // place in the order of first appearance
};

struct ColorList {
    ColorEntry entries[kPaletteEntries];
    int size;
};

uint32_t pack_bgr(const uint8_t* bgr)
{
    return static_cast<uint32_t>(bgr[2]) << 16 | static_cast<uint32_t>(bgr[1]) << 8 | bgr[0];
}

// Where each colour of the list sits, found in a few steps instead of a walk
// through up to 256 entries: open addressing over four times as many slots
// as the list can hold, keyed by the packed colour.
class ColorIndex {
public:
    ColorIndex()
    {
        for (Slot& slot : slots_) {
            slot.packed = kEmpty;
        }
    }

    // The value stored with packed, or -1.
    int find(uint32_t packed) const
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

    // Stores value with a colour not yet present.
    void add(uint32_t packed, int value)
    {
        uint32_t at = home(packed);
        while (slots_[at].packed != kEmpty) {
            at = (at + 1) & kSlotMask;
        }
        slots_[at].packed = packed;
        slots_[at].value = static_cast<uint16_t>(value);
    }

    // Replaces every stored value v by map[v].
    void renumber(const int* map)
    {
        for (Slot& slot : slots_) {
            if (slot.packed != kEmpty) {
                slot.value = static_cast<uint16_t>(map[slot.value]);
            }
        }
    }

private:
    static constexpr int kSlotBits = 10;
    static constexpr uint32_t kSlotMask = (1u << kSlotBits) - 1;
    // No packed colour reaches 2^24.
    static constexpr uint32_t kEmpty = 0xFFFFFFFFu;
    // Fibonacci hashing: the top bits of the product spread neighbouring
    // colours over the whole table.
    static constexpr uint32_t kHashFactor = 0x9E3779B1u;

    static uint32_t home(uint32_t packed) { return (packed * kHashFactor) >> (32 - kSlotBits); }

    struct Slot {
        uint32_t packed;
        uint16_t value;
    };
    Slot slots_[1u << kSlotBits];
};

// Collects the distinct colours in order of first appearance with their
// usage counts, noting each one's place in the index. Returns false at the
// 257th distinct colour.
bool collect_colors(const uint8_t* pixels, size_t count, ColorList* list, ColorIndex* index)
{
    list->size = 0;
    // Neighbouring pixels mostly share their colour: a run is counted
    // without a lookup and added to its colour when it ends.
    uint32_t run_color = 0;
    int run_entry = -1;
    uint32_t run_length = 0;
    for (size_t i = 0; i < count; ++i) {
        const uint32_t packed = pack_bgr(pixels + i * clBitMap::kTrueColorBytes);
        if (packed == run_color && run_entry >= 0) {
            ++run_length;
            continue;
        }
        if (run_entry >= 0) {
            list->entries[run_entry].uses += run_length;
        }
        int found = index->find(packed);
        if (found < 0) {
            if (list->size == kPaletteEntries) {
                return false;
            }
            found = list->size++;
            list->entries[found] = ColorEntry{packed, 0, 0, static_cast<uint8_t>(found)};
            index->add(packed, found);
        }
        run_color = packed;
        run_entry = found;
        run_length = 1;
    }
    if (run_entry >= 0) {
        list->entries[run_entry].uses += run_length;
    }
    return true;
}

// Largest key first. Stable, so colours with equal keys keep their order of
// first appearance and every platform builds the same palette. Afterwards
// the index gives each colour's position in the sorted list.
void sort_by_key(ColorList* list, ColorIndex* index)
{
    int position[kPaletteEntries];
    for (int i = 0; i < list->size; ++i) {
        list->entries[i].key = static_cast<uint8_t>(list->entries[i].uses & kSortKeyMask);
    }
    std::stable_sort(list->entries, list->entries + list->size,
                     [](const ColorEntry& a, const ColorEntry& b) { return a.key > b.key; });
    for (int i = 0; i < list->size; ++i) {
        position[list->entries[i].first] = i;
    }
    index->renumber(position);
}

void write_palette(const ColorList& list, uint8_t* palette)
{
    for (int i = 0; i < list.size; ++i) {
        const uint32_t packed = list.entries[i].packed;
        palette[3 * i] = static_cast<uint8_t>(packed >> 16);
        palette[3 * i + 1] = static_cast<uint8_t>(packed >> 8);
        palette[3 * i + 2] = static_cast<uint8_t>(packed);
    }
}

// Byte i receives pixel i's position in the sorted list. It lies at or
// before the pixel's own bytes (3i), so no pixel is overwritten before it is
// read.
void index_pixels(const ColorIndex& index, uint8_t* pixels, size_t count)
{
    uint32_t run_color = 0;
    uint8_t run_position = 0;
    bool in_run = false;
    for (size_t i = 0; i < count; ++i) {
        const uint32_t packed = pack_bgr(pixels + i * clBitMap::kTrueColorBytes);
        if (!in_run || packed != run_color) {
            run_color = packed;
            run_position = static_cast<uint8_t>(index.find(packed));
            in_run = true;
        }
        pixels[i] = run_position;
    }
}

}  // namespace

bool clBitMap::sampled_rows_fill_table() const
{
    bool used[kPaletteEntries] = {};
    return pixels() != nullptr && color_depth_ == 8 && stored_bits_ == 8 &&
           sample_fills_table(pixels(), static_cast<size_t>(width_), static_cast<size_t>(height_), entries_in_use(),
                              used);
}

int clBitMap::compact_palette()
{
    if (pixels() == nullptr) {
        return fail(this, kCompactNoData);
    }
    if (color_depth_ != 1 && color_depth_ != 4 && color_depth_ != 8) {
        return fail(this, kCompactDepth, color_depth_);
    }
    const int entries = entries_in_use();
    bool used[kPaletteEntries] = {};
    const int used_count =
        stored_bits_ < 8 ? flag_used_packed(pixels(), static_cast<size_t>(width_), static_cast<size_t>(height_),
                                            stored_bits_, used)
                         : flag_used_rows(pixels(), static_cast<size_t>(width_), static_cast<size_t>(height_),
                                          entries, used);
    if (used_count == entries) {
        return 0;
    }
    const int new_depth = bits_for_count(static_cast<uint32_t>(used_count), color_depth_);
    if (new_depth <= 0) {
        return fail(this, kCompactResult, new_depth);
    }
    uint8_t map[kPaletteEntries] = {};
    int next = 0;
    for (int index = 0; index < entries; ++index) {
        if (used[index]) {
            map[index] = static_cast<uint8_t>(next++);
        }
    }
    if (transparent_index_ >= 0 && transparent_index_ < kPaletteEntries) {
        transparent_index_ = used[transparent_index_] ? map[transparent_index_] : -1;
    }
    remap_indices(map);
    color_depth_ = new_depth;
    return 0;
}

void clBitMap::remap_indices(const uint8_t* map)
{
    uint8_t saved[kPaletteBytes];
    std::memcpy(saved, palette_, sizeof saved);
    std::memset(palette_, 0, sizeof palette_);
    // Entries can only be written at the new indices the map leads to; once
    // all of them are, the rest of the pixels need no test.
    bool reachable[kPaletteEntries] = {};
    for (int i = 0; i < kPaletteEntries; ++i) {
        reachable[map[i]] = true;
    }
    const int targets = count_flags(reachable);
    bool written[kPaletteEntries] = {};
    int done = 0;
    if (stored_bits_ < 8) {
        remap_packed(map, saved, reachable, targets);
        return;
    }
    const size_t count = pixel_count();
    size_t i = 0;
    for (; i < count && done < targets; ++i) {
        const uint8_t old_index = pixels()[i];
        const uint8_t new_index = map[old_index];
        pixels()[i] = new_index;
        if (!written[new_index]) {
            written[new_index] = true;
            ++done;
            std::memcpy(palette_ + 3 * new_index, saved + 3 * old_index, 3);
        }
    }
    for (; i < count; ++i) {
        pixels()[i] = map[pixels()[i]];
    }
}

void clBitMap::remap_packed(const uint8_t* map, const uint8_t* saved, const bool* reachable, int targets)
{
    const int bits = stored_bits_;
    const int mask = (1 << bits) - 1;
    const size_t width = static_cast<size_t>(width_);
    const size_t stride = row_bytes();
    // The palette as the pixels come, until every entry they can reach is
    // written. A packed row holds only indices below 2^bits.
    bool written[kPaletteEntries] = {};
    int done = 0;
    for (int target = 0; target < kPaletteEntries; ++target) {
        // Entries no index of this picture can lead to are never written.
        bool possible = false;
        for (int index = 0; index <= mask; ++index) {
            possible = possible || map[index] == target;
        }
        if (reachable[target] && !possible) {
            --targets;
        }
    }
    for (size_t row = 0; row < static_cast<size_t>(height_) && done < targets; ++row) {
        const uint8_t* line = pixels() + row * stride;
        for (size_t x = 0; x < width && done < targets; ++x) {
            const uint8_t old_index = packed_index(line, x, bits);
            const uint8_t new_index = map[old_index];
            if (!written[new_index]) {
                written[new_index] = true;
                ++done;
                std::memcpy(palette_ + 3 * new_index, saved + 3 * old_index, 3);
            }
        }
    }
    // Then every byte at once: each of its pixels mapped, kept to its bits.
    uint8_t byte_map[kPaletteEntries];
    for (int value = 0; value < kPaletteEntries; ++value) {
        int mapped = 0;
        for (int j = 0; j < 8; j += bits) {
            mapped |= (map[(value >> j) & mask] & mask) << j;
        }
        byte_map[value] = static_cast<uint8_t>(mapped);
    }
    uint8_t* bytes = pixels();
    const size_t total = stride * static_cast<size_t>(height_);
    for (size_t i = 0; i < total; ++i) {
        bytes[i] = byte_map[bytes[i]];
    }
}

int clBitMap::build_palette()
{
    if (pixels() == nullptr) {
        return fail(this, kBuildNoData);
    }
    if (color_depth_ != kTrueColorDepth) {
        return fail(this, kBuildDepth, color_depth_);
    }
    std::memset(palette_, 0, sizeof palette_);
    ColorList list;
    ColorIndex index;
    if (!collect_colors(pixels(), pixel_count(), &list, &index)) {
        record_error(&error_code, error_text, &kBuildTooMany);
        return 0;
    }
    sort_by_key(&list, &index);
    write_palette(list, palette_);
    index_pixels(index, pixels(), pixel_count());
    // A single colour (a blank canvas) has no significant bit in n - 1; it
    // still needs a depth the GIF can carry, so it gets one bit: its colour
    // in entry 0, entry 1 zero, every pixel index 0.
    color_depth_ = std::max(1, bits_for_count(static_cast<uint32_t>(list.size), kBuildTopDepth));
    return 0;
}
