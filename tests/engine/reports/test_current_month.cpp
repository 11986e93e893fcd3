// SPDX-License-Identifier: GPL-3.0-or-later
#include "reports/current_month.h"

#include "config/install.h"
#include "config/schema.h"
#include "config/stations.h"
#include "import/WlkWriter.h"
#include "import/load_db.h"
#include "support/RecordingOwner.h"
#include "support/WatchingOwner.h"
#include "support/files.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace nimbora {
namespace {

using test::RecordingOwner;
using test::TempDir;

WlkArchiveRecord minute(int time, std::int16_t temperature = 500)
{
    WlkArchiveRecord r;
    r.interval = 1;
    r.time = static_cast<std::int16_t>(time);
    r.temperature = r.hi_temperature = r.low_temperature = temperature;
    r.humidity = 800;
    r.barometer = 30000;
    r.wind_speed = r.hi_wind_speed = 50;
    r.wind_direction = 4;
    return r;
}

// A station whose current month is March 2009.
class CurrentMonth : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(install_product(nullptr, dir.folder()).ok);
        settings.InitPathDB = settings.InitPathWLK = settings.InitPathRep = dir.folder();
        settings.ReportChk[kTemperature] = settings.ReportChk[kSamples] = 1;
    }

    // Days 1 and 2 of 500 one-minute records each.
    void write_month(const std::string& name)
    {
        WlkWriter w;
        for (int day = 1; day <= 2; ++day) {
            std::vector<WlkArchiveRecord> records;
            for (int t = 1; t <= 500; ++t) records.push_back(minute(t));
            w.add_day(day, records);
        }
        ASSERT_TRUE(w.write(dir.folder() + name));
    }

    int run(int month, Owner* to, int* report = nullptr)
    {
        ReportJob job;
        job.hOwner = to;
        job.settings = settings;
        job.Table = "TempMeteo";
        job.year = 2009;
        job.month = month;
        job.busy = BusyClaim::try_claim(ThActive);
        const int result = LoadTempTable(job, report);
        EXPECT_EQ(ThActive, 0);
        return result;
    }

    std::string stored()
    {
        auto db = Db::open(nullptr, dir.folder() + kDbFile);
        return db->query(nullptr, "select count(*) from datimeteo").rows[0][0];
    }

    TempDir dir;
    Settings settings;
    RecordingOwner owner;
};

TEST_F(CurrentMonth, ReportsFromTheFileWithoutTouchingTheStation)
{
    write_month("2009-03.wlk");
    int report = -2;
    EXPECT_EQ(run(3, &owner, &report), 0);
    EXPECT_EQ(report, 0);
    EXPECT_EQ(stored(), "0");
    EXPECT_EQ(owner.lines(),
              std::vector<std::string>{"Report: March_2009.txt created successfully! "});
    const std::vector<std::string>& st = owner.statuses;
    EXPECT_EQ(std::count(st.begin(), st.end(), "Please wait...    500"), 1);
    EXPECT_EQ(std::count(st.begin(), st.end(), "Please wait...   1000"), 1);
    EXPECT_EQ(std::count(st.begin(), st.end(), "Please wait...      0"), 0);
    const std::string text = test::read_file(dir.path() / "March_2009.txt");
    EXPECT_NE(text.find("\r\n 1    10.0   10.0   0:01   10.0   0:01     500 \r\n"),
              std::string::npos)
        << text;
}

TEST_F(CurrentMonth, RecordsAlreadyImportedStillCount)
{
    write_month("2009-03.wlk");
    ReportJob import;
    import.settings = settings;
    import.Files = {"2009-03.wlk"};
    ASSERT_EQ(load_db(import).RecTot, 1000);
    int report = -2;
    EXPECT_EQ(run(3, nullptr, &report), 0);  // the upload's run: nobody to tell
    EXPECT_EQ(report, 0);
    EXPECT_NE(test::read_file(dir.path() / "March_2009.txt").find(" 2    10.0"), std::string::npos);
}

TEST_F(CurrentMonth, JanuaryIsMonthOne)
{
    WlkWriter w;
    w.add_day(5, {minute(60), minute(60), minute(120)});  // a repeated minute is dropped
    ASSERT_TRUE(w.write(dir.folder() + "2009-01.wlk"));
    EXPECT_EQ(run(1, &owner), 0);
    EXPECT_TRUE(fs::exists(dir.path() / "January_2009.txt"));
    EXPECT_EQ(owner.lines(),
              std::vector<std::string>{"Report: January_2009.txt created successfully! "});
    // The dropped record left the count at 1 after the second record: progress said so.
    EXPECT_EQ(std::count(owner.statuses.begin(), owner.statuses.end(), "Please wait...      0"), 0);
}

TEST_F(CurrentMonth, NoFileOrNoRecordsMeansNoReport)
{
    int report = -2;
    EXPECT_EQ(run(4, &owner, &report), 0);
    EXPECT_EQ(report, -1);
    EXPECT_EQ(owner.lines(), std::vector<std::string>{"Error: " + dir.folder() +
                                                      "2009-04.wlk: Error opening file"});

    WlkWriter empty;
    empty.add_day(1, {});
    ASSERT_TRUE(empty.write(dir.folder() + "2009-05.wlk"));
    RecordingOwner quiet;
    EXPECT_EQ(run(5, &quiet, &report), 0);
    EXPECT_EQ(report, -1);
    EXPECT_TRUE(quiet.lines().empty());
    EXPECT_FALSE(fs::exists(dir.path() / "May_2009.txt"));
}

TEST_F(CurrentMonth, MissingDatabase)
{
    fs::remove(dir.path() / kDbFile);
    EXPECT_EQ(run(3, &owner), 1);
    EXPECT_EQ(owner.lines(),
              std::vector<std::string>{"Error: Can't open database: " + dir.folder() + kDbFile +
                                       ": unable to open database file\n"});
    EXPECT_EQ(owner.busy_calls, (std::vector<bool>{true, false}));
}

// The report's message comes from inside the job, but is shown where the job ends: after
// ThActive is released and the menus are given back.
TEST_F(CurrentMonth, ReportMessageWaitsForTheEndOfTheJob)
{
    test::WatchingOwner watching;
    write_month("2009-03.wlk");
    EXPECT_EQ(run(3, &watching), 0);
    EXPECT_EQ(watching.lines(),
              std::vector<std::string>{"Report: March_2009.txt created successfully! "});
    EXPECT_EQ(watching.free_when_told, std::vector<bool>{true});
    EXPECT_EQ(watching.menu_calls, (std::vector<bool>{false, true}));
}

// Only a second record of a minute is dropped; any other failed insert (here the temporary
// database is full) fails the month, so a short month is never reported as whole.
TEST_F(CurrentMonth, FullTemporaryTableFailsTheMonth)
{
    write_month("2009-03.wlk");
    auto db = Db::open(nullptr, dir.folder() + kDbFile);
    ASSERT_TRUE(db);
    ASSERT_TRUE(db->exec(nullptr, kCreateTempMeteo));
    ASSERT_TRUE(db->exec(nullptr, "PRAGMA temp.max_page_count=3"));
    EXPECT_EQ(carica_wlk2(&owner, *db, dir.folder(), "2009-03.wlk"), -1);
    EXPECT_EQ(owner.lines(), std::vector<std::string>{"Database: database or disk is full"});
}

}  // namespace
}  // namespace nimbora
