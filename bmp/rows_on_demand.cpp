// clFile::read_rows_every and read_row: a big picture's rows read where
// they are needed, one at a time, instead of all at once into memory.
#include "bmp/bmp_errors.h"
#include "bmp/bmp_file.h"
#include "bmp/stored_rows.h"

using namespace bmp_errors;

namespace {

// Build switch VASTRELMON_ROWS_ON_DEMAND=OFF: read_rows_every always
// declines.
#if defined(VASTRELMON_NO_ROWS_ON_DEMAND)
constexpr bool kRowsOnDemand = false;
#else
constexpr bool kRowsOnDemand = true;
#endif

// Smaller pictures are read at once, which costs them less than a read per
// row.
constexpr int64_t kOnDemandBytes = int64_t{1} << 20;

}  // namespace

bool clFile::read_rows_every(const BmpInfo* info, uint8_t* pixels, int64_t pixel_capacity, int32_t step)
{
    if (!kRowsOnDemand || info == nullptr || pixels == nullptr || step <= 0 || info->width <= 0 ||
        info->height <= 0 || (info->bit_count != 8 && info->bit_count != stored_rows::kTrueColorBits)) {
        return false;
    }
    const int64_t length = stored_rows::row_length(info->width, info->bit_count);
    const int64_t stride = stored_rows::row_stride(length);
    const int64_t height = info->height;
    if (length > pixel_capacity || height > pixel_capacity / length || length * height < kOnDemandBytes) {
        return false;
    }
    // Only a file that holds every row: a cut is found and reported by
    // read_pixels, as always.
    const int64_t size = source.size();
    if (size < 0 || info->pixel_offset < 0 || (size - info->pixel_offset) / stride < height) {
        return false;
    }
    source.expect_reads(info->pixel_offset, height * stride);
    for (int32_t row = 0; row < info->height; row += step) {
        if (read_row(info, row, pixels + row * length) != 0) {
            return false;
        }
    }
    return true;
}

int clFile::read_row(const BmpInfo* info, int32_t row, uint8_t* out)
{
    if (info == nullptr || out == nullptr || row < 0 || row >= info->height) {
        return fail(this, kPixelsNoInfo);
    }
    const int64_t length = stored_rows::row_length(info->width, info->bit_count);
    const int64_t stored = info->top_down ? row : info->height - 1 - row;
    const ReadPiece piece = {out, static_cast<size_t>(length)};
    const int64_t got = source.read_at(info->pixel_offset + stored * stored_rows::row_stride(length), &piece, 1);
    if (got != length) {
        return fail(this, kRowShort, static_cast<int>(got < 0 ? 0 : got), static_cast<int>(stored));
    }
    return 0;
}
