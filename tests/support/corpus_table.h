// The expectation table of the public BMP corpus (EXPECTED.tsv beside the
// files): one row per file with its outcome, message and code.
#ifndef VASTRELMON_TESTS_SUPPORT_CORPUS_TABLE_H
#define VASTRELMON_TESTS_SUPPORT_CORPUS_TABLE_H

#include <string>
#include <vector>

struct CorpusRow {
    std::string file;      // relative to the corpus folder, '/' separated
    bool converts;         // outcome "converts"; otherwise refused
    int message;           // 12, 20, 22 or 26
    std::string code;      // shown by messages 20 and 22, "-" otherwise
};

// The rows of folder/EXPECTED.tsv, the header line skipped; rows with fewer
// than four fields are left out. Empty when the table cannot be read.
std::vector<CorpusRow> read_corpus_table(const std::string& folder);

#endif
