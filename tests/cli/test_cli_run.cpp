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

class CliRun : public testing::Test, public test::CliHarness {
protected:
    void SetUp() override
    {
        std::string err;
        ASSERT_EQ(run({"setup"}, err), kOk) << err;
        ASSERT_EQ(run({"station", "new", "Hill"}, err), kOk) << err;
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

    std::string station = home + "Hill/";
    fs::path web = dir.path() / "web";
};

TEST_F(CliRun, RefusesAStationWithoutAutomaticUpload)
{
    std::string err;
    EXPECT_EQ(run({"--station", "Hill", "run"}, err), kFailed);
    EXPECT_NE(err.find("Run: Automatic upload is off"), std::string::npos) << err;
    EXPECT_EQ(run({"--station", "Nowhere", "run"}, err), kFailed);
    EXPECT_EQ(err, "Error: Station not found: Nowhere\n");
}

// The real program: started on a station that uploads on file change, a listed file
// rewritten, one upload in "Ftp.log", and SIGTERM ends it cleanly.
TEST_F(CliRun, UploadsAChangedFileUntilSigterm)
{
    test::FtpServer server;
    ASSERT_TRUE(server.start()) << "the FTP test server (/usr/bin/python3 with pyftpdlib)";

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

    const fs::path out = dir.path() / "out.txt", err = dir.path() / "err.txt";
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, out.c_str(), O_WRONLY | O_CREAT, 0600);
    posix_spawn_file_actions_addopen(&files, STDERR_FILENO, err.c_str(), O_WRONLY | O_CREAT, 0600);
    std::vector<std::string> args = {NIMBORA_CLI, "--home", home, "--station", "Hill", "run"};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    ASSERT_EQ(posix_spawn(&pid, NIMBORA_CLI, &files, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&files);
    struct Reap {
        pid_t& pid;
        ~Reap()
        {
            if (pid <= 0) return;
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    } reap{pid};

    ASSERT_TRUE(eventually([&] { return contains(out, "FTP Upload ON (on file change)"); }))
        << test::read_file(out) << test::read_file(err);
    EXPECT_EQ(test::read_file(out), "Nimbora - [Hill]  FTP Upload ON (on file change)\n");

    test::write_file(web / "other.htm", "not listed");
    test::write_file(web / "index.htm", "after");
    const fs::path log = fs::path(station) / "Ftp.log";
    ASSERT_TRUE(eventually([&] { return contains(log, "Connection closed"); }))
        << (fs::exists(log) ? test::read_file(log) : "no Ftp.log") << test::read_file(err);
    const std::string lines = test::read_file(log);
    EXPECT_NE(lines.find("FTP: Connection opened\r\n"), std::string::npos) << lines;
    EXPECT_NE(lines.find("FTP:  1/1 file(s) uploaded\r\n"), std::string::npos) << lines;
    EXPECT_EQ(test::read_file(server.home() / "index.htm"), "after");
    EXPECT_FALSE(fs::exists(server.home() / "other.htm"));

    ASSERT_EQ(kill(pid, SIGTERM), 0);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    pid = -1;
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0) << test::read_file(err);
    EXPECT_EQ(test::read_file(err), "");
}

}  // namespace
}  // namespace nimbora
