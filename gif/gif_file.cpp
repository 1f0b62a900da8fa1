// Construction of the encoder and the settings that fill its block images.
#include "gif/gif_file.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr int kBufferAlignment = 16;
constexpr int kCommentAlignment = 4;
constexpr int kCommentRemove = 0;
constexpr int kCommentStore = 1;

const uint8_t kHeaderImage[kHeaderBlockSize] = {'G', 'I', 'F', '8', '9', 'a'};
const uint8_t kImageDescriptorImage[kImageDescriptorSize] = {0x2C};
const uint8_t kGraphicControlImage[kGraphicControlSize] = {0x21, 0xF9, 0x04};
const uint8_t kCommentIntroducerImage[kCommentIntroducerSize] = {0x21, 0xFE};
const uint8_t kPlainTextImage[kPlainTextBlockSize] = {0x21, 0x01, 0x0C};
const uint8_t kApplicationImage[kApplicationBlockSize] = {0x21, 0xFF, 0x0B};
constexpr uint8_t kTrailer = 0x3B;

const ErrorEntry kCreateTwice = {kGifAlreadyCreated, 86, "data area already created."};
const ErrorEntry kCreateRange = {kGifOutOfRange, 94, "argument is out of range.[W:%d,H:%d]"};
const ErrorEntry kCreateMemory = {kGifNoMemory, 108, "can't allocate memory.[C]"};
const ErrorEntry kDepthTwice = {kGifOutOfRange, 229, "variable is already set.[D]"};
const ErrorEntry kDepthRange = {kGifOutOfRange, 236, "argument is out of range.[D]"};
const ErrorEntry kTransparencyTwice = {kGifOutOfRange, 279, "variable is already set.[T]"};
const ErrorEntry kTransparencyNoDepth = {kGifOutOfRange, 286, "variable is not set.[T<D]"};
const ErrorEntry kTransparencyRange = {kGifOutOfRange, 294, "argument is out of range.[T](%d)"};
const ErrorEntry kPaletteTwice = {kGifOutOfRange, 507, "variable is already set.[P]"};
const ErrorEntry kPaletteNoDepth = {kGifOutOfRange, 514, "variable is not set.[P<D]"};
const ErrorEntry kInterlaceLate = {kGifIllegal, 569, "graphics data already set.[I]"};
const ErrorEntry kCommentArguments = {kGifOutOfRange, 607,
                                     "syntax error(function argument).[Com]"};
const ErrorEntry kCommentMemory = {kGifNoMemory, 627, "can't allocate memory.[Com]"};

void put_uint16(uint8_t* at, int32_t value)
{
    at[0] = static_cast<uint8_t>(value & 0xFF);
    at[1] = static_cast<uint8_t>((value >> 8) & 0xFF);
}

uint64_t round_up(uint64_t value, uint64_t alignment)
{
    return (value + alignment - 1) / alignment * alignment;
}

}  // namespace

int color_table_entries(int32_t depth)
{
    return depth == 1 ? 4 : 1 << depth;
}

int min_code_size(int32_t depth)
{
    return depth == 1 ? 2 : depth;
}

clGIFFile::clGIFFile()
    : error_code(0), state_flags(0), pixel_buffer(nullptr), coded_buffer(nullptr),
      comment_text(nullptr), output_file(nullptr)
{
    error_text[0] = '\0';
    init_blocks();
}

clGIFFile::~clGIFFile()
{
    release();
    if (output_file != nullptr) {
        std::fclose(output_file);  // only left open after a failure already reported
        output_file = nullptr;
    }
    std::free(comment_text);
    comment_text = nullptr;
}

void clGIFFile::init_blocks()
{
    std::memcpy(header_block, kHeaderImage, sizeof header_block);
    std::memset(global_color_table, 0, sizeof global_color_table);
    std::memcpy(image_descriptor, kImageDescriptorImage, sizeof image_descriptor);
    reserved_byte = 0;
    std::memcpy(graphic_control_block, kGraphicControlImage, sizeof graphic_control_block);
    std::memcpy(comment_introducer, kCommentIntroducerImage, sizeof comment_introducer);
    std::memcpy(plain_text_block, kPlainTextImage, sizeof plain_text_block);
    std::memcpy(application_block, kApplicationImage, sizeof application_block);
    trailer_byte = kTrailer;
    width = 0;
    height = 0;
    color_depth = 0;
    transparent_index = 0;
    reserved_word = 0;
    coded_length = 0;
    coded_capacity = 0;
    pixel_bits_ = kGifMaxDepth;
}

int clGIFFile::release()
{
    pixel_pages_.stop();
    coded_pages_.stop();
    std::free(pixel_buffer);
    pixel_buffer = nullptr;
    std::free(coded_buffer);
    coded_buffer = nullptr;
    init_blocks();
    state_flags = 0;
    return 0;
}

int clGIFFile::create(int32_t new_width, int32_t new_height)
{
    if (pixel_buffer != nullptr) {
        return fail(this, kCreateTwice);
    }
    if (new_width < 0 || new_width > kMaxGifDimension || new_height < 0 ||
        new_height > kMaxGifDimension) {
        return fail(this, kCreateRange, new_width, new_height);
    }
    width = new_width;
    height = new_height;
    uint64_t bytes = round_up(static_cast<uint64_t>(width) * static_cast<uint64_t>(height),
                              kBufferAlignment);
    // An empty picture still gets an area, so a zero size is never mistaken
    // for a failed allocation.
    if (bytes == 0) {
        bytes = kBufferAlignment;
    }
    if (bytes > SIZE_MAX) {
        return fail(this, kCreateMemory);
    }
    auto* area = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(bytes), 1));
    if (area == nullptr) {
        return fail(this, kCreateMemory);
    }
    pixel_buffer = area;
    // set_graphics copies the rows in from the start, faster than the pages
    // can be had: from the end, the two meet halfway.
    pixel_pages_.start(area, static_cast<size_t>(bytes), PageFiller::FROM_END);
    state_flags |= AREA_ALLOCATED | SIZE_SET;
    put_uint16(header_block + kScreenWidthOffset, width);
    put_uint16(header_block + kScreenHeightOffset, height);
    put_uint16(image_descriptor + kImageWidthOffset, width);
    put_uint16(image_descriptor + kImageHeightOffset, height);
    put_uint16(image_descriptor + kImageLeftOffset, 0);
    put_uint16(image_descriptor + kImageTopOffset, 0);
    return 0;
}

int clGIFFile::set_color_depth(int32_t depth)
{
    if (state_flags & COLOR_DEPTH_SET) {
        return fail(this, kDepthTwice);
    }
    if (depth < kGifMinDepth || depth > kGifMaxDepth) {
        return fail(this, kDepthRange);
    }
    color_depth = depth;
    state_flags |= COLOR_DEPTH_SET;
    // Depth 1 is declared as a two-bit table, the smallest a GIF coder takes.
    uint8_t size_field = static_cast<uint8_t>(depth == 1 ? 1 : depth - 1);
    uint8_t& flags = header_block[kScreenFlagsOffset];
    flags = static_cast<uint8_t>((flags & ~(kColorResolutionMask | kTableSizeMask)) |
                                 (size_field << kColorResolutionShift) | size_field);
    return 0;
}

int clGIFFile::set_transparency(int32_t index)
{
    if (state_flags & TRANSPARENCY_SET) {
        return fail(this, kTransparencyTwice);
    }
    if (!(state_flags & COLOR_DEPTH_SET)) {
        return fail(this, kTransparencyNoDepth);
    }
    if (index < 0 || index >= (1 << color_depth)) {
        return fail(this, kTransparencyRange, index);
    }
    transparent_index = index;
    state_flags |= TRANSPARENCY_SET;
    graphic_control_block[kTransparentByteOffset] = static_cast<uint8_t>(index);
    graphic_control_block[kGceFlagsOffset] |= kTransparentGiven;
    return 0;
}

int clGIFFile::set_palette(const uint8_t* entries)
{
    if (state_flags & PALETTE_SET) {
        return fail(this, kPaletteTwice);
    }
    if (!(state_flags & COLOR_DEPTH_SET)) {
        return fail(this, kPaletteNoDepth);
    }
    std::memcpy(global_color_table, entries, static_cast<size_t>(3 << color_depth));
    state_flags |= PALETTE_SET;
    header_block[kScreenFlagsOffset] |= kGlobalTablePresent;
    return 0;
}

int clGIFFile::set_interlace()
{
    if (state_flags & GRP_DATA_SET) {
        return fail(this, kInterlaceLate);
    }
    state_flags |= INTERLACE_MODE;
    image_descriptor[kImageFlagsOffset] |= kInterlacedImage;
    return 0;
}

int clGIFFile::set_comment(int32_t mode, int32_t length, const char* text)
{
    if ((mode != kCommentRemove && mode != kCommentStore) || length < 1) {
        return fail(this, kCommentArguments);
    }
    std::free(comment_text);
    comment_text = nullptr;
    if (mode == kCommentRemove) {
        state_flags &= ~COMMENT_SET;
        return 0;
    }
    state_flags &= ~COMMENT_SET;
    uint64_t bytes = round_up(static_cast<uint64_t>(length) + 1, kCommentAlignment);
    auto* copy = static_cast<char*>(std::calloc(static_cast<size_t>(bytes), 1));
    if (copy == nullptr) {
        return fail(this, kCommentMemory);
    }
    std::memcpy(copy, text, static_cast<size_t>(length));
    comment_text = copy;
    state_flags |= COMMENT_SET;
    return 0;
}

int clGIFFile::lzw_on()
{
    state_flags |= LZW_MODE;
    return 0;
}

int clGIFFile::lzw_off()
{
    state_flags &= ~LZW_MODE;
    return 0;
}

int clGIFFile::biggest_on()
{
    state_flags |= BIGGEST_MODE;
    return 0;
}

int clGIFFile::biggest_off()
{
    state_flags &= ~BIGGEST_MODE;
    return 0;
}
