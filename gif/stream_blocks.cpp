// The layout of the fixed blocks: where each field the settings fill sits.
#include "gif/stream_blocks.h"

#include <cstring>

namespace {

const uint8_t kHeaderImage[StreamBlocks::kHeaderSize] = {'G', 'I', 'F', '8', '9', 'a'};
const uint8_t kImageDescriptorImage[StreamBlocks::kImageDescriptorSize] = {0x2C};
const uint8_t kGraphicControlImage[StreamBlocks::kGraphicControlSize] = {0x21, 0xF9, 0x04};

// Offsets of the fields the settings fill in.
constexpr int kScreenWidthOffset = 6;
constexpr int kScreenHeightOffset = 8;
constexpr int kScreenFlagsOffset = 10;
constexpr int kImageLeftOffset = 1;
constexpr int kImageTopOffset = 3;
constexpr int kImageWidthOffset = 5;
constexpr int kImageHeightOffset = 7;
constexpr int kImageFlagsOffset = 9;
constexpr int kGceFlagsOffset = 3;
constexpr int kTransparentByteOffset = 6;

// Bits of the packed fields.
constexpr uint8_t kGlobalTablePresent = 0x80;
constexpr uint8_t kColorResolutionMask = 0x70;
constexpr int kColorResolutionShift = 4;
constexpr uint8_t kTableSizeMask = 0x07;
constexpr uint8_t kInterlacedImage = 0x40;
constexpr uint8_t kTransparentGiven = 0x01;

constexpr int kColorEntryBytes = 3;

void put_uint16(uint8_t* at, int32_t value)
{
    at[0] = static_cast<uint8_t>(value & 0xFF);
    at[1] = static_cast<uint8_t>((value >> 8) & 0xFF);
}

}  // namespace

const uint8_t kCommentIntroducer[2] = {0x21, 0xFE};

int color_table_entries(int32_t depth)
{
    return depth == 1 ? 4 : 1 << depth;
}

int min_code_size(int32_t depth)
{
    return depth == 1 ? 2 : depth;
}

void StreamBlocks::reset()
{
    std::memcpy(header, kHeaderImage, sizeof header);
    std::memset(color_table, 0, sizeof color_table);
    std::memcpy(image_descriptor, kImageDescriptorImage, sizeof image_descriptor);
    std::memcpy(graphic_control, kGraphicControlImage, sizeof graphic_control);
}

void StreamBlocks::set_size(int32_t width, int32_t height)
{
    put_uint16(header + kScreenWidthOffset, width);
    put_uint16(header + kScreenHeightOffset, height);
    put_uint16(image_descriptor + kImageWidthOffset, width);
    put_uint16(image_descriptor + kImageHeightOffset, height);
    put_uint16(image_descriptor + kImageLeftOffset, 0);
    put_uint16(image_descriptor + kImageTopOffset, 0);
}

void StreamBlocks::set_color_depth(int32_t depth)
{
    // Depth 1 is declared as a two-bit table, the smallest a GIF coder takes.
    uint8_t size_field = static_cast<uint8_t>(depth == 1 ? 1 : depth - 1);
    uint8_t& flags = header[kScreenFlagsOffset];
    flags = static_cast<uint8_t>((flags & ~(kColorResolutionMask | kTableSizeMask)) |
                                 (size_field << kColorResolutionShift) | size_field);
}

void StreamBlocks::set_palette(const uint8_t* entries, int32_t depth)
{
    std::memcpy(color_table, entries, static_cast<size_t>(kColorEntryBytes << depth));
    header[kScreenFlagsOffset] |= kGlobalTablePresent;
}

void StreamBlocks::set_interlaced()
{
    image_descriptor[kImageFlagsOffset] |= kInterlacedImage;
}

void StreamBlocks::set_transparent(int32_t index)
{
    graphic_control[kTransparentByteOffset] = static_cast<uint8_t>(index);
    graphic_control[kGceFlagsOffset] |= kTransparentGiven;
}
