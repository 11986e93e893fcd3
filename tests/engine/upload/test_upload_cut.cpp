// SPDX-License-Identifier: GPL-3.0-or-later
// Cutting an upload short: the daemon's second stop signal ends a stalled upload at once.
#include "upload/FTPConnection.h"

#include "jobs/busy.h"
#include "support/RecordingOwner.h"
#include "support/files.h"
#include "support/ftp_server.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <thread>

namespace fs = std::filesystem;

namespace nimbora {
namespace {

using namespace std::literals;
using test::FtpServer;

// Only keeps a broken cut from hanging the suite: each stall below would last a minute.
constexpr auto kNoHang = 30s;

bool eventually(const std::function<bool()>& done)
{
    const auto until = std::chrono::steady_clock::now() + kNoHang;
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) return done();
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

// The log's lines without their time stamps ("DD/MM/YYYY HH:MM ").
std::vector<std::string> log_texts(const fs::path& log)
{
    std::vector<std::string> out;
    const std::string text = test::read_file(log);
    for (std::size_t begin = 0, end; (end = text.find("\r\n", begin)) != std::string::npos;
         begin = end + 2)
        out.push_back(text.substr(begin + 17, end - begin - 17));
    return out;
}

ReportJob copy(const ReportJob& job)
{
    ReportJob out;
    out.hOwner = job.hOwner;
    out.settings = job.settings;
    out.DocPath = job.DocPath;
    return out;
}

class UploadCutTest : public testing::Test {
protected:
    void SetUp() override
    {
        // Every wait a minute: only the cut can end one within the test's bound.
        FtpTiming t;
        t.retry_wait = 60s;
        t.connect_timeout = 60s;
        t.response_timeout = 60s;
        t.low_speed_time = 60s;
        set_ftp_timing(t);
        FTPActive = 0;
        Settings& s = job.settings;
        s.FtpHost = "127.0.0.1";
        s.User = FtpServer::user();
        s.Pwd = FtpServer::password();
        s.RemotePath = "/";
        s.Passive = 1;
        s.ReportUpload = 0;
        s.FileList[0] = (station.path() / "index.htm").string();
        s.FileList[1] = (station.path() / "after.htm").string();
        test::write_file(station.path() / "index.htm", "index");
        test::write_file(station.path() / "after.htm", "after");
        job.DocPath = station.folder();
        job.hOwner = &owner;
    }
    void TearDown() override { set_ftp_timing(FtpTiming{}); }

    void serve(const FtpServer::Options& options)
    {
        ASSERT_TRUE(server.start(options)) << "the FTP test server (pyftpdlib) did not start";
        job.settings.FtpPort = server.port_text();
    }

    // Runs ftp_upload with `cut` on a thread of its own.
    std::future<UploadResult> upload_async()
    {
        return std::async(std::launch::async, [this] { return ftp_upload(job, {}, &cut); });
    }

    std::vector<std::string> log() const { return log_texts(station.path() / "Ftp.log"); }

    test::TempDir station;
    FtpServer server;
    ReportJob job;
    UploadCut cut;
    test::RecordingOwner owner;
};

TEST_F(UploadCutTest, AStalledTransferIsCutAndTheRestNotSent)
{
    FtpServer::Options options;
    options.stall_on_stor = "index.htm";
    serve(options);
    auto running = upload_async();
    ASSERT_TRUE(eventually([&] { return server.received("STOR index.htm"); }));
    cut.request();
    ASSERT_EQ(running.wait_for(kNoHang), std::future_status::ready) << "the cut did not end it";
    const UploadResult r = running.get();
    EXPECT_EQ(r.result, 1);
    EXPECT_TRUE(r.connected);
    EXPECT_EQ(r.sent, 0);
    const std::vector<std::string> expected = {"FTP: Connection opened", "FTP: Upload cut"};
    EXPECT_EQ(log(), expected);
    ASSERT_EQ(r.lines.size(), 2u);
    EXPECT_TRUE(r.lines[1].ends_with(" FTP: Upload cut")) << r.lines[1];
    EXPECT_FALSE(server.received("STOR after.htm"));
    EXPECT_TRUE(owner.messages.empty());
}

TEST_F(UploadCutTest, ALoginThatNeverComesIsCut)
{
    FtpServer::Options options;
    options.mode = FtpServer::Mode::silent;
    serve(options);
    auto running = upload_async();
    ASSERT_TRUE(eventually([&] { return server.received("(connection)"); }));
    cut.request();
    ASSERT_EQ(running.wait_for(kNoHang), std::future_status::ready) << "the cut did not end it";
    EXPECT_EQ(running.get().result, 1);
    EXPECT_EQ(log(), std::vector<std::string>{"FTP: Upload cut"});
}

TEST_F(UploadCutTest, TheWaitBetweenAttemptsEndsAtTheCut)
{
    const test::ClosedPort closed;  // bound, never listening: every attempt is refused
    job.settings.FtpPort = std::to_string(closed.port());
    auto running = upload_async();
    const fs::path file = station.path() / "Ftp.log";
    ASSERT_TRUE(eventually([&] { return fs::exists(file) && log().size() == 1; }));
    cut.request();
    ASSERT_EQ(running.wait_for(kNoHang), std::future_status::ready) << "the cut did not end it";
    EXPECT_EQ(running.get().result, 1);
    const std::vector<std::string> expected = {"FTP error 7: Connection error", "FTP: Upload cut"};
    EXPECT_EQ(log(), expected);
}

// A stall that ends by itself completes the upload as usual: the stall is the server's, and
// nothing but a cut ends the upload early.
TEST_F(UploadCutTest, WithoutACutAStalledTransferCompletes)
{
    FtpServer::Options options;
    options.stall_on_stor = "index.htm";
    serve(options);
    auto running = upload_async();
    ASSERT_TRUE(eventually([&] { return server.received("STOR index.htm"); }));
    server.release_stall();
    ASSERT_EQ(running.wait_for(kNoHang), std::future_status::ready);
    EXPECT_EQ(running.get().sent, 2);
    const std::vector<std::string> expected = {
        "FTP: Connection opened", "FTP:  2/2 file(s) uploaded", "FTP: Connection closed"};
    EXPECT_EQ(log(), expected);
    EXPECT_EQ(test::read_file(server.home() / "index.htm"), "index");
}

// cut_uploads reaches the upload start_upload started; one started later runs whole.
TEST_F(UploadCutTest, CutUploadsEndsTheRunningUploadOnly)
{
    FtpServer::Options options;
    options.stall_on_stor = "index.htm";
    serve(options);
    ASSERT_TRUE(start_upload(copy(job)));
    ASSERT_TRUE(eventually([&] { return server.received("STOR index.htm"); }));
    cut_uploads();
    ASSERT_TRUE(eventually([&] { return FTPActive == 0; })) << "the cut did not end it";
    wait_for_uploads();
    EXPECT_EQ(log().back(), "FTP: Upload cut");

    server.release_stall();
    fs::remove(station.path() / "Ftp.log");
    ASSERT_TRUE(start_upload(copy(job)));
    wait_for_uploads();
    const std::vector<std::string> expected = {
        "FTP: Connection opened", "FTP:  2/2 file(s) uploaded", "FTP: Connection closed"};
    EXPECT_EQ(log(), expected);
    cut_uploads();  // after the upload ended: nothing to cut
}

}  // namespace
}  // namespace nimbora
