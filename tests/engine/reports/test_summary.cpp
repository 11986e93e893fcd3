// SPDX-License-Identifier: GPL-3.0-or-later
#include "reports/summary.h"

#include "support/golden.h"
#include "support/report_station.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace nimbora {
namespace {

using test::DatedRec;
using test::Rec;

// A record with only a time, temperatures and rain worth looking at.
Rec plain(const char* day, const char* time, double rain, double hi = 20, double lo = 10)
{
    return {day, time, 15, hi, lo, 50, 5, 1000, 1, 2, "  N", rain, 0, 15, 15, 0, 0, 0, 0, 0, 0};
}

// July 2009, two days; the ties (highest gust, solar radiation and UV, lowest dew point) are
// held by two records each, and the one with the smaller time wins even on the later day.
// January 2010 adds one cold, windy and dry record that only the all-time form sees.
// clang-format off
const DatedRec kTwoYears[] = {
    // day  time     temp hi  lo  hum dew bar  wspd gust dir   rain rate heat chill sol hisol et  uv hiuv run
    {"2009", "07", {"01", "10:00", 20, 21, 19, 60, 10, 1010, 5, 10, "  N", 0, 0, 21, 20, 500, 600, 0.5, 3, 4, 1.0}},
    {"2009", "07", {"01", "14:00", 30, 32, 25, 40, 12, 1012, 10, 20, "  N", 0, 0, 33, 30, 800, 900, 1.0, 6, 7, 2.0}},
    {"2009", "07", {"02", "09:00", 18, 19, 15, 80, 14, 1005, 0, 5, "  S", 2.0, 10, 18, 17, 100, 200, 0.2, 1, 1, 0.5}},
    {"2009", "07", {"02", "12:00", 22, 31, 20, 72, 10, 1009, 7, 20, "  S", 0, 0, 24, 23, 700, 900, 0.4, 5, 7, 1.5}},
    {"2010", "01", {"15", "08:00", -5, -4, -6, 90, -8, 1030, 20, 40, "  E", 0, 0, -5, -10, 50, 60, 0.1, 0, 0, 3.0}},
};
// clang-format on

class Summary : public testing::Test, public test::ReportStation {
protected:
    void SetUp() override { all_columns(); }

    // The statistics of `year`; of all time without it.
    int run(std::optional<int> year = std::nullopt)
    {
        ReportJob job;
        job.all_time = !year;
        job.year = year.value_or(0);
        job.first_record_day = "01/07/2009";
        job.last_record_day = "15/01/2010";
        return run_job(MkSummary, job);
    }
    std::vector<std::string> report(const char* year = "9999") const
    {
        return lines(std::string(year) == "9999" ? "Statistics.txt"
                                                 : std::string(year) + "_Statistics.txt");
    }
    // The line that starts with `label`; empty when there is none.
    static std::string row(const std::vector<std::string>& lines, const std::string& label)
    {
        for (const auto& l : lines)
            if (l.compare(0, label.size(), label) == 0) return l;
        return {};
    }
    // The report of the days of `rain` (one record each, from 01/03/2011), dry-days line only.
    std::string dry_line(std::initializer_list<double> rain)
    {
        std::vector<Rec> days;
        for (double r : rain) {
            const std::string day = (days.size() < 9 ? "0" : "") + std::to_string(days.size() + 1);
            days.push_back(plain(day.c_str(), "12:00", r));
        }
        insert("2011", "03", days);
        EXPECT_EQ(run(2011), 0);
        const auto l = report("2011");
        return l.at(l.size() - 2);  // the last line, before the empty text after its line end
    }
};

TEST_F(Summary, OneYearMatchesGoldenAndIgnoresOtherYears)
{
    insert(kTwoYears);
    ASSERT_EQ(run(2009), 0);
    EXPECT_TRUE(test::matches_golden("summary-year-all-rows.txt", file("2009_Statistics.txt")));
    EXPECT_EQ(only_message(Icon::information),
              "Summary: 2009_Statistics.txt created successfully! ");
    // Sixteen steps, optional rows or not, then the bar back to 0.
    EXPECT_EQ(owner.ranges, (std::vector<std::pair<int, int>>{{0, 16}}));
    EXPECT_EQ(owner.steps, std::vector<int>(16, 1));
    EXPECT_EQ(owner.resets, 1);
}

TEST_F(Summary, AllTimeSpansEveryYearWithoutAverages)
{
    insert(kTwoYears);
    ASSERT_EQ(run(), 0);
    const auto l = report();
    ASSERT_GT(l.size(), 8u);
    EXPECT_EQ(l[0], "\t\tStatistics   01/07/2009 - 15/01/2010");
    EXPECT_EQ(
        l[6],
        "                        Max        Time        Date            Min          Time        Date");
    EXPECT_EQ(l[7], "Temperature           32.0 \xB0"
                    "C      14:00     01/07/2009       -6.0 \xB0"
                    "C       08:00     15/01/2010    ");
    EXPECT_EQ(
        row(l, "Wind Speed"),
        "Wind Speed            20.0 Km/h    08:00     15/01/2010        ---           ---        ---         ");
    // The 09:00 rain is still in an open 24-hour window when the last record (the next
    // January) arrives 23 hours later: evaluated at the end.
    EXPECT_EQ(
        row(l, "Rain in 24 hours"),
        "Rain in 24 hours       2.0 mm      09:00     02/07/2009        ---           ---        ---           ");
    // Two dry runs of one day: the earlier stays.
    EXPECT_EQ(l.at(l.size() - 2), "Consecutive Dry Days     1         From      01/07/2009");
    EXPECT_TRUE(exists("Statistics.txt"));
    EXPECT_FALSE(exists("2009_Statistics.txt"));
}

// The same highest gust at the same time on two days, the later day stored first (its month
// imported before the other): over all time the record stored first holds the maximum, as a
// lookup by value meets it; within the year the earlier day does.
TEST_F(Summary, EqualExtremesAtEqualTimesFollowStorageOverAllTimeAndDatesInAYear)
{
    // clang-format off
    const DatedRec rows[] = {
        {"2011", "08", {"20", "13:00", 20, 21, 19, 60, 10, 1010, 5, 30, "  N", 0, 0, 21, 20, 0, 0, 0, 0, 0, 0}},
        {"2011", "07", {"10", "13:00", 20, 21, 19, 60, 10, 1010, 5, 30, "  N", 0, 0, 21, 20, 0, 0, 0, 0, 0, 0}},
        {"2011", "07", {"11", "09:00", 20, 21, 19, 60, 10, 1010, 5, 10, "  N", 0, 0, 21, 20, 0, 0, 0, 0, 0, 0}},
    };
    // clang-format on
    insert(rows);
    ASSERT_EQ(run(), 0);
    EXPECT_EQ(row(report(), "Wind Gust").substr(0, 55),
              "Wind Gust             30.0 Km/h    13:00     20/08/2011");
    ASSERT_EQ(run(2011), 0);
    EXPECT_EQ(row(report("2011"), "Wind Gust").substr(0, 55),
              "Wind Gust             30.0 Km/h    13:00     10/07/2011");
}

// One record at "24:00": one distinct value of most quantities, zero wind, °F and inches.
TEST_F(Summary, SingleRecordFahrenheitInches)
{
    settings.UnitTemp = 1;
    settings.UnitRain = 1;
    const Rec r{"05", "24:00", 15, 20, 10, 55, 5,    1000, 0, 0, "  N",
                25.4, 50.8,    15, 15, 0,  0,  2.54, 0,    0, 0};
    insert("2011", "03", std::span(&r, 1));
    ASSERT_EQ(run(2011), 0);
    const auto l = report("2011");
    EXPECT_EQ(row(l, "Temperature  "), "Temperature           68.0 \xB0"
                                       "F      00:00     05/03/2011       50.0 \xB0"
                                       "F       00:00     05/03/2011     59.0 \xB0"
                                       "F");
    EXPECT_EQ(row(l, "Dew Point"), "Dew Point             41.0 \xB0"
                                   "F      00:00     05/03/2011       41.0 \xB0"
                                   "F       00:00     05/03/2011     41.0 \xB0"
                                   "F");
    EXPECT_EQ(row(l, "Temperature Range"), "Temperature Range     18.0 \xB0"
                                           "F       ---      05/03/2011       18.0 \xB0"
                                           "F        ---      05/03/2011     18.0 \xB0"
                                           "F");
    EXPECT_EQ(
        row(l, "Humidity"),
        "Humidity                55 %       00:00     05/03/2011         55 %        00:00     05/03/2011       55 %");
    EXPECT_EQ(
        row(l, "Wind Speed"),
        "Wind Speed             0.0 Km/h     ---      --/--/----        ---           ---        ---           0.0 Km/h");
    EXPECT_EQ(
        row(l, "Wind Gust"),
        "Wind Gust              0.0 Km/h     ---      --/--/----        ---           ---        ---           0.0 Km/h");
    EXPECT_EQ(
        row(l, "ET (1 day)"),
        "ET (1 day)           0.100 in      00:00     05/03/2011        ---           ---        ---           ---");
    EXPECT_EQ(
        row(l, "Rain Rate"),
        "Rain Rate             2.00 in/hr   00:00     05/03/2011        ---           ---        ---           ---");
    EXPECT_EQ(
        row(l, "Rain (1 day)"),
        "Rain (1 day)          1.00 in      00:00     05/03/2011        ---           ---        ---           ---");
    EXPECT_EQ(
        row(l, "Rain in 24 hours"),
        "Rain in 24 hours      1.00 in      00:00     05/03/2011        ---           ---        ---           ---");
    EXPECT_EQ(row(l, "Consecutive Dry Days"),
              "Consecutive Dry Days     0         From        /  /    ");
}

TEST_F(Summary, EmptyScopesPrintZerosAndAYearWithoutRowsNoFile)
{
    ASSERT_EQ(run(), 0);
    const auto l = report();
    for (const auto& line : l) EXPECT_EQ(line.find("nan"), std::string::npos) << line;
    EXPECT_EQ(row(l, "Temperature  "), "Temperature            0.0 \xB0"
                                       "C                  /  /            0.0 \xB0"
                                       "C                   /  /        ");
    EXPECT_EQ(row(l, "Temperature Range"), "Temperature Range      0.0 \xB0"
                                           "C       ---        /  /            0.0 \xB0"
                                           "C        ---        /  /        ");
    EXPECT_EQ(
        row(l, "Wind Speed"),
        "Wind Speed             0.0 Km/h     ---      --/--/----        ---           ---        ---         ");
    EXPECT_EQ(
        row(l, "Rain (1 day)"),
        "Rain (1 day)           0.0 mm                  /  /            ---           ---        ---           ");
    EXPECT_EQ(
        row(l, "Rain in 10 min"),
        "Rain in 10 min         0.0 mm                  /  /            ---           ---        ---           ");

    owner.messages.clear();
    EXPECT_EQ(run(2012), 1);
    EXPECT_EQ(only_message(Icon::error), "Summary: No data for 2012");
    EXPECT_FALSE(exists("2012_Statistics.txt"));
}

TEST_F(Summary, OptionalRowsFollowTheirFlagsWithSixteenSteps)
{
    insert(kTwoYears);
    columns({});
    ASSERT_EQ(run(2009), 0);
    auto l = report("2009");
    for (const char* label : {"Wind Run", "Solar Rad.", "ET (1 day)", "UV "})
        EXPECT_EQ(row(l, label), "") << label;
    EXPECT_EQ(owner.steps, std::vector<int>(16, 1));
    EXPECT_EQ(l.size(), 37u - 4u);  // 36 lines and the empty text after the last line end

    columns({kTempRange});  // Solar Rad. follows either flag
    ASSERT_EQ(run(2009), 0);
    l = report("2009");
    EXPECT_NE(row(l, "Solar Rad."), "");
    EXPECT_EQ(row(l, "Wind Run"), "");
}

TEST_F(Summary, TemperatureRangeTiesKeepTheEarlierDay)
{
    // Daily ranges 5, 5, 8, 8, 6.
    const Rec days[] = {plain("10", "12:00", 0, 20, 15), plain("11", "12:00", 0, 25, 20),
                        plain("12", "12:00", 0, 18, 10), plain("13", "12:00", 0, 28, 20),
                        plain("14", "12:00", 0, 16, 10)};
    insert("2011", "04", days);
    ASSERT_EQ(run(2011), 0);
    EXPECT_EQ(row(report("2011"), "Temperature Range"),
              "Temperature Range      8.0 \xB0"
              "C       ---      12/04/2011        5.0 \xB0"
              "C        ---      10/04/2011      6.4 \xB0"
              "C");
}

TEST_F(Summary, DryRunsCountUnderThreeTenthsOfAMillimetre)
{
    // 0.29 counts, 0.3 neither counts nor ends, 0.31 ends; the equal later run loses.
    EXPECT_EQ(dry_line({0.29, 0.3, 0.29, 0.31, 0.1, 0.0, 0.5}),
              "Consecutive Dry Days     2         From      01/03/2011");
}

TEST_F(Summary, DryRunStillOpenAtTheEndCounts)
{
    EXPECT_EQ(dry_line({0.29, 0.31, 0.0, 0.0, 0.3}),
              "Consecutive Dry Days     2         From      03/03/2011");
}

TEST_F(Summary, NoDryDay)
{
    EXPECT_EQ(dry_line({1.0, 0.31}), "Consecutive Dry Days     0         From        /  /    ");
}

TEST_F(Summary, RainWindowsEndBeforeTheFirstRecordAWindowLater)
{
    // Every 5 minutes from 18:00 to 19:00; rain at 18:20, 18:25 and 18:30. The 10-minute
    // window opened at 18:20 holds 18:20 and 18:25 and is judged at the 18:30 record; the
    // windows of an hour and more are still open at 19:00, the last record.
    std::vector<Rec> rows;
    for (int m = 0; m <= 60; m += 5) {
        const std::string t =
            m == 60 ? "19:00" : "18:" + std::string(m < 10 ? "0" : "") + std::to_string(m);
        rows.push_back(plain("20", t.c_str(), m == 20 ? 1.0 : m == 25 ? 1.5 : m == 30 ? 0.5 : 0));
    }
    insert("2011", "05", rows);
    ASSERT_EQ(run(2011), 0);
    const auto l = report("2011");
    const auto window = [](const char* label, const char* mm, const char* time) {
        return std::string(label) + mm + " mm      " + time +
               "     20/05/2011        ---           ---        ---           ---";
    };
    EXPECT_EQ(row(l, "Rain in 10 min"), window("Rain in 10 min    ", "     2.5", "18:25"));
    EXPECT_EQ(row(l, "Rain in 20 min"), window("Rain in 20 min    ", "     3.0", "18:30"));
    EXPECT_EQ(row(l, "Rain in 1 hour"), window("Rain in 1 hour    ", "     3.0", "18:30"));
    EXPECT_EQ(row(l, "Rain in 24 hours"), window("Rain in 24 hours  ", "     3.0", "18:30"));
    EXPECT_EQ(row(l, "Rain (1 day)"), window("Rain (1 day)      ", "     3.0", "18:30"));
}

TEST_F(Summary, RainWindowAcrossMidnight)
{
    const DatedRec rows[] = {{"2011", "05", plain("10", "23:50", 1.0)},
                             {"2011", "05", plain("11", "00:05", 2.0)},
                             {"2011", "05", plain("11", "00:30", 0)},
                             {"2011", "05", plain("11", "02:00", 0)}};
    insert(rows);
    ASSERT_EQ(run(2011), 0);
    const auto l = report("2011");
    // 23:50 to 00:05 is 15 minutes: too long for 10, inside 20.
    EXPECT_EQ(
        row(l, "Rain in 10 min"),
        "Rain in 10 min         2.0 mm      00:05     11/05/2011        ---           ---        ---           ---");
    EXPECT_EQ(
        row(l, "Rain in 20 min"),
        "Rain in 20 min         3.0 mm      00:05     11/05/2011        ---           ---        ---           ---");
    EXPECT_EQ(
        row(l, "Rain in 12 hours"),
        "Rain in 12 hours       3.0 mm      00:05     11/05/2011        ---           ---        ---           ---");
}

}  // namespace
}  // namespace nimbora
