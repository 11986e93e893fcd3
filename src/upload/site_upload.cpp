// SPDX-License-Identifier: GPL-3.0-or-later
#include "upload/site_upload.h"

#include "upload/server_identity.h"

#include <openssl/evp.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <tuple>

namespace fs = std::filesystem;

namespace nimbora {
namespace {

bool is_root_only(const std::string& folder)
{
    return folder.find_first_not_of('/') == std::string::npos;
}

// The send order's rank: subfolders' files, other top-level files, pages, the index.
int send_rank(const std::string& path)
{
    if (path.find('/') != std::string::npos) return 0;
    if (path == "index.html") return 3;
    const std::string_view html = ".html";
    const bool page = path.size() >= html.size() &&
                      path.compare(path.size() - html.size(), html.size(), html) == 0;
    return page ? 2 : 1;
}

std::string escaped_line(std::string_view text)
{
    std::string out;
    for (const char c : text) {
        if (c == '%')
            out += "%25";
        else if (c == '\r')
            out += "%0D";
        else if (c == '\n')
            out += "%0A";
        else
            out += c;
    }
    return out;
}

std::string unescaped_line(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::string_view code = text.substr(i, 3);
        if (code == "%25" || code == "%0D" || code == "%0A") {
            out += code == "%25" ? '%' : code == "%0D" ? '\r' : '\n';
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

bool is_hash(std::string_view text)
{
    return text.size() == 64 && text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

}  // namespace

std::string sha256_hex(std::string_view bytes)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), digest, &size, EVP_sha256(), nullptr) != 1)
        return {};
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    for (unsigned int i = 0; i < size; ++i) {
        out += kHex[digest[i] >> 4];
        out += kHex[digest[i] & 0xF];
    }
    return out;
}

std::vector<SiteFile> list_site(const std::string& folder)
{
    std::vector<SiteFile> out;
    std::error_code ec;
    const fs::path root(folder);
    if (!fs::is_directory(root, ec)) return out;
    for (auto it = fs::recursive_directory_iterator(root, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        std::error_code type_ec;
        if (!it->is_regular_file(type_ec)) continue;
        const std::string path = it->path().lexically_relative(root).generic_string();
        const std::string name = it->path().filename().string();
        // What a site write left half-done, or a name no remote command could carry.
        if (name.size() > 5 && name.compare(name.size() - 5, 5, ".part") == 0) continue;
        if (path.find_first_of("\r\n") != std::string::npos) continue;
        SiteFile f{path, it->path().string(), {}};
        std::ifstream in(f.local, std::ios::binary);
        if (in) {
            const std::string bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
            if (!in.bad()) f.hash = sha256_hex(bytes);
        }
        out.push_back(std::move(f));
    }
    std::sort(out.begin(), out.end(), [](const SiteFile& a, const SiteFile& b) {
        return std::forward_as_tuple(send_rank(a.path), a.path) <
               std::forward_as_tuple(send_rank(b.path), b.path);
    });
    return out;
}

std::string remote_subfolder(const std::string& folder, const std::string& sub, bool sftp)
{
    if (sub.empty()) return folder;
    if (is_root_only(folder)) return sftp ? sub : "/" + sub;
    std::string out = folder;
    while (out.back() == '/') out.pop_back();
    return out + "/" + sub;
}

std::string site_remote_folder(const Settings& s)
{
    const std::string base = s.RemotePath.empty() ? std::string("/") : s.RemotePath;
    if (!s.WebFolder.empty() && s.WebFolder.front() == '/') return s.WebFolder;
    return remote_subfolder(base, s.WebFolder, s.Protocol == kProtocolSftp);
}

std::string manifest_key(const Settings& s)
{
    return s.Protocol + "://" + s.User + "@" + s.FtpHost + ":" + std::to_string(upload_port(s)) +
           "/" + site_remote_folder(s);
}

std::string manifest_text(const Manifest& manifest)
{
    std::string out;
    for (const auto& [key, entries] : manifest) {
        out += "@ " + escaped_line(key) + "\r\n";
        for (const auto& [path, hash] : entries) out += hash + " " + escaped_line(path) + "\r\n";
    }
    return out;
}

Manifest read_manifest(std::string_view text)
{
    Manifest out;
    ManifestEntries* section = nullptr;
    for (std::size_t begin = 0; begin < text.size();) {
        std::size_t end = text.find('\n', begin);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(begin, end - begin);
        begin = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.substr(0, 2) == "@ ") {
            section = &out[unescaped_line(line.substr(2))];
        } else if (section && line.size() > 65 && line[64] == ' ' && is_hash(line.substr(0, 64))) {
            (*section)[unescaped_line(line.substr(65))] = std::string(line.substr(0, 64));
        }
    }
    return out;
}

}  // namespace nimbora
