// SPDX-License-Identifier: GPL-3.0-or-later
#include "reports/ReportRange.h"

#include "reports/MonthRep.h"
#include "support/golden.h"
#include "support/report_station.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace nimbora {
namespace {

using test::ByName;
using test::crlf_lines;
using test::matches_golden;
using test::repeat;
using test::shown_line;

// A row of `datimeteo` with its own year and month.
using Rec = test::DatedRec;

// A record with the quantities of the temperature, rain and wind columns; the rest 0.
Rec rec(const char* date, const char* time, double temp, double hi, double lo, double wspd,
        double gust, const char* dir, double rain)
{
    const std::string d = date;  // "YYYYMMDD"
    // clang-format off
    return {d.substr(0, 4), d.substr(4, 2),
            {d.substr(6, 2), time, temp, hi, lo, 0, 0, 0, wspd, gust, dir, rain,
             0, 0, 0, 0, 0, 0, 0, 0, 0}};
    // clang-format on
}

// The figures of ReportRange-year-end.txt were worked out by hand from these rows. Dec 29 and
// Jan 3 lie outside the span 30/12/2009-02/01/2010 and would change every figure; Dec 31 has
// no records. Jan 1's minimum is at "24:00"; the NE record has a gust but no speed, so it
// counts for the dominant direction and as calm in the percentages; so does Jan 2's NNE.
const std::vector<Rec> kYearEnd = {
    // clang-format off
    //   date        time     temp  hi    lo    wspd  gust  dir    rain
    rec("20091229", "12:00", 10.0, 30.0, -10.0, 20.0, 30.0, " SE", 50.0),
    rec("20091230", "08:00",  1.0,  1.5,   0.5,  4.0,  8.0, "  N",  0.0),
    rec("20091230", "14:00",  5.0,  6.0,   4.0, 10.0, 20.0, "  N",  1.5),
    rec("20091230", "23:00",  3.0,  3.5,   2.5,  0.0,  3.0, " NE",  0.0),
    rec("20100101", "06:00", -2.0, -1.0,  -3.0,  6.0, 12.0, "  W",  0.0),
    rec("20100101", "24:00", -4.0, -3.5,  -4.5,  2.0,  4.0, "  W",  0.0),
    rec("20100102", "11:00",  2.0,  2.5,   1.0,  8.0, 16.0, "  N",  3.0),
    rec("20100102", "15:00",  4.0,  4.5,   3.5,  4.0,  9.0, "  N",  0.5),
    rec("20100102", "18:00",  3.0,  3.5,   2.5,  0.0,  0.0, "NNE",  0.0),
    rec("20100103", "12:00", 10.0, 30.0, -10.0, 20.0, 30.0, " SE", 50.0),
    // clang-format on
};

// Days across the end of May on the day-count thresholds: May 30 reaches exactly 25.0 and
// 0.0 with 0.2 mm; May 31 exactly 30.0 with 1.0 mm (0.03937 in); June 1 20.0 mm; June 2
// 25.4 mm (0.999998 in); June 3 and 4 share the largest rain, 25.5 mm.
const std::vector<Rec> kThresholds = {
    rec("20110530", "12:00", 25.0, 25.0, 0.0, 0, 0, "---", 0.2),
    rec("20110531", "12:00", 30.0, 30.0, 10.0, 0, 0, "---", 1.0),
    rec("20110601", "12:00", -0.1, -0.1, -2.0, 0, 0, "---", 20.0),
    rec("20110602", "12:00", 24.9, 24.9, 5.0, 0, 0, "---", 25.4),
    rec("20110603", "12:00", 10.0, 10.0, -0.1, 0, 0, "---", 25.5),
    rec("20110604", "12:00", 0.0, 0.0, -1.0, 0, 0, "---", 25.5),
};

// Days of October 2010 with every quantity varying, for the comparison with the monthly report.
std::vector<Rec> october()
{
    const char* dirs[] = {"  N", "NNE", " NE", "ENE", "  E", "ESE", " SE", "SSE",
                          "  S", "SSW", " SW", "WSW", "  W", "WNW", " NW", "NNW"};
    const char* times[] = {"00:30", "06:15", "12:00", "24:00"};
    std::vector<Rec> rows;
    for (int day : {3, 4, 9, 10, 11, 28}) {
        for (int k = 0; k < 4; ++k) {
            char text[3];
            std::snprintf(text, sizeof text, "%02d", day);
            const double temp = 5 + day * 0.7 + k * 2.3 - (k == 3 ? 4 : 0);
            const double wspd = k == 1 ? 0.0 : (day + k * 3.7) / 2;
            const double rain = day % 3 == 0 ? k * 0.6 : 0.0;
            rows.push_back({"2010",
                            "10",
                            {text,
                             times[k],
                             temp,
                             temp + 0.4,
                             temp - 0.6,
                             50 + day + k * 7,
                             temp - 3.1,
                             1000 + day * 0.9 + k * 1.7,
                             wspd,
                             wspd * 1.6 + 1,
                             dirs[static_cast<std::size_t>(day + k) % 16],
                             rain,
                             rain * 4,
                             temp + 0.5,
                             temp - 1.5,
                             k * 150 + day,
                             k * 150 + day + 40,
                             0.1 * k,
                             0.5 * k,
                             0.5 * k + 0.3,
                             wspd * 0.5}});
        }
    }
    return rows;
}

// The station, running the report of a span of days.
class Station : public test::ReportStation {
public:
    // The report from `from` to `to` of `table`.
    int run(const Ymd& from, const Ymd& to, const char* table = "DatiMeteo")
    {
        ReportJob job;
        job.Table = table;
        job.from = from;
        job.to = to;
        return run_job(ReportRange, job);
    }
};

class ReportRangeTest : public testing::Test {
protected:
    Station st;
};

// Temperature, Rain and Wind across the turn of the year: days in date order, each with its own
// year and month, the span's wind tables, the owner's progress bar over the four calendar days
// (the missing 31st passed with 1 January) and no status text.
TEST_F(ReportRangeTest, MatchesGoldenAcrossYearEnd)
{
    st.insert(kYearEnd);
    st.columns({kTemperature, kRain, kWind});
    ASSERT_EQ(st.run({2009, 12, 30}, {2010, 1, 2}), 0);
    EXPECT_TRUE(
        matches_golden("ReportRange-year-end.txt", st.file("Report 30122009-02012010.txt")));
    EXPECT_EQ(st.only_message(Icon::information),
              "Report: Report 30122009-02012010.txt created successfully!");
    EXPECT_EQ(st.owner.ranges, (std::vector<std::pair<int, int>>{{0, 4}}));
    EXPECT_EQ(st.owner.steps, (std::vector<int>{1, 2, 1}));
    EXPECT_EQ(st.owner.resets, 1);
    EXPECT_EQ(st.owner.busy_calls, (std::vector<bool>{true, false}));
    EXPECT_EQ(st.owner.menu_calls, (std::vector<bool>{false, true}));
    EXPECT_TRUE(st.owner.statuses.empty());
}

// A span inside one month prints what the monthly report prints for that month, apart from
// the documented differences: title, 12-character row labels and separators, the SUM row's
// Wind and Wind Run cells, three-digit temperature day counts, and the wind tables after the
// largest rain.
struct SameMonthCase {
    const char* name;
    std::vector<Column> columns;
};

class ReportRangeSameMonth : public testing::TestWithParam<SameMonthCase> {
protected:
    Station st;
};

TEST_P(ReportRangeSameMonth, EqualsMonthlyReportApartFromDocumentedDifferences)
{
    const SameMonthCase& c = GetParam();
    const std::vector<Rec> rows = october();
    st.insert(rows);
    st.settings.ReportChk = {};
    for (Column col : c.columns) st.settings.ReportChk[static_cast<std::size_t>(col)] = 1;
    const bool wind = st.settings.column(kWind), windrun = st.settings.column(kWindRun);

    ReportJob month;
    month.Table = "DatiMeteo";
    month.year = 2010;
    month.month = 10;
    month.settings = st.settings;
    ASSERT_EQ(MonthReport(month), 0);
    ASSERT_EQ(st.run({2010, 10, 1}, {2010, 10, 31}), 0);

    const std::vector<std::string> monthly = st.lines("October_2010.txt");
    const std::vector<std::string> range = st.lines("Report 01102010-31102010.txt");
    const auto max_rain = std::find_if(monthly.begin(), monthly.end(), [](const std::string& l) {
        return l.rfind("Max Rain:", 0) == 0;
    });
    ASSERT_NE(max_rain, monthly.end());
    const std::size_t compared = static_cast<std::size_t>(max_rain - monthly.begin()) + 1;
    ASSERT_GE(range.size(), compared);

    std::size_t day_rows = 0, separators = 0;
    for (std::size_t i = 0; i < compared; ++i) {
        const std::string& m = monthly[i];
        const std::string rest = m.size() >= 4 ? m.substr(4) : std::string();
        std::string expected = m;
        if (i == 0)
            expected = "        CLIMATOLOGICAL REPORT   01/10/2010 - 31/10/2010";
        else if (i == 8)
            expected = "        " + m;
        else if (i == 9)
            expected = "   DATE     " + rest;
        else if (!m.empty() && m.find_first_not_of('-') == std::string::npos) {
            expected = "--------" + m;
            ++separators;
        } else if (separators == 1) {  // a day row: "%2d  " becomes "DD/MM/YYYY  "
            char label[16];
            std::snprintf(label, sizeof label, "%02d/10/2010  ", std::atoi(m.c_str()));
            expected = label + rest;
            ++day_rows;
        } else if (m.rfind("AVG ", 0) == 0 || m.rfind("MIN ", 0) == 0 || m.rfind("MAX ", 0) == 0)
            expected = m.substr(0, 3) + "         " + rest;
        else if (m.rfind("SUM ", 0) == 0) {
            expected = "SUM         " + rest;
            // 29 blanks instead of 30 for Wind, and "%9.2f" instead of "%8.2f" for Wind Run.
            if (wind && !windrun) expected.pop_back();
            if (windrun && !wind) expected.insert(expected.size() - 8, " ");
        } else if (m.rfind("Temp ", 0) == 0)
            expected.insert(m.find(':') + 1, " ");
        EXPECT_EQ(shown_line(range[i]), shown_line(expected)) << "line " << i + 1;
    }
    EXPECT_EQ(day_rows, 6u);
}

const SameMonthCase kSameMonthCases[] = {
    {"AllColumns",
     {kTemperature, kDewPoint, kHeatIndex, kWindChill, kHumidity, kPressure, kSolarRad, kET, kUV,
      kRainRate, kRain, kWind, kWindRun, kSamples, kTempRange}},
    {"WindWithoutWindRun", {kTemperature, kRain, kWind}},
    {"WindRunWithoutWind", {kTemperature, kET, kRain, kWindRun}},
};

INSTANTIATE_TEST_SUITE_P(Columns, ReportRangeSameMonth, testing::ValuesIn(kSameMonthCases),
                         ByName());

// The day counts on their exact thresholds in both unit systems, the largest rain dated with
// its own month (a tie keeps the earlier day); Wind off, so the file ends there without a
// line end.
struct ThresholdCase {
    const char* name;
    signed char temp, rain;
    const char* tail;
};

class ReportRangeThresholds : public testing::TestWithParam<ThresholdCase> {
protected:
    Station st;
};

TEST_P(ReportRangeThresholds, CountsDaysOnTheThresholds)
{
    const ThresholdCase& c = GetParam();
    st.insert(kThresholds);
    st.columns({kTemperature, kRain});
    st.settings.UnitTemp = c.temp;
    st.settings.UnitRain = c.rain;
    ASSERT_EQ(st.run({2011, 5, 29}, {2011, 6, 4}), 0);
    const std::string report = st.file("Report 29052011-04062011.txt");
    const std::size_t at = report.find("NUMBER OF DAYS WITH:");
    ASSERT_NE(at, std::string::npos) << test::visible(report);
    EXPECT_EQ(test::visible(report.substr(at)), test::visible(c.tail));
}

const ThresholdCase kThresholdCases[] = {
    {"CelsiusMm", 0, 0,
     "NUMBER OF DAYS WITH:\r\n"
     "Temp Max >= 25.0:   2\r\n"
     "Temp Max >= 30.0:   1\r\n"
     "Temp Min <   0.0:   3\r\n"
     "Temp Max <   0.0:   1\r\n"
     "Rain:   5 (> .2 mm)  5 (>= 1 mm)  3 (> 20 mm)\r\n"
     "\r\n"
     "Max Rain:   25.5 mm (03/06/2011)"},
    {"FahrenheitInches", 1, 1,
     "NUMBER OF DAYS WITH:\r\n"
     "Temp Max >= 77.0:   2\r\n"
     "Temp Max >= 86.0:   1\r\n"
     "Temp Min <  32.0:   3\r\n"
     "Temp Max <  32.0:   1\r\n"
     "Rain:   5 (> .01 in)  5 (>= .04 in)  2 (> 1 in)\r\n"
     "\r\n"
     "Max Rain:   1.00 in (03/06/2011)"},
};

INSTANTIATE_TEST_SUITE_P(Units, ReportRangeThresholds, testing::ValuesIn(kThresholdCases),
                         ByName());

// A span holds the days whose texts, joined, lie between its two dates, as SQLite compares
// the joined texts: malformed dates (a one-digit month or day, an empty day, a day of three
// digits) are in or out exactly as "year||month||day between FROM and TO" says.
TEST_F(ReportRangeTest, SelectsDaysAsTheirJoinedTextsCompare)
{
    const std::vector<std::pair<std::string, std::string>> dates = {
        {"06", "15"}, {"6", "15"}, {"06", "1"}, {"0", "9"},   {"061", ""},
        {"06", "3"},  {"06", ""},  {"1", "2"},  {"12", "31"}, {"06", "150"}};
    std::vector<Rec> rows;
    for (const auto& [month, day] : dates)
        rows.push_back({"2010", month, {day, "12:00", 20.0, 21.0, 19.0, 0, 0, 0, 1.0, 2.0, "  N",
                                        0,   0,       0,    0,    0,    0, 0, 0, 0,   0}});
    st.insert(rows);
    st.columns({kTemperature});
    const SqliteHandle db = st.open_db();
    ASSERT_TRUE(db);
    for (const auto& [from, to] :
         std::vector<std::pair<Ymd, Ymd>>{{{2010, 6, 1}, {2010, 6, 30}},
                                          {{2010, 6, 15}, {2010, 6, 15}},
                                          {{2010, 1, 1}, {2010, 12, 31}},
                                          {{2010, 1, 0}, {2010, 6, 12}},
                                          {{2010, 7, 0}, {2010, 12, 99}}}) {
        const std::string from_text = ymd_digits(from), to_text = ymd_digits(to);
        SCOPED_TRACE(from_text + "-" + to_text);
        sqlite3_stmt* raw = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(db.get(),
                                     "select count(*) from datimeteo where year||month||day "
                                     "between ?1 and ?2",
                                     -1, &raw, nullptr),
                  SQLITE_OK);
        const StmtHandle count(raw);
        sqlite3_bind_text(raw, 1, from_text.c_str(), -1, SQLITE_STATIC);
        sqlite3_bind_text(raw, 2, to_text.c_str(), -1, SQLITE_STATIC);
        ASSERT_EQ(sqlite3_step(raw), SQLITE_ROW);
        const int expected = sqlite3_column_int(raw, 0);
        ASSERT_GT(expected, 0);

        ASSERT_EQ(st.run(from, to), 0);
        const std::string name = range_file_name(from_text, to_text);
        const std::string report = st.file(name);
        // One record a day: the day rows are the records, each 21.0 at 12:00.
        int day_rows = 0;
        for (const std::string& line : st.lines(name))
            if (line.find("  12:00   21.0  ") != std::string::npos) ++day_rows;
        EXPECT_EQ(day_rows, expected) << test::visible(report);
    }
}

// 120 days from November to March, one record a day: every day is listed, the counts take
// three digits, the SUM row's Wind Run cell is 9 wide, and the progress bar takes a step a day.
TEST_F(ReportRangeTest, ListsMoreThanFiftyDays)
{
    std::vector<Rec> rows;
    std::vector<std::string> dates;
    for (int y = 2010, m = 11, d = 15; dates.size() < 120;) {
        const int month_days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        char date[40];
        std::snprintf(date, sizeof date, "%04d%02d%02d", y, m, d);
        dates.push_back(date);
        rows.push_back(rec(date, "12:00", 20.0, 26.0, 5.0, 0, 0, "---", 1.0));
        rows.back().rec.run = 0.5;
        if (++d > month_days[m - 1]) {
            d = 1;
            if (++m > 12) {
                m = 1;
                ++y;
            }
        }
    }
    ASSERT_EQ(dates.back(), "20110314");
    st.insert(rows);
    st.columns({kTemperature, kRain, kWindRun});
    ASSERT_EQ(st.run({2010, 11, 15}, {2011, 3, 14}), 0);

    const std::vector<std::string> lines = st.lines("Report 15112010-14032011.txt");
    ASSERT_GT(lines.size(), 11u + 120u);
    for (std::size_t i = 0; i < 120; ++i) {
        const std::string& date = dates[i];
        const std::string label =
            date.substr(6, 2) + "/" + date.substr(4, 2) + "/" + date.substr(0, 4) + "  ";
        EXPECT_EQ(lines[11 + i].substr(0, 12), label) << shown_line(lines[11 + i]);
    }
    EXPECT_EQ(lines[131], std::string(12 + 36 + 8 + 8, '-'));
    EXPECT_EQ(shown_line(lines[135]),
              shown_line("SUM         " + std::string(36, ' ') + "  120.0 " + "    60.00"));
    const std::string report = st.file("Report 15112010-14032011.txt");
    EXPECT_EQ(test::visible(report.substr(report.find("NUMBER OF DAYS WITH:"))),
              test::visible("NUMBER OF DAYS WITH:\r\n"
                            "Temp Max >= 25.0: 120\r\n"
                            "Temp Max >= 30.0:   0\r\n"
                            "Temp Min <   0.0:   0\r\n"
                            "Temp Max <   0.0:   0\r\n"
                            "Rain:  120 (> .2 mm) 120 (>= 1 mm)  0 (> 20 mm)\r\n"
                            "\r\n"
                            "Max Rain:    1.0 mm (15/11/2010)"));
    EXPECT_EQ(st.owner.ranges, (std::vector<std::pair<int, int>>{{0, 120}}));
    EXPECT_EQ(st.owner.steps, std::vector<int>(120, 1));
    EXPECT_EQ(st.owner.resets, 1);
}

// The progress bar runs over the span's calendar days: days without records are passed with
// the next day that has some, across the end of February.
TEST_F(ReportRangeTest, ProgressRunsOverCalendarDays)
{
    st.insert(std::vector<Rec>{rec("20100226", "12:00", 5, 6, 4, 0, 0, "---", 0),
                               rec("20100301", "12:00", 5, 6, 4, 0, 0, "---", 0),
                               rec("20100305", "12:00", 5, 6, 4, 0, 0, "---", 0)});
    st.columns({kTemperature});
    ASSERT_EQ(st.run({2010, 2, 25}, {2010, 3, 10}), 0);
    EXPECT_EQ(st.owner.ranges, (std::vector<std::pair<int, int>>{{0, 14}}));
    EXPECT_EQ(st.owner.steps, (std::vector<int>{2, 3, 4}));
}

// Records without a direction leave every direction count at 0: the percentages, the calm
// share and the speeds print 0, never NaN. Without rain the largest rain is dated on the
// span's first day, even when that day has no records.
TEST_F(ReportRangeTest, EmptyDirectionCountsPrintZero)
{
    const std::vector<Rec> rows = {
        rec("20120228", "06:00", 5, 5, 5, 5.0, 9.0, nullptr, 0),
        rec("20120228", "18:00", 5, 5, 5, 0.0, 2.0, nullptr, 0),
        rec("20120301", "12:00", 5, 5, 5, 10.0, 14.0, nullptr, 0),
    };
    st.insert(rows);
    st.columns({kTemperature, kRain, kWind});
    ASSERT_EQ(st.run({2012, 2, 27}, {2012, 3, 2}), 0);
    const std::string report = st.file("Report 27022012-02032012.txt");
    EXPECT_EQ(report.find("nan"), std::string::npos) << test::visible(report);
    EXPECT_EQ(report.find("inf"), std::string::npos) << test::visible(report);
    const std::vector<std::string> lines = crlf_lines(report);
    EXPECT_EQ(lines.back(), repeat("   0.0 ", 16));
    EXPECT_NE(std::find(lines.begin(), lines.end(), repeat("  0.00 ", 17)), lines.end())
        << test::visible(report);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Max Rain:    0.0 mm (27/02/2012)"),
              lines.end());
    EXPECT_EQ(st.only_message(Icon::information),
              "Report: Report 27022012-02032012.txt created successfully!");
}

// Where the documented report would divide by zero or fail halfway: a clear message, no file,
// ThActive released and the connection closed.
TEST_F(ReportRangeTest, RefusesSpansItCannotReport)
{
    st.insert(kYearEnd);
    st.columns({kTemperature, kRain, kWind});

    EXPECT_EQ(st.run({2010, 2, 1}, {2010, 2, 5}), 1);
    EXPECT_EQ(st.only_message(Icon::error), "Report: No data from 01/02/2010 to 05/02/2010");
    EXPECT_FALSE(st.exists("Report 01022010-05022010.txt"));

    st.owner.messages.clear();
    EXPECT_EQ(st.run({10000, 1, 1}, {2010, 1, 2}), 1);
    EXPECT_EQ(st.only_message(Icon::error), "Report: Not a date (YYYYMMDD): 100000101");

    // The report folder is missing: the file cannot be created, and the connection opened for
    // the report does not outlive it (SQLite gives back all memory a connection held).
    st.owner.messages.clear();
    st.settings.InitPathRep = st.dir.folder() + "missing/";
    const sqlite3_int64 before = sqlite3_memory_used();
    EXPECT_EQ(st.run({2009, 12, 30}, {2010, 1, 2}), 1);
    EXPECT_EQ(sqlite3_memory_used(), before);
    EXPECT_EQ(st.only_message(Icon::error),
              "Error: " + st.settings.InitPathRep +
                  "Report 30122009-02012010.txt: Error creating file");
}

// A failing statement is told once (caption "Database") and no report is written.
TEST_F(ReportRangeTest, FailedStatementWritesNoReport)
{
    st.insert(kYearEnd);
    st.columns({kTemperature, kRain, kWind});
    EXPECT_EQ(st.run({2009, 12, 30}, {2010, 1, 2}, "TempMeteo"), 1);  // no such table here
    EXPECT_EQ(st.only_message(Icon::warning), "Database: no such table: TempMeteo");
    EXPECT_FALSE(st.exists("Report 30122009-02012010.txt"));
}

// The Date Range dialog's check against the first and last record held (20091229..20100103).
struct SpanCase {
    const char* name;
    const char* start;
    const char* end;
    std::optional<std::string> problem;
};

class CheckDateRange : public testing::TestWithParam<SpanCase> {};

TEST_P(CheckDateRange, NamesTheFirstProblem)
{
    const SpanCase& c = GetParam();
    EXPECT_EQ(check_date_range("20091229", "20100103", c.start, c.end), c.problem);
}

const SpanCase kSpanCases[] = {
    {"OneDayInside", "20091231", "20091231", std::nullopt},
    {"WholeSpan", "20091229", "20100103", std::nullopt},
    {"EndBeforeStart", "20100102", "20091230", "End Date minor of Start Date!"},
    {"StartDayBeforeFirst", "20091228", "20091230", "Start Date out of range!"},
    {"StartAfterLast", "20100104", "20100103", "Start Date out of range!"},
    {"EndDayAfterLast", "20091230", "20100104", "End Date out of range!"},
    {"EndBeforeFirstAndStart", "20091230", "20091228", "End Date out of range!"},
};

INSTANTIATE_TEST_SUITE_P(Spans, CheckDateRange, testing::ValuesIn(kSpanCases), ByName());

TEST(RangeFileName, PutsDayMonthYearOfBothDates)
{
    EXPECT_EQ(range_file_name("20090301", "20090415"), "Report 01032009-15042009.txt");
}

}  // namespace
}  // namespace nimbora
