// Palette work: shrinking an indexed picture's colour table to the entries
// its pixels use, and turning a true-colour picture into an indexed one.
#include <algorithm>
#include <cstring>

#include "image/bitmap.h"

namespace {

constexpr uint32_t kNotCreated = 0x3A0003;
constexpr uint32_t kIllegalResult = 0x3A0004;
constexpr uint32_t kOutOfRange = 0x3A0006;
// Too many colours is not a failure of build_palette: the caller sees the
// depth still at 24. The record carries code 0 so it is told apart.
constexpr uint32_t kTooManyColors = 0;

const ErrorSpec kCompactNoData = {kNotCreated, 215, "data area is not created."};
const ErrorSpec kCompactDepth = {kOutOfRange, 223, "yet set or not support variable.[C:%d]"};
const ErrorSpec kCompactResult = {kIllegalResult, 277, "illegal result.[calc bit depth:%d]"};
const ErrorSpec kBuildNoData = {kNotCreated, 569, "data area is not created."};
const ErrorSpec kBuildDepth = {kOutOfRange, 575, "yet set or not support variable.[C:%d]"};
const ErrorSpec kBuildTooMany = {kTooManyColors, 613, "use color is more than 257."};

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

// Flags the indices the pixels use; stops once all `entries` are seen.
// Returns how many distinct indices were flagged.
int flag_used_indices(const uint8_t* pixels, size_t count, int entries, bool* used)
{
    int seen = 0;
    for (size_t i = 0; i < count && seen < entries; ++i) {
        if (!used[pixels[i]]) {
            used[pixels[i]] = true;
            ++seen;
        }
    }
    return seen;
}

struct ColorEntry {
    uint32_t packed;  // red << 16 | green << 8 | blue
    uint32_t uses;
    uint8_t key;
};

struct ColorList {
    ColorEntry entries[kPaletteEntries];
    int size;
};

uint32_t pack_bgr(const uint8_t* bgr)
{
    return static_cast<uint32_t>(bgr[2]) << 16 | static_cast<uint32_t>(bgr[1]) << 8 | bgr[0];
}

int find_color(const ColorList& list, uint32_t packed)
{
    for (int i = 0; i < list.size; ++i) {
        if (list.entries[i].packed == packed) {
            return i;
        }
    }
    return -1;
}

// Collects the distinct colours in order of first appearance with their
// usage counts. Returns false at the 257th distinct colour.
bool collect_colors(const uint8_t* pixels, size_t count, ColorList* list)
{
    list->size = 0;
    for (size_t i = 0; i < count; ++i) {
        const uint32_t packed = pack_bgr(pixels + i * clBitMap::kTrueColorBytes);
        const int found = find_color(*list, packed);
        if (found >= 0) {
            ++list->entries[found].uses;
        } else if (list->size < kPaletteEntries) {
            list->entries[list->size++] = ColorEntry{packed, 1, 0};
        } else {
            return false;
        }
    }
    return true;
}

// Largest key first. Stable, so colours with equal keys keep their order of
// first appearance and every platform builds the same palette.
void sort_by_key(ColorList* list)
{
    for (int i = 0; i < list->size; ++i) {
        list->entries[i].key = static_cast<uint8_t>(list->entries[i].uses & kSortKeyMask);
    }
    std::stable_sort(list->entries, list->entries + list->size,
                     [](const ColorEntry& a, const ColorEntry& b) { return a.key > b.key; });
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

// Byte i receives pixel i's position in the list. It lies at or before the
// pixel's own bytes (3i), so no pixel is overwritten before it is read.
void index_pixels(const ColorList& list, uint8_t* pixels, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        const int position = find_color(list, pack_bgr(pixels + i * clBitMap::kTrueColorBytes));
        pixels[i] = static_cast<uint8_t>(position);
    }
}

}  // namespace

int clBitMap::compact_palette()
{
    if (pixels == nullptr) {
        return fail(this, kCompactNoData);
    }
    if (color_depth != 1 && color_depth != 4 && color_depth != 8) {
        return fail(this, kCompactDepth, color_depth);
    }
    const int entries = entries_in_use();
    bool used[kPaletteEntries] = {};
    const int used_count = flag_used_indices(pixels, pixel_count(), entries, used);
    if (used_count == entries) {
        return 0;
    }
    const int new_depth = bits_for_count(static_cast<uint32_t>(used_count), color_depth);
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
    if (transparent_index >= 0 && transparent_index < kPaletteEntries) {
        transparent_index = used[transparent_index] ? map[transparent_index] : -1;
    }
    remap_indices(map);
    color_depth = new_depth;
    return 0;
}

void clBitMap::remap_indices(const uint8_t* map)
{
    uint8_t saved[kPaletteBytes];
    std::memcpy(saved, palette, sizeof saved);
    std::memset(palette, 0, sizeof palette);
    bool written[kPaletteEntries] = {};
    const size_t count = pixel_count();
    for (size_t i = 0; i < count; ++i) {
        const uint8_t old_index = pixels[i];
        const uint8_t new_index = map[old_index];
        pixels[i] = new_index;
        if (!written[new_index]) {
            written[new_index] = true;
            std::memcpy(palette + 3 * new_index, saved + 3 * old_index, 3);
        }
    }
}

int clBitMap::build_palette()
{
    if (pixels == nullptr) {
        return fail(this, kBuildNoData);
    }
    if (color_depth != kTrueColorDepth) {
        return fail(this, kBuildDepth, color_depth);
    }
    std::memset(palette, 0, sizeof palette);
    ColorList list;
    if (!collect_colors(pixels, pixel_count(), &list)) {
        record_error(&error_code, error_text, &kBuildTooMany);
        return 0;
    }
    sort_by_key(&list);
    write_palette(list, palette);
    index_pixels(list, pixels, pixel_count());
    // A single colour (a blank canvas) has no significant bit in n - 1; it
    // still needs a depth the GIF can carry, so it gets one bit: its colour
    // in entry 0, entry 1 zero, every pixel index 0.
    color_depth = std::max(1, bits_for_count(static_cast<uint32_t>(list.size), kBuildTopDepth));
    return 0;
}
