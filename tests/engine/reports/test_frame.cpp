// SPDX-License-Identifier: GPL-3.0-or-later
// Every report kind through its frame: the final message after the flag and the menus are
// free, one failure rule, and files put in place whole or not at all.
#include "reports/frame.h"

#include "config/Db.h"
#include "config/stations.h"
#include "jobs/busy.h"
#include "reports/GlobalRep.h"
#include "reports/MonthRep.h"
#include "reports/ReportRange.h"
#include "reports/YearRep.h"
#include "reports/summary.h"
#include "support/WatchingOwner.h"
#include "support/report_station.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

namespace fs = std::filesystem;

namespace nimbora {
namespace {

using test::ByName;

using test::WatchingOwner;

struct Kind {
    const char* name;
    int (*report)(ReportJob&);
    void (*ask)(ReportJob&);         // what the job asks for
    std::vector<std::string> files;  // what it writes
    bool checks_records;             // says "No data" of an empty database
};

const Kind kKinds[] = {
    {"Monthly",
     MonthReport,
     [](ReportJob& j) {
         j.Table = "DatiMeteo";
         j.year = 2009;
         j.month = 3;
     },
     {"March_2009.txt", "March_2009_wind.txt"},
     true},
    {"Annual", YearReport, [](ReportJob& j) { j.year = 2009; }, {"Year2009.txt"}, true},
    {"Global", GlobalReport, [](ReportJob&) {}, {"Global.txt"}, true},
    {"Range",
     ReportRange,
     [](ReportJob& j) {
         j.Table = "DatiMeteo";
         j.from = {2009, 3, 5};
         j.to = {2009, 4, 10};
     },
     {"Report 05032009-10042009.txt"},
     true},
    {"Statistics", MkSummary, [](ReportJob& j) { j.year = 2009; }, {"2009_Statistics.txt"}, true},
    {"StatisticsAllTime",
     MkSummary,
     [](ReportJob& j) {
         j.all_time = true;
         j.first_record_day = "05/03/2009";
         j.last_record_day = "10/04/2009";
     },
     {"Statistics.txt"},
     false},
    {"MonthlyDetail",
     MkSummaryMonth,
     [](ReportJob& j) { j.year = 2009; },
     {"2009_Statistics_Dett.txt"},
     true},
};

class EveryReport : public testing::TestWithParam<Kind>, public test::ReportStation {
protected:
    void SetUp() override { all_columns(); }

    // Two days of March 2009 and one of April, with a record of every column.
    void insert_records()
    {
        const SqliteHandle db = open_db();
        ASSERT_TRUE(db);
        for (const char* row : {"'2009','03','05','06:00'", "'2009','03','05','14:00'",
                                "'2009','03','06','06:00'", "'2009','04','10','06:00'"}) {
            const std::string sql =
                std::string("insert into datimeteo (year,month,day,time,temperature,hitemp,") +
                "lowtemp,humidity,dewpoint,windspeed,gustspeed,direction,rain,rainrate,pressure,"
                "heatindex,windchill,solarrad,hisolarrad,et,uv,hiuv,windrun) values (" +
                row + ",10,12,8,50,5,3,6,'  N',0.4,0,1013,10,9,100,200,0.1,1,2,1)";
            ASSERT_EQ(sqlite3_exec(db.get(), sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
                << sqlite3_errmsg(db.get());
        }
    }

    int run()
    {
        const Kind& k = GetParam();
        ReportJob job;
        job.hOwner = &owner;
        job.settings = settings;
        k.ask(job);
        job.wind_detail = true;
        job.busy = BusyClaim::try_claim(ThActive);
        const int result = k.report(job);
        EXPECT_EQ(ThActive, 0);
        return result;
    }

    // The names in the report folder.
    std::set<std::string> folder() const
    {
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(dir.path()))
            names.insert(e.path().filename().string());
        return names;
    }
    std::set<std::string> folder_with_reports() const
    {
        std::set<std::string> names = before;
        names.insert(GetParam().files.begin(), GetParam().files.end());
        return names;
    }

    WatchingOwner owner;
    std::set<std::string> before = folder();
};

TEST_P(EveryReport, AnnouncesItsFilesOnceTheFlagAndMenusAreFree)
{
    insert_records();
    EXPECT_EQ(run(), 0);
    ASSERT_EQ(owner.messages.size(), 1u) << owner.lines()[0];
    EXPECT_EQ(owner.messages[0].icon, Icon::information);
    EXPECT_NE(owner.messages[0].text.find("created successfully!"), std::string::npos);
    EXPECT_EQ(owner.free_when_told, std::vector<bool>{true});
    EXPECT_EQ(owner.menu_calls, (std::vector<bool>{false, true}));
    EXPECT_EQ(owner.busy_calls, (std::vector<bool>{true, false}));
    EXPECT_EQ(folder(), folder_with_reports());  // and no temporary file left
    for (const std::string& name : GetParam().files) EXPECT_FALSE(file(name).empty()) << name;
}

// A statement failing in the body (here every query of the UV columns): one "Database"
// message with SQLite's text, told after the flag is free; no file announced, and the files
// of the previous run stay byte for byte.
TEST_P(EveryReport, FailedStatementKeepsThePreviousFiles)
{
    insert_records();
    for (const std::string& name : GetParam().files)
        test::write_file(dir.path() / name, "the previous " + name + "\r\n");
    {
        const SqliteHandle db = open_db();
        ASSERT_EQ(sqlite3_exec(db.get(), "ALTER TABLE datimeteo DROP COLUMN HiUV", nullptr, nullptr,
                               nullptr),
                  SQLITE_OK);
    }
    before = folder();

    EXPECT_EQ(run(), 1);
    ASSERT_EQ(owner.messages.size(), 1u);
    EXPECT_EQ(owner.messages[0].caption, "Database");
    EXPECT_EQ(owner.messages[0].text, "no such column: HiUV");
    EXPECT_EQ(owner.messages[0].icon, Icon::warning);
    EXPECT_EQ(owner.free_when_told, std::vector<bool>{true});
    EXPECT_EQ(folder(), before);
    for (const std::string& name : GetParam().files)
        EXPECT_EQ(file(name), "the previous " + name + "\r\n");
}

// Nothing to report: "No data ...", told after the flag is free, and no file. The all-time
// statistics report an empty database (all zeros) instead.
TEST_P(EveryReport, EmptyDatabaseWritesNothing)
{
    const int result = run();
    ASSERT_EQ(owner.messages.size(), 1u);
    EXPECT_EQ(owner.free_when_told, std::vector<bool>{true});
    if (!GetParam().checks_records) {
        EXPECT_EQ(result, 0);
        EXPECT_EQ(folder(), folder_with_reports());
        return;
    }
    EXPECT_EQ(result, 1);
    EXPECT_EQ(owner.messages[0].text.rfind("No data", 0), 0u) << owner.messages[0].text;
    EXPECT_EQ(folder(), before);
}

// The report folder is gone: the final name is the one told, and nothing is left behind.
TEST_P(EveryReport, FolderThatCannotHoldTheFile)
{
    insert_records();
    settings.InitPathRep = dir.folder() + "missing/";
    EXPECT_EQ(run(), 1);
    EXPECT_EQ(owner.lines(),
              std::vector<std::string>{"Error: " + settings.InitPathRep + GetParam().files[0] +
                                       ": Error creating file"});
    EXPECT_EQ(owner.free_when_told, std::vector<bool>{true});
    EXPECT_EQ(folder(), before);
}

INSTANTIATE_TEST_SUITE_P(Kinds, EveryReport, testing::ValuesIn(kKinds), ByName());

// A monthly report asked without the wind detail removes the wind file of an earlier run,
// but only once the report itself is in place.
TEST(ReportFrameWind, StaleWindFileGoesOnlyWithASuccessfulReport)
{
    test::ReportStation st;
    st.all_columns();
    test::write_file(st.dir.path() / "March_2009_wind.txt", "earlier\r\n");
    ReportJob job;
    job.Table = "DatiMeteo";
    job.year = 2009;
    job.month = 3;
    EXPECT_EQ(st.run_job(MonthReport, job), 1);  // no records: nothing changes
    EXPECT_TRUE(st.exists("March_2009_wind.txt"));

    const SqliteHandle db = st.open_db();
    ASSERT_EQ(sqlite3_exec(db.get(),
                           "insert into datimeteo (year,month,day,time,temperature) values "
                           "('2009','03','05','06:00',10)",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    EXPECT_EQ(st.run_job(MonthReport, job), 0);
    EXPECT_TRUE(st.exists("March_2009.txt"));
    EXPECT_FALSE(st.exists("March_2009_wind.txt"));
}

// A report name linked elsewhere (a web folder) stays a link; the file it points to gets the
// report, as when the file was written through the link.
TEST(ReportFrameLink, LinkedReportNameStaysALink)
{
    test::ReportStation st;
    st.all_columns();
    const SqliteHandle db = st.open_db();
    ASSERT_EQ(sqlite3_exec(db.get(),
                           "insert into datimeteo (year,month,day,time,temperature) values "
                           "('2009','03','05','06:00',10)",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    fs::create_directories(st.dir.path() / "web");
    test::write_file(st.dir.path() / "web" / "march.txt", "old\r\n");
    fs::create_symlink(st.dir.path() / "web" / "march.txt", st.dir.path() / "March_2009.txt");
    ReportJob job;
    job.Table = "DatiMeteo";
    job.year = 2009;
    job.month = 3;
    EXPECT_EQ(st.run_job(MonthReport, job), 0);
    EXPECT_TRUE(fs::is_symlink(st.dir.path() / "March_2009.txt"));
    const std::string text = test::read_file(st.dir.path() / "web" / "march.txt");
    EXPECT_EQ(text.rfind("        MONTHLY CLIMATOLOGICAL REPORT - March 2009\r\n", 0), 0u);
    EXPECT_EQ(fs::directory_iterator(st.dir.path() / "web")->path().filename(), "march.txt");
}

}  // namespace
}  // namespace nimbora
