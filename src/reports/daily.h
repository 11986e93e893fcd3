// SPDX-License-Identifier: GPL-3.0-or-later
// daily.h: the day rows of the daily layout and what is printed under them (the AVG, MIN, MAX
// and SUM rows, the day counts), shared by the monthly and the date-range reports.
#pragma once

#include "config/Db.h"
#include "config/Settings.h"
#include "config/TextWriter.h"
#include "config/UnitConvert.h"
#include "reports/layout.h"
#include "reports/pass.h"
#include "reports/wind.h"

#include <array>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

namespace nimbora {

// The daily quantities summed for the AVG row and the decades, whose extremes make the MIN
// and MAX rows. Held in stored units, except the range (display units).
enum Q {
    kTAvg,
    kTMin,
    kTMax,
    kDAvg,
    kDMin,
    kDMax,
    kHAvg,
    kHMin,
    kHMax,
    kCAvg,
    kCMin,
    kCMax,
    kRhAvg,
    kRhMin,
    kRhMax,
    kPAvg,
    kPMin,
    kPMax,
    kSAvg,
    kSMax,
    kRange,
    kSpAvg,
    kSpMax,
    kGust,
    kQuantities
};
using Quantities = std::array<double, kQuantities>;

// One day with records.
struct Day {
    std::string year, month, day;  // as stored: "2009", "03", "05"
    Quantities q{};
    double et = 0, uv = 0, rate = 0, rain = 0, windrun = 0;
    int samples = 0;
    std::string time_min, time_max;  // as printed; empty when not found
    std::string direction = "---";
};

// The figures of a summary row, in stored units (the range in display units).
struct Summary {
    Quantities q{};
    double uv = 0, rate = 0;  // the MAX row's largest UV and rain rate
};

// Reads the records of `table` (a name report_table gave) that `where` selects, with its ?
// parameters, once in key order, and hands each day (its date texts as stored, its figures
// in stored units, its range in display units, the times of its extremes and its dominant
// direction) with that day's wind to `day_done` when its records end; every record is also
// tallied in `wind`. Memory holds one day's figures, never records. Records without a day
// are a day of their own, first, with their extremes and totals but no averages, times,
// direction or wind. Sets `failed` when a statement failed (the owner was told); the days
// read until then have been handed over.
void read_days(Owner* owner, Db& db, const std::string& table, const std::string& where,
               std::initializer_list<std::string_view> params, const Units& u, SpanWind& wind,
               const std::function<void(Day&&, const WindTally&)>& day_done, bool& failed);

// The sums, extremes, totals and day counts of the days of a report.
struct DayTotals {
    // The largest rain's date until a day has rain.
    DayTotals(int day, int month, int year);

    // Counts, sums and tracks `d`. Extremes move only when strictly beyond,
    // so ties keep the earlier day.
    void add(const Day& d, const Settings& s, const Units& u);
    // The sums divided by the number of days; zeros without days.
    Summary average() const;

    int days = 0;
    Summary sum, low, high;
    double et = 0, rain = 0, windrun = 0;
    DayCounts counts;
    double rain_max = 0;  // stored millimetres
    int rain_max_day, rain_max_month, rain_max_year;
};

// The month report's 4-character row labels, or the range report's 12-character ones, with the
// cells that differ between the two.
enum class Span { month, range };

// The cells of a day row after its label, and the line end.
void day_cells(TextWriter& out, const Settings& s, const Units& u, const Day& d);

enum class Row { avg, decade, min, max };

// The AVG, decade, MIN and MAX rows after their label; `direction` only in the AVG row.
void summary_row(TextWriter& out, const Settings& s, const Units& u, const Summary& v, Row row,
                 const std::string& direction = {});

// The AVG (with the period's dominant `direction`), MIN and MAX rows with their labels, then
// the SUM row (the totals of ET, rain and wind run) when one of those columns is on.
void total_rows(TextWriter& out, const Settings& s, const Units& u, const DayTotals& t,
                const std::string& direction, Span span);

// The blank lines and "NUMBER OF DAYS WITH:" up to the largest rain's date, which ends without a
// line end; only the parts of Temperature and Rain that are on.
void day_counts(TextWriter& out, const Settings& s, const Units& u, const DayTotals& t, Span span);

}  // namespace nimbora
