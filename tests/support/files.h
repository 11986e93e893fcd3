// SPDX-License-Identifier: GPL-3.0-or-later
// files.h: temporary folders and whole-file reads and writes for tests.
#pragma once

#include <filesystem>
#include <string>

namespace nimbora::test {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The folder as the settings hold folders: with a final separator.
    std::string folder() const { return path_.string() + "/"; }

private:
    std::filesystem::path path_;
};

std::string read_file(const std::filesystem::path& path);
void write_file(const std::filesystem::path& path, const std::string& bytes);

// CR and LF made visible, for failure messages.
std::string visible(const std::string& text);

}  // namespace nimbora::test
