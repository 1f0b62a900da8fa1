// The uncompressed coder: every pixel is its own one-pixel code, and clear
// codes come often enough that a decoder never needs wider codes than the
// mode allows. Any GIF decoder reads the result.
#include "gif/gif_file.h"

#include "gif/bit_packer.h"
#include "gif/code_emitter.h"

namespace {

const ErrorSpec kAreaFull = {kGifIllegal, 1166, "not enough write area.[P]"};

}  // namespace

int clGIFFile::encode_uncompressed()
{
    const int b = min_code_size(color_depth);
    BitPacker packer(coded_buffer, coded_capacity);
    CodeEmitter emitter(&packer, b);
    const uint8_t* pixels = pixel_buffer;
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    size_t k = 0;

    // Without biggest mode the table is cleared just before the decoder's
    // next string would need a code one bit wider than the first; in biggest
    // mode only when the table is full, so the codes widen up to 12 bits.
    const int clear_at = (state_flags & BIGGEST_MODE) ? kCodeLimit : 1 << (b + 1);

    int code = emitter.clear_code;
    for (;;) {
        if (code == emitter.clear_code) {
            if (!emitter.emit_clear()) {
                return fail(this, kAreaFull);
            }
        } else if (code == emitter.end_code) {
            if (!emitter.emit_end()) {
                return fail(this, kAreaFull);
            }
            break;
        } else if (!emitter.emit_string(code)) {
            return fail(this, kAreaFull);
        }

        if (emitter.table_full()) {
            code = emitter.clear_code;
        } else if (k == count) {
            code = emitter.end_code;
        } else if (emitter.next_code() == clear_at) {
            code = emitter.clear_code;
        } else {
            code = pixels[k++];
        }
    }
    coded_length = static_cast<int64_t>(packer.finish());
    return 0;
}
