// The uncompressed coder: every pixel is its own one-pixel code, and clear
// codes come often enough that a decoder never needs wider codes than the
// mode allows. Any GIF decoder reads the result.
#include "gif/gif_file.h"

#include "gif/bit_packer.h"
#include "gif/code_emitter.h"
#include "gif/row_order.h"

namespace {

const ErrorEntry kAreaFull = {kGifIllegal, 1166, "not enough write area.[P]"};

}  // namespace

int clGIFFile::encode_uncompressed(const uint8_t* pixels, int stored_bits, uint8_t* row_buffer)
{
    const int b = min_code_size(color_depth_);
    CodeEmitter emitter(coded_buffer_.get(), coded_capacity_, b);
    const size_t width = static_cast<size_t>(width_);
    const size_t count = width * static_cast<size_t>(height_);
    size_t k = 0;

    // Without biggest mode the table is cleared just before the decoder's
    // next string would need a code one bit wider than the first; in biggest
    // mode only when the table is full, so the codes widen up to 12 bits.
    const int clear_at = (state_flags_ & kBiggestMode) ? kCodeLimit : 1 << (b + 1);

    // A clear code after a pixel code when the table is full, or else when
    // the clear threshold is reached and more pixels follow; the end code
    // after the last pixel code or the clear code that follows it.
    if (!emitter.emit_clear()) {
        return fail(this, kAreaFull);
    }
    const size_t stride = row_bytes(width, stored_bits);
    const bool packed = is_packed(stored_bits);
    GifRows rows(height_, (state_flags_ & kInterlaceMode) != 0);
    for (int32_t row = rows.next(); row >= 0; row = rows.next()) {
        const uint8_t* line = pixels + static_cast<size_t>(row) * stride;
        if (packed) {
            unpack_row(line, width, stored_bits, row_buffer);
            line = row_buffer;
        }
        for (size_t x = 0; x < width; ++x) {
            if (!emitter.emit_string(line[x])) {
                return fail(this, kAreaFull);
            }
            ++k;
            if (emitter.table_full() || (k < count && emitter.next_code() == clear_at)) {
                if (!emitter.emit_clear()) {
                    return fail(this, kAreaFull);
                }
                coded_file_.settled(emitter.settled());
            }
        }
    }
    if (!emitter.emit_end()) {
        return fail(this, kAreaFull);
    }
    coded_length_ = emitter.finish();
    return 0;
}
