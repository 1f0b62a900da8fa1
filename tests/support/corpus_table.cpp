#include "tests/support/corpus_table.h"

#include <fstream>
#include <sstream>

std::vector<CorpusRow> read_corpus_table(const std::string& folder)
{
    std::vector<CorpusRow> rows;
    std::ifstream in(BMPSUITE_OUTCOMES);
    std::string line;
    std::getline(in, line);  // column names
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        CorpusRow row;
        std::string outcome, message, why;
        if (std::getline(fields, row.file, '\t') && std::getline(fields, outcome, '\t') &&
            std::getline(fields, message, '\t') && std::getline(fields, row.code, '\t') &&
            std::getline(fields, why, '\t') && std::getline(fields, row.reference, '\t') &&
            !message.empty() && std::ifstream(folder + "/" + row.file).good()) {
            row.converts = outcome == "converts";
            row.message = std::stoi(message);
            rows.push_back(row);
        }
    }
    return rows;
}
