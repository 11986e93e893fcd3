// SPDX-License-Identifier: GPL-3.0-or-later
// site_upload.h: what an upload sends of the station's web site. The site's files with their
// content hashes, where on the server they go, and the manifest of what earlier uploads
// delivered to each server and folder, so that an upload sends only what changed.
#pragma once

#include "config/Settings.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace nimbora {

// The manifest, in the station folder: for each server and remote folder, the content hash of
// every site file that arrived there.
inline constexpr const char* kWebManifestFile = "webupload.manifest";

// One file of the local site.
struct SiteFile {
    std::string path;   // relative to the site folder, '/' between folders ("charts/t.svg")
    std::string local;  // the full local path
    std::string hash;   // SHA-256 of its bytes, 64 lower-case hex digits; empty: unreadable
};

// Every regular file under `folder`, in the order an upload sends them: the files of the
// subfolders (charts, reports) first, then the style sheet and other top-level files, then the
// pages, index.html last, so a page never arrives before what it shows. Left-over temporary
// files ("NAME.part") and names with a line break are skipped. Empty when the folder is missing.
std::vector<SiteFile> list_site(const std::string& folder);

// SHA-256 of `bytes` as 64 lower-case hex digits.
std::string sha256_hex(std::string_view bytes);

// The folder `sub` (relative, '/' separated, may be empty) inside the remote folder `folder`,
// as the upload's remote folders are written: relative to the login folder, or from the root
// when it begins with '/'. A folder of nothing but '/' is the root, except under SFTP, where
// it is the login's home folder (so `sub` stays relative to it).
std::string remote_subfolder(const std::string& folder, const std::string& sub, bool sftp);

// The site's remote folder for `s`: WebFolder when it begins with '/', else WebFolder inside
// RemotePath (empty WebFolder: RemotePath itself; empty RemotePath: "/").
std::string site_remote_folder(const Settings& s);

// The server and folder a manifest section stands for: protocol, user, host, port and the
// site's remote folder ("sftp://station@example.org:22/web"). The user and port are part of
// it because a relative folder is another place for another login, and another port may be
// another server.
std::string manifest_key(const Settings& s);

// Path in the site -> hash of the bytes that last arrived.
using ManifestEntries = std::map<std::string, std::string>;
// Manifest key -> its entries.
using Manifest = std::map<std::string, ManifestEntries>;

// The manifest's text: for each key a line "@ KEY", then one line "HASH PATH" per file, CR LF
// line ends; '%', CR and LF in keys and paths as %25, %0D, %0A.
std::string manifest_text(const Manifest& manifest);
// The manifest back from its text; lines that are not of the format are skipped, so a damaged
// file only makes files go again.
Manifest read_manifest(std::string_view text);

}  // namespace nimbora
