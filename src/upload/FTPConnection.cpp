// SPDX-License-Identifier: GPL-3.0-or-later
#include "upload/FTPConnection.h"

#include "config/file_open.h"
#include "config/format.h"
#include "config/function.h"
#include "config/read_conf.h"
#include "config/schema.h"
#include "jobs/Owner.h"
#include "jobs/busy.h"
#include "reports/current_month.h"
#include "upload/ftp_log.h"
#include "upload/server_identity.h"
#include "upload/site_upload.h"
#include "web/site.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace fs = std::filesystem;

namespace nimbora {
namespace {

struct CurlCleanup {
    void operator()(CURL* p) const noexcept { curl_easy_cleanup(p); }
};
using CurlHandle = std::unique_ptr<CURL, CurlCleanup>;
struct CurlFree {
    void operator()(char* p) const noexcept { curl_free(p); }
};

constexpr long kFileNotFound = 2;  // the code a missing local file is logged with
constexpr long kNotAFile = -1;     // send()'s own result for it, apart from libcurl's codes

// A file goes up as NAME + kPartSuffix in the target folder, then is renamed over NAME: a
// visitor of the website never fetches a half-sent file under its real name.
constexpr const char* kPartSuffix = ".part";

std::mutex trace_mutex;
FtpTrace trace_now;

// libcurl's debug call: the command lines sent, to the trace; a password never leaves here.
int trace_sent(CURL*, curl_infotype type, char* data, std::size_t size, void* trace)
{
    if (type != CURLINFO_HEADER_OUT) return 0;
    std::string text(data, size);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    if (text.rfind("PASS ", 0) == 0) text = "PASS ****";
    (*static_cast<const FtpTrace*>(trace))(text);
    return 0;
}

// Frees a libcurl string list.
struct SlistFree {
    void operator()(curl_slist* p) const noexcept { curl_slist_free_all(p); }
};
using Slist = std::unique_ptr<curl_slist, SlistFree>;

// A path inside an SFTP quote command: quoted, with '"' and '\\' escaped.
std::string sftp_quoted(const std::string& path)
{
    std::string out = "\"";
    for (const char c : path) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

std::mutex timing_mutex;
FtpTiming timing_now;

std::mutex thread_mutex;
std::thread upload_thread;
std::shared_ptr<UploadCut> upload_cut;  // the cut of upload_thread's upload

// Host names, IPv4 and IPv6 addresses; anything else could reshape the address we build.
bool valid_host(const std::string& host)
{
    if (host.empty()) return false;
    for (const char c : host) {
        const auto u = static_cast<unsigned char>(c);
        if (!(std::isalnum(u) || c == '.' || c == '-' || c == '_' || c == ':' || c == '[' ||
              c == ']'))
            return false;
    }
    return true;
}

// CR, LF or NUL in a user name or password would end the FTP command early.
bool valid_login_text(const std::string& text)
{
    return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos;
}

std::string escaped(CURL* curl, const std::string& text)
{
    const std::unique_ptr<char, CurlFree> e(
        curl_easy_escape(curl, text.c_str(), static_cast<int>(text.size())));
    return e ? std::string(e.get()) : std::string();
}

// "ftp://host/" and the remote folder as typed, ending with '/': relative to the login
// folder, or from the server's root when it begins with '/' (sent escaped, as %2F). SFTP
// ("sftp://host/"): empty or a bare "/" is the login's home folder ("/~/"), another path
// beginning with '/' is absolute, any other is relative to the home folder.
std::string folder_url(CURL* curl, const std::string& host, const std::string& RemotePath,
                       bool sftp = false)
{
    const bool bare_ipv6 = host.find(':') != std::string::npos && host.front() != '[';
    std::string url =
        std::string(sftp ? "sftp://" : "ftp://") + (bare_ipv6 ? "[" + host + "]" : host) + "/";
    const bool absolute = !RemotePath.empty() && RemotePath.front() == '/';
    if (sftp) {
        if (!absolute || RemotePath.find_first_not_of('/') == std::string::npos) url += "~/";
    } else if (absolute) {
        url += "%2F/";
    }
    for (std::size_t begin = 0; begin < RemotePath.size();) {
        std::size_t end = RemotePath.find('/', begin);
        if (end == std::string::npos) end = RemotePath.size();
        if (end > begin) url += escaped(curl, RemotePath.substr(begin, end - begin)) + "/";
        begin = end + 1;
    }
    return url;
}

// The SFTP folder as quote commands name it: "" for the home folder, "a/b/" under it, or
// "/a/b/" from the root (paths in quote commands are taken as the server takes them).
std::string sftp_quote_folder(const std::string& RemotePath)
{
    const bool absolute = !RemotePath.empty() && RemotePath.front() == '/';
    if (absolute && RemotePath.find_first_not_of('/') == std::string::npos) return "";
    std::string out = absolute ? "/" : "";
    for (std::size_t begin = 0; begin < RemotePath.size();) {
        std::size_t end = RemotePath.find('/', begin);
        if (end == std::string::npos) end = RemotePath.size();
        if (end > begin) out += RemotePath.substr(begin, end - begin) + "/";
        begin = end + 1;
    }
    return out;
}

std::size_t discard(char*, std::size_t size, std::size_t count, void*)
{
    return size * count;
}

// Regenerates the current month's report as LoadTempTable does for the Report menu, once no
// other job runs. ThActive is claimed here and handed to the job, so no job can start between
// the wait and the regeneration. The wait is bounded: a job that never ends (or one stuck on
// something) costs this upload its fresh report, never the upload itself. A cut (null: none)
// ends the wait at once, with nothing regenerated or logged: the upload is being cut.
void regenerate_report(const ReportJob& upload, const LocalTime& lt, FtpLog& log,
                       const UploadCut* cut)
{
    const auto deadline = std::chrono::steady_clock::now() + ftp_timing().report_wait;
    BusyClaim claim;
    while (!(claim = BusyClaim::try_claim(ThActive))) {
        if (cut && cut->requested()) return;
        if (std::chrono::steady_clock::now() >= deadline) {
            log.linef("FTP: Report not regenerated, another job is running");
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ReportJob job;
    job.hOwner = nullptr;  // unattended: the import and the report stay silent
    job.Table = "TempMeteo";
    job.year = lt.year;
    job.month = lt.month;
    job.decades = upload.settings.ReportUpload != 1;
    job.wind_detail = false;
    job.settings = upload.settings;
    job.DocPath = upload.DocPath;
    job.busy = std::move(claim);
    LoadTempTable(job);
}

// Keeps the first message a job told, as one line for the log.
class FirstMessage final : public QuietOwner {
public:
    void message(std::string_view, std::string_view text, Icon) override
    {
        if (!first_.empty()) return;
        first_ = std::string(text);
        for (char& c : first_)
            if (c == '\r' || c == '\n') c = ' ';
        while (!first_.empty() && first_.back() == ' ') first_.pop_back();
    }

    const std::string& text() const { return first_; }

private:
    std::string first_;
};

// Regenerates the web pages the latest data can change (the whole site when it was never
// written: no index.html), holding ThActive as regenerate_report does and waiting for it as
// long. A site that cannot be regenerated is logged and uploaded as it stands.
void regenerate_site(const ReportJob& upload, FtpLog& log, const UploadCut* cut)
{
    const auto deadline = std::chrono::steady_clock::now() + ftp_timing().report_wait;
    BusyClaim claim;
    while (!(claim = BusyClaim::try_claim(ThActive))) {
        if (cut && cut->requested()) return;
        if (std::chrono::steady_clock::now() >= deadline) {
            log.linef("FTP: Web pages not regenerated, another job is running");
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const Settings& s = upload.settings;
    const std::string folder = default_site_folder(upload.DocPath);
    FirstMessage told;
    bool done = false;
    if (auto db = Db::open(&told, s.InitPathDB + kDbFile)) {
        SiteCounts counts;
        std::error_code ec;
        done = fs::is_regular_file(folder + "/index.html", ec)
                   ? write_current_pages(&told, *db, s, folder, counts)
                   : write_site(&told, *db, s, folder, counts);
    }
    claim.release();
    if (!done)
        log.linef("FTP: Web pages not regenerated - %s",
                  told.text().empty() ? "unknown error" : told.text().c_str());
}

// libcurl's progress call: non-zero aborts the request (CURLE_ABORTED_BY_CALLBACK).
int cut_progress(void* cut, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return static_cast<const UploadCut*>(cut)->requested() ? 1 : 0;
}

// One FTP, FTPS or SFTP session on a single easy handle: every file of an upload goes over
// one login. FTPS requires TLS on the control and data connections and a verified certificate
// (or the pinned key); SFTP requires a host key that known_hosts holds. Neither ever goes on
// in clear or with an unverified server.
class FtpSession {
public:
    // `cut` (null: none) aborts any request of the session once requested.
    FtpSession(CURL* curl, const Settings& s, const std::string& DocPath, const FtpTiming& t,
               UploadCut* cut)
        : curl_(curl), s_(s), sftp_(s.Protocol == kProtocolSftp),
          known_protocol_(s.Protocol == kProtocolFtp || s.Protocol == kProtocolFtps || sftp_),
          known_hosts_(DocPath + kKnownHostsFile), trace_(ftp_trace())
    {
        if (cut) {
            curl_easy_setopt(curl_, CURLOPT_XFERINFOFUNCTION, cut_progress);
            curl_easy_setopt(curl_, CURLOPT_XFERINFODATA, static_cast<void*>(cut));
            curl_easy_setopt(curl_, CURLOPT_NOPROGRESS, 0L);
        }
        if (trace_) {
            curl_easy_setopt(curl_, CURLOPT_DEBUGFUNCTION, trace_sent);
            curl_easy_setopt(curl_, CURLOPT_DEBUGDATA, const_cast<FtpTrace*>(&trace_));
            curl_easy_setopt(curl_, CURLOPT_VERBOSE, 1L);
        }
        curl_easy_setopt(curl_, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(curl_, CURLOPT_PROTOCOLS_STR, sftp_ ? "sftp" : "ftp");
        const long port = s.Protocol == kProtocolFtp
                              ? static_cast<long>(std::atoi(s.FtpPort.c_str()) & 0xFFFF)
                              : upload_port(s);
        curl_easy_setopt(curl_, CURLOPT_PORT, port);
        curl_easy_setopt(curl_, CURLOPT_CONNECTTIMEOUT_MS,
                         static_cast<long>(t.connect_timeout.count()));
        // A server that stops answering after the login, or a transfer that stalls, ends the
        // step instead of holding the upload (and FTPActive) forever.
        const long response_s =
            std::max<long>(1, static_cast<long>((t.response_timeout.count() + 999) / 1000));
        curl_easy_setopt(curl_, CURLOPT_SERVER_RESPONSE_TIMEOUT, response_s);
        curl_easy_setopt(curl_, CURLOPT_ACCEPTTIMEOUT_MS,
                         static_cast<long>(t.response_timeout.count()));
        curl_easy_setopt(curl_, CURLOPT_LOW_SPEED_LIMIT, t.low_speed_limit);
        curl_easy_setopt(curl_, CURLOPT_LOW_SPEED_TIME,
                         static_cast<long>(t.low_speed_time.count()));
        if (sftp_) {
            // The host key is checked before any authentication: an unknown or changed key
            // ends the connection with nothing sent.
            curl_easy_setopt(curl_, CURLOPT_SSH_KNOWNHOSTS, known_hosts_.c_str());
            curl_easy_setopt(curl_, CURLOPT_SSH_KEYFUNCTION, check_host_key);
            curl_easy_setopt(curl_, CURLOPT_SSH_KEYDATA, static_cast<void*>(&host_key_));
            curl_easy_setopt(curl_, CURLOPT_USERNAME, s.User.c_str());
            if (!s.KeyFile.empty()) {
                curl_easy_setopt(curl_, CURLOPT_SSH_AUTH_TYPES,
                                 static_cast<long>(CURLSSH_AUTH_PUBLICKEY));
                curl_easy_setopt(curl_, CURLOPT_SSH_PRIVATE_KEYFILE, s.KeyFile.c_str());
                curl_easy_setopt(curl_, CURLOPT_KEYPASSWD, s.Pwd.c_str());
            } else {
                curl_easy_setopt(curl_, CURLOPT_SSH_AUTH_TYPES,
                                 static_cast<long>(CURLSSH_AUTH_PASSWORD | CURLSSH_AUTH_KEYBOARD));
                curl_easy_setopt(curl_, CURLOPT_PASSWORD, s.Pwd.c_str());
            }
        } else {
            curl_easy_setopt(curl_, CURLOPT_TRANSFERTEXT, 0L);  // binary: the bytes unchanged
            curl_easy_setopt(curl_, CURLOPT_FTP_CREATE_MISSING_DIRS,
                             static_cast<long>(CURLFTP_CREATE_DIR_NONE));
            if (!s.User.empty()) {
                curl_easy_setopt(curl_, CURLOPT_USERNAME, s.User.c_str());
                curl_easy_setopt(curl_, CURLOPT_PASSWORD, s.Pwd.c_str());
            }
        }
        if (s.Protocol == kProtocolFtps) {
            // AUTH TLS before USER, PROT P for every transfer; a server without TLS ends the
            // upload (CURLE_USE_SSL_FAILED) before the user name goes out.
            curl_easy_setopt(curl_, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
            curl_easy_setopt(curl_, CURLOPT_FTPSSLAUTH, static_cast<long>(CURLFTPAUTH_TLS));
            if (!s.CaFile.empty()) curl_easy_setopt(curl_, CURLOPT_CAINFO, s.CaFile.c_str());
            if (!s.PinnedKey.empty()) {
                // A self-signed certificate: no CA vouches for it, so its key is the check.
                curl_easy_setopt(curl_, CURLOPT_PINNEDPUBLICKEY, s.PinnedKey.c_str());
                curl_easy_setopt(curl_, CURLOPT_SSL_VERIFYPEER, 0L);
                curl_easy_setopt(curl_, CURLOPT_SSL_VERIFYHOST, 0L);
            }
        }
        // No folder is the server's root, as the settings files read it back: the same
        // settings send to the same place before and after the program restarts.
        set_folder(s.RemotePath.empty() ? std::string("/") : s.RemotePath);
    }

    // Where send() puts files from now on: `folder` as RemotePath is written.
    void set_folder(const std::string& folder)
    {
        if (valid_host(s_.FtpHost)) folder_ = folder_url(curl_, s_.FtpHost, folder, sftp_);
        quote_folder_ = sftp_quote_folder(folder);
    }

    // Whether send() makes the folders of its target that the server does not have yet.
    void create_missing_folders(bool on)
    {
        curl_easy_setopt(
            curl_, CURLOPT_FTP_CREATE_MISSING_DIRS,
            static_cast<long>(on ? CURLFTP_CREATE_DIR_RETRY : CURLFTP_CREATE_DIR_NONE));
    }

    // Connects and logs in, in passive mode or not (FTP and FTPS). CURLE_OK once logged in.
    long connect(int passive)
    {
        if (!known_protocol_) return CURLE_UNSUPPORTED_PROTOCOL;
        if (!valid_host(s_.FtpHost)) return CURLE_URL_MALFORMAT;
        if (!valid_login_text(s_.User) || !valid_login_text(s_.Pwd))
            return CURLE_BAD_FUNCTION_ARGUMENT;
        if (!sftp_) curl_easy_setopt(curl_, CURLOPT_FTPPORT, passive ? nullptr : "-");
        const std::string root = folder_url(curl_, s_.FtpHost, sftp_ ? "/" : "", sftp_);
        return no_transfer(root);
    }

    // Enters the remote folder (SFTP: lists it). CURLE_OK when the server let us in.
    long enter_folder()
    {
        if (!sftp_) return no_transfer(folder_);
        curl_easy_setopt(curl_, CURLOPT_URL, folder_.c_str());
        curl_easy_setopt(curl_, CURLOPT_UPLOAD, 0L);
        curl_easy_setopt(curl_, CURLOPT_NOBODY, 0L);
        curl_easy_setopt(curl_, CURLOPT_DIRLISTONLY, 1L);
        curl_easy_setopt(curl_, CURLOPT_WRITEFUNCTION, discard);
        const CURLcode rc = curl_easy_perform(curl_);
        curl_easy_setopt(curl_, CURLOPT_DIRLISTONLY, 0L);
        return rc;
    }

    // How send() places a file.
    enum class Place {
        direct,  // under its own name
        atomic,  // under a temporary name, then renamed over its own name
        retry,   // under its own name after a refused rename: the temporary one is removed
    };

    // Sends one local file into the remote folder, in binary. CURLE_OK when it arrived (and,
    // atomic, was renamed: CURLE_QUOTE_ERROR when the server refused the rename);
    // kNotAFile for a missing file or anything but a regular file.
    long send(const std::string& local, Place place)
    {
        std::error_code ec;
        // A folder would open and go up as an empty file: refuse anything but a file.
        if (!fs::is_regular_file(local, ec)) return kNotAFile;
        const auto size = fs::file_size(local, ec);
        if (ec) return kNotAFile;
        FilePtr file(std::fopen(local.c_str(), "rb"));
        if (!file) return CURLE_READ_ERROR;
        const std::string name = fs::path(local).filename().string();
        const std::string part = name + kPartSuffix;
        // A line break in a name would end a quoted command early: such a file goes direct.
        if (name.find_first_of("\r\n") != std::string::npos) place = Place::direct;
        Slist quote;
        const auto add = [&quote](const std::string& command) {
            curl_slist* grown = curl_slist_append(quote.get(), command.c_str());
            if (grown) {
                static_cast<void>(quote.release());
                quote.reset(grown);
            }
        };
        if (place == Place::atomic && sftp_) {
            // SFTP version 3 renames only onto a free name: the old file goes first, so it
            // may be missing for a moment, never partial.
            add("*rm " + sftp_quoted(quote_folder_ + name));
            add("rename " + sftp_quoted(quote_folder_ + part) + " " +
                sftp_quoted(quote_folder_ + name));
        } else if (place == Place::atomic) {
            add("RNFR " + part);
            add("RNTO " + name);
        } else if (place == Place::retry) {
            add(sftp_ ? "*rm " + sftp_quoted(quote_folder_ + part) : "*DELE " + part);
        }
        const std::string url = folder_ + escaped(curl_, place == Place::atomic ? part : name);
        curl_easy_setopt(curl_, CURLOPT_URL, url.c_str());
        curl_easy_setopt(curl_, CURLOPT_NOBODY, 0L);
        curl_easy_setopt(curl_, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(curl_, CURLOPT_READDATA, file.get());
        curl_easy_setopt(curl_, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(size));
        curl_easy_setopt(curl_, CURLOPT_POSTQUOTE, quote.get());
        const CURLcode rc = curl_easy_perform(curl_);
        curl_easy_setopt(curl_, CURLOPT_POSTQUOTE, nullptr);
        curl_easy_setopt(curl_, CURLOPT_READDATA, nullptr);
        curl_easy_setopt(curl_, CURLOPT_UPLOAD, 0L);
        return rc;
    }

    bool sftp() const { return sftp_; }
    // What the SSH host-key check saw on the last connection attempt.
    const HostKeySeen& host_key() const { return host_key_; }

private:
    // A request that only logs in and enters the folders of `url`.
    long no_transfer(const std::string& url)
    {
        curl_easy_setopt(curl_, CURLOPT_URL, url.c_str());
        curl_easy_setopt(curl_, CURLOPT_UPLOAD, 0L);
        curl_easy_setopt(curl_, CURLOPT_NOBODY, 1L);
        return curl_easy_perform(curl_);
    }

    CURL* curl_;
    const Settings& s_;
    const bool sftp_;
    const bool known_protocol_;
    const std::string known_hosts_;
    const FtpTrace trace_;
    HostKeySeen host_key_;
    std::string folder_;
    std::string quote_folder_;
};

// The station no longer asks its server to rename: AtomicUpload 0 in its "nimbrep.conf" as it
// is now (only that file is rewritten). Nothing is changed when the settings cannot be read.
void remember_direct(const std::string& DocPath)
{
    Settings stored;
    if (read_conf(nullptr, kConfEntries, DocPath, stored) != 0 || stored.AtomicUpload == 0) return;
    stored.AtomicUpload = 0;
    replace_file(nullptr, DocPath + kConfFile, conf_text(stored));
}

// Whether to send under a temporary name and rename: the job's AtomicUpload, and the stored one
// as it is now (an earlier upload may have found that the server refuses renames after this
// job's settings were read); the job's alone when the settings files cannot be read.
bool atomic_now(const ReportJob& job)
{
    if (job.settings.AtomicUpload == 0) return false;
    Settings stored = job.settings;
    if (read_conf(nullptr, kConfEntries, job.DocPath, stored) != 0) return true;
    return stored.AtomicUpload != 0;
}

// The counts of one kind of file an upload sends.
struct SendCount {
    int& attempted;
    int& sent;
};

// Sends one file and logs a failure; false, with nothing logged, when `cut` aborted it. A
// refused rename sends the file again under its own name and clears `atomic` for the rest.
// `arrived` (null: not asked) tells whether the file arrived.
bool send_logged(FtpSession& session, FtpLog& log, const std::string& local, SendCount count,
                 const UploadCut* cut, bool& atomic, const std::string& DocPath,
                 bool* arrived = nullptr)
{
    ++count.attempted;
    long rc = session.send(local, atomic ? FtpSession::Place::atomic : FtpSession::Place::direct);
    if (rc == CURLE_ABORTED_BY_CALLBACK && cut && cut->requested()) return false;
    if (rc == CURLE_QUOTE_ERROR && atomic) {
        log.linef("FTP error %ld: Rename refused, uploading directly from now on - %s", rc,
                  local.c_str());
        atomic = false;
        remember_direct(DocPath);
        rc = session.send(local, FtpSession::Place::retry);
        if (rc == CURLE_ABORTED_BY_CALLBACK && cut && cut->requested()) return false;
    }
    if (arrived) *arrived = rc == CURLE_OK;
    if (rc == CURLE_OK)
        ++count.sent;
    else if (rc == kNotAFile)
        log.linef("FTP error %ld: File not found - %s", kFileNotFound, local.c_str());
    else
        log.linef("FTP error %ld: File transfer failure - %s", rc, local.c_str());
    return true;
}

// Sends the files of the station's web site whose bytes differ from what the last upload
// delivered to this server and folder (the manifest), into the site's remote folder and its
// subfolders, made when missing. The manifest then holds the hash of each file that arrived;
// a file that did not arrive keeps its old entry (or none), so it goes again next time. False
// when `cut` aborted a file (the manifest is saved all the same).
bool send_site(FtpSession& session, FtpLog& log, UploadResult& out, const UploadCut* cut,
               bool& atomic, const ReportJob& job)
{
    const Settings& s = job.settings;
    const std::vector<SiteFile> files = list_site(default_site_folder(job.DocPath));
    const std::string manifest_path = job.DocPath + kWebManifestFile;
    std::string before;
    {
        std::ifstream in(manifest_path, std::ios::binary);
        if (in) before.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    Manifest manifest = read_manifest(before);
    const std::string key = manifest_key(s);
    const ManifestEntries sent_before = manifest[key];
    ManifestEntries now;
    const std::string remote = site_remote_folder(s);
    const auto save = [&] {
        if (now.empty()) {
            manifest.erase(key);
        } else {
            manifest[key] = now;
        }
        const std::string text = manifest_text(manifest);
        if (text != before && !replace_file(nullptr, manifest_path, text))
            log.linef("FTP: Web manifest not written - %s", manifest_path.c_str());
    };

    session.create_missing_folders(true);
    bool whole = true;
    for (const SiteFile& f : files) {
        const auto old = sent_before.find(f.path);
        if (old != sent_before.end() && !f.hash.empty() && old->second == f.hash) {
            now[f.path] = f.hash;
            continue;
        }
        const std::size_t slash = f.path.rfind('/');
        session.set_folder(remote_subfolder(
            remote, slash == std::string::npos ? std::string() : f.path.substr(0, slash),
            session.sftp()));
        bool arrived = false;
        if ((cut && cut->requested()) ||
            !send_logged(session, log, f.local, {out.web_attempted, out.web_sent}, cut, atomic,
                         job.DocPath, &arrived)) {
            whole = false;
            if (old != sent_before.end()) now[f.path] = old->second;
            break;
        }
        if (arrived && !f.hash.empty())
            now[f.path] = f.hash;
        else if (old != sent_before.end())
            now[f.path] = old->second;
    }
    if (!whole) {
        // Cut: what was not tried keeps its entry.
        for (const auto& [path, hash] : sent_before) now.emplace(path, hash);
    }
    session.create_missing_folders(false);
    save();
    return whole;
}

// The log line of a connection refused because the server's identity is not the trusted one
// or the secure channel is missing; empty for any other failure. Such a failure is not retried:
// nothing was sent, and another attempt would meet the same server.
std::string untrusted_line(const FtpSession& session, const Settings& s, const std::string& DocPath,
                           long rc, const FtpTiming& timing)
{
    constexpr const char* kCheck = "check the server with \"nimbora-cli trust\"";
    if (session.sftp()) {
        const HostKeySeen& seen = session.host_key();
        if (!seen.seen || seen.known == KeyKnown::trusted) return {};
        const std::string key = seen.key.label + " " + seen.key.fingerprint;
        if (seen.known == KeyKnown::changed)
            return strf("FTP error %ld: WARNING: SSH host key CHANGED, now %s, nothing sent - "
                        "someone may be intercepting; if the change is expected, remove the "
                        "host from known_hosts and %s",
                        rc, key.c_str(), kCheck);
        return strf("FTP error %ld: Unknown SSH host key %s, nothing sent - %s", rc, key.c_str(),
                    kCheck);
    }
    if (s.Protocol != kProtocolFtps) return {};
    if (rc == CURLE_USE_SSL_FAILED)
        return strf("FTP error %ld: Server does not offer TLS, nothing sent", rc);
    if (rc != CURLE_PEER_FAILED_VERIFICATION && rc != CURLE_SSL_PINNEDPUBKEYNOTMATCH &&
        rc != CURLE_SSL_CACERT_BADFILE)
        return {};
    if (rc == CURLE_SSL_CACERT_BADFILE)
        return strf("FTP error %ld: CA file unreadable, nothing sent - %s", rc, s.CaFile.c_str());
    // What the certificate is, from a handshake of our own that sends no login.
    const ServerIdentity id = probe_server(s, DocPath + kKnownHostsFile, timing.connect_timeout);
    const std::string pin = id.pin.empty() ? std::string("unknown") : id.pin;
    if (rc == CURLE_SSL_PINNEDPUBKEYNOTMATCH)
        return strf("FTP error %ld: Server certificate does not match PinnedKey, nothing sent - "
                    "pin seen %s; %s",
                    rc, pin.c_str(), kCheck);
    if (id.reached && id.verified && !id.name_matches)
        return strf("FTP error %ld: Server certificate is for another host name, nothing sent - "
                    "pin seen %s; %s",
                    rc, pin.c_str(), kCheck);
    return strf("FTP error %ld: Server certificate not trusted, nothing sent - pin seen %s; %s", rc,
                pin.c_str(), kCheck);
}

}  // namespace

void UploadCut::request()
{
    {
        // Under the lock, so a waiter between its check and its sleep cannot miss it.
        std::lock_guard lock(mutex_);
        requested_.store(true);
    }
    woken_.notify_all();
}

bool UploadCut::wait(std::chrono::milliseconds time)
{
    std::unique_lock lock(mutex_);
    return woken_.wait_for(lock, time, [this] { return requested_.load(); });
}

FtpTrace ftp_trace()
{
    std::lock_guard lock(trace_mutex);
    return trace_now;
}

void set_ftp_trace(FtpTrace trace)
{
    std::lock_guard lock(trace_mutex);
    trace_now = std::move(trace);
}

FtpTiming ftp_timing()
{
    std::lock_guard lock(timing_mutex);
    return timing_now;
}

void set_ftp_timing(const FtpTiming& timing)
{
    std::lock_guard lock(timing_mutex);
    timing_now = timing;
}

FtpFailure classify(long curl_code)
{
    switch (curl_code) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return FtpFailure::host_not_found;
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
    case CURLE_BAD_FUNCTION_ARGUMENT:
    case CURLE_READ_ERROR:
    case CURLE_FILE_COULDNT_READ_FILE:
        return FtpFailure::invalid_parameter;
    case CURLE_OPERATION_TIMEDOUT:
    case CURLE_FTP_ACCEPT_TIMEOUT:
        return FtpFailure::timeout;
    case CURLE_LOGIN_DENIED:
        return FtpFailure::login_incorrect;
    default:
        return FtpFailure::other;
    }
}

const char* failure_text(FtpFailure failure)
{
    switch (failure) {
    case FtpFailure::invalid_parameter:
        return "Invalid parameter";
    case FtpFailure::host_not_found:
        return "Hostname not found";
    case FtpFailure::timeout:
        return "Timeout";
    case FtpFailure::login_incorrect:
        return "Username/Password incorrect";
    case FtpFailure::other:
        break;
    }
    return "Connection error";
}

int passive_for_attempt(const ReportJob& job, int attempt)
{
    if (attempt <= 1) return job.settings.Passive;
    Settings stored = job.settings;
    if (read_conf(nullptr, kConfEntries, job.DocPath, stored) != 0) return job.settings.Passive;
    return stored.Passive;
}

UploadResult ftp_upload(ReportJob& job, const PassiveSource& passive, UploadCut* cut)
{
    UploadResult out;
    const Settings& s = job.settings;
    const FtpTiming timing = ftp_timing();
    FtpLog log(job.hOwner, job.DocPath);
    if (!log.is_open()) return out;
    const auto finish = [&](int result) {
        out.result = result;
        out.lines = log.lines();
        out.logged = log.close();
        return out;
    };
    const auto cut_now = [cut] { return cut && cut->requested(); };
    // A request the cut aborted: its code is not the server's doing, so it is not logged.
    const auto aborted = [&](long rc) { return rc == CURLE_ABORTED_BY_CALLBACK && cut_now(); };
    const auto cut_short = [&] {
        log.linef("%s", kUploadCutLine);
        return finish(1);
    };

    const LocalTime lt = local_now();
    if (s.ReportUpload > 0) regenerate_report(job, lt, log, cut);
    if (s.WebUpload != 0 && !cut_now()) regenerate_site(job, log, cut);

    const CurlHandle curl(curl_easy_init());
    if (!curl) {
        log.linef("FTP error %ld: Invalid parameter", static_cast<long>(CURLE_FAILED_INIT));
        return finish(1);
    }
    if (s.Protocol == kProtocolSftp && !s.KeyFile.empty()) {
        // A key that cannot be read would make every attempt fail the same way.
        const FilePtr key(std::fopen(s.KeyFile.c_str(), "rb"));
        std::error_code ec;
        if (!key || !fs::is_regular_file(s.KeyFile, ec)) {
            log.linef("FTP error %ld: Key file unreadable - %s",
                      static_cast<long>(CURLE_FILE_COULDNT_READ_FILE), s.KeyFile.c_str());
            return finish(1);
        }
    }
    FtpSession session(curl.get(), s, job.DocPath, timing, cut);
    for (int attempt = 1;; ++attempt) {
        if (cut_now()) return cut_short();
        const long rc = session.connect(passive ? passive() : passive_for_attempt(job, attempt));
        if (rc == CURLE_OK) break;
        if (aborted(rc)) return cut_short();
        if (const std::string line = untrusted_line(session, s, job.DocPath, rc, timing);
            !line.empty()) {
            log.linef("%s", line.c_str());
            return finish(1);
        }
        if (session.sftp() && rc == CURLE_LOGIN_DENIED)
            log.linef("FTP error %ld: SSH authentication refused (user name, key or passphrase)",
                      rc);
        else
            log.linef("FTP error %ld: %s", rc, failure_text(classify(rc)));
        if (attempt >= kFtpAttempts) return finish(1);
        if (cut) {
            if (cut->wait(timing.retry_wait)) return cut_short();
        } else {
            std::this_thread::sleep_for(timing.retry_wait);
        }
    }
    log.linef("FTP: Connection opened");

    if (const long rc = session.enter_folder(); rc != CURLE_OK) {
        if (aborted(rc)) return cut_short();
        log.linef("FTP error %ld: Change remote directory failed", rc);
        log.linef("FTP: Connection closed");
        return finish(1);
    }
    out.connected = true;
    bool atomic = atomic_now(job);

    if (s.ReportUpload > 0) {
        const std::string report = s.InitPathRep + mesi[static_cast<std::size_t>(lt.month - 1)] +
                                   "_" + strf("%d", lt.year) + ".txt";
        if (cut_now() ||
            !send_logged(session, log, report, {out.attempted, out.sent}, cut, atomic, job.DocPath))
            return cut_short();
    }
    for (const std::string& file : s.FileList) {
        if (file.empty()) break;
        if (cut_now() ||
            !send_logged(session, log, file, {out.attempted, out.sent}, cut, atomic, job.DocPath))
            return cut_short();
    }
    if (s.WebUpload != 0 && (cut_now() || !send_site(session, log, out, cut, atomic, job)))
        return cut_short();
    log.linef("FTP: %2d/%d file(s) uploaded", out.sent, out.attempted);
    if (s.WebUpload != 0)
        log.linef("FTP: %2d/%d web file(s) uploaded", out.web_sent, out.web_attempted);
    log.linef("FTP: Connection closed");
    return finish(0);
}

int FTPConnection(ReportJob& job)
{
    return ftp_upload(job).result;
}

bool start_upload(ReportJob job)
{
    BusyClaim claim = BusyClaim::try_claim(FTPActive);
    if (!claim) return false;
    Owner* const owner = job.hOwner;
    {
        std::lock_guard lock(thread_mutex);
        // The previous upload released FTPActive as its last step: it has ended or is ending.
        if (upload_thread.joinable()) upload_thread.join();
        try {
            auto cut = std::make_shared<UploadCut>();
            upload_thread =
                std::thread([claim = std::move(claim), job = std::move(job), cut]() mutable {
                    try {
                        ftp_upload(job, {}, cut.get());
                    } catch (...) {
                        // Nothing may escape a thread; the log holds what was done.
                    }
                    claim.release();
                });
            upload_cut = std::move(cut);
            return true;
        } catch (const std::exception&) {
            // No thread: the claim went with the work it was handed to, so FTPActive is free
            // again. The callers are timer and watch handlers, which must not throw.
        }
    }
    // Told without the lock: a message box runs the event loop, and with it the next start.
    tell(owner, "Error", "Could not load function", Icon::error);
    return false;
}

void wait_for_uploads()
{
    std::thread running;
    {
        std::lock_guard lock(thread_mutex);
        running = std::move(upload_thread);
    }
    if (running.joinable()) running.join();
}

void cut_uploads()
{
    std::lock_guard lock(thread_mutex);
    if (upload_cut) upload_cut->request();
}

}  // namespace nimbora
