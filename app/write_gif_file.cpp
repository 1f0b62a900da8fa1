// The last stage of a run: the converted image through the library's GIF
// output to a file that gets its name only once it is complete; every
// failure printed as the program's message, and nothing left behind.
#include "app/write_gif_file.h"

#include <cstdlib>
#include <cstring>

#include "console/messages.h"
#include "console/options.h"
#include "image/bitmap.h"
#include "lib/gif_output.h"

namespace {

// The progress line of the LZW coder, shown with /v.
bool show_progress(void*, int32_t percent)
{
    if (percent == kGifProgressFinished) {
        print_verbatim("\n");
    } else {
        print_message(MSG_PROGRESS, percent);
    }
    return true;
}

// How the output is written, and which second threads help. Builds with
// VASTRELMON_OUTPUT_HOOKS (the test and benchmark builds) let three
// environment variables change it: VASTRELMON_HELPERS=none, no-read-ahead
// or no-write-behind leaves out the second threads named, to measure what
// they buy;
// VASTRELMON_OUTPUT_METHOD=link|rename|in-place starts at that fallback, for
// the end-to-end tests of each; VASTRELMON_OUTPUT_SYNC=0 leaves out the
// syncs, to measure what they cost, and =fail-folder makes the folder's sync
// fail, as a failing disk would. The program itself reads no environment
// and has both helpers.
void choose_output(GifOutputJob* job)
{
    job->read_ahead = true;
    job->write_behind = true;
#ifdef VASTRELMON_OUTPUT_HOOKS
    OutputOptions& options = job->output;
    if (const char* helpers = std::getenv("VASTRELMON_HELPERS")) {
        const bool none = std::strcmp(helpers, "none") == 0;
        job->read_ahead = !none && std::strcmp(helpers, "no-read-ahead") != 0;
        job->write_behind = !none && std::strcmp(helpers, "no-write-behind") != 0;
    }
    if (const char* method = std::getenv("VASTRELMON_OUTPUT_METHOD")) {
        if (std::strcmp(method, "link") == 0) {
            options.first = OutputMethod::kHiddenLink;
        } else if (std::strcmp(method, "rename") == 0) {
            options.first = OutputMethod::kHiddenRename;
        } else if (std::strcmp(method, "in-place") == 0) {
            options.first = OutputMethod::kInPlace;
        }
    }
    if (const char* sync = std::getenv("VASTRELMON_OUTPUT_SYNC")) {
        options.sync = std::strcmp(sync, "0") != 0;
        options.fail_folder_sync = std::strcmp(sync, "fail-folder") == 0;
    }
#endif
}

}  // namespace

int write_gif_file(uint32_t option_flags, const char* output_name, const clBitMap* image,
                   bool verbose, GifRowSource* rows, bool rows_ahead)
{
    GifOutputJob job;
    job.image = image;
    job.interlace = (option_flags & FLAG_INTERLACE) != 0;
    job.transparency = (option_flags & FLAG_TRANSPARENCY) != 0;
    job.coder = coder_for((option_flags & FLAG_NO_LZW) == 0, (option_flags & FLAG_BIGGEST) != 0);
    if (verbose) {
        job.progress = show_progress;
    }
    job.rows = rows;
    job.path = output_name;
    choose_output(&job);
    // Rows that are only copied are not worth reading ahead (6400 x 4800
    // photo8: 117 against 103 ms).
    job.read_ahead = job.read_ahead && rows_ahead;
    conversion::Failure failure;
    if (write_gif_output(job, &failure) == VASTRELMON_OK) {
        return 0;
    }
    if (failure.rows_missing) {
        return kGifRowsMissing;
    }
    print_message(failure.id, failure.argument);
    if (failure.status == VASTRELMON_ERROR_OUTPUT_EXISTS) {
        return kGifOutputExisted;
    }
    if (verbose) {
        print_verbatim(failure.detail);
    }
    return 1;
}
