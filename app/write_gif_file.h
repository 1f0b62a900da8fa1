// The last stage of a run: code the converted image and write the GIF file.
#ifndef VASTRELMON_APP_WRITE_GIF_FILE_H
#define VASTRELMON_APP_WRITE_GIF_FILE_H

#include <cstdint>

class clBitMap;
class GifRowSource;


// Result when the output appeared while the picture was being coded:
// message 17 has been printed and nothing was written. Not a failure, but
// not a success either, so the run ends as when the name existed at start.
constexpr int kGifOutputExisted = 2;
// Result when a row of the picture could not be read from its source:
// nothing was printed or written; the reader's failure is the one to report.
constexpr int kGifRowsMissing = 3;

// Codes image (an indexed picture of depth 1 to 8) in memory, then creates
// output_name and writes the stream. Returns 0 when the file was written,
// kGifOutputExisted when it already existed, 1 after a reported failure;
// after a failure no file created here is left behind. With
// FLAG_TRANSPARENCY the index written is the image's own, and none at all
// when the image has none (-1). With verbose, failures are followed by the
// encoder's error text and the coder shows its progress line. rows: where
// the coder reads the rows instead of the image's pixels (see
// the library's conversion::Rows), or null; with rows_ahead they cost the source work of
// their own, and a big picture's are read on a second thread.
int write_gif_file(uint32_t option_flags, const char* output_name, const clBitMap* image,
                   bool verbose, GifRowSource* rows = nullptr, bool rows_ahead = false);


#endif
