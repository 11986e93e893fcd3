// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/UpdateCheck.h"

#include "config/Settings.h"
#include "config/format.h"
#include "jobs/Owner.h"

#include <curl/curl.h>

#include <QApplication>
#include <QCursor>

#include <cstdlib>
#include <memory>

namespace nimbora {
namespace {

struct CurlCleanup {
    void operator()(CURL* p) const noexcept { curl_easy_cleanup(p); }
};

size_t keep_first_bytes(char* data, size_t size, size_t count, void* user)
{
    auto* reply = static_cast<std::string*>(user);
    const size_t bytes = size * count;
    const size_t room = kVersionReplyMax - reply->size();
    reply->append(data, std::min(bytes, room));
    // Enough read: stop the transfer (curl reports a write error, which is expected).
    return reply->size() >= kVersionReplyMax ? 0 : bytes;
}

constexpr long kConnectTimeoutMs = 10000;
// Once connected, a server that stops answering does not hold the window for long either.
constexpr long kTotalTimeoutMs = 20000;

}  // namespace

std::string update_url()
{
    const char* url = std::getenv("NIMBORA_UPDATE_URL");
    return url && *url ? url : kUpdateUrl;
}

std::optional<std::string> version_message(std::string_view reply, std::string_view running)
{
    if (reply.size() > kVersionReplyMax) reply = reply.substr(0, kVersionReplyMax);
    if (reply.substr(0, 3) != "Ver") return std::nullopt;
    const std::string remote(reply.size() > 4 ? reply.substr(4) : std::string_view());
    // A version file usually ends with a line end (or blanks, or padding NULs); they are not
    // part of the version: "Ver 4.1 \r\n" is the running version, not a newer one.
    std::string_view compared = remote;
    while (!compared.empty() && static_cast<unsigned char>(compared.back()) <= ' ')
        compared.remove_suffix(1);
    if (running < compared) return strf("A new version is available:  %s", remote.c_str());
    return std::string("No updates are available at this time.");
}

std::optional<std::string> fetch_version_reply(const std::string& url)
{
    std::unique_ptr<CURL, CurlCleanup> curl(curl_easy_init());
    if (!curl) return std::nullopt;
    std::string reply;
    CURL* c = curl.get();
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curl_easy_setopt(c, CURLOPT_USERAGENT, "Mozilla");
    curl_easy_setopt(c, CURLOPT_PROXY, "");  // direct, whatever the environment says
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, kConnectTimeoutMs);
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, kTotalTimeoutMs);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    // An error status is a failed request, whatever its page says ("Version service down").
    curl_easy_setopt(c, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, keep_first_bytes);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &reply);
    const CURLcode code = curl_easy_perform(c);
    if (code == CURLE_OK || (code == CURLE_WRITE_ERROR && reply.size() >= kVersionReplyMax))
        return reply;
    return std::nullopt;
}

void CheckVersion(Owner* owner, std::string_view running, const std::string& url)
{
    // The check runs on the window thread: the user waits, at most for the time-outs.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const std::optional<std::string> reply = fetch_version_reply(url);
    QApplication::restoreOverrideCursor();
    if (!reply) return;
    if (auto message = version_message(*reply, running))
        tell(owner, Version, *message, Icon::information);
}

}  // namespace nimbora
