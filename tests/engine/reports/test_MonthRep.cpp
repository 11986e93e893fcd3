// SPDX-License-Identifier: GPL-3.0-or-later
#include "reports/MonthRep.h"

#include "import/load_db.h"
#include "jobs/busy.h"
#include "support/golden.h"
#include "support/report_station.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace nimbora {
namespace {

using test::ByName;
using test::crlf_lines;
using test::matches_golden;
using test::Rec;
using test::repeat;
using test::shown_line;

// The figures of every expected file below were worked out by hand from these rows.

// Days 5 and 6 of March 2009, chosen to print the documented example. Day 6's minimum is at
// "24:00"; a gust without speed (06:30, 04:00) counts for the dominant direction but is calm
// in the percentages.
// clang-format off
const Rec kExample[] = {
//   day   time     temp  hi    lo    hum dew bar wspd  gust  dir    rain rate heat chill sol hsol et uv huv run
    {"05", "06:30",  2.5,  3.0,  2.1, 0, 0, 0,  0.0,  2.0, "NNE", 0.0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {"05", "10:00",  9.0,  9.5,  8.0, 0, 0, 0,  4.0,  8.0, "NNE", 1.2, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {"05", "14:10", 14.0, 14.6, 13.0, 0, 0, 0, 22.5, 35.4, "NNE", 2.0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {"05", "18:00", 10.5, 11.0, 10.0, 0, 0, 0,  3.0,  6.0, " NE", 0.0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {"05", "22:00",  6.0,  7.0,  5.0, 0, 0, 0,  2.0,  5.0, "NNE", 0.0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {"06", "04:00",  8.0,  8.5,  7.0, 0, 0, 0,  0.0,  3.0, "WNW", 0.0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {"06", "09:00", 11.0, 12.0, 10.0, 0, 0, 0,  3.0,  6.0, "  W", 0.0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {"06", "13:40", 15.5, 16.2, 15.0, 0, 0, 0, 15.0, 24.1, "  W", 0.0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {"06", "19:00", 10.5, 11.0,  9.5, 0, 0, 0,  2.5,  5.0, "  W", 0.0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {"06", "24:00",  5.0,  5.5,  4.3, 0, 0, 0,  0.0,  0.0, "---", 0.0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
};

// October 2010 from day 12 (no first decade), days 13-19 missing, day 20 closing the second
// decade. Day 12's minimum is at "07:05"; day 20 reaches its maximum at 13:00 and again at
// 15:00; day 21 has no wind at all.
const Rec kOctober[] = {
//   day   time     temp  hi    lo    hum  dew   bar     wspd  gust  dir    rain rate heat  chill sol  hsol et   uv   huv  run
    {"12", "03:00",  6.0,  6.5,  5.5, 90,  4.5, 1012.0,  4.0,  8.0, " SW", 0.0, 0.0,  6.0,  5.0,   0,   0, 0.0, 0.0, 0.0, 0.40},
    {"12", "07:05",  4.0,  5.0,  3.2, 95,  3.5, 1013.0,  0.0,  3.0, "SSW", 0.4, 2.4,  4.0,  4.0,  20,  45, 0.1, 0.2, 0.4, 0.00},
    {"12", "12:00", 12.0, 12.5, 10.0, 70,  6.5, 1014.0, 10.0, 18.0, "  S", 1.6, 6.0, 12.0, 10.0, 400, 520, 0.5, 3.0, 3.6, 1.00},
    {"12", "15:00", 14.0, 14.8, 12.5, 60,  6.0, 1013.5,  8.0, 16.0, "  S", 0.0, 0.0, 14.6, 13.0, 300, 350, 0.6, 2.0, 2.5, 0.80},
    {"12", "21:00",  9.0, 10.0,  8.5, 80,  5.5, 1014.5,  3.0,  7.0, "  S", 0.0, 0.0,  9.0,  8.0,   0,   0, 0.0, 0.0, 0.0, 0.30},
    {"20", "06:00", 10.0, 10.5,  9.0, 85,  7.5, 1008.1,  6.0, 12.0, " NE", 0.0, 0.0, 10.0,  9.0,  10,  30, 0.0, 0.1, 0.2, 0.60},
    {"20", "10:00", 15.0, 16.0, 14.0, 65,  8.1, 1007.0, 12.0, 22.0, " NE", 0.0, 0.0, 15.0, 14.0, 350, 420, 0.4, 2.5, 3.0, 1.20},
    {"20", "13:00", 19.0, 20.4, 18.0, 50,  8.0, 1006.0, 14.0, 26.0, " NE", 0.0, 0.0, 19.5, 18.0, 600, 700, 0.7, 4.5, 5.2, 1.40},
    {"20", "15:00", 20.0, 20.4, 19.5, 46,  7.5, 1006.5, 11.0, 20.0, "  N", 0.0, 0.0, 20.0, 19.0, 400, 650, 0.6, 3.5, 4.0, 1.00},
    {"20", "19:00", 16.0, 17.0, 15.0, 60,  8.0, 1007.5,  8.0, 15.0, " NE", 0.0, 0.0, 16.0, 15.0,  40,  80, 0.3, 0.2, 0.5, 0.80},
    {"21", "00:30", 12.0, 12.5, 11.5, 88, 10.0, 1010.0,  0.0,  0.0, "---", 1.0, 1.2, 12.0, 12.0,   0,   0, 0.0, 0.0, 0.0, 0.00},
    {"21", "06:00", 11.0, 11.5, 10.5, 92,  9.5, 1010.5,  0.0,  0.0, "---", 0.6, 0.8, 11.0, 11.0,   5,  15, 0.0, 0.0, 0.1, 0.00},
    {"21", "12:00", 14.0, 14.5, 13.0, 80, 10.5, 1011.0,  0.0,  0.0, "---", 0.0, 0.0, 14.0, 14.0, 150, 210, 0.3, 1.0, 1.4, 0.00},
    {"21", "18:00", 13.0, 13.5, 12.5, 84, 10.0, 1011.5,  0.0,  0.0, "---", 0.0, 0.0, 13.0, 13.0,  20,  60, 0.1, 0.1, 0.3, 0.00},
    {"21", "23:30", 12.0, 12.5, 11.0, 90, 10.5, 1012.0,  0.0,  0.0, "---", 0.0, 0.0, 12.0, 12.0,   0,   0, 0.0, 0.0, 0.0, 0.00},
};

// June 2011: one record a day on the thresholds. Day 1 reaches exactly 25.0 and 0.0 with
// 0.2 mm; day 2 exactly 30.0 with 1.0 mm (0.03937 in); day 3 20.0 mm; day 4 25.4 mm
// (0.999998 in); days 5 and 6 share the largest rain, 25.5 mm.
const Rec kThresholds[] = {
//   day   time     temp  hi    lo   hum dew bar wspd gust dir    rain  rate heat chill sol hsol et uv huv run
    {"01", "12:00", 25.0, 25.0,  0.0, 0, 0, 0, 0, 0, "---",  0.2, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {"02", "12:00", 30.0, 30.0, 10.0, 0, 0, 0, 0, 0, "---",  1.0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {"03", "12:00", -0.1, -0.1, -2.0, 0, 0, 0, 0, 0, "---", 20.0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {"04", "12:00", 24.9, 24.9,  5.0, 0, 0, 0, 0, 0, "---", 25.4, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {"05", "12:00", 10.0, 10.0, -0.1, 0, 0, 0, 0, 0, "---", 25.5, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {"06", "12:00",  0.0,  0.0, -1.0, 0, 0, 0, 0, 0, "---", 25.5, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {"07", "12:00", 12.0, 12.0,  3.0, 0, 0, 0, 0, 0, "---",  0.3, 0, 0, 0, 0, 0, 0, 0, 0, 0},
};

// Wind without any direction: every count of directions is 0. No rain.
const Rec kNoDirection[] = {
    {"05", "06:00", 5, 5, 5, 0, 0, 0,  5.0,  9.0, nullptr, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {"05", "12:00", 5, 5, 5, 0, 0, 0, 10.0, 14.0, nullptr, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {"05", "18:00", 5, 5, 5, 0, 0, 0,  0.0,  2.0, nullptr, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {"05", "24:00", 5, 5, 5, 0, 0, 0, 15.0, 20.0, nullptr, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
};
// clang-format on

// The station, running the monthly report.
class Station : public test::ReportStation {
public:
    int run(int year, int month, bool decades = false, bool wind_detail = false)
    {
        ReportJob job;
        job.Table = "DatiMeteo";
        job.year = year;
        job.month = month;
        job.decades = decades;
        job.wind_detail = wind_detail;
        return run_job(MonthReport, job);
    }
};

class MonthRep : public testing::Test {
protected:
    Station st;
};

// Temperature, Rain and Wind in metric units, without decades: the documented example,
// followed by the month's wind tables. A detailed wind file of a former run does not survive.
TEST_F(MonthRep, MatchesGoldenWorkedExample)
{
    st.insert("2009", "03", kExample);
    st.columns({kTemperature, kRain, kWind});
    test::write_file(st.dir.path() / "March_2009_wind.txt", "old");
    ASSERT_EQ(st.run(2009, 3), 0);
    EXPECT_TRUE(matches_golden("MonthRep-worked-example.txt", st.file("March_2009.txt")));
    EXPECT_FALSE(st.exists("March_2009_wind.txt"));
    EXPECT_EQ(st.only_message(Icon::information), "Report: March_2009.txt created successfully! ");
    EXPECT_EQ(st.owner.busy_calls, (std::vector<bool>{true, false}));
    EXPECT_EQ(st.owner.menu_calls, (std::vector<bool>{false, true}));
    EXPECT_EQ(st.owner.statuses,
              (std::vector<std::string>{"Please wait...", "Please wait...  Day: 05",
                                        "Please wait...  Day: 06", ""}));
}

// Every column, decades (the first one empty), the detailed wind file, a month not March.
TEST_F(MonthRep, MatchesGoldenAllColumnsWithDecadesAndWindFile)
{
    st.insert("2010", "10", kOctober);
    st.all_columns();
    ASSERT_EQ(st.run(2010, 10, true, true), 0);
    EXPECT_TRUE(matches_golden("MonthRep-all-columns-decades.txt", st.file("October_2010.txt")));
    EXPECT_TRUE(
        matches_golden("MonthRep-all-columns-decades_wind.txt", st.file("October_2010_wind.txt")));
    EXPECT_EQ(st.only_message(Icon::information),
              "Report: October_2010.txt and October_2010_wind.txt created successfully! ");
}

TEST_F(MonthRep, MatchesGoldenFahrenheitInchesMphInHg)
{
    st.insert("2010", "10", kOctober);
    st.all_columns();
    st.settings.UnitTemp = 1;
    st.settings.UnitRain = 1;
    st.settings.UnitWind = 1;
    st.settings.UnitBar = 3;
    ASSERT_EQ(st.run(2010, 10), 0);
    EXPECT_TRUE(
        matches_golden("MonthRep-all-columns-F-in-mph-inHg.txt", st.file("October_2010.txt")));
}

// The sound behaviour where the documented arithmetic would divide by zero or index out of
// range: no file and a clear message.
TEST_F(MonthRep, RefusesMonthsItCannotReport)
{
    st.insert("2009", "04", {kExample, 1});  // April only
    st.columns({kTemperature, kRain, kWind});

    EXPECT_EQ(st.run(2009, 3), 1);
    EXPECT_EQ(st.only_message(Icon::error), "Report: No data for March 2009");
    EXPECT_FALSE(st.exists("March_2009.txt"));
    EXPECT_FALSE(st.exists("March_2009_wind.txt"));

    st.owner.messages.clear();
    EXPECT_EQ(st.run(2009, 13), 1);
    EXPECT_EQ(st.only_message(Icon::error), "Report: Not a month: 13");
    EXPECT_FALSE(st.exists("_2009.txt"));

    st.owner.messages.clear();
    fs::remove(st.dir.path() / "NimboDB.s3db");
    EXPECT_EQ(st.run(2009, 4), 1);
    EXPECT_EQ(st.only_message(Icon::error),
              "Error: Can't open database: " + (st.dir.path() / "NimboDB.s3db").string() +
                  ": unable to open database file\n");
    EXPECT_FALSE(st.exists("April_2009.txt"));
}

// Records whose direction is unknown leave every direction count at 0: percentages and calm
// print 0.00, never NaN. A month without rain names day 01 for its largest rain.
TEST_F(MonthRep, EmptyDirectionCountsPrintZero)
{
    st.insert("2009", "03", kNoDirection);
    st.columns({kTemperature, kRain, kWind});
    ASSERT_EQ(st.run(2009, 3, false, true), 0);
    const std::string report = st.file("March_2009.txt");
    const std::string wind = st.file("March_2009_wind.txt");
    for (const std::string* text : {&report, &wind}) {
        EXPECT_EQ(text->find("nan"), std::string::npos) << test::visible(*text);
        EXPECT_EQ(text->find("inf"), std::string::npos) << test::visible(*text);
    }
    const std::vector<std::string> lines = crlf_lines(report);
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(lines.back(), "   " + repeat("   0.0 ", 16));
    EXPECT_NE(std::find(lines.begin(), lines.end(), "   " + repeat("  0.00 ", 17)), lines.end())
        << test::visible(report);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Max Rain:    0.0 mm (01/03/2009)"),
              lines.end());

    const std::vector<std::string> wind_lines = crlf_lines(wind);
    EXPECT_NE(std::find(wind_lines.begin(), wind_lines.end(), " 5 " + repeat("  0.00 ", 17)),
              wind_lines.end())
        << test::visible(wind);
}

// The time of a day's extreme is the time of the first record equal to the extreme printed
// with six decimals: the first record holding it when that printing is exact, otherwise an
// earlier record holding the printed value (day 1), or none (day 2). Of equal counts of
// records with wind, the later direction text is the day's (day 3).
TEST_F(MonthRep, TimesOfExtremesAndDirectionTies)
{
    // clang-format off
    const Rec rows[] = {
    //   day   time     temp  hi          lo   hum dew bar wspd gust dir    rain rate heat chill sol hsol et uv huv run
        {"01", "09:00", 10.0, 20.123457,  5.0, 0, 0, 0, 2.0, 3.0, "  N", 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
        {"01", "10:00", 10.0, 20.1234574, 5.0, 0, 0, 0, 2.0, 3.0, "  N", 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
        {"02", "09:00", 10.0, 15.0,       5.0, 0, 0, 0, 2.0, 3.0, "  N", 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
        {"02", "10:00", 10.0, 20.1234574, 5.0, 0, 0, 0, 2.0, 3.0, "  N", 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
        {"03", "09:00", 10.0, 12.0,       4.0, 0, 0, 0, 2.0, 3.0, " NE", 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
        {"03", "10:00", 10.0, 12.0,       4.0, 0, 0, 0, 0.0, 3.0, "  N", 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
        {"03", "11:00", 10.0, 12.0,       4.0, 0, 0, 0, 2.0, 0.0, " NE", 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
        {"03", "12:00", 10.0, 12.0,       4.0, 0, 0, 0, 2.0, 3.0, "  N", 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    };
    // clang-format on
    st.insert("2009", "03", rows);
    st.columns({kTemperature, kWind});
    ASSERT_EQ(st.run(2009, 3), 0);
    const std::vector<std::string> lines = st.lines("March_2009.txt");
    const auto row = [&lines](const std::string& label) {
        for (const std::string& line : lines)
            if (line.rfind(label, 0) == 0) return line;
        return std::string("(no row " + label + ")");
    };
    // day, then temperature (avg, min, its time, max, its time), then wind (avg, max, gust,
    // direction)
    EXPECT_EQ(row(" 1  "),
              " 1    10.0    5.0   9:00   20.1   9:00     2.0    2.0    3.0      N   ");
    EXPECT_EQ(row(" 2  "),
              " 2    10.0    5.0   9:00   20.1            2.0    2.0    3.0      N   ");
    EXPECT_EQ(row(" 3  "),
              " 3    10.0    4.0   9:00   12.0   9:00     1.5    2.0    3.0     NE   ");
    EXPECT_EQ(row("AVG "), "AVG   10.0    4.7          17.4            1.8    2.0    3.0      N");
}

// Each optional column alone: its units, its heading cells, its dashes and its cell in the row
// of October 12 (values of kOctober worked out by hand).
struct ColumnCase {
    const char* name;
    int column;  // a ReportChk index; -1: every column off
    const char* units;
    const char* heading1;
    const char* heading2;
    int dashes;
    const char* day12;
};

class MonthRepColumn : public testing::TestWithParam<ColumnCase> {
protected:
    Station st;
};

TEST_P(MonthRepColumn, PrintsHeadingsAndCellsOfOneColumn)
{
    const ColumnCase& c = GetParam();
    st.insert("2010", "10", kOctober);
    st.columns({});
    if (c.column >= 0) st.settings.ReportChk[static_cast<std::size_t>(c.column)] = 1;
    ASSERT_EQ(st.run(2010, 10), 0);
    const std::vector<std::string> lines = st.lines("October_2010.txt");
    ASSERT_GT(lines.size(), 11u);
    EXPECT_EQ(shown_line(lines[5]), shown_line(c.units));
    EXPECT_EQ(shown_line(lines[6] + lines[7]), shown_line(""));
    EXPECT_EQ(shown_line(lines[8]), shown_line(std::string("    ") + c.heading1));
    EXPECT_EQ(shown_line(lines[9]), shown_line(std::string("DAY ") + c.heading2));
    EXPECT_EQ(lines[10], std::string(4 + static_cast<std::size_t>(c.dashes), '-'));
    EXPECT_EQ(shown_line(lines[11]), shown_line(std::string("12  ") + c.day12));
}

// clang-format off
const ColumnCase kColumnCases[] = {
    {"Temperature", kTemperature, "  TEMPERATURE (\xB0" "C)",
     "            TEMPERATURE             ", "  AVG    MIN    TIME   MAX    TIME  ", 36,
     "   9.0    3.2   7:05   14.8  15:00  "},
    {"TemperatureRange", kTempRange, "  TEMPERATURE (\xB0" "C)",
     " TEMP  ", " RANGE ", 7, "  11.6 "},
    {"DewPoint", kDewPoint, "  TEMPERATURE (\xB0" "C)",
     "      DEW POINT       ", "  AVG    MIN    MAX   ", 22, "   5.2    3.5    6.5  "},
    {"HeatIndex", kHeatIndex, "  TEMPERATURE (\xB0" "C)",
     "      HEAT INDEX      ", "  AVG    MIN    MAX   ", 22, "   9.1    4.0   14.6  "},
    {"WindChill", kWindChill, "  TEMPERATURE (\xB0" "C)",
     "      WIND CHILL      ", "  AVG    MIN    MAX   ", 22, "   8.0    4.0   13.0  "},
    {"Humidity", kHumidity, "  RH (%)",
     "    REL. HUMIDITY     ", "  AVG    MIN    MAX   ", 22, "   79     60     95   "},
    {"Pressure", kPressure, "  PRESSURE (hPa)",
     "        PRESSURE        ", "  AVG     MIN     MAX   ", 24, " 1013.4  1012.0  1014.5 "},
    {"SolarRadiation", kSolarRad, "  Solar Rad(W/m^q)",
     "   SOLAR RAD.   ", "  AVG     MAX   ", 16, "  144.0     520 "},
    {"ET", kET, "  ET(mm)", "        ", "   ET   ", 8, "    1.2 "},
    {"UV", kUV, "", "        ", "   UV   ", 8, "   3.6  "},
    {"RainRate", kRainRate, "  RAIN (mm)", "  RAIN  ", "  RATE  ", 8, "    6.0 "},
    {"Rain", kRain, "  RAIN (mm)", "        ", "  RAIN  ", 8, "    2.0 "},
    {"Wind", kWind, "  WIND (Km/h)",
     "         WIND           DOM   ", "  AVG    MAX    GUST    DIR   ", 30,
     "   5.0   10.0   18.0      S   "},
    {"WindRun", kWindRun, "  Wind Run(Km)", "   WIND ", "   RUN  ", 8, "    2.50"},
    {"Samples", kSamples, "", "    N. ", "  SAMP ", 7, "     5 "},
    {"None", -1, "", "", "", 0, ""},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(EveryColumn, MonthRepColumn, testing::ValuesIn(kColumnCases), ByName());

// Wind and pressure units the goldens do not use: Pressure, Wind and Wind Run of kOctober.
struct UnitCase {
    const char* name;
    signed char wind, bar;
    const char* units;
    const char* day20;
    const char* sum;
    const char* month_speeds;  // the file's last line
};

class MonthRepUnits : public testing::TestWithParam<UnitCase> {
protected:
    Station st;
};

TEST_P(MonthRepUnits, ConvertsWindPressureAndRun)
{
    const UnitCase& c = GetParam();
    st.insert("2010", "10", kOctober);
    st.columns({kPressure, kWind, kWindRun});
    st.settings.UnitWind = c.wind;
    st.settings.UnitBar = c.bar;
    ASSERT_EQ(st.run(2010, 10), 0);
    const std::vector<std::string> lines = st.lines("October_2010.txt");
    ASSERT_GT(lines.size(), 12u);
    EXPECT_EQ(shown_line(lines[5]), shown_line(c.units));
    EXPECT_EQ(shown_line(lines[12]), shown_line(c.day20));
    EXPECT_NE(std::find(lines.begin(), lines.end(), c.sum), lines.end()) << c.sum;
    EXPECT_EQ(shown_line(lines.back()), shown_line(c.month_speeds));
}

// clang-format off
const UnitCase kUnitCases[] = {
    {"KnotMmHg", 2, 2, "  PRESSURE (mmHg)  WIND (knot)  Wind Run(nmi)",
     "20    755.3   754.6   756.1    5.5    7.6   14.0     NE       2.70",
     "SUM                                                           4.05",
     "      5.9    0.0    5.4    0.0    0.0    0.0    0.0    0.0    3.8    0.0    2.2    0.0    0.0    0.0    0.0    0.0 "},
    {"MetresPerSecondMb", 3, 1, "  PRESSURE (mb)  WIND (m/s)  Wind Run(Km)",
     "20   1007.0  1006.0  1008.1    2.8    3.9    7.2     NE       5.00",
     "SUM                                                           7.50",
     "      3.1    0.0    2.8    0.0    0.0    0.0    0.0    0.0    1.9    0.0    1.1    0.0    0.0    0.0    0.0    0.0 "},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(WindAndPressure, MonthRepUnits, testing::ValuesIn(kUnitCases), ByName());

// The day counts on their exact thresholds, in both unit systems; Wind off, so the file ends
// with the largest rain (a tie: the earlier day) and no line end.
struct ThresholdCase {
    const char* name;
    signed char temp, rain;
    int wind_detail;
    const char* tail;
};

class MonthRepThresholds : public testing::TestWithParam<ThresholdCase> {
protected:
    Station st;
};

TEST_P(MonthRepThresholds, CountsDaysOnTheThresholds)
{
    const ThresholdCase& c = GetParam();
    st.insert("2011", "06", kThresholds);
    st.columns({kTemperature, kRain});
    st.settings.UnitTemp = c.temp;
    st.settings.UnitRain = c.rain;
    ASSERT_EQ(st.run(2011, 6, false, c.wind_detail != 0), 0);
    const std::string report = st.file("June_2011.txt");
    const std::size_t at = report.find("NUMBER OF DAYS WITH:");
    ASSERT_NE(at, std::string::npos) << test::visible(report);
    EXPECT_EQ(test::visible(report.substr(at)), test::visible(c.tail));
    // Without the Wind column the wind tables are still computed, and written on request.
    EXPECT_EQ(st.exists("June_2011_wind.txt"), c.wind_detail != 0);
    EXPECT_EQ(st.only_message(Icon::information),
              c.wind_detail ? "Report: June_2011.txt and June_2011_wind.txt created successfully! "
                            : "Report: June_2011.txt created successfully! ");
}

const ThresholdCase kThresholdCases[] = {
    {"CelsiusMm", 0, 0, 0,
     "NUMBER OF DAYS WITH:\r\n"
     "Temp Max >= 25.0:  2\r\n"
     "Temp Max >= 30.0:  1\r\n"
     "Temp Min <   0.0:  3\r\n"
     "Temp Max <   0.0:  1\r\n"
     "Rain:   6 (> .2 mm)  5 (>= 1 mm)  3 (> 20 mm)\r\n"
     "\r\n"
     "Max Rain:   25.5 mm (05/06/2011)"},
    {"FahrenheitInches", 1, 1, 1,
     "NUMBER OF DAYS WITH:\r\n"
     "Temp Max >= 77.0:  2\r\n"
     "Temp Max >= 86.0:  1\r\n"
     "Temp Min <  32.0:  3\r\n"
     "Temp Max <  32.0:  1\r\n"
     "Rain:   6 (> .01 in)  5 (>= .04 in)  2 (> 1 in)\r\n"
     "\r\n"
     "Max Rain:   1.00 in (05/06/2011)"},
};

INSTANTIATE_TEST_SUITE_P(Units, MonthRepThresholds, testing::ValuesIn(kThresholdCases), ByName());

// The real station's February 2012 (1-minute records), imported with the import job.
TEST_F(MonthRep, RealMonthHasConsistentRows)
{
    const fs::path fixture = fs::path(NIMBORA_FIXTURES) / "2012-02.wlk";
    if (!fs::exists(fixture)) GTEST_SKIP() << "the real archive is not here: " << fixture;
    fs::copy_file(fixture, st.dir.path() / "2012-02.wlk");
    {
        ReportJob import;
        import.settings = st.settings;
        import.Files = {"2012-02.wlk"};
        import.busy = BusyClaim::try_claim(ThActive);
        ASSERT_EQ(load_db(import).RecErr, 0);
    }
    st.all_columns();
    ASSERT_EQ(st.run(2012, 2, true, true), 0);
    EXPECT_EQ(st.only_message(Icon::information),
              "Report: February_2012.txt and February_2012_wind.txt created successfully! ");

    for (const char* name : {"February_2012.txt", "February_2012_wind.txt"}) {
        const std::string text = st.file(name);
        EXPECT_EQ(text.find("nan"), std::string::npos) << name;
        EXPECT_EQ(text.find("inf"), std::string::npos) << name;
        std::size_t bare_lf = 0;
        for (std::size_t i = 0; i < text.size(); ++i)
            if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) ++bare_lf;
        EXPECT_EQ(bare_lf, 0u) << name;
    }

    // Headings, separators and day rows share one width; the days are 1 to 29.
    const std::vector<std::string> lines = st.lines("February_2012.txt");
    ASSERT_GT(lines.size(), 11u);
    const std::string& separator = lines[10];
    ASSERT_EQ(separator, std::string(separator.size(), '-'));
    EXPECT_EQ(lines[8].size(), separator.size());
    EXPECT_EQ(lines[9].size(), separator.size());
    std::size_t i = 11;
    int day = 0;
    for (; i < lines.size() && lines[i] != separator; ++i) {
        ++day;
        EXPECT_EQ(std::atoi(lines[i].substr(0, 2).c_str()), day) << shown_line(lines[i]);
        EXPECT_EQ(lines[i].size(), separator.size()) << shown_line(lines[i]);
    }
    EXPECT_EQ(day, 29);

    // The wind tables: percentages 3 + 17 x 7 wide, speeds 3 + 16 x 7 (a calm share of 100.00
    // would take one more).
    const auto table_rows_fit = [](const std::vector<std::string>& rows, const char* title) {
        std::size_t checked = 0;
        const auto start = std::find_if(rows.begin(), rows.end(), [&](const std::string& l) {
            return l.find(title) != std::string::npos;
        });
        for (auto it = start; it != rows.end(); ++it) {
            const std::string& l = *it;
            if (l.size() < 3 || l.find('.') == std::string::npos ||
                l.find(':') != std::string::npos)
                continue;
            const std::size_t values =
                static_cast<std::size_t>(std::count(l.begin(), l.end(), '.'));
            if (values == 17) {
                EXPECT_TRUE(l.size() == 122 || (l.size() == 123 && l.find("100.00") != l.npos))
                    << shown_line(l);
                ++checked;
            } else if (values == 16) {
                EXPECT_EQ(l.size(), 115u) << shown_line(l);
                ++checked;
            }
        }
        return checked;
    };
    // Main file: decade rows and the month row in each of its two tables.
    EXPECT_EQ(table_rows_fit(lines, "PREVAILING WIND DIRECTION"), 2u * (3 + 1));
    // Detailed file: the 29 days, the month and the 3 decades in each of its two tables.
    EXPECT_EQ(table_rows_fit(st.lines("February_2012_wind.txt"), "PREVAILING WIND DIRECTION"),
              2u * (29 + 1 + 3));
}

}  // namespace
}  // namespace nimbora
