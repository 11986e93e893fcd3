// SPDX-License-Identifier: GPL-3.0-or-later
// monthly.h: the figures of the monthly-row layout, a row per month or per year, read in one
// pass over the records and printed; shared by the annual and the global report.
#pragma once

#include "config/Db.h"
#include "config/Settings.h"
#include "config/TextWriter.h"
#include "config/UnitConvert.h"
#include "reports/layout.h"
#include "reports/wind.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace nimbora {

// The day rows of a month or a year: sums of their means in stored units (temperature, dew
// point, heat index, wind chill, humidity, pressure, solar radiation, wind speed), their
// temperature ranges in display units, and their day counts.
struct DayRun {
    int days = 0;
    std::array<double, 8> sums{};
    double range_sum = 0, range_low = 99, range_high = -99;
    DayCounts counts;

    // The sums divided by the days; 0, never NaN, without days.
    double mean(std::size_t i) const { return days > 0 ? sums[i] / days : 0.0; }
    double range_mean() const { return days > 0 ? range_sum / days : 0.0; }
    // Adds another run's sums and counts and widens the ranges: a year from its months.
    DayRun& operator+=(const DayRun& other);
};

// Extremes and totals of a month row or a year row, in stored units.
struct Figures {
    DayRun run;
    double t_low = 99, t_high = -99;
    std::string t_low_date, t_high_date;  // "DD/MM"
    double dew_low = 99, dew_high = -99, heat_low = 99, heat_high = -99, chill_low = 99,
           chill_high = -99;
    double hum_low = 100, hum_high = 0, bar_low = 2000, bar_high = 800;
    int solar_high = 0;
    double uv_high = 0, rate_high = 0, speed_high = 0, gust_high = 0;
    double et = 0, rain = 0, windrun = 0;
    std::string direction = "---";

    // Moves the extremes out to `month`'s (strictly beyond, so ties keep the earlier date) and
    // adds its totals; leaves the run and the direction.
    void widen(const Figures& month);
};

// A day's figures as the reports use them: the means of the DayRun quantities, the highest
// and lowest temperature and the rain, each read back from SQLite's text of the value (0 for
// none), as a grouped statement would have printed it.
struct DayFigures {
    std::array<double, 8> means{};
    double high = 0, low = 0, rain = 0;
};

// Adds a day to `run`: its means, its temperature range (display units) and its day counts.
void add_day(DayRun& run, const DayFigures& d, const Settings& s, const Units& u);

// A month of records: its extremes, totals, the dates of its temperature extremes and its
// dominant direction in `f` (whose run is left empty), and its days in date order.
struct MonthFigures {
    std::string month;  // as stored
    Figures f;
    std::vector<DayFigures> days;
};

// A year of records: its months in month order, its dominant direction and its wind tables
// (the prevailing-direction percentages and the average speed from each direction). A year
// without records reads as an empty one: no months, "---", zeros.
struct YearFigures {
    std::string year;  // as stored
    std::vector<MonthFigures> months;
    std::string direction = "---";
    WindRow shares{};
    WindSpeeds speeds{};
};

// Reads the records of datimeteo once in key order, those of `year` or, when it is empty,
// all, and calls `done` with each year's figures when its records end, `month_done` after
// each month. Memory holds one figure set per day, never records. Sets `failed` when a
// statement failed (the owner was told); what was read until then is reported.
void read_years(Owner* owner, Db& db, const std::string& year,
                const std::function<void(YearFigures&&)>& done,
                const std::function<void()>& month_done, bool& failed);

// A month row (`year` false) or a year row after its label, and the line end; a year row prints
// its wind run 9 wide without the month row's leading blank.
void figures_row(TextWriter& out, const Settings& s, const Units& u, const Figures& f, bool year);

}  // namespace nimbora
