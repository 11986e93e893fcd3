// SPDX-License-Identifier: GPL-3.0-or-later
#include "upload/FTPConnection.h"

#include "config/function.h"
#include "config/install.h"
#include "config/read_conf.h"
#include "import/synthetic.h"
#include "jobs/busy.h"
#include "reports/current_month.h"
#include "support/BlockingOwner.h"
#include "support/RecordingOwner.h"
#include "support/files.h"
#include "support/ftp_server.h"

#include <gtest/gtest.h>

#include <sys/inotify.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <thread>

namespace fs = std::filesystem;

namespace nimbora {
namespace {

using namespace std::literals;
using test::FtpServer;
using test::read_file;
using test::TempDir;
using test::write_file;

// No test but the one with a server that never answers waits out a time-out: these are long
// enough for a loaded machine (a slow greeting or login must not read as a time-out) and
// cost nothing while the server answers. Only the pause between attempts is shortened.
FtpTiming test_timing()
{
    FtpTiming t;
    t.retry_wait = 20ms;
    t.connect_timeout = 20000ms;
    t.response_timeout = 20000ms;
    t.low_speed_time = 20s;
    return t;
}

bool contains(const std::vector<std::string>& lines, const std::string& prefix)
{
    for (const std::string& l : lines)
        if (l.rfind(prefix, 0) == 0) return true;
    return false;
}

int count(const std::vector<std::string>& lines, const std::string& text)
{
    int n = 0;
    for (const std::string& l : lines) n += l == text;
    return n;
}

// A station folder with an upload job aimed at the test server's "incoming" folder.
class Upload : public testing::Test {
protected:
    void SetUp() override
    {
        set_ftp_timing(test_timing());
        FTPActive = 0;
        ThActive = 0;
        fs::create_directories(local());
        Settings& s = job.settings;
        s.InitPathRep = s.InitPathDB = s.InitPathWLK = station.folder();
        s.FtpHost = "127.0.0.1";
        s.User = FtpServer::user();
        s.Pwd = FtpServer::password();
        s.RemotePath = "incoming";
        s.Passive = 1;
        job.DocPath = station.folder();
        job.hOwner = &owner;
    }
    void TearDown() override { set_ftp_timing(FtpTiming{}); }

    // Starts the server with an "incoming" folder and points the job at it.
    void serve(const FtpServer::Options& options = {})
    {
        ASSERT_TRUE(server.start(options)) << "the FTP test server (pyftpdlib) did not start";
        fs::create_directories(server.home() / "incoming");
        job.settings.FtpPort = server.port_text();
    }

    fs::path local() const { return station.path() / "local"; }
    std::string add_file(const std::string& name, const std::string& bytes)
    {
        const std::string path = (local() / name).string();
        write_file(path, bytes);
        return path;
    }
    void list(std::initializer_list<std::string> files)
    {
        std::size_t i = 0;
        for (const std::string& f : files) job.settings.FileList[i++] = f;
    }
    std::string remote(const std::string& name) const
    {
        return read_file(server.home() / "incoming" / name);
    }

    // The log's lines after their time stamps; each must begin with one.
    std::vector<std::string> log_texts() const
    {
        static const std::regex stamp(R"(\d\d/\d\d/\d{4} \d\d:\d\d (.*))");
        std::vector<std::string> out;
        const std::string text = read_file(station.path() / "Ftp.log");
        std::size_t begin = 0;
        for (std::size_t end; (end = text.find("\r\n", begin)) != std::string::npos;
             begin = end + 2) {
            const std::string line = text.substr(begin, end - begin);
            std::smatch m;
            if (std::regex_match(line, m, stamp))
                out.push_back(m[1]);
            else
                ADD_FAILURE() << "not a log line: " << test::visible(line);
        }
        EXPECT_EQ(begin, text.size()) << "the log does not end with CR LF";
        return out;
    }

    TempDir station;
    FtpServer server;
    ReportJob job;
    test::RecordingOwner owner;
};

// Bytes that a text-mode transfer would change: bare LF, CR LF, NUL, 0xB0, 0x1A.
std::string awkward_bytes(std::size_t size)
{
    std::string s = "T\xB0\n\r\n\0\x1A"s;
    for (std::size_t i = s.size(); i < size; ++i) s += static_cast<char>((i * 7919u) % 256u);
    return s;
}

class UploadModes : public Upload, public testing::WithParamInterface<int> {};

TEST_P(UploadModes, EveryListedFileArrivesWholeOverOneLogin)
{
    serve();
    job.settings.Passive = GetParam();
    const std::string small = awkward_bytes(64), big = awkward_bytes(300000);
    list({add_file("a.txt", small), add_file("sky.jpg", big), add_file("note.txt", "")});

    const UploadResult r = ftp_upload(job);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.sent, 3);
    EXPECT_EQ(r.attempted, 3);
    EXPECT_EQ(remote("a.txt"), small);
    EXPECT_EQ(remote("sky.jpg"), big);
    EXPECT_EQ(remote("note.txt"), "");
    const std::vector<std::string> expected = {
        "FTP: Connection opened", "FTP:  3/3 file(s) uploaded", "FTP: Connection closed"};
    EXPECT_EQ(log_texts(), expected);
    EXPECT_EQ(r.lines.size(), expected.size());

    const auto commands = server.commands();
    EXPECT_EQ(count(commands, "USER " + FtpServer::user()), 1);
    EXPECT_TRUE(contains(commands, "TYPE I"));
    EXPECT_FALSE(contains(commands, "TYPE A"));
    const bool active = contains(commands, "EPRT") || contains(commands, "PORT");
    const bool passive = contains(commands, "EPSV") || contains(commands, "PASV");
    EXPECT_EQ(active, GetParam() == 0);
    EXPECT_EQ(passive, GetParam() == 1);
}

INSTANTIATE_TEST_SUITE_P(PassiveAndActive, UploadModes, testing::Values(1, 0),
                         [](const auto& p) { return p.param ? "Passive" : "Active"; });

TEST_F(Upload, MissingFilesAndFoldersCountAsAttempted)
{
    serve();
    const std::string missing = (local() / "gone.txt").string();
    const std::string folder = local().string();
    list({missing, folder, add_file("b.txt", "b")});
    job.settings.FileList[4] = add_file("after-gap.txt", "x");  // the first empty entry ends it

    const UploadResult r = ftp_upload(job);
    EXPECT_EQ(r.result, 0);
    const std::vector<std::string> expected = {
        "FTP: Connection opened", "FTP error 2: File not found - " + missing,
        "FTP error 2: File not found - " + folder, "FTP:  1/3 file(s) uploaded",
        "FTP: Connection closed"};
    EXPECT_EQ(log_texts(), expected);
    EXPECT_EQ(remote("b.txt"), "b");
    EXPECT_FALSE(fs::exists(server.home() / "incoming" / "local"));
    EXPECT_FALSE(fs::exists(server.home() / "incoming" / "after-gap.txt"));
}

TEST_F(Upload, NothingToSendStillLogsTheSession)
{
    serve();
    write_file(station.path() / "Ftp.log", "01/01/2020 10:00 FTP: Connection closed\r\n");
    const UploadResult r = ftp_upload(job);
    EXPECT_EQ(r.result, 0);
    EXPECT_TRUE(r.connected);
    const std::vector<std::string> expected = {
        "FTP: Connection closed",  // the earlier upload's line stays: the log is appended to
        "FTP: Connection opened", "FTP:  0/0 file(s) uploaded", "FTP: Connection closed"};
    EXPECT_EQ(log_texts(), expected);
}

TEST_F(Upload, MissingRemoteFolderSendsNothing)
{
    serve();
    job.settings.RemotePath = "nowhere";
    list({add_file("a.txt", "a")});
    const UploadResult r = ftp_upload(job);
    EXPECT_EQ(r.result, 1);
    EXPECT_FALSE(r.connected);
    const std::vector<std::string> expected = {"FTP: Connection opened",
                                               "FTP error 9: Change remote directory failed",
                                               "FTP: Connection closed"};
    EXPECT_EQ(log_texts(), expected);
    EXPECT_FALSE(fs::exists(server.home() / "nowhere"));
    EXPECT_FALSE(fs::exists(server.home() / "a.txt"));
}

TEST_F(Upload, RemoteFolderAsTyped)
{
    serve();
    fs::create_directories(server.home() / "web site" / "wx#1");
    const std::string file = add_file("r 1%.txt", "report");
    list({file});
    for (const char* folder : {"web site/wx#1", "/web site/wx#1/", "web site//wx#1"}) {
        fs::remove(server.home() / "web site" / "wx#1" / "r 1%.txt");
        job.settings.RemotePath = folder;
        EXPECT_EQ(ftp_upload(job).sent, 1) << folder;
        EXPECT_EQ(read_file(server.home() / "web site" / "wx#1" / "r 1%.txt"), "report") << folder;
    }
    job.settings.RemotePath = "/";
    EXPECT_EQ(ftp_upload(job).sent, 1);
    EXPECT_EQ(read_file(server.home() / "r 1%.txt"), "report");

    // An emptied folder is the root, as it reads back from the settings files, not the
    // login folder.
    job.settings.RemotePath.clear();
    const std::size_t before = server.commands().size();
    EXPECT_EQ(ftp_upload(job).sent, 1);
    const std::vector<std::string> commands = server.commands();
    EXPECT_NE(
        std::find(commands.begin() + static_cast<std::ptrdiff_t>(before), commands.end(), "CWD /"),
        commands.end());
}

TEST_F(Upload, ServerDyingInATransferCostsOnlyThatFile)
{
    FtpServer::Options options;
    options.drop_on_stor = "b.txt";
    serve(options);
    const std::string b = add_file("b.txt", "b");
    list({add_file("a.txt", "a"), b, add_file("c.txt", "c")});
    const UploadResult r = ftp_upload(job);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.sent, 2);
    const auto lines = log_texts();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[1].rfind("FTP error ", 0), 0u) << lines[1];
    EXPECT_TRUE(lines[1].ends_with(": File transfer failure - " + b)) << lines[1];
    EXPECT_EQ(lines[2], "FTP:  2/3 file(s) uploaded");
    EXPECT_EQ(remote("a.txt"), "a");
    EXPECT_EQ(remote("c.txt"), "c");
    EXPECT_FALSE(fs::exists(server.home() / "incoming" / "b.txt"));
}

// Three attempts, each logged; no session, so no summary and no "Connection closed".
struct RefusedCase {
    const char* name;
    const char* line;
    FtpServer::Mode mode;
    void (*adjust)(Settings&, const FtpServer&, int closed_port);
    // The connection time-out (greeting and login included) when the case is about waiting
    // it out; the others keep the long one, so a slow login is never taken for a time-out.
    std::chrono::milliseconds connect_timeout{0};
};

void PrintTo(const RefusedCase& c, std::ostream* os)
{
    *os << c.name;
}

class Refused : public Upload, public testing::WithParamInterface<RefusedCase> {};

TEST_P(Refused, ThreeAttemptsThenGivesUp)
{
    const RefusedCase& c = GetParam();
    if (c.connect_timeout.count() > 0) {
        FtpTiming t = test_timing();
        t.connect_timeout = c.connect_timeout;
        set_ftp_timing(t);
    }
    FtpServer::Options options;
    options.mode = c.mode;
    serve(options);
    const test::ClosedPort closed;
    ASSERT_GT(closed.port(), 0);
    c.adjust(job.settings, server, closed.port());
    list({add_file("a.txt", "a")});
    const UploadResult r = ftp_upload(job);
    EXPECT_EQ(r.result, 1);
    EXPECT_FALSE(r.connected);
    EXPECT_EQ(log_texts(), std::vector<std::string>(3, c.line));
    EXPECT_TRUE(owner.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Connections, Refused,
    testing::Values(
        RefusedCase{"WrongPassword", "FTP error 67: Username/Password incorrect",
                    FtpServer::Mode::normal,
                    [](Settings& s, const FtpServer&, int) { s.Pwd = "wrong"; }},
        RefusedCase{"LoginRefused", "FTP error 67: Username/Password incorrect",
                    FtpServer::Mode::reject_login, [](Settings&, const FtpServer&, int) {}},
        RefusedCase{"UnknownHost", "FTP error 6: Hostname not found", FtpServer::Mode::normal,
                    // A label over 63 characters fails in the resolver itself: no query leaves
                    // the machine, and a missing name server cannot turn it into a time-out.
                    [](Settings& s, const FtpServer&, int) {
                        s.FtpHost = std::string(64, 'n') + ".invalid";
                    }},
        RefusedCase{"ServerNeverAnswers", "FTP error 28: Timeout", FtpServer::Mode::silent,
                    [](Settings&, const FtpServer&, int) {}, 300ms},
        RefusedCase{"NothingListens", "FTP error 7: Connection error", FtpServer::Mode::normal,
                    [](Settings& s, const FtpServer&, int closed_port) {
                        s.FtpPort = std::to_string(closed_port);
                    }},
        RefusedCase{"HostWithAPath", "FTP error 3: Invalid parameter", FtpServer::Mode::normal,
                    [](Settings& s, const FtpServer&, int) { s.FtpHost = "127.0.0.1/etc"; }},
        RefusedCase{"LineBreakInUser", "FTP error 43: Invalid parameter", FtpServer::Mode::normal,
                    [](Settings& s, const FtpServer&, int) { s.User += "\r\nDELE x"; }}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(Upload, PassiveIsReadBeforeEveryAttempt)
{
    // Refused while held; let go for the server just before it starts.
    test::ClosedPort closed;
    const int port = closed.port();
    ASSERT_GT(port, 0);
    job.settings.FtpPort = std::to_string(port);
    list({add_file("a.txt", "a")});
    std::vector<int> asked;
    // Nothing listens at the first attempt; the second finds the server, in passive mode.
    const UploadResult r = ftp_upload(job, [&] {
        asked.push_back(static_cast<int>(asked.size()));
        if (asked.size() == 2) {
            closed.release();
            FtpServer::Options options;
            options.port = port;
            EXPECT_TRUE(server.start(options));
            fs::create_directories(server.home() / "incoming");
        }
        return asked.back();
    });
    EXPECT_EQ(asked.size(), 2u);
    const std::vector<std::string> expected = {
        "FTP error 7: Connection error", "FTP: Connection opened", "FTP:  1/1 file(s) uploaded",
        "FTP: Connection closed"};
    EXPECT_EQ(log_texts(), expected);
    const auto commands = server.commands();
    EXPECT_TRUE(contains(commands, "EPSV") || contains(commands, "PASV"));
    EXPECT_FALSE(contains(commands, "EPRT") || contains(commands, "PORT"));
}

// Without a source of its own, the first attempt takes the job's setting and each later one
// the setting stored now; unreadable files leave the job's.
TEST_F(Upload, LaterAttemptsTakePassiveAsStoredNow)
{
    EXPECT_EQ(passive_for_attempt(job, 2), 1);  // no settings files in the folder
    Settings stored = job.settings;
    stored.Passive = 0;
    ASSERT_EQ(write_conf(nullptr, job.DocPath, stored), 0);
    EXPECT_EQ(passive_for_attempt(job, 1), 1);
    EXPECT_EQ(passive_for_attempt(job, 2), 0);
    EXPECT_EQ(passive_for_attempt(job, 3), 0);
}

TEST_F(Upload, LogThatCannotBeOpenedStopsTheUpload)
{
    job.DocPath = station.folder() + "missing/";
    EXPECT_EQ(FTPConnection(job), 1);
    ASSERT_EQ(owner.lines().size(), 1u);
    EXPECT_EQ(owner.lines()[0], "Error: " + job.DocPath + "Ftp.log: Error creating file");
}

TEST_F(Upload, OneUploadAtATime)
{
    serve();
    {
        const BusyClaim running = BusyClaim::try_claim(FTPActive);
        ReportJob other;
        other.settings = job.settings;
        other.DocPath = job.DocPath;
        EXPECT_FALSE(start_upload(std::move(other)));
    }
    EXPECT_FALSE(fs::exists(station.path() / "Ftp.log"));
    EXPECT_TRUE(start_upload(std::move(job)));
    wait_for_uploads();
    EXPECT_EQ(FTPActive, 0);
    EXPECT_EQ(log_texts().size(), 3u);
}

// Without room for a thread's stack the upload is refused, told and its claim dropped: a
// throw from here would end the program from inside a timer handler. Run in a fresh process,
// where no stack of an earlier thread is kept for reuse.
TEST_F(Upload, NoThreadForTheUploadIsToldAndFreesTheFlag)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto refused_and_told = [this] {
        long pages = 0;
        std::ifstream("/proc/self/statm") >> pages;
        const rlimit tight{static_cast<rlim_t>(pages * sysconf(_SC_PAGESIZE) + (1 << 20)),
                           RLIM_INFINITY};
        setrlimit(RLIMIT_AS, &tight);
        const bool started = start_upload(std::move(job));
        const rlimit none{RLIM_INFINITY, RLIM_INFINITY};
        setrlimit(RLIMIT_AS, &none);
        const bool told =
            owner.lines() == std::vector<std::string>{"Error: Could not load function"};
        std::_Exit(!started && told && FTPActive == 0 ? 0 : 1);
    };
    EXPECT_EXIT(refused_and_told(), testing::ExitedWithCode(0), "");
}

// The current month's report, made from its WLK file by a station with an installed database.
class Regenerated : public Upload {
protected:
    void SetUp() override
    {
        Upload::SetUp();
        ASSERT_TRUE(install_product(nullptr, station.folder()).ok);
        const LocalTime now = local_now();
        ASSERT_TRUE(
            write_synthetic_month(station.folder() + strf_month(now), now.year, now.month, 30, 17));
        job.settings.ReportChk[kTemperature] = job.settings.ReportChk[kRain] = 1;
        report = std::string(mesi[static_cast<std::size_t>(now.month - 1)]) + "_" +
                 std::to_string(now.year) + ".txt";
    }
    static std::string strf_month(const LocalTime& t)
    {
        char name[16];
        std::snprintf(name, sizeof name, "%04d-%02d.wlk", t.year % 10000, t.month % 100);
        return name;
    }
    std::string report;
};

// Whether a file was opened since the watch began (inotify sees every open at once).
class OpenWatch {
public:
    explicit OpenWatch(const fs::path& file) : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        if (fd_ >= 0) watch_ = inotify_add_watch(fd_, file.c_str(), IN_OPEN);
    }
    ~OpenWatch()
    {
        if (fd_ >= 0) close(fd_);
    }
    OpenWatch(const OpenWatch&) = delete;
    OpenWatch& operator=(const OpenWatch&) = delete;

    bool ready() const { return fd_ >= 0 && watch_ >= 0; }
    bool opened()
    {
        char events[4096];
        if (read(fd_, events, sizeof events) > 0) seen_ = true;
        return seen_;
    }

private:
    int fd_;
    int watch_ = -1;
    bool seen_ = false;
};

TEST_F(Regenerated, ReportGoesFirstAndWaitsForRunningJobs)
{
    serve();
    job.settings.ReportUpload = 1;
    list({add_file("a.txt", "a")});
    // The regeneration begins by reading the month's WLK file.
    OpenWatch wlk(station.path() / strf_month(local_now()));
    ASSERT_TRUE(wlk.ready());
    BusyClaim other_job = BusyClaim::try_claim(ThActive);
    ASSERT_TRUE(start_upload(std::move(job)));
    // The upload opens its log just before it turns to the report; one that did not wait for
    // the running job would open the WLK file a moment later (well under a millisecond when
    // idle). Held for many times that, it must not have, nor have logged in.
    const fs::path log = station.path() / "Ftp.log";
    for (int i = 0; i < 60000 && !fs::exists(log); ++i) std::this_thread::sleep_for(1ms);
    ASSERT_TRUE(fs::exists(log)) << "the upload never started";
    std::this_thread::sleep_for(500ms);
    EXPECT_FALSE(wlk.opened()) << "regenerated while another job ran";
    EXPECT_TRUE(server.commands().empty()) << "uploaded before the report was regenerated";
    EXPECT_FALSE(fs::exists(station.path() / report));
    other_job.release();
    wait_for_uploads();
    EXPECT_TRUE(wlk.opened());

    EXPECT_EQ(ThActive, 0);
    const std::string made = read_file(station.path() / report);
    ASSERT_FALSE(made.empty());
    EXPECT_EQ(remote(report), made);
    const std::vector<std::string> expected = {
        "FTP: Connection opened", "FTP:  2/2 file(s) uploaded", "FTP: Connection closed"};
    EXPECT_EQ(log_texts(), expected);
}

TEST_F(Regenerated, ByDecadesWithReportUploadTwo)
{
    serve();
    job.settings.ReportUpload = 1;
    ASSERT_EQ(ftp_upload(job).sent, 1);
    const std::string plain = remote(report);
    job.settings.ReportUpload = 2;
    ASSERT_EQ(ftp_upload(job).sent, 1);
    const std::string decades = remote(report);
    EXPECT_GT(decades.size(), plain.size());
    EXPECT_EQ(decades, read_file(station.path() / report));
}

TEST_F(Regenerated, MissingMonthFileStillUploadsTheRest)
{
    serve();
    fs::remove(station.path() / strf_month(local_now()));
    job.settings.ReportUpload = 1;
    list({add_file("a.txt", "a")});
    const UploadResult r = ftp_upload(job);
    EXPECT_EQ(r.sent, 1);
    EXPECT_EQ(r.attempted, 2);
    EXPECT_EQ(ThActive, 0);
    const auto lines = log_texts();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[1], "FTP error 2: File not found - " + station.folder() + report);
}

// A person who never answers the current month's "created successfully!" box holds no
// flag: the report job released ThActive before showing it, so the scheduled upload
// regenerates the report itself and completes.
TEST_F(Regenerated, ReportBoxLeftOpenHoldsNoUpload)
{
    serve();
    FtpTiming t = test_timing();
    t.report_wait = 5s;  // the upload would log that it gave up if the job held the flag
    set_ftp_timing(t);

    test::BlockingOwner person;
    ReportJob shown;
    shown.hOwner = &person;
    shown.settings = job.settings;
    const LocalTime now = local_now();
    shown.Table = "TempMeteo";
    shown.year = now.year;
    shown.month = now.month;
    shown.busy = BusyClaim::try_claim(ThActive);
    ASSERT_TRUE(shown.busy);
    std::thread report_job([&shown] { LoadTempTable(shown); });
    ASSERT_TRUE(person.wait_for_message());
    EXPECT_EQ(person.lines(),
              std::vector<std::string>{"Report: " + report + " created successfully! "});
    EXPECT_EQ(ThActive, 0);
    EXPECT_EQ(person.menu_calls, (std::vector<bool>{false, true}));

    job.settings.ReportUpload = 1;
    list({add_file("a.txt", "a")});
    const UploadResult r = ftp_upload(job);
    person.answer();
    report_job.join();

    EXPECT_EQ(r.sent, 2);
    EXPECT_EQ(remote(report), read_file(station.path() / report));
    const std::vector<std::string> expected = {
        "FTP: Connection opened", "FTP:  2/2 file(s) uploaded", "FTP: Connection closed"};
    EXPECT_EQ(log_texts(), expected);
}

// A job that keeps ThActive longer than the bounded wait costs the upload only its fresh
// report: one line says so, and the report as it was goes with the other files.
TEST_F(Regenerated, FlagHeldTooLongUploadsTheFilesAsTheyAre)
{
    serve();
    FtpTiming t = test_timing();
    t.report_wait = 50ms;
    set_ftp_timing(t);
    write_file(station.path() / report, "the report of an hour ago\r\n");
    job.settings.ReportUpload = 1;
    list({add_file("a.txt", "a")});

    BusyClaim other_job = BusyClaim::try_claim(ThActive);
    ASSERT_TRUE(other_job);
    const UploadResult r = ftp_upload(job);
    EXPECT_EQ(ThActive, 1);  // still the other job's
    other_job.release();

    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.sent, 2);
    EXPECT_EQ(remote(report), "the report of an hour ago\r\n");
    const std::vector<std::string> expected = {
        "FTP: Report not regenerated, another job is running", "FTP: Connection opened",
        "FTP:  2/2 file(s) uploaded", "FTP: Connection closed"};
    EXPECT_EQ(log_texts(), expected);
    EXPECT_EQ(r.lines.size(), expected.size());
}

}  // namespace
}  // namespace nimbora
