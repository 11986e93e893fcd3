// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Console.h"
#include "cli/cli_harness.h"

#include "config/format.h"
#include "config/function.h"
#include "config/read_conf.h"
#include "config/schema.h"
#include "config/stations.h"
#include "import/synthetic.h"
#include "support/files.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <filesystem>
#include <sstream>
#include <sys/wait.h>
#include <tuple>

namespace fs = std::filesystem;

namespace nimbora {
namespace {

class Cli : public testing::Test, public test::CliHarness {};

TEST_F(Cli, UsageAndHelp)
{
    const Result help = run({"--help"});
    EXPECT_EQ(help.code, kOk);
    EXPECT_NE(help.out.find("station"), std::string::npos);

    for (const auto& args : std::vector<std::vector<std::string>>{{},
                                                                  {"--bogus", "setup"},
                                                                  {"station"},
                                                                  {"station", "new"},
                                                                  {"config", "set", "Rep_Name"}}) {
        const Result r = run(args);
        EXPECT_EQ(r.code, kUsage) << testing::PrintToString(args);
        EXPECT_NE(r.err.find("--help"), std::string::npos) << r.err;
    }
}

TEST_F(Cli, StationsNeedTheInstallation)
{
    const Result r = run({"station", "new", "Hill"});
    EXPECT_EQ(r.code, kFailed);
    EXPECT_NE(r.err.find("New Station: The product folder is not installed"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("nimbora-cli setup"), std::string::npos);
    EXPECT_FALSE(fs::exists(home));
}

TEST_F(Cli, StationLifecycle)
{
    EXPECT_EQ(run({"setup"}).code, kOk);
    EXPECT_EQ(run({"setup"}).out, "already installed in " + home + "\n");

    Result r = run({"station", "new", "Hill"});
    EXPECT_EQ(r.code, kOk);
    EXPECT_EQ(r.err, "New Station: Station created successfully\n");
    EXPECT_EQ(run({"station", "new", "Hill"}).err, "New Station: Could not create station\n");
    EXPECT_EQ(run({"station", "new", "a/b"}).code, kFailed);
    ASSERT_EQ(run({"station", "new", "Dale"}).code, kOk);

    r = run({"station", "open", "Hill"});
    EXPECT_EQ(r.code, kOk);
    EXPECT_EQ(r.out, "Nimbora - [Hill]\n");
    EXPECT_EQ(store.get_string("StationName"), "Hill");
    EXPECT_EQ(run({"station", "list"}).out, "Dale\nHill  (open)\n");
    EXPECT_EQ(run({"station", "open", "Hill"}).err, "Open Station: Station already open!\n");
    r = run({"station", "open", "Nowhere"});
    EXPECT_EQ(r.code, kFailed);
    EXPECT_EQ(r.err, "Open Station: Station not found: Nowhere\n");

    // Without --yes the terminal is asked; anything but yes keeps the station.
    r = run({"station", "delete", "Dale"}, "n\n");
    EXPECT_EQ(r.code, kFailed);
    EXPECT_EQ(r.err, "Delete station 'Dale': Are you sure ? [y/N] ");
    EXPECT_TRUE(fs::is_directory(home + "Dale"));
    EXPECT_EQ(run({"station", "delete", "Dale"}, "").code, kFailed);
    r = run({"station", "delete", "Dale"}, "y\n");
    EXPECT_EQ(r.code, kOk);
    EXPECT_FALSE(fs::exists(home + "Dale"));

    r = run({"station", "delete", "Hill", "--yes"});
    EXPECT_EQ(r.code, kOk);
    EXPECT_EQ(r.err, "Delete Station: Station deleted successfully\n");
    EXPECT_FALSE(store.get_string("StationName"));
    EXPECT_EQ(run({"station", "delete", "Hill", "--yes"}).err,
              "Delete Station: Could not delete station\n");
}

TEST_F(Cli, ConfigShowAndSet)
{
    Result r = run({"config", "show"});
    EXPECT_EQ(r.code, kFailed);
    EXPECT_NE(r.err.find("Error: No station is open"), std::string::npos);

    ASSERT_EQ(run({"setup"}).code, kOk);
    ASSERT_EQ(run({"station", "new", "Hill"}).code, kOk);
    ASSERT_EQ(run({"station", "open", "Hill"}).code, kOk);

    r = run({"config", "set", "Pwd", "s3cret"});
    EXPECT_EQ(r.code, kOk);
    EXPECT_EQ(r.out, "Pwd=********\n");
    r = run({"config", "show"});
    EXPECT_EQ(r.code, kOk);
    EXPECT_EQ(r.out.find("s3cret"), std::string::npos);
    EXPECT_NE(r.out.find("\nPwd              ********\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\nInitPathDB       " + home + "Hill/\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\nIntervMin        60\n"), std::string::npos) << r.out;

    r = run({"config", "set", "TimeStart", "25:00"});
    EXPECT_EQ(r.code, kFailed);
    EXPECT_EQ(r.err, "Error: Invalid Starting Time!\n");

    r = run({"config", "set", "FtpHost", ""}, "n\n");
    EXPECT_EQ(r.code, kFailed);
    EXPECT_EQ(r.err, "Error: Invalid FTP Host!\nContinue anyway? [y/N] ");
    r = run({"config", "set", "FtpHost", ""}, "y\n");
    EXPECT_EQ(r.code, kOk);

    r = run({"config", "set", "Speed", "1"});
    EXPECT_EQ(r.code, kUsage);
    EXPECT_EQ(r.err.rfind("Error: Unknown setting: Speed\nSettings: InitPathRep InitPathDB", 0), 0u)
        << r.err;

    EXPECT_EQ(run({"config", "set", "UnitWind", "knot"}).out, "UnitWind=2\n");
    EXPECT_EQ(run({"config", "set", "ReportUpload", "0"}).err, "Warning: No files selected!\n");

    // What was set is in the station's files, for the next program that reads them.
    Settings s;
    ASSERT_EQ(read_conf(nullptr, kConfEntries, home + "Hill/", s), 0);
    EXPECT_EQ(s.Pwd, "s3cret");
    EXPECT_EQ(s.UnitWind, 2);
    EXPECT_EQ(s.FtpHost, "");
}

TEST_F(Cli, SecureSettingsAndThePasswordFromStandardInput)
{
    ASSERT_EQ(run({"setup"}).code, kOk);
    ASSERT_EQ(run({"station", "new", "Hill"}).code, kOk);
    ASSERT_EQ(run({"station", "open", "Hill"}).code, kOk);
    const std::string conf = home + "Hill/" + kConfFile, dat = home + "Hill/" + kDatFile;

    // The password's own line, never an argument; only its line end is dropped.
    Result r = run({"config", "set", "Pwd", "-"}, "pass phrase -1\r\nnext line\n");
    EXPECT_EQ(r.code, kOk);
    EXPECT_EQ(r.out, "Pwd=********\n");
    Settings s;
    ASSERT_EQ(read_conf(nullptr, kConfEntries, home + "Hill/", s), 0);
    EXPECT_EQ(s.Pwd, "pass phrase -1");
    r = run({"config", "set", "Pwd", "-"}, "");
    EXPECT_EQ(r.code, kFailed);
    EXPECT_EQ(r.err, "Error: Pwd: no password on standard input\n");

    // Refused values leave both files as they were.
    const std::string conf_before = test::read_file(conf), dat_before = test::read_file(dat);
    const std::pair<std::vector<std::string>, std::string> refused[] = {
        {{"Protocol", "scp"}, "Error: Protocol: one of ftp, ftps, sftp (not \"scp\")\n"},
        {{"KeyFile", home + "none"}, "Error: KeyFile: cannot read " + home + "none\n"},
        {{"PinnedKey", "sha256//short="}, ""},
    };
    for (const auto& [args, err] : refused) {
        std::vector<std::string> argv = {"config", "set"};
        argv.insert(argv.end(), args.begin(), args.end());
        r = run(argv);
        EXPECT_EQ(r.code, kFailed) << args[0];
        if (!err.empty()) {
            EXPECT_EQ(r.err, err);
        }
        EXPECT_EQ(r.err.rfind("Error: " + args[0] + ": ", 0), 0u) << r.err;
    }
    EXPECT_EQ(test::read_file(conf), conf_before);
    EXPECT_EQ(test::read_file(dat), dat_before);

    EXPECT_EQ(run({"config", "set", "Protocol", "SFTP"}).out, "Protocol=sftp\n");
    EXPECT_EQ(run({"config", "set", "KeyFile", conf}).out, "KeyFile=" + conf + "\n");
    EXPECT_EQ(run({"config", "set", "AtomicUpload", "0"}).code, kOk);
    r = run({"config", "show"});
    EXPECT_NE(r.out.find("\nProtocol         sftp\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\nKeyFile          " + conf + "\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\nCaFile           \n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\nPinnedKey        \n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\nAtomicUpload     0\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("pass phrase"), std::string::npos);
    ASSERT_EQ(read_conf(nullptr, kConfEntries, home + "Hill/", s), 0);
    EXPECT_EQ(s.Protocol, "sftp");
    EXPECT_EQ(s.AtomicUpload, 0);
}

TEST_F(Cli, StationOptionUsesAnotherStation)
{
    ASSERT_EQ(run({"setup"}).code, kOk);
    ASSERT_EQ(run({"station", "new", "Hill"}).code, kOk);
    ASSERT_EQ(run({"station", "new", "Dale"}).code, kOk);
    ASSERT_EQ(run({"station", "open", "Hill"}).code, kOk);
    ASSERT_EQ(run({"--station", "Dale", "config", "set", "Rep_City", "Lowtown"}).code, kOk);
    EXPECT_NE(run({"--station", "Dale", "config", "show"}).out.find("Lowtown"), std::string::npos);
    EXPECT_EQ(run({"config", "show"}).out.find("Lowtown"), std::string::npos);
    EXPECT_EQ(store.get_string("StationName"), "Hill");
    Result r = run({"--station", "Gone", "config", "show"});
    EXPECT_EQ(r.code, kFailed);
    EXPECT_EQ(r.err, "Error: Station not found: Gone\n");
}

TEST_F(Cli, ImportAndInfo)
{
    ASSERT_EQ(run({"setup"}).code, kOk);
    ASSERT_EQ(run({"station", "new", "Hill"}).code, kOk);
    ASSERT_EQ(run({"station", "open", "Hill"}).code, kOk);
    const std::string wlk = home + "Hill/";

    Result r = run({"import"});
    EXPECT_EQ(r.code, kUsage);
    EXPECT_EQ(r.err, "Error: Name the WLK files to import, or --all for every one\n");
    r = run({"import", "--all"});
    EXPECT_EQ(r.code, kFailed);
    EXPECT_EQ(r.err, "Error: Wlk file(s) not found\n");

    ASSERT_TRUE(write_synthetic_month(wlk + "2008-06.wlk", 2008, 6, 60, 1));
    ASSERT_TRUE(write_synthetic_month(wlk + "2008-05.WLK", 2008, 5, 60, 2));
    ASSERT_TRUE(write_synthetic_month(dir.folder() + "2009-01.wlk", 2009, 1, 60, 3));
    r = run({"import", "--all"});
    EXPECT_EQ(r.code, kOk) << r.err;
    EXPECT_EQ(r.err, "Load Database: Load completed\n\nNew records loaded:    1464\n"
                     "Records skipped:         0\n");
    r = run({"import", dir.folder() + "2009-01.wlk", "2008-05.WLK", "--reload"});
    EXPECT_EQ(r.code, kOk) << r.err;
    EXPECT_NE(r.err.find("New records loaded:    1488"), std::string::npos) << r.err;

    r = run({"info"});
    EXPECT_EQ(r.code, kOk);
    EXPECT_EQ(r.out, "First record: 01/05/2008 01:00\nLast record:  31/01/2009 24:00\n"
                     "2008: May June\n2009: January\n");

    r = run({"import", "2008-07.wlk"});
    EXPECT_EQ(r.code, kFailed);
    EXPECT_NE(r.err.find("2008-07.wlk: Error opening file"), std::string::npos) << r.err;
}

TEST_F(Cli, Reports)
{
    ASSERT_EQ(run({"setup"}).code, kOk);
    ASSERT_EQ(run({"station", "new", "Hill"}).code, kOk);
    ASSERT_EQ(run({"station", "open", "Hill"}).code, kOk);
    const std::string folder = home + "Hill/";
    ASSERT_TRUE(write_synthetic_month(folder + "2008-05.wlk", 2008, 5, 60, 2));
    ASSERT_EQ(run({"import", "--all"}).code, kOk);

    Result r = run({"report", "monthly", "--year", "2008", "--month", "may"});
    EXPECT_EQ(r.code, kOk) << r.err;
    EXPECT_EQ(r.out, folder + "May_2008.txt\n");
    EXPECT_EQ(r.err, "Report: May_2008.txt created successfully! \n");
    r = run({"report", "monthly", "--year", "2008", "--month", "5", "--wind-detail", "--decades"});
    EXPECT_EQ(r.out, folder + "May_2008.txt\n" + folder + "May_2008_wind.txt\n");
    EXPECT_TRUE(fs::is_regular_file(folder + "May_2008_wind.txt"));

    for (const auto& [month, error] :
         std::vector<std::pair<std::string, std::string>>{{"13", "Error: Not a month: 13\n"},
                                                          {"Mai", "Error: Not a month: Mai\n"},
                                                          {"", "Error: Not a month: \n"}}) {
        r = run({"report", "monthly", "--year", "2008", "--month", month});
        EXPECT_EQ(r.code, kUsage);
        EXPECT_EQ(r.err, error);
    }
    r = run({"report", "monthly", "--year", "2008", "--month", "June"});
    EXPECT_EQ(r.code, kFailed);
    EXPECT_EQ(r.err, "Report: No data for June 2008\n");
    EXPECT_FALSE(fs::exists(folder + "June_2008.txt"));

    r = run({"report", "annual", "--year", "2008"});
    EXPECT_EQ(r.code, kOk) << r.err;
    EXPECT_EQ(r.out, folder + "Year2008.txt\n");
    EXPECT_EQ(r.err, "Report: Year2008.txt created successfully! \n");
    r = run({"report", "annual", "--year", "08"});
    EXPECT_EQ(r.code, kUsage);
    EXPECT_EQ(r.err, "Error: Not a year: 08\n");
    EXPECT_EQ(run({"report", "annual", "--year", "2007"}).err, "Report: No data for 2007\n");

    r = run({"report", "global"});
    EXPECT_EQ(r.code, kOk) << r.err;
    EXPECT_EQ(r.out, folder + "Global.txt\n");
    r = run({"report", "range", "--from", "2008-05-30", "--to", "2008-05-31"});
    EXPECT_EQ(r.code, kOk) << r.err;
    EXPECT_EQ(r.out, folder + "Report 30052008-31052008.txt\n");
    EXPECT_EQ(r.err, "Report: Report 30052008-31052008.txt created successfully!\n");
    for (const auto& [from, to, error] :
         std::vector<std::tuple<std::string, std::string, std::string>>{
             {"2008-04-30", "2008-05-02", "Error: Start Date out of range!\n"},
             {"2008-05-02", "2008-06-01", "Error: End Date out of range!\n"},
             {"2008-05-03", "2008-05-02", "Error: End Date minor of Start Date!\n"}}) {
        r = run({"report", "range", "--from", from, "--to", to});
        EXPECT_EQ(r.code, kFailed) << from;
        EXPECT_EQ(r.err, error) << from;
    }
    r = run({"report", "range", "--from", "2008-02-30", "--to", "2008-05-31"});
    EXPECT_EQ(r.code, kUsage);
    EXPECT_EQ(r.err, "Error: Not a date (YYYY-MM-DD): 2008-02-30\n");

    // The current month comes from its WLK file, not from the database.
    const LocalTime now = local_now();
    const std::string this_month = strf("%04d-%02d.wlk", now.year, now.month);
    r = run({"report", "current"});
    EXPECT_EQ(r.code, kFailed);
    EXPECT_EQ(r.err, "Error: " + folder + this_month + ": Error opening file\n");
    ASSERT_TRUE(write_synthetic_month(folder + this_month, now.year, now.month, 60, 5));
    r = run({"report", "current", "--decades"});
    EXPECT_EQ(r.code, kOk) << r.err;
    const std::string name = std::string(mesi[static_cast<std::size_t>(now.month - 1)]) + "_" +
                             std::to_string(now.year) + ".txt";
    EXPECT_EQ(r.out, folder + name + "\n");
    EXPECT_EQ(r.err, "Report: " + name + " created successfully! \n");
}

TEST_F(Cli, StatsReport)
{
    ASSERT_EQ(run({"setup"}).code, kOk);
    ASSERT_EQ(run({"station", "new", "Hill"}).code, kOk);
    ASSERT_EQ(run({"station", "open", "Hill"}).code, kOk);
    const std::string folder = home + "Hill/";
    ASSERT_TRUE(write_synthetic_month(folder + "2008-05.wlk", 2008, 5, 60, 2));
    ASSERT_EQ(run({"import", "--all"}).code, kOk);

    // All time: the title carries the dates of the first and the last record.
    Result r = run({"report", "stats"});
    EXPECT_EQ(r.code, kOk) << r.err;
    EXPECT_EQ(r.out, folder + "Statistics.txt\n");
    EXPECT_EQ(r.err, "Summary: Statistics.txt created successfully! \n");
    const std::string text = test::read_file(folder + "Statistics.txt");
    EXPECT_EQ(text.substr(0, text.find('\r')), "\t\tStatistics   01/05/2008 - 31/05/2008");

    r = run({"report", "stats", "--year", "2008"});
    EXPECT_EQ(r.code, kOk) << r.err;
    EXPECT_EQ(r.out, folder + "2008_Statistics.txt\n");
    EXPECT_EQ(r.err, "Summary: 2008_Statistics.txt created successfully! \n");
    r = run({"report", "stats", "--year", "208"});
    EXPECT_EQ(r.code, kUsage);
    EXPECT_EQ(r.err, "Error: Not a year: 208\n");
    r = run({"report", "stats", "--year", "2007"});
    EXPECT_EQ(r.code, kFailed);
    EXPECT_EQ(r.err, "Summary: No data for 2007\n");
    EXPECT_FALSE(fs::exists(folder + "2007_Statistics.txt"));

    r = run({"report", "stats", "--year", "2008", "--monthly-detail"});
    EXPECT_EQ(r.code, kOk) << r.err;
    EXPECT_EQ(r.out, folder + "2008_Statistics_Dett.txt\n");
    EXPECT_EQ(r.err, "Statistics: 2008_Statistics_Dett.txt created successfully! \n");
    const std::string detail = test::read_file(folder + "2008_Statistics_Dett.txt");
    EXPECT_EQ(detail.substr(0, detail.find('\r')), "    Year 2008 Statistics - Monthly Detail");
    EXPECT_NE(detail.find("\r\n  May 2008\r\n"), std::string::npos);
    // "9999" is the statistics' word for all time: the same file, named as written.
    r = run({"report", "stats", "--year", "9999"});
    EXPECT_EQ(r.code, kOk) << r.err;
    EXPECT_EQ(r.out, folder + "Statistics.txt\n");
    EXPECT_EQ(test::read_file(folder + "Statistics.txt"), text);
    EXPECT_FALSE(fs::exists(folder + "9999_Statistics.txt"));
    // As in the dialog, the monthly detail is only for a year.
    r = run({"report", "stats", "--monthly-detail"});
    EXPECT_EQ(r.code, kUsage);
    EXPECT_EQ(r.err, "Error: --monthly-detail needs --year\n");
    EXPECT_EQ(r.out, "");
}

// A job's question on the command line is never put to the terminal: nobody may be there
// (the daemon), and what is typed belongs to the command. The caller's answer is taken.
TEST(CliOwner, AJobsQuestionTakesTheAnswerForNoOneToAskAndReadsNothing)
{
    std::istringstream in("y\n");
    std::ostringstream out, err;
    Console console{in, out, err};
    CliOwner owner(console);
    EXPECT_FALSE(owner.question("Upload", "Send anyway?", Icon::question, false));
    EXPECT_TRUE(owner.question("Report", "Keep the old file?", Icon::warning, true));
    EXPECT_EQ(err.str(), "Upload: Send anyway? [No]\nReport: Keep the old file? [Yes]\n");
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(in.tellg(), 0);  // the typed answer is still there
    EXPECT_FALSE(owner.failed());
}

// A statement that fails: SQLite's text, no file named or announced, and exit 1.
TEST_F(Cli, FailedStatementExitsOne)
{
    ASSERT_EQ(run({"setup"}).code, kOk);
    ASSERT_EQ(run({"station", "new", "Hill"}).code, kOk);
    ASSERT_EQ(run({"station", "open", "Hill"}).code, kOk);
    const std::string folder = home + "Hill/";
    ASSERT_TRUE(write_synthetic_month(folder + "2008-05.wlk", 2008, 5, 60, 2));
    ASSERT_EQ(run({"import", "--all"}).code, kOk);
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open((folder + kDbFile).c_str(), &db), SQLITE_OK);
        EXPECT_EQ(
            sqlite3_exec(db, "ALTER TABLE datimeteo DROP COLUMN HiUV", nullptr, nullptr, nullptr),
            SQLITE_OK);
        sqlite3_close(db);
    }
    const Result r = run({"report", "monthly", "--year", "2008", "--month", "5"});
    EXPECT_EQ(r.code, kFailed);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Database: no such column: HiUV\n");
    EXPECT_FALSE(fs::exists(folder + "May_2008.txt"));
}

TEST(CliProgram, RunsAsAProgram)
{
    test::TempDir dir;
    const std::string command = std::string(NIMBORA_CLI) + " --home '" + dir.folder() +
                                "P' setup > '" + dir.folder() + "out.txt' 2>&1";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << test::read_file(dir.path() / "out.txt");
    EXPECT_TRUE(fs::is_regular_file(dir.path() / "P" / "nimbrep.dat"));
    const int bad = std::system((std::string(NIMBORA_CLI) + " --nope > /dev/null 2>&1").c_str());
    EXPECT_EQ(WEXITSTATUS(bad), 2);
}

}  // namespace
}  // namespace nimbora
