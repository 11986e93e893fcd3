// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/load_db.h"

#include "config/db_helpers.h"
#include "config/install.h"
#include "config/schema.h"
#include "config/stations.h"
#include "import/WlkWriter.h"
#include "import/insert.h"
#include "import/synthetic.h"
#include "support/RecordingOwner.h"
#include "support/WatchingOwner.h"
#include "support/files.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace nimbora {
namespace {

using test::read_file;
using test::RecordingOwner;
using test::TempDir;

// A station folder with the template database, its WLK files beside it.
class Import : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(install_product(nullptr, dir.folder()).ok);
        settings.InitPathDB = settings.InitPathWLK = dir.folder();
        ThActive = 0;
    }

    ImportResult import(std::vector<std::string> files, bool reload = false)
    {
        ReportJob job;
        job.hOwner = &owner;
        job.settings = settings;
        job.Files = std::move(files);
        job.reload = reload;
        job.busy = BusyClaim::try_claim(ThActive);
        ImportResult r = load_db(job);
        EXPECT_EQ(ThActive, 0);
        return r;
    }

    Rows rows(const char* sql)
    {
        auto db = Db::open(nullptr, db_path());
        return db ? db->query(nullptr, sql).rows : Rows{};
    }
    std::string count() { return rows("select count(*) from datimeteo")[0][0]; }
    std::string db_path() const { return dir.folder() + kDbFile; }
    std::string last_message() const { return owner.lines().empty() ? "" : owner.lines().back(); }

    TempDir dir;
    Settings settings;
    RecordingOwner owner;
};

std::string completed(int loaded, int skipped)
{
    char text[128];
    std::snprintf(
        text, sizeof text,
        "Load Database: Load completed\n\nNew records loaded: %7d\nRecords skipped:   %7d", loaded,
        skipped);
    return text;
}

WlkArchiveRecord at(int minutes)
{
    WlkArchiveRecord r;
    r.interval = 5;
    r.time = static_cast<std::int16_t>(minutes);
    r.temperature = 725;
    r.humidity = 657;
    r.barometer = 30000;
    r.wind_speed = 100;
    r.wind_direction = 0;
    return r;
}

TEST_F(Import, LoadsThenSkipsThenReloads)
{
    ASSERT_TRUE(write_synthetic_month(dir.folder() + "2012-03.wlk", 2012, 3, 30, 7));
    const ImportResult first = import({"2012-03.wlk"});
    EXPECT_EQ(first.code, 0);
    EXPECT_EQ(first.RecTot, 31 * 48);
    EXPECT_EQ(first.RecErr, 0);
    EXPECT_EQ(last_message(), completed(1488, 0));
    EXPECT_EQ(count(), "1488");
    EXPECT_EQ(read_file(dir.path() / "log.txt"), "  2012-03.wlk\r\n"
                                                 "N\xB0 records read:     1488\r\n"
                                                 "N\xB0 records loaded:   1488\r\n"
                                                 "N\xB0 records skipped:     0\r\n\r\n\r\n");
    EXPECT_EQ(read_file(dir.path() / "error.txt"), "");
    EXPECT_EQ(owner.statuses,
              (std::vector<std::string>{"Load 2012-03.wlk: ", "Load 2012-03.wlk:    500",
                                        "Load 2012-03.wlk:   1000", ""}));
    EXPECT_EQ(owner.busy_calls, (std::vector<bool>{true, false}));

    const ImportResult again = import({"2012-03.wlk"});
    EXPECT_EQ(again.RecTot, 1488);
    EXPECT_EQ(again.RecErr, 1488);
    EXPECT_EQ(last_message(), completed(0, 1488));
    const std::string errors = read_file(dir.path() / "error.txt");
    EXPECT_EQ(errors.substr(0, 15), "  2012-03.wlk\r\n");
    EXPECT_EQ(
        errors.find("19: UNIQUE constraint failed: datimeteo.Year, datimeteo.Month, "
                    "datimeteo.Day, datimeteo.Time - INSERT INTO datimeteo values('2012','03',"
                    "'01','00:30',"),
        15u);
    EXPECT_EQ(errors.substr(errors.size() - 5), ")\r\n\r\n");
    std::size_t lines = 0;
    for (std::size_t at = 0; (at = errors.find("\r\n", at)) != std::string::npos; at += 2) ++lines;
    EXPECT_EQ(lines, 1u + 1488u + 1u);

    const ImportResult reload = import({"2012-03.wlk"}, true);
    EXPECT_EQ(reload.RecErr, 0);
    EXPECT_EQ(last_message(), completed(1488, 0));
    EXPECT_EQ(count(), "1488");
}

TEST_F(Import, StoresTheConvertedValues)
{
    WlkArchiveRecord a = at(5), b = at(1440), c = at(10), d = at(15);
    b.humidity = 0;  // no dew point
    c.uv = 0;
    c.rain = wlk_rain(1, 5);
    c.rain_rate = kRawMissing;
    d.wind_direction = 200;
    d.type = 2;  // not an archive record: skipped
    WlkWriter w;
    w.add_day(1, {a, c, d, b});
    ASSERT_TRUE(w.write(dir.folder() + "2008-05.wlk"));
    ASSERT_EQ(import({"2008-05.wlk"}).RecTot, 3);

    const Rows r = rows("select * from datimeteo order by time");
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0], (std::vector<std::string>{"2008", "05",  "01",     "00:05",    "22.5",   "",
                                              "",     "65",  "15.584", "1015.917", "16.093", "",
                                              "  N",  "0.0", "0.0",    "22.5",     "22.5",   "",
                                              "",     "",    "",       "",         "1.34"}));
    EXPECT_EQ(r[1][3], "00:10");
    EXPECT_EQ(r[1][13], "1.27");  // five tips of 0.01 inch
    EXPECT_EQ(r[1][14], "0.0");   // a missing rain rate is 0.0, not NULL
    EXPECT_EQ(r[1][20], "0.0");   // UV 0 is a value
    EXPECT_EQ(r[2][3], "24:00");
    EXPECT_EQ(r[2][8], "");  // humidity 0: the dew point is NULL, never NaN
    EXPECT_EQ(
        rows("select typeof(humidity), typeof(dewpoint) from datimeteo where time='24:00'")[0],
        (std::vector<std::string>{"integer", "null"}));
}

TEST_F(Import, BoundValuesEqualThePrintedStatement)
{
    // Every row of a synthetic month stored through the text statement and through the
    // prepared one: the two tables must hold the very same values.
    auto db = Db::open(nullptr, db_path());
    ASSERT_TRUE(db);
    ASSERT_TRUE(db->exec(nullptr, "CREATE TABLE copy AS SELECT * FROM datimeteo WHERE 0"));
    sqlite3_stmt* raw = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db->get(), insert_sql("copy").c_str(), -1, &raw, nullptr),
              SQLITE_OK);
    StmtHandle insert(raw);
    ASSERT_TRUE(db->exec(nullptr, "BEGIN"));
    int n = 0;
    for (const SyntheticDay& day : synthetic_month(2011, 7, 1, 99)) {
        WeatherData w;
        std::strcpy(w.Year, "2011");
        std::strcpy(w.Month, "07");
        std::snprintf(w.Day, sizeof w.Day, "%02d", day.day);
        for (const WlkArchiveRecord& raw_record : day.records) {
            ReadWeatherData(raw_record, w);
            ASSERT_TRUE(db->exec(nullptr, insert_text("datimeteo", w).c_str()))
                << insert_text("datimeteo", w);
            bind_weather(insert.get(), w);
            ASSERT_EQ(sqlite3_step(insert.get()), SQLITE_DONE);
            sqlite3_reset(insert.get());
            ++n;
        }
    }
    ASSERT_TRUE(db->exec(nullptr, "COMMIT"));
    EXPECT_GT(n, 40000);
    const char* differ = "select count(*) from (select * from datimeteo except select * from copy)";
    EXPECT_EQ(db->query(nullptr, differ).rows[0][0], "0");
    // EXCEPT compares values; the stored types must match too.
    EXPECT_EQ(db->query(nullptr,
                        "select count(*) from datimeteo a join copy b using(year,month,day,time) "
                        "where typeof(a.temperature) <> typeof(b.temperature) "
                        "or typeof(a.uv) <> typeof(b.uv) or typeof(a.windrun) <> typeof(b.windrun) "
                        "or typeof(a.direction) <> typeof(b.direction)")
                  .rows[0][0],
              "0");
}

TEST(InsertText, FormatsAsThePrintfStatement)
{
    WeatherData w;
    std::strcpy(w.Year, "2008");
    std::strcpy(w.Month, "05");
    std::strcpy(w.Day, "01");
    WlkArchiveRecord r = at(5);
    r.uv = 255;
    r.solar_rad = 512;
    ReadWeatherData(r, w);
    EXPECT_EQ(
        insert_text("datimeteo", w),
        "INSERT INTO datimeteo values('2008','05','01','00:05', 22.500,NULL,NULL, 65, 15.584,"
        "1015.917, 16.093,NULL,'  N',  0.000,   0.000, 22.500, 22.500,  512,NULL,NULL,NULL,NULL,"
        "  1.34)");
    EXPECT_EQ(round_as_printed(0.0625f, 3), 0.062);  // ties go to even, as printf rounds them
    EXPECT_EQ(round_as_printed(2.0049999f, 2), 2.0);
}

TEST_F(Import, RefusedFilesLeaveTheOthers)
{
    ASSERT_TRUE(write_synthetic_month(dir.folder() + "2012-03.wlk", 2012, 3, 60, 1));
    for (const char* bad : {"2012-3.wlk", "2012-00.wlk", "2012-13.wlk", "20a2-03.wlk",
                            "0000-03.wlk", "2012-+3.wlk", "2012-03.wlk.bak"})
        fs::copy_file(dir.folder() + "2012-03.wlk", dir.folder() + bad);
    fs::create_directory(dir.folder() + "2012-05.wlk");
    test::write_file(dir.path() / "2012-06.wlk", "");
    WlkWriter foreign;
    foreign.set_identification("WDAT4");
    foreign.add_day(1, {at(5)});
    ASSERT_TRUE(foreign.write(dir.folder() + "2012-07.wlk"));

    const ImportResult r = import({"2012-3.wlk", "2012-00.wlk", "2012-13.wlk", "20a2-03.wlk",
                                   "0000-03.wlk", "2012-+3.wlk", "2012-03.wlk.bak", "2012-04.wlk",
                                   "2012-05.wlk", "2012-06.wlk", "2012-07.wlk", "2012-03.wlk"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.RecTot, 31 * 24);
    const std::string f = dir.folder();
    EXPECT_EQ(owner.lines(), (std::vector<std::string>{
                                 "Load Database: 2012-3.wlk: wrong file name ",
                                 "Load Database: 2012-00.wlk: wrong file name ",
                                 "Load Database: 2012-13.wlk: wrong file name ",
                                 "Load Database: 20a2-03.wlk: wrong file name ",
                                 "Load Database: 0000-03.wlk: wrong file name ",
                                 "Load Database: 2012-+3.wlk: wrong file name ",
                                 "Load Database: 2012-03.wlk.bak: wrong file name ",
                                 "Error: " + f + "2012-04.wlk: Error opening file",
                                 "Error: " + f + "2012-05.wlk: Error opening file",
                                 "Load Database: 2012-06.wlk: File invalid",
                                 "Load Database: 2012-07.wlk: File invalid",
                                 completed(744, 0),
                             }));
    // Refused files have no block in the log.
    EXPECT_EQ(read_file(dir.path() / "log.txt").rfind("  2012-03.wlk\r\n", 0), 0u);
}

TEST_F(Import, AnInvalidFileNeverCostsAMonthItsRows)
{
    ASSERT_TRUE(write_synthetic_month(dir.folder() + "2012-03.wlk", 2012, 3, 60, 1));
    ASSERT_EQ(import({"2012-03.wlk"}).RecErr, 0);
    test::write_file(dir.path() / "2012-03.wlk", "not a logger file at all");
    EXPECT_EQ(import({"2012-03.wlk"}, true).RecTot, 0);
    EXPECT_EQ(count(), "744");
}

TEST_F(Import, TruncatedFileLoadsItsWholeRecords)
{
    ASSERT_TRUE(write_synthetic_month(dir.folder() + "2012-03.wlk", 2012, 3, 60, 1));
    std::string bytes = read_file(dir.path() / "2012-03.wlk");
    // Day 1 (2 leading + 24 records), then day 2's two leading records and 3.5 records.
    bytes.resize(212 + 26 * 88 + 2 * 88 + 3 * 88 + 44);
    test::write_file(dir.path() / "2012-03.wlk", bytes);
    EXPECT_EQ(import({"2012-03.wlk"}).RecTot, 27);
    EXPECT_EQ(count(), "27");
}

TEST_F(Import, NothingSelected)
{
    EXPECT_EQ(import({}).code, 0);
    EXPECT_EQ(owner.lines(), std::vector<std::string>{"Warning: No file(s) selected."});
    EXPECT_FALSE(fs::exists(dir.path() / "log.txt"));
}

TEST_F(Import, DatabasesThatCannotTakeTheImport)
{
    ASSERT_TRUE(write_synthetic_month(dir.folder() + "2012-03.wlk", 2012, 3, 60, 1));
    fs::remove(db_path());
    EXPECT_EQ(import({"2012-03.wlk"}).code, 1);
    EXPECT_EQ(last_message(),
              "Error: Can't open database: " + db_path() + ": unable to open database file\n");

    {  // a database without the weather table
        sqlite3* raw = nullptr;
        sqlite3_open(db_path().c_str(), &raw);
        sqlite3_close(raw);
    }
    test::write_file(dir.path() / "empty-but-valid", "");
    EXPECT_EQ(import({"2012-03.wlk"}).code, 1);
    EXPECT_EQ(last_message(), "Database: no such table: datimeteo");
}

TEST_F(Import, OldDatabaseIsBroughtUpToDate)
{
    fs::remove(db_path());
    {
        sqlite3* raw = nullptr;
        sqlite3_open(db_path().c_str(), &raw);
        sqlite3_exec(raw,
                     "CREATE TABLE datimeteo (Year VARCHAR(4), Month VARCHAR(2), Day VARCHAR(2), "
                     "Time VARCHAR(5), Temperature FLOAT, HiTemp FLOAT, LowTemp FLOAT, Humidity "
                     "INTEGER, Dewpoint FLOAT, Pressure FLOAT, Windspeed FLOAT, Gustspeed FLOAT, "
                     "Direction VARCHAR(3), Rain FLOAT, RainRate FLOAT, HeatIndex FLOAT, Windchill "
                     "FLOAT, SolarRad INTEGER, HiSolarRad INTEGER, ET FLOAT, PRIMARY KEY "
                     "(Year,Month,Day,Time))",
                     nullptr, nullptr, nullptr);
        sqlite3_close(raw);
    }
    ASSERT_TRUE(write_synthetic_month(dir.folder() + "2012-03.wlk", 2012, 3, 60, 1));
    EXPECT_EQ(import({"2012-03.wlk"}).RecErr, 0);
    EXPECT_EQ(rows("select count(windrun) from datimeteo")[0][0], "744");
    EXPECT_EQ(CheckDB(nullptr, db_path()), 0);
}

TEST_F(Import, LockedDatabaseIsLeftAlone)
{
    ASSERT_TRUE(write_synthetic_month(dir.folder() + "2012-03.wlk", 2012, 3, 60, 1));
    auto other = Db::open(nullptr, db_path());  // another program, writing
    ASSERT_TRUE(other && other->exec(nullptr, "BEGIN IMMEDIATE"));
    const ImportResult r = import({"2012-03.wlk"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(last_message(), "Database: database is locked");
    ASSERT_TRUE(other->exec(nullptr, "ROLLBACK"));
    EXPECT_EQ(count(), "0");
}

TEST_F(Import, ListsWhatTheDatabaseHolds)
{
    EXPECT_EQ(GetFLRecord(&owner, db_path()), std::make_pair(std::string(), std::string()));
    EXPECT_EQ(GetYear2(&owner, db_path()), std::make_pair(std::string(), std::string()));
    ASSERT_TRUE(write_synthetic_month(dir.folder() + "2008-05.wlk", 2008, 5, 60, 1));
    ASSERT_TRUE(write_synthetic_month(dir.folder() + "2008-06.wlk", 2008, 6, 60, 2));
    ASSERT_TRUE(write_synthetic_month(dir.folder() + "2009-01.wlk", 2009, 1, 60, 3));
    ASSERT_EQ(import({"2008-06.wlk", "2009-01.wlk", "2008-05.wlk"}).RecErr, 0);

    EXPECT_EQ(GetYear(&owner, db_path()), (std::vector<std::string>{"2008", "2009"}));
    EXPECT_EQ(GetYear2(&owner, db_path()),
              std::make_pair(std::string("2008"), std::string("2009")));
    EXPECT_EQ(GetMonth(&owner, db_path(), "2008"), (std::vector<std::string>{"May", "June"}));
    EXPECT_EQ(GetMonth(&owner, db_path(), "2008' or '1'='1"), std::vector<std::string>{});
    EXPECT_EQ(GetFLRecord(&owner, db_path()),
              std::make_pair(std::string("01/05/2008 01:00"), std::string("31/01/2009 24:00")));

    RecordingOwner quiet;
    EXPECT_FALSE(GetYear(&quiet, dir.folder() + "missing.s3db"));
    EXPECT_EQ(quiet.lines(),
              std::vector<std::string>{"Error: Can't open database: " + dir.folder() +
                                       "missing.s3db: unable to open database file\n"});
}

class RealArchive : public Import {
protected:
    void SetUp() override
    {
        Import::SetUp();
        const fs::path fixture = fs::path(NIMBORA_FIXTURES) / "2012-02.wlk";
        if (!fs::exists(fixture)) GTEST_SKIP() << "the real archive is not here: " << fixture;
        fs::copy_file(fixture, dir.path() / "2012-02.wlk");
    }
};

TEST_F(RealArchive, LoadsSkipsAndReloads)
{
    EXPECT_EQ(import({"2012-02.wlk"}).RecErr, 0);
    EXPECT_EQ(last_message(), completed(41760, 0));
    EXPECT_EQ(import({"2012-02.wlk"}).RecErr, 41760);
    EXPECT_EQ(last_message(), completed(0, 41760));
    EXPECT_EQ(import({"2012-02.wlk"}, true).RecErr, 0);
    EXPECT_EQ(last_message(), completed(41760, 0));
    EXPECT_EQ(count(), "41760");
    EXPECT_EQ(GetFLRecord(nullptr, db_path())->first.substr(0, 10), "01/02/2012");
}

// Every message of the import (a refused file, then the completion) is shown once ThActive
// is free and the menus are back: nobody's unanswered box holds the flag.
TEST_F(Import, MessagesWaitForTheFlagAndMenusToBeFree)
{
    test::WatchingOwner watching;
    ASSERT_TRUE(write_synthetic_month(dir.folder() + "2012-03.wlk", 2012, 3, 30, 7));
    ReportJob job;
    job.hOwner = &watching;
    job.settings = settings;
    job.Files = {"2012-3.wlk", "2012-03.wlk"};
    job.busy = BusyClaim::try_claim(ThActive);
    EXPECT_EQ(load_db(job).code, 0);
    EXPECT_EQ(watching.lines(),
              (std::vector<std::string>{"Load Database: 2012-3.wlk: wrong file name ",
                                        completed(1488, 0)}));
    EXPECT_EQ(watching.free_when_told, (std::vector<bool>{true, true}));
    EXPECT_EQ(job.hOwner, &watching);
}

}  // namespace
}  // namespace nimbora
