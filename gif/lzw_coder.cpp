// The LZW coder: longest-match strings from a directly indexed table,
// restarted with a clear code whenever the 12-bit code space is used up.
#include "gif/gif_file.h"

#include "app/messages.h"
#include "app/options.h"
#include "gif/bit_packer.h"
#include "gif/code_emitter.h"
#include "gif/lzw_string_table.h"

namespace {

const ErrorSpec kTableMemory = {kGifNoMemory, 1299, "can't allocate memory.[L]"};
const ErrorSpec kAreaFull = {kGifIllegal, 1336, "not enough write area.[P]"};

constexpr int64_t kProgressSteps = 50;
constexpr int32_t kPercentPerStep = 2;

// Shows the share of pixels coded, in steps of 2 %, when it has changed.
void show_progress(size_t done, size_t total, int64_t* last_step)
{
    int64_t step = kProgressSteps * static_cast<int64_t>(done) / static_cast<int64_t>(total);
    if (step != *last_step) {
        int32_t percent = static_cast<int32_t>(step) * kPercentPerStep;
        print_message(MSG_PROGRESS, &percent);
        *last_step = step;
    }
}

}  // namespace

int clGIFFile::encode_lzw()
{
    LzwStringTable table;
    if (!table.allocate()) {
        return fail(this, kTableMemory);
    }
    BitPacker packer(coded_buffer, coded_capacity);
    CodeEmitter emitter(&packer, min_code_size(color_depth));
    const uint8_t* pixels = pixel_buffer;
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    size_t k = 0;
    int64_t last_step = -1;

    // The stream opens with a clear code, which also empties the table.
    int code = emitter.clear_code;
    for (;;) {
        if (code == emitter.clear_code) {
            if (!emitter.emit_clear()) {
                return fail(this, kAreaFull);
            }
            table.reset();
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
        } else {
            // Longest match: extend the string while the table knows the
            // extension; the first unknown extension becomes a new string.
            int current = pixels[k++];
            while (k < count) {
                int longer = table.find(current, pixels[k]);
                if (longer == LzwStringTable::kNoString) {
                    table.add(current, pixels[k], emitter.next_code());
                    break;
                }
                current = longer;
                ++k;
            }
            code = current;
            if (verbose) {
                show_progress(k, count, &last_step);
            }
        }
    }
    if (verbose) {
        print_verbatim("\n");
    }
    coded_length = static_cast<int64_t>(packer.finish());
    return 0;
}
