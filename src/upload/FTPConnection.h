// SPDX-License-Identifier: GPL-3.0-or-later
// FTPConnection.h: one unattended upload: the current month's report regenerated on request,
// then the report and the upload list sent to the station's FTP server, every step in
// "Ftp.log".
#pragma once

#include "jobs/ReportJob.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace nimbora {

// The waits of an upload. Tests shorten them; set_ftp_timing before an upload starts.
struct FtpTiming {
    std::chrono::milliseconds retry_wait{15000};        // between two connection attempts
    std::chrono::milliseconds connect_timeout{10000};   // connect, greeting and login
    std::chrono::milliseconds response_timeout{60000};  // any later answer of the server
    long low_speed_limit = 1;                           // bytes per second, below which ...
    std::chrono::seconds low_speed_time{60};            // ... for this long a transfer fails
    std::chrono::milliseconds report_wait{180000};      // for another job to end before the
                                                        // report is regenerated
};

FtpTiming ftp_timing();
void set_ftp_timing(const FtpTiming& timing);

// Receives each command line an upload sends (FTP and FTPS: "USER station", "STOR a.txt", ...;
// the password as "PASS ****"), for tests that check what went out. Empty: no trace.
using FtpTrace = std::function<void(const std::string& sent)>;
FtpTrace ftp_trace();
void set_ftp_trace(FtpTrace trace);

inline constexpr int kFtpAttempts = 3;

// The log's five kinds of failed connection.
enum class FtpFailure { invalid_parameter, host_not_found, timeout, login_incorrect, other };

// The kind of failure a libcurl result code stands for.
FtpFailure classify(long curl_code);
// The text the log gives that kind: "Hostname not found", "Timeout", ...
const char* failure_text(FtpFailure failure);

// What one upload did.
struct UploadResult {
    int result = 1;                  // FTPConnection's value: 0 after a completed session, else 1
    bool connected = false;          // logged in and entered the remote folder
    int sent = 0;                    // files that arrived
    int attempted = 0;               // files tried: the report and the listed ones
    int web_sent = 0;                // files of the web site that arrived (WebUpload 1)
    int web_attempted = 0;           // files of the web site tried: those that changed
    std::vector<std::string> lines;  // the lines appended to "Ftp.log", without CR LF
    bool logged = false;             // every line reached "Ftp.log" (a full disk: the owner heard)
};

// The log line of an upload cut short.
inline constexpr const char* kUploadCutLine = "FTP: Upload cut";

// A request to cut one upload short, made from any thread. The upload then aborts its
// connection attempt or transfer at libcurl's next progress call (about once a second while
// nothing moves), ends a wait between attempts at once, logs kUploadCutLine as its last line
// and ends with result 1. A file being sent stays as far as the server has it.
class UploadCut {
public:
    void request();
    bool requested() const { return requested_.load(); }
    // Waits `time`, or less when a cut is requested; true when one was.
    bool wait(std::chrono::milliseconds time);

private:
    std::atomic<bool> requested_{false};
    std::mutex mutex_;
    std::condition_variable woken_;
};

// Reads whether to use passive mode; asked again before every connection attempt.
using PassiveSource = std::function<int()>;

// Passive mode for connection attempt `attempt` (from 1): the job's own setting first, then
// the one stored in the station's settings files as they are now (the keeper may have
// switched it while the attempts failed); the job's setting when they cannot be read.
int passive_for_attempt(const ReportJob& job, int attempt);

// One upload with job.settings, into job.DocPath + "Ftp.log". The caller holds FTPActive
// (start_upload claims it). With ReportUpload 1 or 2 the current month's report is first
// regenerated through LoadTempTable (decades for 2), claiming ThActive as soon as no other
// job holds it. When another job keeps it longer than FtpTiming::report_wait, the log gets
// "FTP: Report not regenerated, another job is running" and the files go as they are. Then up to
// kFtpAttempts connection attempts, the remote folder (as typed: relative to the login folder
// unless it begins with '/'; empty is '/'; SFTP: empty or "/" is the home folder), the report
// and each listed file, in binary, each sent as NAME.part and renamed over NAME (directly once
// the server refused a rename: the station's AtomicUpload becomes 0). By Protocol: FTP, FTPS
// (TLS required, the certificate verified or pinned) or SFTP (the host key in the station's
// known_hosts); an untrusted server or one without TLS ends the upload at once with one log
// line and nothing sent, and an unknown protocol is never taken for FTP. The report and each file
// count as attempted; a missing local file or a folder is logged "File not found" (code 2) and the
// next one is tried. With WebUpload 1 the web pages the latest data can change are regenerated
// first (claiming ThActive as the report does; "FTP: Web pages not regenerated, another job is
// running" after the same wait), and after the listed files every file of the station's site
// whose bytes differ from what the manifest says arrived at this server and folder goes into
// the site's remote folder (site_upload.h), folders made when missing; the log then gains
// "FTP: %2d/%d web file(s) uploaded" after the files' line. With WebUpload 0 nothing of this
// happens and the log is as before. `passive` (empty: passive_for_attempt) is read before each
// attempt. Blocks
// until done, or until `cut` (null: never) is requested. When the log cannot be opened, job.hOwner
// hears of it and nothing is uploaded.
UploadResult ftp_upload(ReportJob& job, const PassiveSource& passive = {},
                        UploadCut* cut = nullptr);

// ftp_upload's result: 0 after a completed session, 1 after a failure.
int FTPConnection(ReportJob& job);

// Claims FTPActive and runs ftp_upload(job) on a thread of its own, with a cut that
// cut_uploads requests; the thread releases FTPActive on every exit. False, with nothing started,
// while an upload runs, or when no thread can be made (job.hOwner hears "Could not load function",
// caption "Error").
bool start_upload(ReportJob job);

// Waits for the upload thread started last, if any (shutdown, tests).
void wait_for_uploads();

// Cuts the upload that start_upload started last, if it still runs (see UploadCut); returns
// at once. An upload started after this call runs normally.
void cut_uploads();

}  // namespace nimbora
