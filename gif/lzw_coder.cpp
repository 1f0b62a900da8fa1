// The LZW coder: longest-match strings, restarted with a clear code whenever the 12-bit code space is used up.
#include "gif/gif_file.h"

#include <cstdint>
#include <cstring>

#include "gif/code_emitter.h"
#include "gif/coded_data.h"
#include "gif/lzw_string_table.h"
#include "gif/row_order.h"
#include "gif/stream_blocks.h"

// The match functions belong inside the coding loops: called, they would take the table's state out of
// registers. The count of equal pixels stays out of them: inlined, its extra registers push the loop's state
// onto the stack on the path of one-pixel matches, which a noise-like picture takes for almost every code.
#if defined(__GNUC__)
#define LZW_INLINE inline __attribute__((always_inline))
#define LZW_NOINLINE __attribute__((noinline))
#else
#define LZW_INLINE inline
#define LZW_NOINLINE
#endif

namespace {

const ErrorEntry kTableMemory = {kGifNoMemory, 1299, "can't allocate memory.[L]"};
const ErrorEntry kAreaFull = {kGifIllegal, 1336, "not enough write area.[P]"};
// A row could not be had from its source: the caller reports its own failure rather than this one.
const ErrorEntry kRowsMissing = {kGifIllegal, 470, "illegal data.[G]"};
// The progress callback asked to stop; only a library caller's can.
const ErrorEntry kCancelled = {kGifIllegal, 1341, "coding stopped by the caller.[L]"};

const ErrorEntry kWindowMemory = {kGifNoMemory, 478, "can't allocate memory.[G]"};

constexpr int64_t kProgressSteps = 50;
constexpr int32_t kPercentPerStep = 2;

// Where the coder reports its progress.
struct CoderReports {
    GifProgress progress;
    void* progress_context;
};

// Shows the share of pixels coded in steps of 2 % when it changes; false when the callback asks to stop.
bool show_progress(const CoderReports& reports, size_t done, size_t total, int64_t* last_step)
{
    int64_t step = kProgressSteps * static_cast<int64_t>(done) / static_cast<int64_t>(total);
    if (step != *last_step) {
        *last_step = step;
        return reports.progress(reports.progress_context, static_cast<int32_t>(step) * kPercentPerStep);
    }
    return true;
}

enum class LzwOutcome { kDone, kNoTable, kAreaFull, kRowsMissing, kCancelled };

struct LzwJob {
    GifOrderWindow* pixels;  // the picture in GIF row order
    size_t count;            // pixels in the picture
    CodedData* data;         // where the codes go
    size_t capacity;         // data bytes the codes may take
    int min_code_size;
    size_t* length;     // receives the bytes coded
    const CoderReports* reports;
};

// The pixel group that starts at pixels, packed into one key byte.
template <int kValueBits>
LZW_INLINE uint32_t leap_key(const uint8_t* pixels)
{
    uint32_t key = 0;
    for (size_t i = 0; i < LzwStringTable<kValueBits>::kLeapPixels; ++i) {
        key |= static_cast<uint32_t>(pixels[i]) << (i * kValueBits);
    }
    return key;
}

// Longest match for the string that starts at *position (below end), for depths 1 to 4: from every string
// whose length is 1 more than a multiple of the group, a whole group at a time while the table knows the
// leap, then pixel by pixel through the rows. Every string whose length is 1 more than a multiple of the
// group is also entered as a leap from the string one group shorter, so a leap that is not known means that
// no string goes that far, and the single steps that follow stop within the group. Returns the code of the
// match and advances *position past it; a new string (the match and the next pixel) gets new_code. Positions
// are pointers: the coding loops keep one register for them instead of a start and an index.
template <int kValueBits>
LZW_INLINE uint32_t match_with_leaps(const uint8_t** position, const uint8_t* end,
                                     LzwStringTable<kValueBits>* table, uint32_t new_code)
{
    constexpr size_t kGroup = LzwStringTable<kValueBits>::kLeapPixels;
    const uint8_t* const start = *position;
    const uint8_t* at = start;
    uint32_t current = *at++;
    while (static_cast<size_t>(end - at) >= kGroup) {
        const uint32_t longer = table->leap(current, leap_key<kValueBits>(at));
        if (longer == lzw_table::kNoString) {
            break;
        }
        current = longer;
        at += kGroup;
    }
    uint32_t anchor = current;  // the last string on the way with a leap length
    while (at != end) {
        const uint32_t longer = table->child(current, *at);
        if (longer == lzw_table::kNoString) {
            table->add_child(current, *at, new_code);
            const size_t length = static_cast<size_t>(at - start) + 1;
            if (length > kGroup && length % kGroup == 1 % kGroup) {
                table->add_leap(anchor, leap_key<kValueBits>(at + 1 - kGroup), new_code);
            }
            break;
        }
        current = longer;
        ++at;
        if (static_cast<size_t>(at - start) % kGroup == 1 % kGroup) {
            anchor = current;
        }
    }
    *position = at;
    return current;
}

// How many pixels from at on, the first of which is value, equal value,
// stopping at end; past limit it stops counting anywhere above limit.
[[maybe_unused]] LZW_NOINLINE size_t equal_pixels(const uint8_t* at, const uint8_t* end, uint32_t value, size_t limit)
{
    size_t equal = 1;
#if defined(__GNUC__) && defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    // Eight pixels at a time: the lowest byte that differs ends the run.
    const uint64_t pattern = UINT64_C(0x0101010101010101) * value;
    while (equal <= limit && static_cast<size_t>(end - at) - equal >= sizeof(uint64_t)) {
        uint64_t eight;
        std::memcpy(&eight, at + equal, sizeof eight);
        eight ^= pattern;
        if (eight != 0) {
            return equal + static_cast<size_t>(__builtin_ctzll(eight)) / 8;
        }
        equal += sizeof(uint64_t);
    }
#endif
    while (equal <= limit && at + equal != end && at[equal] == value) {
        ++equal;
    }
    return equal;
}

// Depths 5 to 8: follows the run of pixels equal to last that starts at *at through the run list of *current,
// which ends with last. True when the match ends within it: *current is the match and *at just past it, and a
// new string has the code new_code. Otherwise *current is the string at the run's end and **at the pixel
// after it, which differs from last.
template <typename Table>
LZW_INLINE bool follow_run(const uint8_t** at, const uint8_t* end, uint32_t* current, uint32_t last, Table* table,
                           uint32_t new_code)
{
    const size_t known = table->run_length(*current);
    const size_t equal = known == 0 ? 1 : equal_pixels(*at, end, last, known);
    if (equal > known) {
        // The run goes on past the longest string of the list.
        *current = table->extend_run(*current, new_code);
        *at += known;
        return true;
    }
    *current = table->run_string(*current, equal);
    *at += equal;
    return *at == end;
}

// Longest match for depths 5 to 8: a pixel equal to the one before it extends the string through the run
// lists, and a run of them is taken at once; any other pixel goes through the rows, which are read only when
// the table's bits say they hold strings. The first step, from a one-pixel string, whatever the pixel, is one
// read of the two-pixel strings' own part. Same contract as match_with_leaps.
template <typename Table>
LZW_INLINE uint32_t match_with_runs(const uint8_t** position, const uint8_t* end, Table* table, uint32_t new_code)
{
    constexpr bool kRuns = Table::kHasRuns;
    const uint8_t* at = *position;
    uint32_t current = *at++;
    if (at == end) {
        *position = at;
        return current;
    }
    uint32_t pixel = *at;
    const uint32_t pair = table->root(current, pixel);
    if (pair == lzw_table::kNoString) {
        table->add_root(current, pixel, new_code);
        *position = at;
        return current;
    }
    current = pair;
    uint32_t last = pixel;
    if (++at == end) {
        *position = at;
        return current;
    }
    // The same steps as at the end of the loop below, written out once before it: folded in, they slow it.
    pixel = *at;
    if constexpr (kRuns) {
        if (pixel == last) {
            if (follow_run(&at, end, &current, last, table, new_code)) {
                *position = at;
                return current;
            }
            pixel = *at;
        }
    }
    for (;;) {
        if (!table->row_in_use(current)) {
            table->add_child(current, pixel, new_code);
            *position = at;
            return current;
        }
        const uint32_t longer = table->child(current, pixel);
        if (longer == lzw_table::kNoString) {
            table->add_child(current, pixel, new_code);
            *position = at;
            return current;
        }
        current = longer;
        last = pixel;
        if (++at == end) {
            *position = at;
            return current;
        }
        pixel = *at;
        if constexpr (kRuns) {
            if (pixel == last) {
                if (follow_run(&at, end, &current, last, table, new_code)) {
                    *position = at;
                    return current;
                }
                pixel = *at;
            }
        }
    }
}

// The longest match from *at on; the new string it ends with gets new_code.
template <int kValueBits, typename Table>
LZW_INLINE uint32_t match(const uint8_t** at, const uint8_t* end, Table* table, uint32_t new_code)
{
    if constexpr (Table::kHasLeaps) {
        return match_with_leaps<kValueBits>(at, end, table, new_code);
    } else {
        return match_with_runs(at, end, table, new_code);
    }
}

// Emits a batch of codes as emit_string would one by one, with a clear code wherever the table fills; false
// when the coded data may take no more room, or the sink refused it.
bool emit_batch(CodeEmitter* emitter, const uint16_t* codes, size_t count)
{
    for (;;) {
        size_t emitted = 0;
        if (!emitter->emit_strings(codes, count, &emitted)) {
            return false;
        }
        codes += emitted;
        count -= emitted;
        if (emitter->table_full()) {
            if (!emitter->emit_clear()) {
                return false;
            }
        }
        if (count == 0) {
            return true;
        }
    }
}

// Takes the codes of find_codes on the thread that finds them: a batch is
// found, then packed, in turn, so each loop runs on its own.
class BatchPacker {
public:
    static constexpr size_t kBatchCodes = 4096;

    explicit BatchPacker(CodeEmitter* emitter) : emitter_(emitter) {}
    // Room for kBatchCodes codes, or null once the coded data may take no more.
    uint16_t* claim() { return failed_ ? nullptr : batch_; }
    void submit(size_t count) { failed_ = failed_ || !emit_batch(emitter_, batch_, count); }
    bool failed() const { return failed_; }

private:
    CodeEmitter* emitter_;
    bool failed_ = false;
    uint16_t batch_[kBatchCodes];
};

// The finding half: every match, handed over in order to the packer a batch at a time. The table starts over
// where the packer puts a clear code, after the string that took code 4095. False when a row of the picture
// could not be had.
template <int kValueBits, typename Table>
bool find_codes(const LzwJob& job, Table* table, BatchPacker* packer)
{
    const uint32_t first_free = (1u << job.min_code_size) + 2;
    uint32_t new_code = first_free;
    uint16_t* batch = packer->claim();
    size_t filled = 0;
    GifOrderWindow& window = *job.pixels;
    for (;;) {
        // Each window starts where the coder is.
        const uint8_t* const pixels = window.pixels();
        const uint8_t* const end = pixels + window.count();
        const uint8_t* const reach = pixels + window.reach();
        const uint8_t* at = pixels;
        while (batch != nullptr && at < reach) {
            batch[filled++] = static_cast<uint16_t>(match<kValueBits>(&at, end, table, new_code));
            if (++new_code == static_cast<uint32_t>(kCodeLimit)) {
                table->reset();
                new_code = first_free;
            }
            if (filled == BatchPacker::kBatchCodes) {
                packer->submit(filled);
                batch = packer->claim();  // null: the packer has stopped
                filled = 0;
            }
        }
        if (batch == nullptr || window.last()) {
            break;
        }
        if (!window.advance(static_cast<size_t>(at - pixels))) {
            return false;
        }
    }
    if (batch != nullptr) {
        packer->submit(filled);
    }
    return true;
}

// The whole coding, with the depth fixed at compile time so the lookups are a few shifts and one read.
// Without the progress line, the codes are found a batch at a time and packed in runs. With it, each code is
// emitted right after its match and the line printed in between. Table and emitter are local objects, so
// their state stays in registers.
template <int kValueBits, bool kShowProgress, bool kSmall = false>
LzwOutcome code_pixels(const LzwJob& job)
{
    LzwStringTable<kValueBits, kSmall> table;
    if (!table.allocate()) {
        return LzwOutcome::kNoTable;
    }
    CodeEmitter emitter(job.data->ring(), job.capacity, job.min_code_size, CodedData::kRingBytes, job.data);
    // The stream opens with a clear code; the table starts out empty.
    if (!emitter.emit_clear()) {
        return LzwOutcome::kAreaFull;
    }
    if (!kShowProgress) {
        BatchPacker packer(&emitter);
        if (!find_codes<kValueBits>(job, &table, &packer)) {
            return LzwOutcome::kRowsMissing;
        }
        if (packer.failed() || !emitter.emit_end()) {
            return LzwOutcome::kAreaFull;
        }
        *job.length = emitter.finish();
        return *job.length != 0 ? LzwOutcome::kDone : LzwOutcome::kAreaFull;
    }
    GifOrderWindow& window = *job.pixels;
    int64_t last_step = -1;
    for (;;) {
        const uint8_t* const pixels = window.pixels();
        const uint8_t* const end = pixels + window.count();
        const uint8_t* const reach = pixels + window.reach();
        const uint8_t* at = pixels;
        while (at < reach) {
            const uint32_t new_code = static_cast<uint32_t>(emitter.next_code());
            const uint32_t code = match<kValueBits>(&at, end, &table, new_code);
            if (!show_progress(*job.reports, window.base() + static_cast<size_t>(at - pixels), job.count,
                               &last_step)) {
                return LzwOutcome::kCancelled;
            }
            if (!emitter.emit_string(code)) {
                return LzwOutcome::kAreaFull;
            }
            if (emitter.table_full()) {
                if (!emitter.emit_clear()) {
                    return LzwOutcome::kAreaFull;
                }
                table.reset();
            }
        }
        if (window.last()) {
            break;
        }
        if (!window.advance(static_cast<size_t>(at - pixels))) {
            return LzwOutcome::kRowsMissing;
        }
    }
    if (!emitter.emit_end()) {
        return LzwOutcome::kAreaFull;
    }
    job.reports->progress(job.reports->progress_context, kGifProgressFinished);
    *job.length = emitter.finish();
    return LzwOutcome::kDone;
}

// One loop per depth, with or without the progress line: the quiet loop carries none of its bookkeeping.
using LzwLoop = LzwOutcome (*)(const LzwJob&);
const LzwLoop kQuietLoops[] = {code_pixels<1, false>, code_pixels<2, false>, code_pixels<3, false>,
                               code_pixels<4, false>, code_pixels<5, false>, code_pixels<6, false>,
                               code_pixels<7, false>, code_pixels<8, false>};
const LzwLoop kShowingLoops[] = {code_pixels<1, true>, code_pixels<2, true>, code_pixels<3, true>,
                                 code_pixels<4, true>, code_pixels<5, true>, code_pixels<6, true>,
                                 code_pixels<7, true>, code_pixels<8, true>};
// Tiny pictures, quiet: the small table, whose few pages cost them less than the big one's.
const LzwLoop kSmallLoops[] = {code_pixels<1, false, true>, code_pixels<2, false, true>,
                               code_pixels<3, false, true>, code_pixels<4, false, true>,
                               code_pixels<5, false, true>, code_pixels<6, false, true>,
                               code_pixels<7, false, true>, code_pixels<8, false, true>};
// Pictures of at most this many pixels take the small table.
constexpr uint64_t kSmallTablePixels = uint64_t{1} << 14;

}  // namespace

int clGIFFile::encode_lzw(const GifPicture& picture)
{
    const int min_code = min_code_size(picture.color_depth);
    CodedData data;
    if (data.start(this, sink_, min_code) != 0) {
        return 1;
    }
    GifOrderWindow pixels;
    if (!pixels.start(picture.pixels, picture.width, picture.height, picture.interlace, picture.stored_bits,
                      picture.rows, picture.color_depth)) {
        rows_missing_ = pixels.rows_missing();
        return fail(this, rows_missing_ ? kRowsMissing : kWindowMemory);
    }
    size_t length = 0;
    const CoderReports reports = {picture.progress, picture.progress_context};
    const uint64_t count = static_cast<uint64_t>(picture.width) * static_cast<uint64_t>(picture.height);
    const LzwJob job = {&pixels,
                        static_cast<size_t>(count),
                        &data,
                        static_cast<size_t>(CodedData::capacity_for(count)),
                        min_code,
                        &length,
                        &reports};
    // The table has a column for every value the pixels can hold.
    const LzwLoop* loops = picture.progress != nullptr ? kShowingLoops
                           : count <= kSmallTablePixels ? kSmallLoops
                                                        : kQuietLoops;
    switch (loops[picture.color_depth - 1](job)) {
    case LzwOutcome::kNoTable:
        return fail(this, kTableMemory);
    case LzwOutcome::kAreaFull:
        return data.fail_coder(this, kAreaFull);
    case LzwOutcome::kRowsMissing:
        rows_missing_ = true;
        return fail(this, kRowsMissing);
    case LzwOutcome::kCancelled:
        cancelled_ = true;
        return fail(this, kCancelled);
    case LzwOutcome::kDone:
        break;
    }
    return data.finish(length) ? 0 : data.fail_coder(this, kAreaFull);
}
