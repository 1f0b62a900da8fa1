// Scratch folders and whole-file helpers for the tests, on every platform
// the program is built for.
#ifndef VASTRELMON_TESTS_SUPPORT_TEMP_DIR_H
#define VASTRELMON_TESTS_SUPPORT_TEMP_DIR_H

#include <string>
#include <vector>

// A fresh empty folder under the system's temporary folder, removed with its
// contents when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

bool file_exists(const std::string& path);
std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& bytes);
// The names in a folder, sorted, without "." and "..".
std::vector<std::string> folder_entries(const std::string& path);

#endif
