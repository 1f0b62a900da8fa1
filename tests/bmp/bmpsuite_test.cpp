// The public BMP corpus: every file is loaded, and where the expected
// outcome is decided by the reader (messages 12, 20 and 22) it must match.
// Files expected to stop later, at the palette (message 26), must load.
#include <filesystem>
#include <map>

#include "tests/bmp/bmp_fixture.h"
#include "tests/support/corpus_table.h"

namespace {

TEST_F(BmpTest, PublicCorpusLoadsAsExpected)
{
    namespace fs = std::filesystem;
    const fs::path root = BMPSUITE_DIR;
    if (!fs::is_directory(root)) {
        GTEST_SKIP() << "no corpus at " << root;
    }
    std::map<std::string, CorpusRow> expectations;
    for (const CorpusRow& row : read_corpus_table(root.string())) {
        expectations[row.file] = row;
    }
    ASSERT_FALSE(expectations.empty()) << "EXPECTED.tsv is missing or empty";
    int loaded = 0;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file() || entry.path().extension() != ".bmp") {
            continue;
        }
        const std::string name = entry.path().lexically_relative(root).generic_string();
        SCOPED_TRACE(name);
        clBitMap image;
        int result = load_path(entry.path().string(), &image);
        ++loaded;
        auto row = expectations.find(name);
        if (row == expectations.end()) {
            continue;  // unlisted: it only has to load or refuse without harm
        }
        const CorpusRow& expected = row->second;
        if (expected.message == 12 || expected.message == 26) {
            EXPECT_EQ(result, 0) << "printed: " << printed;
            EXPECT_EQ(printed, "");
        } else if (expected.message == 20) {
            EXPECT_EQ(result, 1);
            EXPECT_EQ(printed, "Error :Fail To Read BMP File(" + expected.code + ")\n");
        } else if (expected.message == 22) {
            EXPECT_EQ(result, 1);
            EXPECT_EQ(printed, "Error :Fail To Allocate Memory(" + expected.code + ")\n");
        }
    }
    EXPECT_GE(loaded, static_cast<int>(expectations.size()));
}

}  // namespace
