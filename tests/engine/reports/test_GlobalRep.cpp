// SPDX-License-Identifier: GPL-3.0-or-later
#include "reports/GlobalRep.h"

#include "support/golden.h"
#include "support/report_station.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace nimbora {
namespace {

using test::ByName;
using test::matches_golden;
using test::Rec;
using test::repeat;
using test::shown_line;

// The figures of the expected files were worked out by hand from these rows.
//
// 2009: March 5 and 6, April 10. Both months reach 18.0, so the year's maximum is dated by
// March; April holds the year's minimum. NNE blows in three records (dominant), W in two, one
// of them a gust without speed (calm in the shares).
// clang-format off
const Rec kMarch2009[] = {
//   day   time     temp  hi    lo    hum dew  bar     wspd  gust  dir    rain rate heat  chill sol  hsol et   uv   huv  run
    {"05", "06:00",  2.0,  3.0,  1.0, 90, 1.0, 1010.0,  4.0,  8.0, "NNE", 0.4, 2.0,  2.0,  0.0,  10,  20, 0.1, 0.5, 1.0, 0.5},
    {"05", "14:00", 12.0, 14.0, 10.0, 60, 5.0, 1014.0, 10.0, 20.0, "NNE", 0.0, 0.0, 12.0, 10.0, 400, 500, 0.3, 3.0, 4.0, 1.5},
    {"06", "06:00",  4.0,  5.0, -1.0, 80, 2.0, 1008.0,  0.0,  6.0, "  W", 0.0, 0.0,  4.0,  3.0,   0,   0, 0.0, 0.0, 0.0, 0.0},
    {"06", "14:00", 16.0, 18.0, 14.0, 50, 6.0, 1006.0,  6.0, 12.0, "  W", 1.2, 4.0, 16.0, 15.0, 600, 700, 0.4, 5.0, 6.0, 1.0},
};
const Rec kApril2009[] = {
    {"10", "12:00", 10.0, 18.0, -2.0, 70, 4.0, 1020.0,  8.0, 16.0, "NNE", 25.0, 30.0, 10.0, 8.0, 300, 650, 0.2, 2.0, 2.5, 2.0},
};
// 2010: a year of calm, one day in July.
const Rec kJuly2010[] = {
    {"01", "10:00", 24.0, 25.0, 20.0, 56, 14.0, 1015.0, 0.0, 0.0, "---", 0.0, 0.0, 25.0, 24.0, 500, 800, 0.5, 6.0, 7.0, 0.0},
    {"01", "16:00", 30.0, 31.0, 28.0, 40, 15.0, 1013.0, 0.0, 0.0, "---", 0.0, 0.0, 32.0, 30.0, 700, 900, 0.7, 8.0, 9.0, 0.0},
};

// June 2011, one record a day on the thresholds: day 1 exactly 25.0 and 0.0 with 0.2 mm
// (0.0079 in); day 2 exactly 30.0 with 1.0 mm (0.03937 in); day 3 a maximum of -0.1 with
// exactly 20 mm; day 4 25.4 mm (0.999998 in); day 5 a minimum of -0.1 with 25.5 mm (1.004 in).
const Rec kThresholds[] = {
//   day   time     temp  hi    lo   hum dew bar wspd gust dir    rain  rate heat chill sol hsol et uv huv run
    {"01", "12:00", 25.0, 25.0,  0.0, 0, 0, 0, 0, 0, "---",  0.2, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {"02", "12:00", 30.0, 30.0, 10.0, 0, 0, 0, 0, 0, "---",  1.0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {"03", "12:00", -0.1, -0.1, -2.0, 0, 0, 0, 0, 0, "---", 20.0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {"04", "12:00", 24.9, 24.9,  5.0, 0, 0, 0, 0, 0, "---", 25.4, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {"05", "12:00", 10.0, 10.0, -0.1, 0, 0, 0, 0, 0, "---", 25.5, 0, 0, 0, 0, 0, 0, 0, 0, 0},
};

// Records without a month and without a direction: the year has a month row but no day row,
// and no direction to count.
const Rec kNoMonthNoDirection[] = {
    {"01", "12:00", 5.0, 6.0, 4.0, 0, 0, 0, 3.0, 5.0, nullptr, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
};
// clang-format on

// The station, running the report of all years (`month` null in `insert` stores records
// without a month).
class GlobalRep : public testing::Test, public test::ReportStation {
protected:
    void insert_golden_years()
    {
        insert("2010", "07", kJuly2010);
        insert("2009", "04", kApril2009);
        insert("2009", "03", kMarch2009);
    }

    int run()
    {
        ReportJob job;
        return run_job(GlobalReport, job);
    }

    std::string report() const { return file("Global.txt"); }
    bool written() const { return exists("Global.txt"); }
    std::vector<std::string> messages() const { return owner.lines(); }
};

// Every column in metric units: the year rows (a tie on the year's maximum dated by the
// earlier month), both day tables and both wind tables with a year of calm. The bar runs over
// the three months and twice over the two years.
TEST_F(GlobalRep, MatchesGoldenAllColumns)
{
    insert_golden_years();
    for (int c = 0; c < kReportColumns; ++c) settings.ReportChk[static_cast<std::size_t>(c)] = 1;
    ASSERT_EQ(run(), 0);
    EXPECT_TRUE(matches_golden("GlobalRep-all-columns.txt", report()));
    EXPECT_EQ(messages(), std::vector<std::string>{"Report: Global.txt created successfully! "});
    ASSERT_EQ(owner.messages.size(), 1u);
    EXPECT_EQ(owner.messages[0].icon, Icon::information);
    EXPECT_EQ(owner.ranges, (std::vector<std::pair<int, int>>{{0, 7}}));
    EXPECT_EQ(owner.steps, std::vector<int>(7, 1));
    EXPECT_EQ(owner.resets, 1);
    EXPECT_EQ(owner.busy_calls, (std::vector<bool>{true, false}));
    EXPECT_EQ(owner.menu_calls, (std::vector<bool>{false, true}));
}

// Fahrenheit ranges (1.8 times the Celsius ones), inch rain thresholds, wind in mph.
TEST_F(GlobalRep, MatchesGoldenFahrenheitInchesMph)
{
    insert_golden_years();
    columns({kTemperature, kTempRange, kRain, kWind});
    settings.UnitTemp = 1;
    settings.UnitRain = 1;
    settings.UnitWind = 1;
    ASSERT_EQ(run(), 0);
    EXPECT_TRUE(matches_golden("GlobalRep-F-in-mph.txt", report()));
}

// The day counts on their exact thresholds. Without Wind the file ends with the rain table,
// and the bar advances only for the month.
struct ThresholdCase {
    const char* name;
    signed char temp, rain;
    const char* tail;
};

class GlobalRepThresholds : public GlobalRep, public testing::WithParamInterface<ThresholdCase> {};

TEST_P(GlobalRepThresholds, CountsDaysOnTheThresholds)
{
    const ThresholdCase& c = GetParam();
    insert("2011", "06", kThresholds);
    columns({kTemperature, kRain});
    settings.UnitTemp = c.temp;
    settings.UnitRain = c.rain;
    ASSERT_EQ(run(), 0);
    const std::string text = report();
    const std::size_t at = text.find("                DAYS WITH TEMP");
    ASSERT_NE(at, std::string::npos) << test::visible(text);
    EXPECT_EQ(test::visible(text.substr(at)), test::visible(c.tail));
    EXPECT_EQ(owner.ranges, (std::vector<std::pair<int, int>>{{0, 3}}));
    EXPECT_EQ(owner.steps, std::vector<int>{1});
}

const ThresholdCase kThresholdCases[] = {
    {"CelsiusMm", 0, 0,
     "                DAYS WITH TEMP\r\n"
     "         MAX      MAX      MIN     MAX\r\n"
     "YEAR   >=25.0   >=30.0    <0.0    <0.0\r\n"
     "-----------------------------------------\r\n"
     "2011      2        1        2       1\r\n"
     "\r\n"
     "\r\n"
     "         DAYS OF RAIN\r\n"
     "YEAR   >.2   >=1    >20\r\n"
     "-----------------------\r\n"
     "2011     4     4     2\r\n"},
    {"FahrenheitInches", 1, 1,
     "                DAYS WITH TEMP\r\n"
     "         MAX      MAX      MIN     MAX\r\n"
     "YEAR   >=77.0   >=86.0    <32.0    <32.0\r\n"
     "-----------------------------------------\r\n"
     "2011      2        1        2       1\r\n"
     "\r\n"
     "\r\n"
     "         DAYS OF RAIN\r\n"
     "YEAR   >.01  >=.04   >1\r\n"
     "-----------------------\r\n"
     "2011     4     4     1\r\n"},
};

INSTANTIATE_TEST_SUITE_P(GlobalRepUnits, GlobalRepThresholds, testing::ValuesIn(kThresholdCases),
                         ByName());

// A year without day rows and without directions divides by zero counts: its means, shares and
// speeds print 0, never NaN or inf.
TEST_F(GlobalRep, ZeroCountsPrintZero)
{
    insert("2012", nullptr, kNoMonthNoDirection);
    columns({kTemperature, kWind});
    ASSERT_EQ(run(), 0);
    const std::string text = report();
    EXPECT_EQ(text.find("nan"), std::string::npos) << test::visible(text);
    EXPECT_EQ(text.find("inf"), std::string::npos) << test::visible(text);
    // No day to date the extremes by; the direction of the first (NULL) group prints blank.
    EXPECT_NE(text.find("\r\n2012     0.0    4.0      /    6.0      /  "
                        "   0.0    3.0    5.0          \r\n"),
              std::string::npos)
        << test::visible(text);
    EXPECT_NE(text.find("\r\n2012" + repeat("  0.00 ", 17) + "\r\n"), std::string::npos)
        << test::visible(text);
    EXPECT_NE(text.find("\r\n2012" + repeat("   0.0 ", 16) + "\r\n"), std::string::npos)
        << test::visible(text);
}

// Nothing to report, or nowhere to read or write it: no file, a message, result 1, and the
// connection closed (a writer can lock the database at once).
TEST_F(GlobalRep, RefusesWhatItCannotReport)
{
    columns({kTemperature, kRain, kWind});
    EXPECT_EQ(run(), 1);
    EXPECT_FALSE(written());
    EXPECT_EQ(messages(), std::vector<std::string>{"Report: No data"});
    ASSERT_EQ(owner.messages.size(), 1u);
    EXPECT_EQ(owner.messages[0].icon, Icon::error);
    EXPECT_TRUE(owner.ranges.empty());

    insert_golden_years();
    owner.messages.clear();
    settings.InitPathRep = dir.folder() + "missing/";
    EXPECT_EQ(run(), 1);
    EXPECT_EQ(messages(), std::vector<std::string>{"Error: " + dir.folder() +
                                                   "missing/Global.txt: Error creating file"});
    {
        const SqliteHandle db = open_db();
        ASSERT_TRUE(db);
        EXPECT_EQ(sqlite3_exec(db.get(), "BEGIN EXCLUSIVE; COMMIT;", nullptr, nullptr, nullptr),
                  SQLITE_OK)
            << sqlite3_errmsg(db.get());
    }

    owner.messages.clear();
    settings.InitPathRep = dir.folder();
    fs::remove(db_path());
    EXPECT_EQ(run(), 1);
    EXPECT_FALSE(written());
    EXPECT_EQ(messages(), std::vector<std::string>{"Error: Can't open database: " + db_path() +
                                                   ": unable to open database file\n"});
}

// A failed statement is told once, with SQLite's text, and no report is written.
TEST_F(GlobalRep, FailedStatementWritesNoReport)
{
    insert_golden_years();
    {
        const SqliteHandle db = open_db();
        ASSERT_TRUE(db);
        ASSERT_EQ(sqlite3_exec(db.get(), "ALTER TABLE datimeteo DROP COLUMN HiUV", nullptr, nullptr,
                               nullptr),
                  SQLITE_OK)
            << sqlite3_errmsg(db.get());
    }
    columns({kUV, kRain});
    EXPECT_EQ(run(), 1);
    EXPECT_EQ(messages(), std::vector<std::string>{"Database: no such column: HiUV"});
    EXPECT_EQ(owner.messages[0].icon, Icon::warning);
    EXPECT_FALSE(written());
}

}  // namespace
}  // namespace nimbora
