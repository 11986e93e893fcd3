// SPDX-License-Identifier: GPL-3.0-or-later
// Uploads by FTPS (pure-ftpd) and SFTP (sshd) to real servers on 127.0.0.1, the trust of their
// identities, and the replace by rename (also over plain FTP, pyftpdlib).
#include "upload/FTPConnection.h"

#include "config/function.h"
#include "config/install.h"
#include "config/read_conf.h"
#include "import/synthetic.h"
#include "support/RecordingOwner.h"
#include "support/files.h"
#include "support/ftp_server.h"
#include "support/secure_servers.h"
#include "upload/server_identity.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <regex>
#include <thread>

namespace fs = std::filesystem;

namespace nimbora {
namespace {

using namespace std::literals;
using test::read_file;
using test::TempDir;
using test::write_file;

FtpTiming test_timing()
{
    FtpTiming t;
    t.retry_wait = 20ms;
    t.connect_timeout = 20000ms;
    t.response_timeout = 20000ms;
    t.low_speed_time = 20s;
    return t;
}

// Bytes that a text-mode transfer would change.
std::string awkward_bytes(std::size_t size)
{
    std::string s = "T\xB0\n\r\n\0\x1A"s;
    for (std::size_t i = s.size(); i < size; ++i) s += static_cast<char>((i * 7919u) % 256u);
    return s;
}

bool any_starts(const std::vector<std::string>& lines, const std::string& prefix)
{
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
}

// A station folder whose settings files exist (a refused rename is remembered in them) and an
// upload job of two awkward files; every command the client sends is traced.
class SecureUpload : public testing::Test {
protected:
    void SetUp() override
    {
        set_ftp_timing(test_timing());
        set_ftp_trace([this](const std::string& sent) {
            std::lock_guard lock(trace_mutex_);
            trace_.push_back(sent);
        });
        FTPActive = 0;
        ThActive = 0;
        fs::create_directories(station.path() / "local");
        Settings& s = job.settings;
        s.InitPathRep = s.InitPathDB = s.InitPathWLK = station.folder();
        s.FtpHost = "127.0.0.1";
        s.RemotePath = "incoming";
        s.Passive = 1;
        small = awkward_bytes(64);
        big = awkward_bytes(300000);
        s.FileList[0] = add_file("a.txt", small);
        s.FileList[1] = add_file("sky.jpg", big);
        job.DocPath = station.folder();
        job.hOwner = &owner;
    }
    void TearDown() override
    {
        set_ftp_trace({});
        set_ftp_timing(FtpTiming{});
    }

    std::string add_file(const std::string& name, const std::string& bytes)
    {
        const fs::path p = station.path() / "local" / name;
        write_file(p, bytes);
        return p.string();
    }
    // Makes the station regenerate and send the current month's report first (from a
    // synthetic WLK file of this month); returns the report's file name.
    std::string with_report()
    {
        EXPECT_TRUE(install_product(nullptr, station.folder()).ok);
        const LocalTime now = local_now();
        char wlk[16];
        std::snprintf(wlk, sizeof wlk, "%04d-%02d.wlk", now.year % 10000, now.month % 100);
        EXPECT_TRUE(write_synthetic_month(station.folder() + wlk, now.year, now.month, 30, 17));
        job.settings.ReportChk[kTemperature] = job.settings.ReportChk[kRain] = 1;
        job.settings.ReportUpload = 1;
        return std::string(mesi[static_cast<std::size_t>(now.month - 1)]) + "_" +
               std::to_string(now.year) + ".txt";
    }
    void save_settings() { ASSERT_EQ(write_conf(nullptr, station.folder(), job.settings), 0); }

    std::vector<std::string> trace()
    {
        std::lock_guard lock(trace_mutex_);
        return trace_;
    }
    // Whether the client sent a user name or a password.
    bool logged_in()
    {
        const auto t = trace();
        return any_starts(t, "USER") || any_starts(t, "PASS");
    }

    std::vector<std::string> log_texts() const
    {
        static const std::regex stamp(R"(\d\d/\d\d/\d{4} \d\d:\d\d (.*))");
        std::vector<std::string> out;
        const std::string text = read_file(station.path() / "Ftp.log");
        std::size_t begin = 0;
        for (std::size_t end; (end = text.find("\r\n", begin)) != std::string::npos;
             begin = end + 2) {
            std::smatch m;
            const std::string line = text.substr(begin, end - begin);
            if (std::regex_match(line, m, stamp))
                out.push_back(m[1]);
            else
                ADD_FAILURE() << "not a log line: " << line;
        }
        return out;
    }

    const std::vector<std::string> kSent = {"FTP: Connection opened", "FTP:  2/2 file(s) uploaded",
                                            "FTP: Connection closed"};

    TempDir station;
    ReportJob job;
    test::RecordingOwner owner;
    std::string small, big;

private:
    std::mutex trace_mutex_;
    std::vector<std::string> trace_;
};

// --- SFTP -----------------------------------------------------------------------------------

class SftpUpload : public SecureUpload {
protected:
    void SetUp() override
    {
        SecureUpload::SetUp();
        if (const std::string why = sshd.start(); !why.empty()) GTEST_SKIP() << why;
        fs::create_directories(sshd.home() / "incoming");
        Settings& s = job.settings;
        s.Protocol = kProtocolSftp;
        s.FtpPort = std::to_string(sshd.port());
        s.User = sshd.user();
        s.KeyFile = sshd.client_key().string();
        s.Pwd = test::Sshd::passphrase();
    }
    void trust_server()
    {
        write_file(station.path() / kKnownHostsFile, sshd.known_hosts_line() + "\n");
    }
    fs::path remote(const std::string& name) const { return sshd.home() / "incoming" / name; }
    bool authenticated() const
    {
        const std::string log = sshd.log();
        return log.find("publickey") != std::string::npos ||
               log.find("Accepted") != std::string::npos;
    }

    test::Sshd sshd;
};

TEST_F(SftpUpload, KnownHostAndKeyWithPassphraseSendEveryFileWhole)
{
    trust_server();
    const std::string report = with_report();
    write_file(remote("a.txt"), "the old report");
    const UploadResult r = ftp_upload(job);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(log_texts(),
              (std::vector<std::string>{"FTP: Connection opened", "FTP:  3/3 file(s) uploaded",
                                        "FTP: Connection closed"}));
    const std::string made = read_file(station.path() / report);
    ASSERT_FALSE(made.empty());
    EXPECT_TRUE(read_file(remote(report)) == made);
    EXPECT_TRUE(read_file(remote("a.txt")) == small);
    EXPECT_TRUE(read_file(remote("sky.jpg")) == big);
    EXPECT_FALSE(fs::exists(remote("a.txt.part")));
}

TEST_F(SftpUpload, AReaderNeverSeesAPartialFileUnderItsName)
{
    trust_server();
    const std::string old = "yesterday's picture";
    const std::string large = awkward_bytes(24u << 20);
    job.settings.FileList[0] = add_file("sky.jpg", large);
    job.settings.FileList[1].clear();
    write_file(remote("sky.jpg"), old);
    // A visitor looking at the folder while the file goes up, as often as it can.
    std::atomic<bool> done{false};
    std::atomic<int> partial{0}, looks{0};
    std::atomic<bool> saw_part{false};
    std::thread visitor([&] {
        while (!done) {
            std::error_code ec;
            const auto size = fs::file_size(remote("sky.jpg"), ec);
            // Present: the old file or the whole new one; absent only between remove and rename.
            if (!ec && size != old.size() && size != large.size()) ++partial;
            if (fs::exists(remote("sky.jpg.part"), ec)) saw_part = true;
            ++looks;
        }
    });
    const UploadResult r = ftp_upload(job);
    done = true;
    visitor.join();
    EXPECT_EQ(r.sent, 1);
    EXPECT_EQ(partial, 0) << "of " << looks << " looks";
    EXPECT_TRUE(saw_part) << "the file never went up under its temporary name";
    EXPECT_TRUE(read_file(remote("sky.jpg")) == large);
    EXPECT_FALSE(fs::exists(remote("sky.jpg.part")));
}

TEST_F(SecureUpload, SftpRenameRefusedUploadsDirectlyAndIsRemembered)
{
    test::Sshd sshd;
    if (const std::string why = sshd.start("rename"); !why.empty()) GTEST_SKIP() << why;
    fs::create_directories(sshd.home() / "incoming");
    write_file(sshd.home() / "incoming" / "a.txt", "the old report");
    Settings& s = job.settings;
    s.Protocol = kProtocolSftp;
    s.FtpPort = std::to_string(sshd.port());
    s.User = sshd.user();
    s.KeyFile = sshd.client_key().string();
    s.Pwd = test::Sshd::passphrase();
    save_settings();
    write_file(station.path() / kKnownHostsFile, sshd.known_hosts_line() + "\n");
    const UploadResult r = ftp_upload(job);
    EXPECT_EQ(r.sent, 2);
    EXPECT_EQ(log_texts(),
              (std::vector<std::string>{
                  "FTP: Connection opened",
                  "FTP error 21: Rename refused, uploading directly from now on - " + s.FileList[0],
                  "FTP:  2/2 file(s) uploaded", "FTP: Connection closed"}));
    EXPECT_TRUE(read_file(sshd.home() / "incoming" / "a.txt") == small);
    EXPECT_TRUE(read_file(sshd.home() / "incoming" / "sky.jpg") == big);
    EXPECT_FALSE(fs::exists(sshd.home() / "incoming" / "a.txt.part"));
    Settings stored;
    ASSERT_EQ(read_conf(nullptr, kConfEntries, station.folder(), stored), 0);
    EXPECT_EQ(stored.AtomicUpload, 0);
}

TEST_F(SftpUpload, RemoteFolderHomeRelativeOrAbsolute)
{
    trust_server();
    fs::create_directories(sshd.home() / "web site");
    for (const std::string& folder : {std::string("web site"), (sshd.home() / "web site").string(),
                                      std::string("/"), std::string("")}) {
        job.settings.RemotePath = folder;
        const UploadResult r = ftp_upload(job);
        EXPECT_EQ(r.sent, 2) << folder;
        const fs::path where =
            folder == "/" || folder.empty() ? sshd.home() : sshd.home() / "web site";
        EXPECT_TRUE(read_file(where / "a.txt") == small) << folder;
        fs::remove(where / "a.txt");
    }
    job.settings.RemotePath = "missing";
    const UploadResult r = ftp_upload(job);
    EXPECT_EQ(r.result, 1);
    EXPECT_FALSE(r.connected);
}

TEST_F(SftpUpload, UnknownHostSendsNothing)
{
    const UploadResult r = ftp_upload(job);
    EXPECT_EQ(r.result, 1);
    EXPECT_EQ(log_texts(), std::vector<std::string>{
                               "FTP error 60: Unknown SSH host key ED25519 " + sshd.fingerprint() +
                               ", nothing sent - check the server with \"nimbora-cli "
                               "trust\""});
    EXPECT_FALSE(authenticated()) << sshd.log();
    EXPECT_FALSE(fs::exists(remote("a.txt")));
    EXPECT_FALSE(fs::exists(remote("a.txt.part")));
}

TEST_F(SftpUpload, ChangedHostKeyIsAWarningAndSendsNothing)
{
    write_file(station.path() / kKnownHostsFile, sshd.other_known_hosts_line() + "\n");
    const UploadResult r = ftp_upload(job);
    EXPECT_EQ(r.result, 1);
    const auto lines = log_texts();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("FTP error 60: WARNING: SSH host key CHANGED, now ED25519 " +
                                 sshd.fingerprint() + ", nothing sent",
                             0),
              0u)
        << lines[0];
    EXPECT_FALSE(authenticated()) << sshd.log();
    EXPECT_FALSE(fs::exists(remote("a.txt")));
}

TEST_F(SftpUpload, WrongPassphraseWrongKeyOrUnreadableKeyAreRefused)
{
    trust_server();
    const std::string refused =
        "FTP error 67: SSH authentication refused (user name, key or passphrase)";
    job.settings.Pwd = "not the phrase";
    EXPECT_EQ(ftp_upload(job).result, 1);
    EXPECT_EQ(log_texts(), std::vector<std::string>(kFtpAttempts, refused));

    fs::remove(station.path() / "Ftp.log");
    const fs::path other = station.path() / "other_key";
    ASSERT_TRUE(test::shell("/usr/bin/ssh-keygen -q -t ed25519 -N '' -f '" + other.string() + "'",
                            station.path() / "keygen.log"));
    job.settings.KeyFile = other.string();
    job.settings.Pwd.clear();
    EXPECT_EQ(ftp_upload(job).result, 1);
    EXPECT_EQ(log_texts(), std::vector<std::string>(kFtpAttempts, refused));

    fs::remove(station.path() / "Ftp.log");
    job.settings.KeyFile = (station.path() / "no_such_key").string();
    EXPECT_EQ(ftp_upload(job).result, 1);
    EXPECT_EQ(log_texts(), std::vector<std::string>{"FTP error 37: Key file unreadable - " +
                                                    job.settings.KeyFile});
    EXPECT_FALSE(fs::exists(remote("a.txt")));
}

TEST_F(SftpUpload, TrustRecordsTheHostKeyAndThenUploadsGo)
{
    const std::string known_hosts = station.folder() + kKnownHostsFile;
    ServerIdentity id = probe_server(job.settings, known_hosts, 20s);
    ASSERT_TRUE(id.reached) << id.problem;
    EXPECT_EQ(id.key.fingerprint, sshd.fingerprint());
    EXPECT_EQ(id.key.label, "ED25519");
    EXPECT_EQ(id.key.bits, 256);
    EXPECT_EQ(id.known, KeyKnown::unknown);
    EXPECT_EQ(trust_step(job.settings, id), TrustStep::record);
    EXPECT_FALSE(authenticated()) << sshd.log();
    ASSERT_EQ(record_trust(job.settings, id, known_hosts), "");
    EXPECT_EQ(read_file(known_hosts), sshd.known_hosts_line() + "\n");

    id = probe_server(job.settings, known_hosts, 20s);
    EXPECT_EQ(id.known, KeyKnown::trusted);
    EXPECT_EQ(trust_step(job.settings, id), TrustStep::nothing);
    EXPECT_EQ(ftp_upload(job).sent, 2);

    // A changed key is never recorded over the old one.
    write_file(known_hosts, sshd.other_known_hosts_line());  // no final line end
    id = probe_server(job.settings, known_hosts, 20s);
    EXPECT_EQ(id.known, KeyKnown::changed);
    EXPECT_EQ(trust_step(job.settings, id), TrustStep::refuse);
    EXPECT_NE(record_trust(job.settings, id, known_hosts), "");
    EXPECT_EQ(read_file(known_hosts), sshd.other_known_hosts_line());
}

TEST(UploadPort, SftpTakes22WhileFtpPortIsTheUntouched21)
{
    Settings s;
    s.Protocol = kProtocolSftp;
    const std::pair<const char*, long> cases[] = {{"21", 22}, {"2222", 2222}, {"22", 22},
                                                  {"0", 0},   {"x", 0},       {"", 0}};
    for (const auto& [port, expected] : cases) {
        s.FtpPort = port;
        EXPECT_EQ(upload_port(s), expected) << port;
    }
    s.Protocol = kProtocolFtps;
    s.FtpPort = "21";
    EXPECT_EQ(upload_port(s), 21);
    s.Protocol = kProtocolFtp;
    s.FtpPort = "990";
    EXPECT_EQ(upload_port(s), 990);
}

// --- FTPS -----------------------------------------------------------------------------------

class FtpsUpload : public SecureUpload {
protected:
    void SetUp() override
    {
        SecureUpload::SetUp();
        if (geteuid() != 0) GTEST_SKIP() << "needs root (as CI runs): pure-ftpd";
        if (const std::string why = certs.make(); !why.empty()) GTEST_SKIP() << why;
        Settings& s = job.settings;
        s.Protocol = kProtocolFtps;
        s.User = test::PureFtpd::user();
        s.Pwd = test::PureFtpd::password();
    }
    // Starts pure-ftpd with `pem` and points the job at it.
    void serve(const fs::path& pem)
    {
        if (const std::string why = ftpd.start(pem); !why.empty()) GTEST_SKIP() << why;
        fs::create_directories(ftpd.home() / "incoming");
        chown((ftpd.home() / "incoming").c_str(), 65534, 65534);
        job.settings.FtpPort = std::to_string(ftpd.port());
    }
    fs::path remote(const std::string& name) const { return ftpd.home() / "incoming" / name; }
    // The upload was refused with one log line beginning `line`, before any login.
    void expect_refused(const std::string& line)
    {
        const UploadResult r = ftp_upload(job);
        EXPECT_EQ(r.result, 1);
        const auto lines = log_texts();
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0].rfind(line, 0), 0u) << lines[0];
        EXPECT_FALSE(logged_in()) << testing::PrintToString(trace());
        EXPECT_FALSE(fs::exists(remote("a.txt")));
    }

    test::TestCertificates certs;
    test::PureFtpd ftpd;
};

TEST_F(FtpsUpload, CertificateOfTheCaFileSendsEveryFileWholeOverTls)
{
    serve(certs.for_localhost());
    if (IsSkipped()) return;
    job.settings.CaFile = certs.ca().string();
    const std::string report = with_report();
    write_file(remote("a.txt"), "the old report");
    const UploadResult r = ftp_upload(job);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(log_texts(),
              (std::vector<std::string>{"FTP: Connection opened", "FTP:  3/3 file(s) uploaded",
                                        "FTP: Connection closed"}));
    const std::string made = read_file(station.path() / report);
    ASSERT_FALSE(made.empty());
    EXPECT_TRUE(read_file(remote(report)) == made);
    EXPECT_TRUE(read_file(remote("a.txt")) == small);
    EXPECT_TRUE(read_file(remote("sky.jpg")) == big);
    EXPECT_FALSE(fs::exists(remote("a.txt.part")));
    const auto t = trace();
    ASSERT_FALSE(t.empty());
    EXPECT_EQ(t.front(), "AUTH TLS");
    EXPECT_TRUE(any_starts(t, "PROT P"));
    EXPECT_TRUE(any_starts(t, "STOR a.txt.part"));
    EXPECT_TRUE(any_starts(t, "RNFR a.txt.part"));
    EXPECT_TRUE(any_starts(t, "RNTO a.txt"));
    // The password never reaches a trace.
    EXPECT_TRUE(any_starts(t, "PASS ****"));
    for (const std::string& l : t) EXPECT_EQ(l.find(test::PureFtpd::password()), std::string::npos);
}

TEST_F(FtpsUpload, UnverifiedCertificateSendsNothing)
{
    serve(certs.for_localhost());  // the system's store does not know the test CA
    if (IsSkipped()) return;
    expect_refused("FTP error 60: Server certificate not trusted, nothing sent - pin seen " +
                   certs.pin(certs.for_localhost()) + "; check the server with");
}

TEST_F(FtpsUpload, CertificateOfAnotherNameSendsNothing)
{
    serve(certs.for_other_name());
    if (IsSkipped()) return;
    job.settings.CaFile = certs.ca().string();
    expect_refused("FTP error 60: Server certificate is for another host name, nothing sent - "
                   "pin seen " +
                   certs.pin(certs.for_other_name()));
}

TEST_F(FtpsUpload, SelfSignedWithItsPinGoesAndAWrongPinSendsNothing)
{
    serve(certs.self_signed());
    if (IsSkipped()) return;
    job.settings.PinnedKey = certs.pin(certs.for_localhost());
    expect_refused("FTP error 90: Server certificate does not match PinnedKey, nothing sent - "
                   "pin seen " +
                   certs.pin(certs.self_signed()));

    fs::remove(station.path() / "Ftp.log");
    job.settings.PinnedKey = certs.pin(certs.self_signed());
    EXPECT_EQ(ftp_upload(job).sent, 2);
    EXPECT_EQ(log_texts(), kSent);
    EXPECT_TRUE(read_file(remote("sky.jpg")) == big);
}

TEST_F(FtpsUpload, TrustPinsASelfSignedCertificateWithoutLoggingIn)
{
    serve(certs.self_signed());
    if (IsSkipped()) return;
    ServerIdentity id = probe_server(job.settings, "", 20s);
    ASSERT_TRUE(id.reached) << id.problem;
    EXPECT_TRUE(id.self_signed);
    EXPECT_FALSE(id.verified);
    EXPECT_TRUE(id.name_matches);
    EXPECT_EQ(id.subject, "CN=127.0.0.1");
    EXPECT_EQ(id.pin, certs.pin(certs.self_signed()));
    EXPECT_EQ(trust_step(job.settings, id), TrustStep::record);
    ASSERT_EQ(record_trust(job.settings, id, ""), "");
    EXPECT_EQ(job.settings.PinnedKey, id.pin);
    EXPECT_EQ(ftp_upload(job).sent, 2);

    // A certificate a CA vouches for, for another name, is never pinned.
    ftpd.stop();
    serve(certs.for_other_name());
    if (IsSkipped()) return;
    job.settings.PinnedKey.clear();
    job.settings.CaFile = certs.ca().string();
    id = probe_server(job.settings, "", 20s);
    ASSERT_TRUE(id.reached) << id.problem;
    EXPECT_TRUE(id.verified);
    EXPECT_FALSE(id.name_matches);
    EXPECT_EQ(trust_step(job.settings, id), TrustStep::refuse);
}

TEST_F(SecureUpload, FtpsToAPlainFtpServerSendsNothing)
{
    test::FtpServer plain;
    ASSERT_TRUE(plain.start()) << "the FTP test server (pyftpdlib) did not start";
    fs::create_directories(plain.home() / "incoming");
    job.settings.Protocol = kProtocolFtps;
    job.settings.FtpPort = plain.port_text();
    job.settings.User = test::FtpServer::user();
    job.settings.Pwd = test::FtpServer::password();
    const UploadResult r = ftp_upload(job);
    EXPECT_EQ(r.result, 1);
    EXPECT_EQ(log_texts(),
              std::vector<std::string>{"FTP error 64: Server does not offer TLS, nothing sent"});
    EXPECT_FALSE(plain.received("USER"));
    EXPECT_FALSE(plain.received("PASS"));
    EXPECT_FALSE(fs::exists(plain.home() / "incoming" / "a.txt"));

    // Trust, too, sees the missing TLS and sends no login.
    const ServerIdentity id = probe_server(job.settings, "", 20s);
    EXPECT_FALSE(id.reached);
    EXPECT_EQ(id.problem.rfind("Server does not offer TLS", 0), 0u) << id.problem;
    EXPECT_FALSE(plain.received("USER"));
}

TEST_F(SecureUpload, UnknownProtocolNeverFallsBackToClearText)
{
    test::FtpServer plain;
    ASSERT_TRUE(plain.start());
    job.settings.Protocol = "ftpes";
    job.settings.FtpPort = plain.port_text();
    EXPECT_EQ(ftp_upload(job).result, 1);
    EXPECT_EQ(log_texts(),
              std::vector<std::string>(kFtpAttempts, "FTP error 1: Invalid parameter"));
    EXPECT_TRUE(plain.commands().empty());
}

// --- Replace by rename, plain FTP -----------------------------------------------------------

class AtomicFtp : public SecureUpload {
protected:
    void serve(const test::FtpServer::Options& options = {})
    {
        ASSERT_TRUE(server.start(options)) << "the FTP test server (pyftpdlib) did not start";
        fs::create_directories(server.home() / "incoming");
        job.settings.FtpPort = server.port_text();
        job.settings.User = test::FtpServer::user();
        job.settings.Pwd = test::FtpServer::password();
    }
    fs::path remote(const std::string& name) const { return server.home() / "incoming" / name; }
    test::FtpServer server;
};

TEST_F(AtomicFtp, TheOldFileStaysWholeUntilTheNewOneIsComplete)
{
    test::FtpServer::Options options;
    options.stall_on_stor = "sky.jpg";
    serve(options);
    write_file(remote("sky.jpg"), "yesterday's picture");
    ASSERT_TRUE(start_upload(std::move(job)));
    // The store of the temporary file is held; a visitor still gets yesterday's file whole.
    for (int i = 0; i < 20000 && !server.received("STOR sky.jpg.part"); ++i)
        std::this_thread::sleep_for(1ms);
    ASSERT_TRUE(server.received("STOR sky.jpg.part"));
    EXPECT_EQ(read_file(remote("sky.jpg")), "yesterday's picture");
    server.release_stall();
    wait_for_uploads();
    EXPECT_TRUE(read_file(remote("sky.jpg")) == big);
    EXPECT_FALSE(fs::exists(remote("sky.jpg.part")));
    const auto commands = server.commands();
    EXPECT_NE(std::find(commands.begin(), commands.end(), "RNTO sky.jpg"), commands.end());
    EXPECT_EQ(std::find(commands.begin(), commands.end(), "STOR sky.jpg"), commands.end());
    EXPECT_EQ(log_texts(), kSent);
}

TEST_F(AtomicFtp, RefusedRenameUploadsDirectlyAndIsRemembered)
{
    test::FtpServer::Options options;
    options.refuse_rename = true;
    serve(options);
    save_settings();
    const UploadResult r = ftp_upload(job);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.sent, 2);
    EXPECT_EQ(log_texts(), (std::vector<std::string>{
                               "FTP: Connection opened",
                               "FTP error 21: Rename refused, uploading directly from now on - " +
                                   job.settings.FileList[0],
                               "FTP:  2/2 file(s) uploaded", "FTP: Connection closed"}));
    EXPECT_TRUE(read_file(remote("a.txt")) == small);
    EXPECT_TRUE(read_file(remote("sky.jpg")) == big);
    EXPECT_FALSE(fs::exists(remote("a.txt.part")));  // the left-over is removed
    Settings stored;
    ASSERT_EQ(read_conf(nullptr, kConfEntries, station.folder(), stored), 0);
    EXPECT_EQ(stored.AtomicUpload, 0);

    // The next upload, even with the job's settings read before, sends each file once.
    const std::size_t before = server.commands().size();
    fs::remove(station.path() / "Ftp.log");
    EXPECT_EQ(ftp_upload(job).sent, 2);
    EXPECT_EQ(log_texts(), kSent);
    const auto commands = server.commands();
    EXPECT_EQ(std::count_if(commands.begin() + static_cast<std::ptrdiff_t>(before), commands.end(),
                            [](const std::string& c) { return c.rfind("STOR", 0) == 0; }),
              2);
}

}  // namespace
}  // namespace nimbora
