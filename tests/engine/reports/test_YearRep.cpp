// SPDX-License-Identifier: GPL-3.0-or-later
#include "reports/YearRep.h"

#include "config/Db.h"
#include "config/schema.h"
#include "config/stations.h"
#include "support/report_station.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace nimbora {
namespace {

// One record: day, time, temperature, high, low, speed, gust, direction, rain, wind run.
struct Row {
    const char* month;
    const char* day;
    const char* time;
    double temp, hi, lo, wspd, gust;
    const char* dir;
    double rain, run;
};

// March to May 2009, two days each. April's and May's highest temperatures are the same
// 20.0 (April holds the year's date); April 10 has exactly 20 mm of rain, March 6 exactly 0.2.
const Row kSpring[] = {
    {"03", "05", "06:00", 2.0, 2.5, 1.0, 4.0, 8.0, "  N", 1.0, 1.0},
    {"03", "05", "14:00", 8.0, 10.0, 7.0, 6.0, 12.0, "  N", 0.0, 2.0},
    {"03", "06", "06:00", 4.0, 5.0, 3.0, 2.0, 4.0, "  E", 0.2, 0.5},
    {"03", "06", "14:00", 12.0, 14.0, 11.0, 0.0, 0.0, "  E", 0.0, 0.0},
    {"04", "10", "06:00", 6.0, 7.0, 5.0, 2.0, 4.0, "  S", 20.0, 1.0},
    {"04", "10", "14:00", 16.0, 20.0, 15.0, 4.0, 6.0, "  S", 0.0, 1.0},
    {"04", "11", "06:00", 8.0, 9.0, 6.0, 0.0, 0.0, "  S", 0.0, 0.0},
    {"04", "11", "14:00", 18.0, 20.0, 17.0, 2.0, 2.0, "  W", 0.0, 0.5},
    {"05", "01", "06:00", 10.0, 11.0, 9.0, 4.0, 6.0, "  W", 0.6, 1.0},
    {"05", "01", "14:00", 18.0, 20.0, 17.0, 4.0, 10.0, "  W", 0.4, 1.0},
    {"05", "02", "06:00", 12.0, 13.0, -1.0, 0.0, 0.0, "  N", 0.0, 0.0},
    {"05", "02", "14:00", 16.0, 19.0, 15.0, 0.0, 0.0, "  N", 0.0, 0.0},
};

// The station, running the yearly report; its records are stored through the engine's own
// connection, with the values as text and the columns not named left to the table's defaults.
class YearRep : public testing::Test, public test::ReportStation {
protected:
    void SetUp() override { columns({kTemperature, kRain, kWind, kWindRun}); }

    void insert(std::initializer_list<Row> rows, const char* year = "2009")
    {
        auto db = Db::open(nullptr, db_path());
        ASSERT_TRUE(db);
        for (const Row& r : rows) {
            const auto done = db->query(
                nullptr,
                "insert into datimeteo (year,month,day,time,temperature,hitemp,lowtemp,humidity,"
                "windspeed,gustspeed,direction,rain,rainrate,windrun) values (?,?,?,?,?,?,?,50,?,?,?,?,0,?)",
                {year, r.month, r.day, r.time, std::to_string(r.temp), std::to_string(r.hi),
                 std::to_string(r.lo), std::to_string(r.wspd), std::to_string(r.gust), r.dir,
                 std::to_string(r.rain), std::to_string(r.run)});
            ASSERT_TRUE(done.ok);
        }
    }
    void insert_spring()
    {
        for (const Row& r : kSpring) insert({r});
    }

    int run(int year = 2009)
    {
        ReportJob job;
        job.year = year;
        return run_job(YearReport, job);
    }

    // The report of `year`.
    std::string file(const char* year = "2009") const
    {
        return ReportStation::file(std::string("Year") + year + ".txt");
    }
};

std::string crlf(std::initializer_list<std::string> lines)
{
    std::string out;
    for (const std::string& l : lines) out += l + "\r\n";
    return out;
}

TEST_F(YearRep, SpringMonthsOnly)
{
    insert_spring();
    ASSERT_EQ(run(), 0);
    const std::string dashes87(87, '-');
    const std::string expected =
        crlf(
            {"        ANNUAL CLIMATOLOGICAL REPORT - 2009",
             "",
             "NAME: Home   CITY: Town   STATE: XX",
             "ELEV: 120 m   LAT:  45.1 N   LONG:  9.2 E",
             "",
             "  TEMPERATURE (\xB0"
             "C)  RAIN (mm)  WIND (Km/h)  Wind Run(Km)",
             "",
             "",
             "                TEMPERATURE                              WIND           DOM      WIND ",
             "MO    AVG    MIN    DATE   MAX    DATE    RAIN    AVG    MAX    GUST    DIR      RUN  ",
             dashes87,
             " 3     6.5    1.0  05/03   14.0  06/03      1.2    3.0    6.0   12.0      N        3.50",
             " 4    12.0    5.0  10/04   20.0  10/04     20.0    2.0    4.0    6.0      S        2.50",
             " 5    14.0   -1.0  02/05   20.0  01/05      1.0    2.0    4.0   10.0      W        2.00",
             dashes87,
             "      10.8   -1.0  02/05   20.0  10/04     22.2    2.3    6.0   12.0      W        8.00",
             "",
             "",
             "",
             "",
             "              DAYS WITH TEMP",
             "       MAX      MAX      MIN     MAX",
             "MO   >=25.0   >=30.0    <0.0    <0.0",
             std::string(39, '-'),
             " 3      0        0        0       0",
             " 4      0        0        0       0",
             " 5      0        0        1       0",
             std::string(39, '-'),
             "        0        0        1       0",
             "",
             "",
             "       DAYS OF RAIN",
             "MO   >.2   >=1    >20",
             std::string(21, '-'),
             " 3     1     1     0",
             " 4     1     1     0",
             " 5     1     1     0",
             std::string(21, '-'),
             "       3     3     0",
             "",
             "",
             "PREVAILING WIND DIRECTION (%)",
             "",
             "   N      NNE    NE     ENE    E      ESE    SE     SSE    S      SSW    SW     WSW    "
             "W      WNW    NW     NNW   CALM",
             std::string(119, '-'),
             " 16.67   0.00   0.00   0.00   8.33   0.00   0.00   0.00  16.67   0.00   0.00   0.00 "
             " 25.00   0.00   0.00   0.00  33.33 ",
             "",
             "",
             "AVERAGE WIND SPEED (Km/h)",
             "",
             "   N      NNE    NE     ENE    E      ESE    SE     SSE    S      SSW    SW     WSW    "
             "W      WNW    NW     NNW ",
             std::string(112, '-')}) +
        "   5.0    0.0    0.0    0.0    2.0    0.0    0.0    0.0    3.0    0.0    0.0    0.0    3.3 "
        "   0.0    0.0    0.0 ";
    EXPECT_EQ(file(), expected) << test::visible(file());
    EXPECT_EQ(owner.lines(),
              std::vector<std::string>{"Report: Year2009.txt created successfully! "});
    EXPECT_EQ(owner.statuses, (std::vector<std::string>{
                                  "Please wait...", "Please wait...  Month: 03",
                                  "Please wait...  Month: 04", "Please wait...  Month: 05", ""}));
}

TEST_F(YearRep, RainWithoutTemperatureEndsWithTheRainTotals)
{
    insert_spring();
    columns({kRain, kTempRange});  // the range alone prints no temperature unit
    ASSERT_EQ(run(), 0);
    const std::string text = file();
    EXPECT_NE(text.find("ELEV: 120 m   LAT:  45.1 N   LONG:  9.2 E\r\n\r\n  RAIN (mm)\r\n"),
              std::string::npos);
    EXPECT_EQ(text.find("DAYS WITH TEMP"), std::string::npos);
    const std::string end = "-----\r\n       3     3     0";
    EXPECT_EQ(text.substr(text.size() - end.size()), end);
}

TEST_F(YearRep, RainThresholdsInInches)
{
    // 1.0 mm is 0.03937 in: at least 0.039; 25.4 mm is 0.999998 in: not above 1 inch;
    // 0.254 mm is 0.0099999 in: not above 0.01.
    insert({{"07", "01", "12:00", 20, 20, 20, 0, 0, "  N", 1.0, 0},
            {"07", "02", "12:00", 20, 20, 20, 0, 0, "  N", 25.4, 0},
            {"07", "03", "12:00", 20, 20, 20, 0, 0, "  N", 0.254, 0}});
    columns({kRain});
    settings.UnitRain = 1;
    ASSERT_EQ(run(), 0);
    const std::string text = file();
    EXPECT_NE(
        text.find("\r\nMO   >.01  >=.04   >1\r\n---------------------\r\n 7     2     2     0\r\n"),
        std::string::npos)
        << test::visible(text);
}

TEST_F(YearRep, YearOfCalm)
{
    insert({{"01", "01", "12:00", 5, 5, 5, 0, 0, "  N", 0, 0},
            {"01", "02", "12:00", 5, 5, 5, 0, 0, " NE", 0, 0}});
    columns({kWind});
    ASSERT_EQ(run(), 0);
    const std::string text = file();
    EXPECT_NE(text.find(" 1     0.0    0.0    0.0    ---   \r\n"), std::string::npos)
        << test::visible(text);
    EXPECT_NE(text.find("  0.00   0.00  100.00 \r\n"), std::string::npos) << test::visible(text);
}

// The corners of how a month's figures were always looked up: the dominant direction of equal
// counts, and the date of a highest temperature with more than six decimals.
TEST_F(YearRep, LookupCorners)
{
    // One record of positive speed from each of two directions: of equal counts the later
    // text (" NE" after "  N") is the month's and the year's direction.
    insert({{"01", "01", "12:00", 5, 5, 5, 2, 2, "  N", 0, 0},
            {"01", "01", "13:00", 5, 5, 5, 2, 2, " NE", 0, 0}});
    // July's highest, 20.1234567 on the 2nd, is looked up as printed with six decimals,
    // 20.123457, which the 1st holds: the 1st dates it.
    {
        auto db = Db::open(nullptr, db_path());
        ASSERT_TRUE(db);
        ASSERT_TRUE(db->exec(nullptr, "insert into datimeteo (year,month,day,time,temperature,"
                                      "hitemp,lowtemp) values ('2009','07','01','12:00',10,"
                                      "20.123457,5),('2009','07','02','12:00',10,20.1234567,6)"));
    }
    columns({kTemperature, kWind});
    ASSERT_EQ(run(), 0);
    const std::string text = file();
    EXPECT_NE(text.find("\r\n 1     5.0    5.0  01/01    5.0  01/01     2.0    2.0    2.0     NE "
                        "  \r\n"),
              std::string::npos)
        << test::visible(text);
    EXPECT_NE(text.find("\r\n 7    10.0    5.0  01/07   20.1  01/07     0.0    0.0    0.0    ---"
                        "   \r\n"),
              std::string::npos)
        << test::visible(text);
    EXPECT_NE(text.find("\r\n       8.3    5.0  01/01   20.1  01/07     0.7    2.0    2.0     NE "
                        "  \r\n"),
              std::string::npos)
        << test::visible(text);
}

TEST_F(YearRep, YearWithoutRecordsWritesNothing)
{
    insert_spring();
    EXPECT_EQ(run(2010), 1);
    EXPECT_EQ(owner.lines(), std::vector<std::string>{"Report: No data for 2010"});
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "Year2010.txt"));

    std::filesystem::remove(dir.path() / kDbFile);
    owner.messages.clear();
    EXPECT_EQ(run(), 1);
    EXPECT_EQ(owner.lines(),
              std::vector<std::string>{"Error: Can't open database: " + dir.folder() + kDbFile +
                                       ": unable to open database file\n"});
}

}  // namespace
}  // namespace nimbora
