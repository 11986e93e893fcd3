// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/UnitConvert.h"

#include "config/format.h"

#include <gtest/gtest.h>

namespace nimbora {
namespace {

Settings units(int temp, int rain, int wind, int bar)
{
    Settings s;
    s.UnitTemp = static_cast<signed char>(temp);
    s.UnitRain = static_cast<signed char>(rain);
    s.UnitWind = static_cast<signed char>(wind);
    s.UnitBar = static_cast<signed char>(bar);
    return s;
}

TEST(UnitConvert, TemperatureInFahrenheit)
{
    const Units u = UnitConvert(units(1, 0, 0, 0));
    EXPECT_EQ(u.UTitle[0], "\xB0"
                           "F");
    EXPECT_EQ(strf("%.1f", u.temp(0.0)), "32.0");
    EXPECT_EQ(strf("%.1f", u.temp(10.0)), "50.0");
    EXPECT_EQ(strf("%.1f", u.temp(7.5) - u.temp(2.5)), "9.0");  // a range of 5.0
    EXPECT_EQ(UnitConvert(units(0, 0, 0, 0)).UTitle[0], "\xB0"
                                                        "C");
    EXPECT_EQ(UnitConvert(units(-3, 0, 0, 0)).UTitle[0], "\xB0"
                                                         "F");  // any nonzero code
}

TEST(UnitConvert, RainAndEtInInches)
{
    const Units u = UnitConvert(units(0, 1, 0, 0));
    EXPECT_EQ(u.UTitle[1], "in");
    EXPECT_EQ(format_value(u.RSpec, 25.4 * u.RainFatt), "    1.00");
    EXPECT_EQ(format_value(u.ETSpec, 25.4 * u.RainFatt), "   1.000");
    const Units mm = UnitConvert(units(0, 0, 0, 0));
    EXPECT_EQ(mm.UTitle[1], "mm");
    EXPECT_EQ(format_value(mm.RSpec, 25.4 * mm.RainFatt), "    25.4");
    EXPECT_EQ(mm.ETSpec, "  %6.1f");
}

struct WindCase {
    int code;
    const char* speed_label;
    const char* speed;  // 100 km/h
    const char* run_label;
    const char* run;  // 100 km
};

class WindUnits : public testing::TestWithParam<WindCase> {};

TEST_P(WindUnits, SpeedAndRun)
{
    const WindCase& c = GetParam();
    const Units u = UnitConvert(units(0, 0, c.code, 0));
    EXPECT_EQ(u.UTitle[2], c.speed_label);
    EXPECT_EQ(strf("%.1f", 100 * u.WindFatt), c.speed);
    EXPECT_EQ(u.UTitle[4], c.run_label);
    EXPECT_EQ(strf("%.1f", 100 * u.WindRunFatt), c.run);
}

INSTANTIATE_TEST_SUITE_P(Codes, WindUnits,
                         testing::Values(WindCase{0, "Km/h", "100.0", "Km", "100.0"},
                                         WindCase{1, "mph", "62.1", "mi", "62.1"},
                                         WindCase{2, "knot", "54.0", "nmi", "54.0"},
                                         WindCase{3, "m/s", "27.8", "Km", "100.0"}));

TEST(UnitConvert, Barometer)
{
    const Units inhg = UnitConvert(units(0, 0, 0, 3));
    EXPECT_EQ(inhg.UTitle[3], "inHg");
    EXPECT_EQ(format_value(inhg.PSpec, 1013.2 * inhg.BarFatt), "  29.920");
    const Units mmhg = UnitConvert(units(0, 0, 0, 2));
    EXPECT_EQ(format_value(mmhg.PSpec, 1013.2 * mmhg.BarFatt), "   760.0");
    EXPECT_EQ(UnitConvert(units(0, 0, 0, 1)).UTitle[3], "mb");
    EXPECT_EQ(UnitConvert(units(0, 0, 0, 0)).UTitle[3], "hPa");
}

TEST(UnitConvert, CodeOutOfRangeKeepsThePreviousUnits)
{
    const Units before = UnitConvert(units(0, 0, 1, 3));
    const Units after = UnitConvert(units(0, 0, 7, -1), before);
    EXPECT_EQ(after.UTitle[2], "mph");
    EXPECT_EQ(after.WindFatt, 0.62137);
    EXPECT_EQ(after.UTitle[3], "inHg");
    EXPECT_EQ(after.BarFatt, 0.02953);
    EXPECT_EQ(after.PSpec, "  %6.1f");  // the format is set all the same
    EXPECT_EQ(UnitConvert(units(0, 0, 4, 4)).WindFatt, 0.0);
}

}  // namespace
}  // namespace nimbora
