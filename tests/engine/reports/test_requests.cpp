// SPDX-License-Identifier: GPL-3.0-or-later
// What the report and load dialogs send to their jobs, and what they refuse.
#include "reports/requests.h"

#include "support/report_station.h"

#include <gtest/gtest.h>

namespace nimbora {
namespace {

ReportJob job_with_wind(bool wind)
{
    ReportJob job;
    job.settings.ReportChk[kWind] = wind ? 1 : 0;
    return job;
}

TEST(MonthlyRequest, SendsTheChosenMonthOfTheWeatherTable)
{
    ReportJob job = job_with_wind(true);
    ASSERT_FALSE(monthly_request(job, "2009", "September", true, true));
    EXPECT_EQ(job.Table, "DatiMeteo");
    EXPECT_EQ(job.year, 2009);
    EXPECT_EQ(job.month, 9);
    EXPECT_TRUE(job.decades);
    EXPECT_TRUE(job.wind_detail);
    EXPECT_EQ(job.Db, nullptr);
}

TEST(MonthlyRequest, NeverAsksForTheWindFileWithoutTheWindColumn)
{
    ReportJob job = job_with_wind(false);
    EXPECT_FALSE(wind_detail_allowed(job.settings));
    ASSERT_FALSE(monthly_request(job, "2009", "May", false, true));
    EXPECT_FALSE(job.wind_detail);
    EXPECT_FALSE(job.decades);
}

TEST(MonthlyRequest, ReadsTheListsAsFarAsTheirTextsGo)
{
    ReportJob job = job_with_wind(true);
    ASSERT_FALSE(monthly_request(job, "200912", "Septembers", false, false));
    EXPECT_EQ(job.year, 2009);
    EXPECT_EQ(job.month, 9);
}

// The lists offer only the years and month names the database holds; anything else is
// refused before a job starts, in the words the monthly report used for it.
TEST(MonthlyRequest, RefusesWhatIsNoYearOrMonth)
{
    ReportJob job = job_with_wind(true);
    auto refusal = monthly_request(job, "2009", "Marzo", false, false);
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->caption, "Report");
    EXPECT_EQ(refusal->text, "Not a month: Marzo");
    EXPECT_EQ(refusal->icon, Icon::error);
    for (const char* year : {"", "20x9", "209"}) {
        refusal = monthly_request(job, year, "March", false, false);
        ASSERT_TRUE(refusal) << year;
        EXPECT_EQ(refusal->caption, "Attention");
        EXPECT_EQ(refusal->text, "No year/month selected.");
    }
    refusal = monthly_request(job, "2009", "", false, false);
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->text, "No year/month selected.");
    EXPECT_EQ(job.month, 0);

    for (const char* year : {"", "20x9"}) {
        refusal = annual_request(job, year);
        ASSERT_TRUE(refusal) << year;
        EXPECT_EQ(refusal->caption, "Attention");
        EXPECT_EQ(refusal->text, "No year selected.");
    }
    ASSERT_FALSE(annual_request(job, "2010"));
    EXPECT_EQ(job.year, 2010);
}

TEST(CurrentMonthRequest, SendsTheClockMonthAsANumberForTheTemporaryTable)
{
    LocalTime now;
    now.year = 2026;
    now.month = 3;
    now.day = 9;
    ReportJob job = job_with_wind(false);
    current_month_request(job, now, true, true);
    EXPECT_EQ(job.Table, "TempMeteo");
    EXPECT_EQ(job.year, 2026);
    EXPECT_EQ(job.month, 3);
    EXPECT_TRUE(job.decades);
    EXPECT_FALSE(job.wind_detail);
    EXPECT_EQ(current_month_title(now), "March 2026");
    now.month = 12;
    EXPECT_EQ(current_month_title(now), "December 2026");
}

struct StatsCase {
    const char* name;
    bool all_time;
    const char* year;
    bool detail;
    bool refused;  // with "Nothing selected."
    bool sent_all_time;
    int sent_year;  // read only without sent_all_time
    bool sent_detail;
};

class StatisticsRequest : public testing::TestWithParam<StatsCase> {};

TEST_P(StatisticsRequest, SendsTheYearOrAllTime)
{
    const StatsCase& c = GetParam();
    StatisticsChoice choice{c.all_time, c.year, c.detail, "01/05/2008 00:05", "28/02/2010 23:55"};
    ReportJob job;
    const auto refusal = statistics_request(job, choice);
    if (c.refused) {
        ASSERT_TRUE(refusal);
        EXPECT_EQ(refusal->caption, "Attention");
        EXPECT_EQ(refusal->text, "Nothing selected.");
        return;
    }
    ASSERT_FALSE(refusal);
    EXPECT_EQ(job.all_time, c.sent_all_time);
    if (!c.sent_all_time) {
        EXPECT_EQ(job.year, c.sent_year);
    }
    EXPECT_EQ(statistics_monthly_detail(choice), c.sent_detail);
    EXPECT_EQ(job.first_record_day, "01/05/2008");
    EXPECT_EQ(job.last_record_day, "28/02/2010");
}

const StatsCase kStatsCases[] = {
    {"AllTime", true, "", false, false, true, 0, false},
    {"AllTimeIgnoresYearAndDetail", true, "2009", true, false, true, 0, false},
    {"OneYear", false, "2009", false, false, false, 2009, false},
    {"OneYearMonthByMonth", false, "2009", true, false, false, 2009, true},
    // The year 9999 has always stood for all time.
    {"YearNineThousandNineHundredNinetyNine", false, "9999", false, false, true, 0, false},
    {"NoYear", false, "", true, true, false, 0, false},
    {"NotAYear", false, "20x9", false, true, false, 0, false},
};

INSTANTIATE_TEST_SUITE_P(Choices, StatisticsRequest, testing::ValuesIn(kStatsCases),
                         test::ByName());

struct RangeCase {
    const char* name;
    Ymd start, end;
    const char* problem;  // null: accepted, sending `start` and `end`
};

class DateRangeRequest : public testing::TestWithParam<RangeCase> {};

// The dialog shows the records held from 01/05/2008 to 28/02/2010.
TEST_P(DateRangeRequest, ChecksTheSpanAgainstTheRecordsHeld)
{
    const RangeCase& c = GetParam();
    ReportJob job;
    const auto refusal = date_range_request(job, "01/05/2008", "28/02/2010", c.start, c.end);
    if (c.problem) {
        ASSERT_TRUE(refusal);
        EXPECT_EQ(refusal->caption, "Error");
        EXPECT_EQ(refusal->icon, Icon::error);
        EXPECT_EQ(refusal->text, c.problem);
        EXPECT_EQ(job.from, Ymd{});
        return;
    }
    ASSERT_FALSE(refusal) << refusal->text;
    EXPECT_EQ(job.Table, "DatiMeteo");
    EXPECT_EQ(job.from, c.start);
    EXPECT_EQ(job.to, c.end);
}

const RangeCase kRangeCases[] = {
    {"FirstDayOnly", {2008, 5, 1}, {2008, 5, 1}, nullptr},
    {"LastDayOnly", {2010, 2, 28}, {2010, 2, 28}, nullptr},
    {"AcrossAYearEnd", {2009, 12, 30}, {2010, 1, 2}, nullptr},
    {"DayBeforeFirst", {2008, 4, 30}, {2008, 5, 3}, "Start Date out of range!"},
    {"DayAfterLast", {2009, 1, 1}, {2010, 3, 1}, "End Date out of range!"},
    {"EndBeforeStart", {2009, 6, 2}, {2009, 6, 1}, "End Date minor of Start Date!"},
};

INSTANTIATE_TEST_SUITE_P(Spans, DateRangeRequest, testing::ValuesIn(kRangeCases), test::ByName());

TEST(DateRangeRequest, RefusesEverySpanOfAnEmptyDatabase)
{
    ReportJob job;
    const auto refusal = date_range_request(job, "", "", {2009, 6, 1}, {2009, 6, 1});
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->text, "Start Date out of range!");
}

}  // namespace
}  // namespace nimbora
