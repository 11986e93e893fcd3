// SPDX-License-Identifier: GPL-3.0-or-later
// A full disk, simulated with a file-size limit on the real nimbora-cli in a child process
// (SIGXFSZ ignored, so a write past the limit fails with EFBIG as on a full disk): each command
// says what it could not write, exits 1, and leaves every file that was there whole.
#include "cli/cli_harness.h"
#include "cli/limited_run.h"

#include "config/schema.h"
#include "config/stations.h"
#include "import/synthetic.h"
#include "support/files.h"
#include "support/ftp_server.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace nimbora {
namespace {

using namespace std::literals;
using test::Child;
using test::run_limited;

// Rows of the database, after its integrity check passed; -1 when it cannot be read.
long long rows(const std::string& db_path)
{
    sqlite3* db = nullptr;
    long long n = -1;
    if (sqlite3_open_v2(db_path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        bool intact = false;
        if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &st, nullptr) == SQLITE_OK &&
            sqlite3_step(st) == SQLITE_ROW)
            intact = std::string(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))) == "ok";
        sqlite3_finalize(st);
        if (intact &&
            sqlite3_prepare_v2(db, "select count(*) from datimeteo", -1, &st, nullptr) ==
                SQLITE_OK &&
            sqlite3_step(st) == SQLITE_ROW)
            n = sqlite3_column_int64(st, 0);
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return n;
}

// A station "Hill" with May 2008 in its database.
class FullDisk : public testing::Test, public test::CliHarness {
protected:
    void SetUp() override
    {
        ASSERT_EQ(run({"setup"}).code, kOk);
        ASSERT_EQ(run({"station", "new", "Hill"}).code, kOk);
        ASSERT_EQ(run({"station", "open", "Hill"}).code, kOk);
        ASSERT_TRUE(write_synthetic_month(station + "2008-05.wlk", 2008, 5, 60, 2));
        ASSERT_EQ(run({"import", "2008-05.wlk"}).code, kOk);
        ASSERT_EQ(rows(db_path()), 744);
    }

    std::string db_path() const { return station + kDbFile; }
    std::vector<std::string> cli(std::vector<std::string> args) const
    {
        args.insert(args.begin(), {"--home", home, "--station", "Hill"});
        return args;
    }
    rlim_t size_of(const std::string& path) const { return fs::file_size(path); }

    std::string station = home + "Hill/";
};

TEST_F(FullDisk, ImportKeepsTheDatabase)
{
    ASSERT_TRUE(write_synthetic_month(station + "2008-06.wlk", 2008, 6, 5, 1));
    const std::string before = test::read_file(db_path());
    // Room for the journal of a few pages, none for the month's 8,640 records.
    const Child c = run_limited(cli({"import", "2008-06.wlk"}), size_of(db_path()) + 8192);
    EXPECT_EQ(c.status, 1) << c.err;
    EXPECT_EQ(c.err, "Database: disk I/O error\n");
    EXPECT_EQ(c.err.find("Load completed"), std::string::npos) << c.err;
    EXPECT_EQ(test::read_file(db_path()), before);
    EXPECT_EQ(rows(db_path()), 744);
    EXPECT_FALSE(fs::exists(db_path() + "-journal"));

    // With room the same import goes through: nothing was left half done.
    const Child ok = run_limited(cli({"import", "2008-06.wlk"}), RLIM_INFINITY);
    EXPECT_EQ(ok.status, 0) << ok.err;
    EXPECT_EQ(rows(db_path()), 744 + 8640);
}

TEST_F(FullDisk, SettingsFilesStayWhole)
{
    const std::string conf = test::read_file(station + "nimbrep.conf");
    const std::string dat = test::read_file(station + "nimbrep.dat");
    ASSERT_GT(conf.size(), 360u);
    ASSERT_LT(dat.size(), 360u);
    // No room at all, then room for "nimbrep.dat" only: a setting half saved is not saved.
    for (const rlim_t limit : {rlim_t{0}, rlim_t{360}}) {
        const Child c = run_limited(cli({"config", "set", "Rep_Name", "Hill Farm"}), limit);
        EXPECT_EQ(c.status, 1) << limit;
        EXPECT_EQ(
            c.err,
            "Error: " + station + "nimbrep.conf: Error creating file\n" +
                (limit == 0 ? "Error: " + station + "nimbrep.dat: Error creating file\n" : ""))
            << limit;
        EXPECT_EQ(c.out, "") << limit;
        EXPECT_EQ(test::read_file(station + "nimbrep.conf"), conf) << limit;
        EXPECT_EQ(test::read_file(station + "nimbrep.dat"), dat) << limit;
        EXPECT_FALSE(fs::exists(station + "nimbrep.conf.new")) << limit;
        EXPECT_FALSE(fs::exists(station + "nimbrep.dat.new")) << limit;
    }
    const Child c = run_limited(cli({"config", "set", "Pwd", "secret"}), 100);
    EXPECT_EQ(c.status, 1);
    EXPECT_NE(c.err.find("nimbrep.dat: Error creating file"), std::string::npos) << c.err;
    EXPECT_EQ(test::read_file(station + "nimbrep.dat"), dat);
}

TEST_F(FullDisk, DatabaseStaysWhenItCannotMove)
{
    const std::string other = dir.folder() + "db/";
    fs::create_directories(other);
    const std::string before = test::read_file(db_path());
    const std::string conf = test::read_file(station + "nimbrep.conf");
    const Child c = run_limited(cli({"config", "set", "InitPathDB", other}), 4096);
    EXPECT_EQ(c.status, 1);
    // The copy's own reason follows ("File too large", or the kernel copy's "Input/output error").
    EXPECT_EQ(c.err.rfind("Error: " + db_path() + " could not be copied to " + other + ": ", 0), 0u)
        << c.err;
    EXPECT_FALSE(fs::exists(other + kDbFile));  // no part of a copy passes for the database
    EXPECT_EQ(test::read_file(db_path()), before);
    EXPECT_EQ(test::read_file(station + "nimbrep.conf"), conf);  // still names the old folder

    // A database already in the new folder is used; the old one stays, and the command says so.
    test::write_file(other + kDbFile, test::read_file(db_path()));
    const Result r = run({"config", "set", "InitPathDB", other});
    EXPECT_EQ(r.code, kFailed);
    EXPECT_EQ(r.err, "Error: " + other + kDbFile + " already exists and is used from now on; " +
                         db_path() + " was not moved\n");
    EXPECT_EQ(r.out, "InitPathDB=" + other + "\n");
    EXPECT_TRUE(fs::exists(db_path()));

    // With room it moves.
    const std::string third = dir.folder() + "db3/";
    fs::create_directories(third);
    const Child moved = run_limited(cli({"config", "set", "InitPathDB", third}), RLIM_INFINITY);
    EXPECT_EQ(moved.status, 0) << moved.err;
    EXPECT_EQ(rows(third + kDbFile), 744);
    EXPECT_FALSE(fs::exists(other + kDbFile));
}

// "Ftp.log" cannot grow while the files still reach the server.
class FullDiskUpload : public FullDisk {
protected:
    void SetUp() override
    {
        FullDisk::SetUp();
        ASSERT_TRUE(server.start()) << "the FTP test server (pyftpdlib) did not start";
        test::write_file(dir.path() / "sky.jpg", "sky");
        for (const auto& [key, value] :
             std::vector<std::pair<std::string, std::string>>{{"FtpHost", "127.0.0.1"},
                                                              {"FtpPort", server.port_text()},
                                                              {"User", test::FtpServer::user()},
                                                              {"Pwd", test::FtpServer::password()},
                                                              {"Passive", "1"},
                                                              {"File1", dir.folder() + "sky.jpg"}})
            ASSERT_EQ(run({"config", "set", key, value}).code, kOk) << key;
    }

    test::FtpServer server;
};

TEST_F(FullDiskUpload, LogThatCannotGrowFailsTheUpload)
{
    const std::string log = station + "Ftp.log";
    test::write_file(log, "01/12/2026 08:00 FTP: Connection opened\r\n");
    const std::string before = test::read_file(log);
    const Child c = run_limited(cli({"upload"}), size_of(log));
    EXPECT_EQ(c.status, 1) << c.err;
    EXPECT_EQ(c.err, "Error: " + log + ": Error writing file\nUpload: 1/1 file(s) uploaded\n");
    EXPECT_NE(c.out.find("FTP: Connection closed"), std::string::npos) << c.out;
    EXPECT_EQ(test::read_file(server.home() / "sky.jpg"), "sky");
    EXPECT_EQ(test::read_file(log), before);

    // Room for part of a line: the old lines stay as they were, the cut one follows them.
    const Child partly = run_limited(cli({"upload"}), size_of(log) + 10);
    EXPECT_EQ(partly.status, 1) << partly.err;
    EXPECT_EQ(test::read_file(log).substr(0, before.size()), before);
}

}  // namespace
}  // namespace nimbora
