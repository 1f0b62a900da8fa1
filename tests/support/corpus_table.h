// The project's table of what becomes of each file of the public BMP corpus
// (tests/bmp/bmpsuite_outcomes.tsv): one row per file with its outcome,
// message and code, and where its true colours come from.
#ifndef VASTRELMON_TESTS_SUPPORT_CORPUS_TABLE_H
#define VASTRELMON_TESTS_SUPPORT_CORPUS_TABLE_H

#include <string>
#include <vector>

struct CorpusRow {
    std::string file;      // relative to the corpus folder, '/' separated
    bool converts;         // outcome "converts"; otherwise refused
    int message;           // 12, 20, 22 or 26
    std::string code;      // shown by messages 20 and 22, "-" otherwise
    // Whose pixels are the file's true colours: "-" the file itself, through
    // the tests' own decoder; a corpus file of the same picture, stored
    // plainly; or "magick" (ImageMagick's).
    std::string reference;
};

// The table's rows for the files that folder holds, the header line
// skipped. Empty when the table cannot be read.
std::vector<CorpusRow> read_corpus_table(const std::string& folder);

#endif
