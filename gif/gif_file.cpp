// Construction of the encoder and the settings that fill its block images.
#include "gif/gif_file.h"

#include <cstdlib>
#include <cstring>
#include <utility>

namespace {

constexpr int kCommentAlignment = 4;
constexpr int kCommentRemove = 0;
constexpr int kCommentStore = 1;

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

// Build switch VASTRELMON_CODED_RING=OFF: coded data always kept whole.
#if defined(VASTRELMON_NO_CODED_RING)
constexpr bool kCodedRing = false;
#else
constexpr bool kCodedRing = true;
#endif

uint64_t round_up(uint64_t value, uint64_t alignment)
{
    return (value + alignment - 1) / alignment * alignment;
}

}  // namespace

clGIFFile::clGIFFile() : error_code(0), state_flags_(0), output_file(nullptr)
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
}

void clGIFFile::use_helpers(const GifSettings& settings)
{
    large_writes_ = settings.large_writes;
    write_behind_ = settings.side_thread && settings.write_behind;
    ring_setting_ = kCodedRing ? settings.coded_ring_bytes : 0;
    rows_ahead_ = settings.side_thread && settings.rows_ahead;
}

void clGIFFile::init_blocks()
{
    blocks_.reset();
    width_ = 0;
    height_ = 0;
    color_depth_ = 0;
    transparent_index_ = 0;
    coded_length_ = 0;
    coded_capacity_ = 0;
}

void clGIFFile::release()
{
    coded_file_.finish();
    written_ahead_ = 0;
    coded_buffer_.reset();
    coded_ring_ = 0;
    ring_lost_ = false;
    source_pixels_ = nullptr;
    source_rows_ = nullptr;
    init_blocks();
    state_flags_ = 0;
}

int clGIFFile::create(int32_t new_width, int32_t new_height)
{
    if (state_flags_ & kAreaAllocated) {
        return fail(this, kCreateTwice);
    }
    if (new_width < 0 || new_width > kMaxGifDimension || new_height < 0 ||
        new_height > kMaxGifDimension) {
        return fail(this, kCreateRange, new_width, new_height);
    }
    // The pixels stay with the caller: set_graphics codes them where they
    // are, so the area only has to be one that can be counted.
    const uint64_t bytes = static_cast<uint64_t>(new_width) * static_cast<uint64_t>(new_height);
    if (bytes > SIZE_MAX) {
        return fail(this, kCreateMemory);
    }
    width_ = new_width;
    height_ = new_height;
    state_flags_ |= kAreaAllocated | kSizeSet;
    blocks_.set_size(width_, height_);
    return 0;
}

int clGIFFile::set_color_depth(int32_t depth)
{
    if (state_flags_ & kColorDepthSet) {
        return fail(this, kDepthTwice);
    }
    if (depth < kGifMinDepth || depth > kGifMaxDepth) {
        return fail(this, kDepthRange);
    }
    color_depth_ = depth;
    state_flags_ |= kColorDepthSet;
    blocks_.set_color_depth(depth);
    return 0;
}

int clGIFFile::set_transparency(int32_t index)
{
    if (state_flags_ & kTransparencySet) {
        return fail(this, kTransparencyTwice);
    }
    if (!(state_flags_ & kColorDepthSet)) {
        return fail(this, kTransparencyNoDepth);
    }
    if (index < 0 || index >= (1 << color_depth_)) {
        return fail(this, kTransparencyRange, index);
    }
    transparent_index_ = index;
    state_flags_ |= kTransparencySet;
    blocks_.set_transparent(index);
    return 0;
}

int clGIFFile::set_palette(const uint8_t* entries)
{
    if (state_flags_ & kPaletteSet) {
        return fail(this, kPaletteTwice);
    }
    if (!(state_flags_ & kColorDepthSet)) {
        return fail(this, kPaletteNoDepth);
    }
    blocks_.set_palette(entries, color_depth_);
    state_flags_ |= kPaletteSet;
    return 0;
}

int clGIFFile::set_interlace()
{
    if (state_flags_ & kGrpDataSet) {
        return fail(this, kInterlaceLate);
    }
    state_flags_ |= kInterlaceMode;
    blocks_.set_interlaced();
    return 0;
}

int clGIFFile::set_comment(int32_t mode, int32_t length, const char* text)
{
    if ((mode != kCommentRemove && mode != kCommentStore) || length < 1) {
        return fail(this, kCommentArguments);
    }
    comment_text_.reset();
    state_flags_ &= ~kCommentSet;
    if (mode == kCommentRemove) {
        return 0;
    }
    uint64_t bytes = round_up(static_cast<uint64_t>(length) + 1, kCommentAlignment);
    MallocBuffer<char> copy = allocate_buffer<char>(static_cast<size_t>(bytes), true);
    if (!copy) {
        return fail(this, kCommentMemory);
    }
    std::memcpy(copy.get(), text, static_cast<size_t>(length));
    comment_text_ = std::move(copy);
    state_flags_ |= kCommentSet;
    return 0;
}

void clGIFFile::lzw_on()
{
    state_flags_ |= kLzwMode;
}

void clGIFFile::lzw_off()
{
    state_flags_ &= ~kLzwMode;
}

void clGIFFile::biggest_on()
{
    state_flags_ |= kBiggestMode;
}

void clGIFFile::biggest_off()
{
    state_flags_ &= ~kBiggestMode;
}

void clGIFFile::set_progress(GifProgress callback, void* context)
{
    progress_ = callback;
    progress_context_ = context;
}
