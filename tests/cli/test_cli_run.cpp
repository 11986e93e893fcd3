// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli_harness.h"

#include "config/read_conf.h"
#include "support/files.h"
#include "support/ftp_server.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace nimbora {
namespace {

// Polls `done` until it holds, for at most `seconds`; returns done(). The limit only keeps a
// broken daemon from hanging the test.
bool eventually(const std::function<bool()>& done, int seconds = 30)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) return done();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

bool contains(const fs::path& file, const std::string& text)
{
    std::error_code ec;
    return fs::exists(file, ec) && test::read_file(file).find(text) != std::string::npos;
}

// The real program in the background, its stdout and stderr in files; killed if still running
// when the test ends.
class Daemon {
public:
    Daemon(std::vector<std::string> args, const fs::path& out, const fs::path& err)
    {
        posix_spawn_file_actions_t files;
        posix_spawn_file_actions_init(&files);
        posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, out.c_str(), O_WRONLY | O_CREAT,
                                         0600);
        posix_spawn_file_actions_addopen(&files, STDERR_FILENO, err.c_str(), O_WRONLY | O_CREAT,
                                         0600);
        args.insert(args.begin(), NIMBORA_CLI);
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, NIMBORA_CLI, &files, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&files);
    }
    ~Daemon()
    {
        if (pid_ <= 0) return;
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    Daemon(const Daemon&) = delete;
    Daemon& operator=(const Daemon&) = delete;

    bool started() const { return pid_ > 0; }
    bool signal(int signo) const { return pid_ > 0 && kill(pid_, signo) == 0; }

    // Waits at most `seconds` for the program to end; its exit code, -1 when it still runs,
    // -2 when it ended otherwise (a signal).
    int wait_exit(int seconds = 30)
    {
        int status = 0;
        const bool ended = eventually(
            [&] {
                if (pid_ <= 0) return true;
                if (waitpid(pid_, &status, WNOHANG) != pid_) return false;
                pid_ = -1;
                return true;
            },
            seconds);
        if (!ended) return -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
    }

private:
    pid_t pid_ = -1;
};

class CliRun : public testing::Test, public test::CliHarness {
protected:
    void SetUp() override
    {
        std::string told;
        ASSERT_EQ(run({"setup"}, told), kOk) << told;
        ASSERT_EQ(run({"station", "new", "Hill"}, told), kOk) << told;
        fs::create_directories(web);
    }

    Exit run(std::vector<std::string> args, std::string& err_text)
    {
        const Result r = CliHarness::run(std::move(args));
        err_text = r.err;
        return r.code;
    }

    Settings station_settings()
    {
        Settings s;
        EXPECT_EQ(read_conf(nullptr, kConfEntries, station, s), 0);
        return s;
    }

    // A station that uploads web/index.htm to the test server whenever it is written.
    void serve(const test::FtpServer::Options& options = {})
    {
        ASSERT_TRUE(server.start(options)) << "the FTP test server (/usr/bin/python3, pyftpdlib)";
        Settings s = station_settings();
        s.TransferEnabled = 1;
        s.Interval = kOnFileChange;
        s.IntervMin = 0;
        s.TimeStart = "8:30";
        s.FtpHost = "127.0.0.1";
        s.FtpPort = server.port_text();
        s.User = test::FtpServer::user();
        s.Pwd = test::FtpServer::password();
        s.RemotePath = "/";
        s.ReportUpload = 0;
        s.FileList[0] = (web / "index.htm").string();
        ASSERT_EQ(write_conf(nullptr, station, s), 0);
        test::write_file(web / "index.htm", "before");
    }
    // The same, with a server that answers no STOR of index.htm until release_stall().
    void serve_stalling()
    {
        test::FtpServer::Options options;
        options.stall_on_stor = "index.htm";
        serve(options);
    }

    Daemon start() { return Daemon({"--home", home, "--station", "Hill", "run"}, out, err); }

    // Against a server that holds the STOR of index.htm: writes index.htm, waits until its
    // upload stalls, sends the first SIGTERM and waits until the daemon says it waits.
    void stop_during_upload(Daemon& daemon)
    {
        ASSERT_TRUE(eventually([&] { return contains(out, "(on file change)"); }))
            << test::read_file(err);
        test::write_file(web / "index.htm", "after");
        ASSERT_TRUE(eventually([&] { return server.received("STOR index.htm"); }));
        ASSERT_TRUE(daemon.signal(SIGTERM));
        ASSERT_TRUE(eventually([&] { return contains(out, kWaitingLine); }))
            << test::read_file(out) << test::read_file(err);
    }

    static constexpr const char* kWaitingLine =
        "Waiting for the upload in progress to end (stop again to cut it)\n";
    const std::string kWatchLine = "Nimbora - [Hill]  FTP Upload ON (on file change)\n";

    std::string station = home + "Hill/";
    fs::path web = dir.path() / "web";
    fs::path out = dir.path() / "out.txt", err = dir.path() / "err.txt";
    fs::path log = fs::path(station) / "Ftp.log";
    test::FtpServer server;
};

TEST_F(CliRun, RefusesAStationWithoutAutomaticUpload)
{
    std::string told;
    EXPECT_EQ(run({"--station", "Hill", "run"}, told), kFailed);
    EXPECT_NE(told.find("Run: Automatic upload is off"), std::string::npos) << told;
    EXPECT_EQ(run({"--station", "Nowhere", "run"}, told), kFailed);
    EXPECT_EQ(told, "Error: Station not found: Nowhere\n");
}

// The real program: started on a station that uploads on file change, a listed file
// rewritten, one upload in "Ftp.log", and SIGTERM ends it cleanly.
TEST_F(CliRun, UploadsAChangedFileUntilSigterm)
{
    serve();
    Daemon daemon = start();
    ASSERT_TRUE(daemon.started());
    ASSERT_TRUE(eventually([&] { return contains(out, "FTP Upload ON (on file change)"); }))
        << test::read_file(out) << test::read_file(err);
    EXPECT_EQ(test::read_file(out), kWatchLine);

    test::write_file(web / "other.htm", "not listed");
    test::write_file(web / "index.htm", "after");
    ASSERT_TRUE(eventually([&] { return contains(log, "Connection closed"); }))
        << (fs::exists(log) ? test::read_file(log) : "no Ftp.log") << test::read_file(err);
    const std::string lines = test::read_file(log);
    EXPECT_NE(lines.find("FTP: Connection opened\r\n"), std::string::npos) << lines;
    EXPECT_NE(lines.find("FTP:  1/1 file(s) uploaded\r\n"), std::string::npos) << lines;
    EXPECT_EQ(test::read_file(server.home() / "index.htm"), "after");
    EXPECT_FALSE(fs::exists(server.home() / "other.htm"));

    ASSERT_TRUE(daemon.signal(SIGTERM));
    EXPECT_EQ(daemon.wait_exit(), 0) << test::read_file(err);
    EXPECT_EQ(test::read_file(err), "");
}

// SIGHUP: the settings files read again and the schedule started again from them; the status
// line comes again once the new schedule runs.
TEST_F(CliRun, SighupReloadsTheSettingsAndRestartsTheSchedule)
{
    serve();
    Daemon daemon = start();
    ASSERT_TRUE(eventually([&] { return contains(out, "(on file change)"); }))
        << test::read_file(err);

    // Another file, in a folder the running watch does not cover.
    const fs::path news = dir.path() / "news";
    fs::create_directories(news);
    Settings s = station_settings();
    s.FileList[0] = (news / "today.htm").string();
    ASSERT_EQ(write_conf(nullptr, station, s), 0);
    ASSERT_TRUE(daemon.signal(SIGHUP));
    ASSERT_TRUE(eventually([&] { return test::read_file(out) == kWatchLine + kWatchLine; }))
        << test::read_file(out) << test::read_file(err);
    test::write_file(news / "today.htm", "news");
    ASSERT_TRUE(eventually([&] { return contains(log, "Connection closed"); }))
        << test::read_file(err);
    EXPECT_EQ(test::read_file(server.home() / "today.htm"), "news");

    // Every hour from midnight: started at once.
    s.Interval = "1 hr.";
    s.IntervMin = 60;
    s.TimeStart = "0:00";
    ASSERT_EQ(write_conf(nullptr, station, s), 0);
    ASSERT_TRUE(daemon.signal(SIGHUP));
    const std::string periodic = "Nimbora - [Hill]  FTP Upload ON (Every: 1 hr.)\n";
    ASSERT_TRUE(eventually([&] { return contains(out, periodic); }))
        << test::read_file(out) << test::read_file(err);
    EXPECT_EQ(test::read_file(out), kWatchLine + kWatchLine + periodic);

    ASSERT_TRUE(daemon.signal(SIGTERM));
    EXPECT_EQ(daemon.wait_exit(), 0) << test::read_file(err);
    EXPECT_EQ(test::read_file(err), "");
}

// The first SIGTERM while an upload runs waits for it: the upload completes and is logged.
TEST_F(CliRun, AStopWaitsForTheRunningUpload)
{
    serve_stalling();
    Daemon daemon = start();
    stop_during_upload(daemon);
    if (HasFatalFailure()) return;
    server.release_stall();
    EXPECT_EQ(daemon.wait_exit(), 0) << test::read_file(err);
    const std::string lines = test::read_file(log);
    EXPECT_NE(lines.find("FTP:  1/1 file(s) uploaded\r\n"), std::string::npos) << lines;
    EXPECT_TRUE(lines.ends_with("FTP: Connection closed\r\n")) << lines;
    EXPECT_EQ(test::read_file(server.home() / "index.htm"), "after");
    EXPECT_EQ(test::read_file(err), "");
}

// A second SIGTERM cuts the upload the first one waits for: the program ends long before the
// server's minute-long stall would, and "Ftp.log" says the upload was cut.
TEST_F(CliRun, ASecondStopCutsTheRunningUpload)
{
    serve_stalling();
    Daemon daemon = start();
    stop_during_upload(daemon);
    if (HasFatalFailure()) return;
    ASSERT_TRUE(daemon.signal(SIGTERM));
    EXPECT_EQ(daemon.wait_exit(), 0) << "not ended by the second signal";
    const std::string lines = test::read_file(log);
    EXPECT_TRUE(lines.ends_with(" FTP: Upload cut\r\n")) << lines;
    EXPECT_EQ(lines.find("file(s) uploaded"), std::string::npos) << lines;
    EXPECT_EQ(test::read_file(err), "");
}

}  // namespace
}  // namespace nimbora
