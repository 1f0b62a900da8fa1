// The uncompressed coder: every pixel is its own one-pixel code, and clear codes come often enough that a
// decoder never needs wider codes than the mode allows. Any GIF decoder reads the result.
#include "gif/gif_file.h"

#include "gif/code_emitter.h"
#include "gif/coded_data.h"
#include "gif/row_order.h"
#include "gif/stream_blocks.h"
#include "platform/packed_rows.h"

namespace {

const ErrorEntry kAreaFull = {kGifIllegal, 1166, "not enough write area.[P]"};
const ErrorEntry kRowMemory = {kGifNoMemory, 478, "can't allocate memory.[G]"};

}  // namespace

int clGIFFile::encode_uncompressed(const GifPicture& picture)
{
    const int b = min_code_size(picture.color_depth);
    CodedData data;
    if (data.start(this, sink_, b) != 0) {
        return 1;
    }
    const size_t width = static_cast<size_t>(picture.width);
    const size_t count = width * static_cast<size_t>(picture.height);
    const bool packed = is_packed(picture.stored_bits);
    // A packed picture's rows are unpacked one at a time.
    MallocBuffer<uint8_t> row_buffer;
    if (packed && !(row_buffer = allocate_buffer<uint8_t>(width, false))) {
        return fail(this, kRowMemory);
    }
    CodeEmitter emitter(data.ring(), static_cast<size_t>(CodedData::capacity_for(count)), b,
                        CodedData::kRingBytes, &data);
    size_t k = 0;

    // Without biggest mode the table is cleared just before the decoder's next string would need a code one
    // bit wider than the first; in biggest mode only when the table is full, so the codes widen up to 12 bits.
    const int clear_at = picture.coder == GifCoder::kPlainBiggest ? kCodeLimit : 1 << (b + 1);

    // A clear code after a pixel code when the table is full, or else when the clear threshold is reached and
    // more pixels follow; the end code after the last pixel code or the clear code that follows it.
    if (!emitter.emit_clear()) {
        return data.fail_coder(this, kAreaFull);
    }
    const size_t stride = row_bytes(width, picture.stored_bits);
    GifRows rows(picture.height, picture.interlace);
    for (int32_t row = rows.next(); row >= 0; row = rows.next()) {
        const uint8_t* line = picture.pixels + static_cast<size_t>(row) * stride;
        if (packed) {
            unpack_row(line, width, picture.stored_bits, row_buffer.get());
            line = row_buffer.get();
        }
        for (size_t x = 0; x < width; ++x) {
            if (!emitter.emit_string(line[x])) {
                return data.fail_coder(this, kAreaFull);
            }
            ++k;
            if ((emitter.table_full() || (k < count && emitter.next_code() == clear_at)) && !emitter.emit_clear()) {
                return data.fail_coder(this, kAreaFull);
            }
        }
    }
    if (!emitter.emit_end() || !data.finish(emitter.finish())) {
        return data.fail_coder(this, kAreaFull);
    }
    return 0;
}
