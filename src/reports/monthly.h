// monthly.h: the figures of the monthly-row layout, a row per month or per year, read month by
// month and printed; shared by the annual and the global report.
#pragma once

#include "config/Db.h"
#include "config/Settings.h"
#include "config/TextWriter.h"
#include "config/UnitConvert.h"
#include "reports/layout.h"

#include <array>
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

// The months of `year` in datimeteo that hold records, in month order, as read_month reads
// them (the month text first).
Db::Result query_months(Owner* owner, Db& db, const std::string& year);

// The month of `cells` (a row of query_months): its extremes, totals and the dates of its
// temperature extremes, with its day rows added to `run`; the figures' own run and direction
// are left to the caller. Sets `failed` when a statement failed (the owner was told).
Figures read_month(Owner* owner, Db& db, const Settings& s, const Units& u, const std::string& year,
                   const std::vector<std::string>& cells, DayRun& run, bool& failed);

// A month row (`year` false) or a year row after its label, and the line end; a year row prints
// its wind run 9 wide without the month row's leading blank.
void figures_row(TextWriter& out, const Settings& s, const Units& u, const Figures& f, bool year);

}  // namespace nimbora
