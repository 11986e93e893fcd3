// SPDX-License-Identifier: GPL-3.0-or-later
#include "reports/summary.h"

#include "support/report_station.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace nimbora {
namespace {

using test::DatedRec;
using test::Rec;

// A record whose only varying quantities are the temperatures and the rain.
Rec plain(const char* day, const char* time, double rain, double hi, double lo)
{
    return {day, time, 15, hi, lo, 50, 5, 1000, 1, 2, "  N", rain, 0, 15, 15, 0, 0, 0, 0, 0, 0};
}

// March and April 2011, one record a day at distinct times. Daily rain 0.5, 0, 0, 0.2 | 0,
// 0.1, 2.0: a dry run from 29 March to 2 April across the month's border. The 2.0 mm at
// 23:50 on 3 April is April's last record, so every window holding it is still open when the
// section ends. A record of 2010 with the hottest and coldest values must stay out.
// clang-format off
const DatedRec kSpring[] = {
    {"2011", "03", plain("28", "10:00", 0.5, 20, 10)},
    {"2011", "03", plain("29", "11:00", 0.0, 24, 12)},
    {"2011", "03", plain("30", "12:00", 0.0, 21, 9)},
    {"2011", "03", plain("31", "23:55", 0.2, 19, 11)},
    {"2011", "04", plain("01", "06:00", 0.0, 14, 4)},
    {"2011", "04", plain("02", "07:00", 0.1, 16, 6)},
    {"2011", "04", plain("03", "23:50", 2.0, 18, 7)},
    {"2010", "04", plain("02", "05:00", 0.0, 40, -5)},
};
// clang-format on

const std::string kRule(110, '-');

// A single-value line: value cell, unit, time and date, and "---" in the last column.
std::string single(const char* label, const char* value, const char* time, const char* date)
{
    return std::string(label) + value + " mm      " + time + "     " + date +
           "        ---           ---        ---           ---";
}

class SummaryMonth : public testing::Test, public test::ReportStation {
protected:
    void SetUp() override { all_columns(); }

    int run(int year)
    {
        ReportJob job;
        job.year = year;
        return run_job(MkSummaryMonth, job);
    }
};

TEST_F(SummaryMonth, SectionPerMonthEachStartingAfresh)
{
    insert(kSpring);
    ASSERT_EQ(run(2011), 0);
    EXPECT_EQ(only_message(Icon::information),
              "Statistics: 2011_Statistics_Dett.txt created successfully! ");
    const auto l = lines("2011_Statistics_Dett.txt");
    // Header, then per month: name, rule, heading, 17 rows (all columns on), "===", nine
    // windows, "===", dry days, an empty line and the rule: 34 lines. Then the empty text
    // after the last line end.
    ASSERT_EQ(l.size(), 6u + 2 * 34u + 1u);
    EXPECT_EQ(l[0], "    Year 2011 Statistics - Monthly Detail");
    EXPECT_EQ(l[1], "");
    EXPECT_EQ(l[2], "NAME: Home   CITY: Town   STATE: XX");
    EXPECT_EQ(l[3], "ELEV: 120 m   LAT:  45.1 N   LONG:  9.2 E");
    EXPECT_EQ(l[4], "");
    EXPECT_EQ(l[5], kRule);
    EXPECT_EQ(l[6], "  March 2011");
    EXPECT_EQ(l[7], kRule);
    EXPECT_EQ(l[8], "                        Max        Time        Date            Min          "
                    "Time        Date         Average");
    EXPECT_EQ(l[38], "");
    EXPECT_EQ(l[39], kRule);
    EXPECT_EQ(l[40], "  April 2011");
    EXPECT_EQ(l[41], kRule);
    EXPECT_EQ(l[42], l[8]);
    EXPECT_EQ(l[72], "");
    EXPECT_EQ(l[73], kRule);
    EXPECT_EQ(l[74], "");

    // March: daily highs 20 24 21 19, lows 10 12 9 11 over four days; ranges 10 12 12 8
    // (the tie keeps the 29th).
    EXPECT_EQ(l[9], "Temperature           24.0 \xB0"
                    "C      11:00     29/03/2011        9.0 \xB0"
                    "C       12:00     30/03/2011     15.0 \xB0"
                    "C");
    EXPECT_EQ(l[10], "Temperature Max         ---         ---         ---           19.0 \xB0"
                     "C       23:55     31/03/2011     21.0 \xB0"
                     "C");
    EXPECT_EQ(l[11], "Temperature Min       12.0 \xB0"
                     "C      11:00     29/03/2011        ---     "
                     "      ---        ---          10.5 \xB0"
                     "C");
    EXPECT_EQ(l[12], "Temperature Range     12.0 \xB0"
                     "C       ---      29/03/2011        8.0 \xB0"
                     "C        ---      31/03/2011     10.5 \xB0"
                     "C");
    EXPECT_EQ(l[25], single("Rain (1 day)      ", "     0.5", "10:00", "28/03/2011"));
    // The 0.5 mm windows close at the next day's record; the 0.2 mm of the 31st, open at the
    // month's end, is evaluated and loses.
    EXPECT_EQ(l[26], "    ===");
    EXPECT_EQ(l[27], single("Rain in 10 min    ", "     0.5", "10:00", "28/03/2011"));
    EXPECT_EQ(l[35], single("Rain in 24 hours  ", "     0.5", "10:00", "28/03/2011"));
    EXPECT_EQ(l[37], "Consecutive Dry Days     3         From      29/03/2011");

    // April: three days; the 2010 record (40 and -5) is not in the year.
    EXPECT_EQ(l[43], "Temperature           18.0 \xB0"
                     "C      23:50     03/04/2011        4.0 \xB0"
                     "C       06:00     01/04/2011     15.0 \xB0"
                     "C");
    EXPECT_EQ(l[44], "Temperature Max         ---         ---         ---           14.0 \xB0"
                     "C       06:00     01/04/2011     16.0 \xB0"
                     "C");
    // One dew point value: both halves show the month's first record holding it.
    EXPECT_EQ(l[47], "Dew Point              5.0 \xB0"
                     "C      06:00     01/04/2011        5.0 \xB0"
                     "C       06:00     01/04/2011      5.0 \xB0"
                     "C");
    EXPECT_EQ(l[59], single("Rain (1 day)      ", "     2.0", "23:50", "03/04/2011"));
    // Every window holding the last record's 2.0 mm is still open when April ends.
    EXPECT_EQ(l[61], single("Rain in 10 min    ", "     2.0", "23:50", "03/04/2011"));
    EXPECT_EQ(l[69], single("Rain in 24 hours  ", "     2.0", "23:50", "03/04/2011"));
    // The run across the border counts only its April days here.
    EXPECT_EQ(l[71], "Consecutive Dry Days     2         From      01/04/2011");

    // 16 steps a month, rain windows and dry days taking none, then the bar back to 0.
    EXPECT_EQ(owner.ranges, (std::vector<std::pair<int, int>>{{0, 32}}));
    EXPECT_EQ(owner.steps, std::vector<int>(32, 1));
    EXPECT_EQ(owner.resets, 1);
}

TEST_F(SummaryMonth, OptionalRowsOffStillSixteenStepsAMonth)
{
    insert(kSpring);
    columns({});
    ASSERT_EQ(run(2010), 0);
    const auto l = lines("2010_Statistics_Dett.txt");
    ASSERT_EQ(l.size(), 6u + 34u - 4u + 1u);
    EXPECT_EQ(l[6], "  April 2010");
    EXPECT_EQ(owner.steps, std::vector<int>(16, 1));
}

TEST_F(SummaryMonth, YearWithoutRecordsWritesNoFile)
{
    insert(kSpring);
    EXPECT_EQ(run(2012), 1);
    EXPECT_EQ(only_message(Icon::error), "Statistics: No data for 2012");
    EXPECT_FALSE(exists("2012_Statistics_Dett.txt"));
}

}  // namespace
}  // namespace nimbora
