// SPDX-License-Identifier: GPL-3.0-or-later
// UpdateCheck.h: Help > Check for Updates. One HTTP request for a small text file whose
// first bytes are "Ver", a separator and the latest version.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace nimbora {

class Owner;

// Where the latest version is published. NIMBORA_UPDATE_URL replaces it (tests serve
// their own file).
inline constexpr const char* kUpdateUrl = "https://nimbora.example.org/version.txt";
std::string update_url();

// At most this much of the reply is read.
inline constexpr std::size_t kVersionReplyMax = 10;

// The message the check shows for `reply` (the bytes read), or nothing when the reply is
// not a version file. The remote version follows "Ver" and one separator; it is compared
// with `running` as text (4.09 is older than 4.1, 4.10 newer); line ends, blanks and NULs
// behind it are shown but not compared.
std::optional<std::string> version_message(std::string_view reply, std::string_view running);

// The first kVersionReplyMax bytes at `url`; nothing when the request failed or the server
// answered with an error status. Gives up after 10 s without a connection.
std::optional<std::string> fetch_version_reply(const std::string& url);

// The whole check, told to `owner`: a failed request or a reply in another form shows
// nothing at all.
void CheckVersion(Owner* owner, std::string_view running, const std::string& url = update_url());

}  // namespace nimbora
