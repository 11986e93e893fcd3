// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/CalcRain.h"

#include <gtest/gtest.h>

#include <string>

namespace nimbora {
namespace {

constexpr std::size_t k10 = 0, k20 = 1, k60 = 3, k1440 = 8;

struct Row {
    const char* day;
    const char* time;
    double rain;
};

void feed(CalcRain& c, std::initializer_list<Row> rows)
{
    for (const Row& r : rows) c.add(r.day, "05", "2008", r.time, r.rain);
}

TEST(CalcRain, ClosesEachWindowAfterItsMinutes)
{
    CalcRain c;
    feed(c, {{"01", "10:00", 1.0}, {"01", "10:05", 2.0}, {"01", "10:15", 0.0}});
    // The 10:15 row closes the 10-minute window opened at 10:00: 1.0 + 2.0, last rain 10:05.
    EXPECT_FLOAT_EQ(c.max(k10).rain, 3.0f);
    EXPECT_STREQ(c.max(k10).time, "10:05");
    EXPECT_STREQ(c.max(k10).day, "01");
    EXPECT_STREQ(c.max(k10).month, "05");
    EXPECT_STREQ(c.max(k10).year, "2008");
    EXPECT_EQ(c.max(k20).rain, 0.0f);  // still open

    feed(c, {{"01", "10:30", 0.0}});
    // Both 20-minute windows close at 10:30; the later one (2.0) does not replace 3.0.
    EXPECT_FLOAT_EQ(c.max(k20).rain, 3.0f);
    EXPECT_STREQ(c.max(k20).time, "10:05");
}

TEST(CalcRain, OpenWindowsCountOnlyWhenFinished)
{
    CalcRain c;
    feed(c, {{"01", "00:00", 0.0}, {"01", "23:50", 0.4}, {"01", "23:55", 0.6}});
    EXPECT_EQ(c.max(k1440).rain, 0.0f);  // the rows ran out before a day had passed
    c.finish();
    EXPECT_FLOAT_EQ(c.max(k1440).rain, 1.0f);
    EXPECT_STREQ(c.max(k1440).time, "23:55");
    EXPECT_FLOAT_EQ(c.max(k10).rain, 1.0f);
}

TEST(CalcRain, AnotherDayCountsAsTheNextDay)
{
    CalcRain c;
    // Opened at 23:00; the next day's 00:05 is 65 minutes later: the hour window closes,
    // adding nothing of 00:05 to it.
    feed(c, {{"01", "23:00", 1.0}, {"02", "00:05", 5.0}});
    EXPECT_FLOAT_EQ(c.max(k60).rain, 1.0f);
    EXPECT_STREQ(c.max(k60).day, "01");
    // A gap of days is still "the next day": opened at 23:00, a row at 22:00 four days on
    // is 23 hours later and leaves the 1440-minute window open.
    CalcRain gap;
    feed(gap, {{"01", "23:00", 1.0}, {"05", "22:00", 1.0}});
    EXPECT_EQ(gap.max(k1440).rain, 0.0f);
}

TEST(CalcRain, TiesKeepTheEarlierMaximum)
{
    CalcRain c;
    feed(c,
         {{"01", "08:00", 0.2}, {"01", "08:30", 0.0}, {"01", "09:00", 0.2}, {"01", "09:30", 0.0}});
    EXPECT_FLOAT_EQ(c.max(k10).rain, 0.2f);
    EXPECT_STREQ(c.max(k10).time, "08:00");
    c.reset();
    EXPECT_EQ(c.max(k10).rain, 0.0f);
    EXPECT_STREQ(c.max(k10).time, "");
}

TEST(CalcRain, SumsAsSinglePrecision)
{
    CalcRain c;
    for (int m = 0; m < 10; ++m) {
        const std::string time = "10:0" + std::to_string(m);
        c.add("01", "05", "2008", time, 0.1);
    }
    c.add("01", "05", "2008", "10:10", 0.0);
    // Ten times 0.1, each partial sum kept in single precision, ends one unit in the last
    // place above 1; a sum kept in double precision would round to 1 exactly.
    EXPECT_EQ(c.max(k10).rain, 0x1.000002p+0f);
    EXPECT_NE(c.max(k10).rain, 1.0f);
}

TEST(CalcRain, MoreOpenWindowsThanTheRingHolds)
{
    // Rows of one minute never hold more than 1440 open; duplicated times could. The oldest
    // is then evaluated instead of being overwritten. Only the first accumulation holds the
    // first row's 100 mm: 100 + 2047 x 0.1 = 304.7 when it is evaluated as the ring
    // overflows; overwritten, the largest would be a later one's 2048 x 0.1 = 204.8.
    CalcRain c;
    c.add("01", "05", "2008", "10:00", 100.0);
    for (std::size_t i = 1; i < CalcRain::kRing + 100; ++i) c.add("01", "05", "2008", "10:00", 0.1);
    c.finish();
    EXPECT_NEAR(c.max(k1440).rain, 304.7f, 0.05f);
    EXPECT_NEAR(c.max(k10).rain, 304.7f, 0.05f);
}

}  // namespace
}  // namespace nimbora
