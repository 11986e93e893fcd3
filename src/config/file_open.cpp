// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/file_open.h"

#include "config/format.h"

#include <filesystem>
#include <string_view>
#include <system_error>

namespace nimbora {

FilePtr file_open(Owner* owner, const std::string& path, const char* mode)
{
    const bool reading = mode[0] == 'r';
    FilePtr file(std::fopen(path.c_str(), reading ? "rb" : mode[0] == 'a' ? "ab" : "wb"));
    if (!file)
        tell(owner, "Error",
             reading ? strf("%s: Error opening file", path.c_str())
                     : strf("%s: Error creating file", path.c_str()),
             Icon::error);
    return file;
}

bool replace_file(Owner* owner, const std::string& path, std::string_view bytes)
{
    const std::string temp = path + ".new";
    FilePtr file = file_open(nullptr, temp, "wb");
    bool ok = file && std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
    ok = close_file(file) && ok;
    std::error_code ec;
    if (ok) std::filesystem::rename(temp, path, ec);
    if (!ok || ec) {
        std::filesystem::remove(temp, ec);
        tell(owner, "Error", strf("%s: Error creating file", path.c_str()), Icon::error);
        return false;
    }
    return true;
}

}  // namespace nimbora
