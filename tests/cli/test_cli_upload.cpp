// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli_harness.h"

#include "support/files.h"
#include "support/ftp_server.h"
#include "upload/FTPConnection.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace fs = std::filesystem;

namespace nimbora {
namespace {

using namespace std::literals;

// A station set up through the command line, aimed at the test server.
class CliUpload : public testing::Test, public test::CliHarness {
protected:
    void SetUp() override
    {
        // No case here waits out a time-out: long enough that a slow login on a loaded machine
        // is never taken for one.
        FtpTiming t;
        t.retry_wait = 10ms;
        t.connect_timeout = 20000ms;
        t.response_timeout = 20000ms;
        set_ftp_timing(t);
        ASSERT_TRUE(server.start()) << "the FTP test server (pyftpdlib) did not start";
        fs::create_directories(server.home() / "wx");
        test::write_file(dir.path() / "sky.jpg", "\xFF\xD8 sky\r\n\n"s);
        ASSERT_EQ(run({"setup"}).code, kOk);
        ASSERT_EQ(run({"station", "new", "Hill"}).code, kOk);
        ASSERT_EQ(run({"station", "open", "Hill"}).code, kOk);
        for (const auto& [key, value] : std::vector<std::pair<std::string, std::string>>{
                 {"FtpHost", "127.0.0.1"},
                 {"FtpPort", server.port_text()},  // above 99: kept beside the binary record
                 {"User", test::FtpServer::user()},
                 {"Pwd", test::FtpServer::password()},
                 {"RemotePath", "wx"},
                 {"Passive", "1"},
                 {"File1", dir.folder() + "sky.jpg"}})
            ASSERT_EQ(run({"config", "set", key, value}).code, kOk) << key;
    }
    void TearDown() override { set_ftp_timing(FtpTiming{}); }

    test::FtpServer server;
};

TEST_F(CliUpload, SendsTheListAndPrintsTheLogLines)
{
    const Result r = run({"upload"});
    EXPECT_EQ(r.code, kOk) << r.err;
    EXPECT_EQ(r.err, "Upload: 1/1 file(s) uploaded\n");
    EXPECT_NE(r.out.find(" FTP:  1/1 file(s) uploaded\n"), std::string::npos) << r.out;
    EXPECT_EQ(test::read_file(server.home() / "wx" / "sky.jpg"), "\xFF\xD8 sky\r\n\n"s);
    EXPECT_NE(test::read_file(home + "Hill/Ftp.log").find("FTP: Connection closed\r\n"),
              std::string::npos);
}

TEST_F(CliUpload, FailsUnlessEveryFileArrived)
{
    test::write_file(dir.path() / "rain.png", "png");
    ASSERT_EQ(run({"config", "set", "File2", dir.folder() + "rain.png"}).code, kOk);
    fs::remove(dir.path() / "rain.png");
    Result r = run({"upload"});
    EXPECT_EQ(r.code, kFailed);
    EXPECT_EQ(r.err, "Upload: 1/2 file(s) uploaded: see " + home + "Hill/Ftp.log\n");

    ASSERT_EQ(run({"config", "set", "RemotePath", "missing"}).code, kOk);
    r = run({"upload"});
    EXPECT_EQ(r.code, kFailed);
    EXPECT_NE(r.out.find("Change remote directory failed"), std::string::npos) << r.out;
    EXPECT_EQ(r.err, "Upload: Nothing was sent: see " + home + "Hill/Ftp.log\n");
}

TEST_F(CliUpload, WebPagesGoIntoTheirFolderAndAreCountedApart)
{
    ASSERT_EQ(run({"config", "set", "WebUpload", "1"}).code, kOk);
    ASSERT_EQ(run({"config", "set", "WebFolder", "site"}).code, kOk);
    EXPECT_NE(run({"config", "show"}).out.find("\nWebFolder        site\n"), std::string::npos);
    Result r = run({"upload"});
    EXPECT_EQ(r.code, kOk) << r.err;
    const fs::path site = home + "Hill/web";
    const std::string index = test::read_file(site / "index.html");
    ASSERT_FALSE(index.empty()) << "the site was not written";
    EXPECT_EQ(test::read_file(server.home() / "wx" / "site" / "index.html"), index);
    int files = 0;
    for (const auto& e : fs::recursive_directory_iterator(site)) files += e.is_regular_file();
    const std::string counted = std::to_string(files) + "/" + std::to_string(files);
    EXPECT_EQ(r.err, "Upload: 1/1 file(s) uploaded, " + counted + " web file(s)\n");
    EXPECT_NE(r.out.find(" FTP:  1/1 file(s) uploaded\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(" web file(s) uploaded\n"), std::string::npos) << r.out;

    // A site file the server will not take fails the command.
    test::write_file(site / "extra.html", "<p>new</p>");
    fs::create_directories(server.home() / "wx" / "site" / "extra.html.part");
    r = run({"upload"});
    EXPECT_EQ(r.code, kFailed);
    EXPECT_EQ(r.err,
              "Upload: 1/1 file(s) uploaded, 0/1 web file(s): see " + home + "Hill/Ftp.log\n");
}

}  // namespace
}  // namespace nimbora
