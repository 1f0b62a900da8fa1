// clFile::read_rows_every, read_row and read_rows: a big picture's rows read
// where they are needed, a few at a time, instead of all at once into
// memory.
#include <algorithm>

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

// Build switch VASTRELMON_MAPPED_ROWS=OFF: map_rows always declines.
#if defined(VASTRELMON_NO_MAPPED_ROWS)
constexpr bool kMappedRows = false;
#else
constexpr bool kMappedRows = true;
#endif

// Smaller pictures are read at once: the fresh pages of a copy in memory
// cost them less than reading their rows again as the coder needs them.
constexpr int64_t kOnDemandBytes = int64_t{1} << 18;

}  // namespace

bool clFile::read_rows_every(const BmpInfo* info, uint8_t* pixels, int64_t pixel_capacity, int32_t step)
{
    if (!kRowsOnDemand || info == nullptr || pixels == nullptr || step <= 0 || info->width <= 0 ||
        info->height <= 0 || !rows_as_stored(*info) ||
        (info->bit_count != 8 && info->bit_count != stored_rows::kTrueColorBits)) {
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
    if (!holds_every_row(info)) {
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
    if (info == nullptr || out == nullptr || row < 0 || row >= info->height || !rows_as_stored(*info)) {
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

bool clFile::map_rows(const BmpInfo* info)
{
    if (!kMappedRows || !holds_every_row(info)) {
        return false;
    }
    const int64_t stride = stored_rows::row_stride(stored_rows::row_length(info->width, info->bit_count));
    return source.map(info->pixel_offset + info->height * stride);
}

bool clFile::unmap_rows(const BmpInfo* info)
{
    if (source.unmap()) {
        return true;
    }
    const int64_t length = stored_rows::row_length(info->width, info->bit_count);
    const int64_t stride = stored_rows::row_stride(length);
    const int64_t size = source.size();
    // As a read of the first row that is not whole would find it.
    const int64_t held = size > info->pixel_offset ? size - info->pixel_offset : 0;
    const int64_t whole = std::min<int64_t>(held / stride, info->height - 1);
    fail(this, kRowShort, static_cast<int>(std::min(held - whole * stride, length)), static_cast<int>(whole));
    return false;
}

const uint8_t* clFile::mapped_row(const BmpInfo* info, int32_t row) const
{
    if (info == nullptr || row < 0 || row >= info->height || !rows_as_stored(*info)) {
        return nullptr;
    }
    const int64_t length = stored_rows::row_length(info->width, info->bit_count);
    const int64_t stored = info->top_down ? row : info->height - 1 - row;
    return source.mapped_at(info->pixel_offset + stored * stored_rows::row_stride(length), static_cast<size_t>(length));
}

bool clFile::holds_every_row(const BmpInfo* info)
{
    // Rows that are not kept as stored have no place of their own to be
    // found at.
    if (info == nullptr || info->width <= 0 || info->height <= 0 || !is_supported_bit_count(info->bit_count) ||
        !rows_as_stored(*info)) {
        return false;
    }
    const int64_t stride = stored_rows::row_stride(stored_rows::row_length(info->width, info->bit_count));
    const int64_t size = source.size();
    return size >= 0 && info->pixel_offset >= 0 && size >= info->pixel_offset &&
           (size - info->pixel_offset) / stride >= info->height;
}

int clFile::read_rows(const BmpInfo* info, int32_t first, int32_t count, uint8_t* out)
{
    if (info == nullptr || out == nullptr || first < 0 || count <= 0 || first >= info->height ||
        count > info->height - first || !rows_as_stored(*info)) {
        return fail(this, kPixelsNoInfo);
    }
    const int64_t length = stored_rows::row_length(info->width, info->bit_count);
    const int64_t stride = stored_rows::row_stride(length);
    const int64_t padding = stride - length;
    uint8_t scrap[stored_rows::kRowAlignment];
    ReadPiece pieces[kMaxReadPieces];
    const int32_t per_read = padding > 0 ? kMaxReadPieces / 2 : kMaxReadPieces;
    for (int32_t done = 0; done < count;) {
        const int32_t rows = std::min(per_read, count - done);
        const int32_t top = first + done;
        // The rows lie together in the file, the other way round when it
        // stores the bottom row first.
        const int64_t lowest_stored = info->top_down ? top : static_cast<int64_t>(info->height) - top - rows;
        int pieces_used = 0;
        for (int32_t k = 0; k < rows; ++k) {
            const int32_t row = info->top_down ? top + k : top + rows - 1 - k;
            pieces[pieces_used++] = {out + static_cast<int64_t>(row - first) * length, static_cast<size_t>(length)};
            if (padding > 0) {
                pieces[pieces_used++] = {scrap, static_cast<size_t>(padding)};
            }
        }
        const int64_t wanted = rows * stride;
        const int64_t got = source.read_at(info->pixel_offset + lowest_stored * stride, pieces, pieces_used);
        if (got != wanted) {
            const int64_t read = got < 0 ? 0 : got;
            return fail(this, kRowShort, static_cast<int>(read % stride), static_cast<int>(lowest_stored + read / stride));
        }
        done += rows;
    }
    return 0;
}
