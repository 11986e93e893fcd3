// SPDX-License-Identifier: GPL-3.0-or-later
// Publishing the station's web site with its uploads: to real FTP (pyftpdlib) and SFTP (sshd)
// servers on 127.0.0.1, only what changed since the last upload that arrived; and the pieces
// that decide it (remote folders, the manifest, the content hash).
#include "upload/site_upload.h"

#include "config/read_conf.h"
#include "jobs/busy.h"
#include "support/ftp_server.h"
#include "support/report_station.h"
#include "support/secure_servers.h"
#include "upload/FTPConnection.h"
#include "web/site.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <string>

namespace fs = std::filesystem;

namespace nimbora {
namespace {

using namespace std::literals;
using test::read_file;
using test::Rec;

// --- the pieces -----------------------------------------------------------------------------

TEST(SiteUpload, RemoteFoldersAsTheRemotePathIsWritten)
{
    struct Case {
        const char* remote_path;
        const char* web_folder;
        const char* protocol;
        const char* expected;
    };
    const Case cases[] = {
        {"wx", "", "ftp", "wx"},
        {"wx", "web", "ftp", "wx/web"},
        {"wx/", "web/site", "ftp", "wx/web/site"},
        {"/pub/wx", "web", "ftp", "/pub/wx/web"},
        {"wx", "/srv/www", "ftp", "/srv/www"},
        // The root of an FTP server, the home folder of an SFTP login.
        {"/", "web", "ftp", "/web"},
        {"", "web", "ftp", "/web"},
        {"/", "web", "sftp", "web"},
        {"", "", "sftp", "/"},
        {"/", "/abs", "sftp", "/abs"},
    };
    for (const Case& c : cases) {
        Settings s;
        s.RemotePath = c.remote_path;
        s.WebFolder = c.web_folder;
        s.Protocol = c.protocol;
        EXPECT_EQ(site_remote_folder(s), c.expected)
            << c.remote_path << " + " << c.web_folder << " (" << c.protocol << ")";
    }
    EXPECT_EQ(remote_subfolder("wx/web", "charts", false), "wx/web/charts");
    EXPECT_EQ(remote_subfolder("/", "charts", false), "/charts");
    EXPECT_EQ(remote_subfolder("/", "charts", true), "charts");
    EXPECT_EQ(remote_subfolder("wx", "", true), "wx");
}

TEST(SiteUpload, ManifestKeyNamesServerLoginAndFolder)
{
    Settings s;
    s.Protocol = "sftp";
    s.User = "station";
    s.FtpHost = "example.org";
    s.FtpPort = "21";  // SFTP then goes to 22
    s.RemotePath = "/";
    s.WebFolder = "web";
    EXPECT_EQ(manifest_key(s), "sftp://station@example.org:22/web");
    s.Protocol = "ftp";
    EXPECT_EQ(manifest_key(s), "ftp://station@example.org:21//web");
}

TEST(SiteUpload, ManifestReadsBackAndSkipsDamagedLines)
{
    const std::string h1(64, 'a'), h2 = sha256_hex("abc");
    // The standard's own test vector.
    EXPECT_EQ(h2, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    Manifest m;
    m["ftp://u@h:21/wx"] = {{"index.html", h1}, {"reports/Range 2024 %.txt", h2}};
    m["sftp://u@h:22/odd\r\nkey"] = {{"a\nb.html", h1}};
    const std::string text = manifest_text(m);
    EXPECT_EQ(text.substr(0, 19), "@ ftp://u@h:21/wx\r\n");
    EXPECT_NE(text.find(h2 + " reports/Range 2024 %25.txt\r\n"), std::string::npos) << text;
    EXPECT_EQ(read_manifest(text), m);

    const std::string damaged = "garbage\r\n" + h1 + " before any key\r\n@ k\r\n" + h1 +
                                " ok.html\r\nXYZ not-a-hash.html\r\n" + h1.substr(0, 63) +
                                " short.html\r\n" + h2 + " last.html";
    const Manifest back = read_manifest(damaged);
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back.at("k"), (ManifestEntries{{"ok.html", h1}, {"last.html", h2}}));
}

TEST(SiteUpload, SiteFilesInSendingOrderWithoutLeftOvers)
{
    test::TempDir dir;
    fs::create_directories(dir.path() / "charts");
    fs::create_directories(dir.path() / "reports");
    for (const char* name : {"index.html", "2024-05.html", "style.css", "charts/t_2024-05.svg",
                             "reports/May_2024.txt", "2024-05.html.part", "charts/x.svg.part"})
        test::write_file(dir.path() / name, name);
    const std::vector<SiteFile> files = list_site(dir.folder());
    std::vector<std::string> paths;
    for (const SiteFile& f : files) paths.push_back(f.path);
    EXPECT_EQ(paths, (std::vector<std::string>{"charts/t_2024-05.svg", "reports/May_2024.txt",
                                               "style.css", "2024-05.html", "index.html"}));
    EXPECT_EQ(files.back().hash, sha256_hex("index.html"));
    EXPECT_EQ(files.back().local, (dir.path() / "index.html").string());
    EXPECT_TRUE(list_site(dir.folder() + "missing").empty());
}

// --- against real servers -------------------------------------------------------------------

// clang-format off
// Two months of a small station; April is the latest.
const Rec kMarch[] = {
    {"05", "10:00",  9.0,  9.5,  8.0, 70, 3.0, 1012.0, 4.0,  8.0, "NNE", 1.2, 0, 9, 9, 0, 0, 0, 0, 0, 0},
    {"06", "13:40", 15.5, 16.2, 15.0, 60, 5.0, 1010.0, 15.0, 24.1, "  W", 0.0, 0, 15, 15, 0, 0, 0, 0, 0, 0},
};
const Rec kApril[] = {
    {"01", "08:00", 11.0, 11.5, 10.0, 80, 7.0, 1008.0, 2.0,  5.0, "  S", 0.4, 0.8, 11, 11, 0, 0, 0, 0, 0, 0},
    {"01", "12:30", 14.5, 15.0, 14.1, 65, 8.0, 1009.2, 5.0,  9.0, " SW", 0.2, 1.2, 14, 14, 0, 0, 0, 0, 0, 0},
};
const Rec kAprilLater[] = {
    {"02", "09:00", 16.0, 16.4, 15.2, 55, 7.1, 1011.0, 3.0,  6.0, "  N", 0.0, 0.0, 16, 16, 0, 0, 0, 0, 0, 0},
};
// clang-format on

// What identifies a remote file's version: a file sent again is a new file (renamed over the
// old one, or rewritten), so its inode or its time stamp changes.
struct Version {
    ino_t inode;
    long long mtime_ns;
    bool operator==(const Version&) const = default;
};

std::map<std::string, Version> versions(const fs::path& root)
{
    std::map<std::string, Version> out;
    std::error_code ec;
    if (!fs::is_directory(root, ec)) return out;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        if (!e.is_regular_file()) continue;
        struct stat st {};
        if (::stat(e.path().c_str(), &st) != 0) continue;
        out[e.path().lexically_relative(root).generic_string()] = {
            st.st_ino,
            static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec};
    }
    return out;
}

std::map<std::string, std::string> contents(const fs::path& root)
{
    std::map<std::string, std::string> out;
    std::error_code ec;
    if (!fs::is_directory(root, ec)) return out;
    for (const auto& e : fs::recursive_directory_iterator(root))
        if (e.is_regular_file())
            out[e.path().lexically_relative(root).generic_string()] = read_file(e.path());
    return out;
}

// The files whose version differs between two looks (new ones included).
std::set<std::string> changed(const std::map<std::string, Version>& before,
                              const std::map<std::string, Version>& after)
{
    std::set<std::string> out;
    for (const auto& [path, v] : after) {
        const auto old = before.find(path);
        if (old == before.end() || !(old->second == v)) out.insert(path);
    }
    return out;
}

std::set<std::string> changed_bytes(const std::map<std::string, std::string>& before,
                                    const std::map<std::string, std::string>& after)
{
    std::set<std::string> out;
    for (const auto& [path, bytes] : after) {
        const auto old = before.find(path);
        if (old == before.end() || old->second != bytes) out.insert(path);
    }
    return out;
}

enum class Server { ftp, sftp };

// A station with two months of records and web pages on, no report or listed file: the upload
// sends only the site. The site goes to RemotePath "wx" + WebFolder "web".
class SitePublish : public testing::TestWithParam<Server> {
protected:
    void SetUp() override
    {
        FtpTiming t;
        t.retry_wait = 20ms;
        t.connect_timeout = 20000ms;
        t.response_timeout = 20000ms;
        set_ftp_timing(t);
        FTPActive = 0;
        st.insert("2009", "03", kMarch);
        st.insert("2009", "04", kApril);
        st.columns({kTemperature, kHumidity, kPressure, kRain, kWind});
        Settings& s = job.settings;
        s = st.settings;
        s.FtpHost = "127.0.0.1";
        s.RemotePath = "wx";
        s.WebFolder = "web";
        s.WebUpload = 1;
        s.Passive = 1;
        job.DocPath = st.dir.folder();
        job.hOwner = &st.owner;
        if (GetParam() == Server::ftp) {
            ASSERT_TRUE(ftp.start()) << "the FTP test server (pyftpdlib) did not start";
            s.FtpPort = ftp.port_text();
            s.User = test::FtpServer::user();
            s.Pwd = test::FtpServer::password();
            remote_home = ftp.home();
        } else {
            if (const std::string why = sshd.start(); !why.empty()) GTEST_SKIP() << why;
            s.Protocol = kProtocolSftp;
            s.FtpPort = std::to_string(sshd.port());
            s.User = sshd.user();
            s.KeyFile = sshd.client_key().string();
            s.Pwd = test::Sshd::passphrase();
            test::write_file(st.dir.path() / kKnownHostsFile, sshd.known_hosts_line() + "\n");
            remote_home = sshd.home();
        }
        fs::create_directories(remote_home / "wx");
        ASSERT_EQ(write_conf(nullptr, job.DocPath, s), 0);
    }
    void TearDown() override { set_ftp_timing(FtpTiming{}); }

    fs::path local_site() const { return default_site_folder(job.DocPath); }
    fs::path remote_site() const { return remote_home / "wx" / "web"; }

    // The log lines of the last upload without their time stamps.
    static std::vector<std::string> texts(const UploadResult& r)
    {
        std::vector<std::string> out;
        for (const std::string& line : r.lines) out.push_back(line.substr(17));
        return out;
    }
    static std::vector<std::string> sent_lines(int web_sent, int web_attempted)
    {
        char web[64];
        std::snprintf(web, sizeof web, "FTP: %2d/%d web file(s) uploaded", web_sent, web_attempted);
        return {"FTP: Connection opened", "FTP:  0/0 file(s) uploaded", web,
                "FTP: Connection closed"};
    }

    test::ReportStation st;
    ReportJob job;
    test::FtpServer ftp;
    test::Sshd sshd;
    fs::path remote_home;
};

TEST_P(SitePublish, WholeSiteFirstThenNothingThenOnlyWhatNewDataChanged)
{
    // The first upload writes the site (none was written yet) and sends all of it.
    UploadResult r = ftp_upload(job);
    ASSERT_EQ(r.result, 0) << testing::PrintToString(r.lines);
    const auto site = contents(local_site());
    ASSERT_TRUE(site.count("index.html") && site.count("2009-03.html") &&
                site.count("2009-04.html") && site.count("style.css"))
        << testing::PrintToString(site.size());
    EXPECT_EQ(r.web_sent, static_cast<int>(site.size()));
    EXPECT_EQ(texts(r), sent_lines(r.web_sent, r.web_sent));
    EXPECT_TRUE(contents(remote_site()) == site) << "the remote site is not the local one";
    EXPECT_FALSE(fs::exists(remote_site() / "index.html.part"));
    EXPECT_TRUE(fs::exists(st.dir.path() / kWebManifestFile));

    // Nothing new: nothing of the site goes.
    auto before = versions(remote_site());
    r = ftp_upload(job);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(texts(r), sent_lines(0, 0));
    EXPECT_TRUE(changed(before, versions(remote_site())).empty());

    // A record of the latest day: the current pages change, March's page does not.
    st.insert("2009", "04", kAprilLater);
    before = versions(remote_site());
    r = ftp_upload(job);
    EXPECT_EQ(r.result, 0);
    const auto now = contents(local_site());
    const std::set<std::string> regenerated = changed_bytes(site, now);
    EXPECT_TRUE(regenerated.count("index.html") && regenerated.count("2009-04.html"))
        << testing::PrintToString(regenerated);
    EXPECT_FALSE(regenerated.count("2009-03.html"));
    EXPECT_EQ(changed(before, versions(remote_site())), regenerated);
    EXPECT_EQ(texts(r), sent_lines(static_cast<int>(regenerated.size()),
                                   static_cast<int>(regenerated.size())));
    EXPECT_TRUE(contents(remote_site()) == now);
}

TEST_P(SitePublish, AFileThatDidNotArriveGoesAgainNextTime)
{
    // A folder where the index's temporary name should go: the server cannot store it.
    fs::create_directories(remote_site() / "index.html.part");
    UploadResult r = ftp_upload(job);
    EXPECT_EQ(r.result, 0);
    const int total = static_cast<int>(contents(local_site()).size());
    EXPECT_EQ(r.web_sent, total - 1);
    EXPECT_EQ(r.web_attempted, total);
    const std::regex failure(R"(FTP error \d+: File transfer failure - .*/web/index\.html)");
    EXPECT_TRUE(std::any_of(r.lines.begin(), r.lines.end(), [&](const std::string& l) {
        return std::regex_search(l, failure);
    })) << testing::PrintToString(r.lines);
    EXPECT_FALSE(fs::exists(remote_site() / "index.html"));
    const Manifest m = read_manifest(read_file(st.dir.path() / kWebManifestFile));
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m.begin()->second.count("index.html"), 0u);
    EXPECT_EQ(m.begin()->second.count("2009-03.html"), 1u);

    // The server takes it again: that one file goes, and only it.
    fs::remove(remote_site() / "index.html.part");
    const auto before = versions(remote_site());
    r = ftp_upload(job);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(texts(r), sent_lines(1, 1));
    EXPECT_EQ(changed(before, versions(remote_site())), std::set<std::string>{"index.html"});
    EXPECT_TRUE(contents(remote_site()) == contents(local_site()));
}

TEST_P(SitePublish, WebFolderRelativeToRemotePathOrAbsolute)
{
    // Relative, two levels that do not exist yet.
    job.settings.WebFolder = "site/www";
    UploadResult r = ftp_upload(job);
    EXPECT_EQ(r.result, 0);
    const auto site = contents(local_site());
    EXPECT_TRUE(contents(remote_home / "wx" / "site" / "www") == site);

    // Absolute: another place, so the whole site goes there too.
    const std::string absolute =
        GetParam() == Server::ftp ? "/pub" : (remote_home / "abs").string();
    job.settings.WebFolder = absolute;
    r = ftp_upload(job);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.web_sent, static_cast<int>(site.size()));
    EXPECT_TRUE(contents(remote_home / (GetParam() == Server::ftp ? "pub" : "abs")) == site);

    // Back to the first folder: it still holds what was sent there.
    job.settings.WebFolder = "site/www";
    r = ftp_upload(job);
    EXPECT_EQ(r.web_attempted, 0);
}

INSTANTIATE_TEST_SUITE_P(Servers, SitePublish, testing::Values(Server::ftp, Server::sftp),
                         [](const auto& p) { return p.param == Server::ftp ? "Ftp" : "Sftp"; });

class SitePublishFtp : public SitePublish {};

TEST_P(SitePublishFtp, WebPagesOffLeaveEverythingAsBefore)
{
    job.settings.WebUpload = 0;
    const UploadResult r = ftp_upload(job);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(texts(r),
              (std::vector<std::string>{"FTP: Connection opened", "FTP:  0/0 file(s) uploaded",
                                        "FTP: Connection closed"}));
    EXPECT_FALSE(fs::exists(local_site()));
    EXPECT_FALSE(fs::exists(st.dir.path() / kWebManifestFile));
    EXPECT_FALSE(fs::exists(remote_site()));
}

TEST_P(SitePublishFtp, ABusyJobLeavesThePagesAsTheyAre)
{
    FtpTiming t = ftp_timing();
    t.report_wait = 50ms;
    set_ftp_timing(t);
    BusyClaim held = BusyClaim::try_claim(ThActive);
    ASSERT_TRUE(held);
    const UploadResult r = ftp_upload(job);
    held.release();
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(texts(r), (std::vector<std::string>{
                            "FTP: Web pages not regenerated, another job is running",
                            "FTP: Connection opened", "FTP:  0/0 file(s) uploaded",
                            "FTP:  0/0 web file(s) uploaded", "FTP: Connection closed"}));
    EXPECT_FALSE(fs::exists(local_site() / "index.html"));
}

INSTANTIATE_TEST_SUITE_P(Ftp, SitePublishFtp, testing::Values(Server::ftp));

}  // namespace
}  // namespace nimbora
