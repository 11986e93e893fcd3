// SPDX-License-Identifier: GPL-3.0-or-later
// summary.h: the statistics report: the records of each quantity over all time or one year,
// the heaviest rain over nine running windows and the longest run of dry days. The pieces
// below serve the monthly detail too, which repeats the rows for each month of a year.
#pragma once

#include "config/Db.h"
#include "config/Settings.h"
#include "config/TextWriter.h"
#include "config/UnitConvert.h"
#include "jobs/ReportJob.h"

#include <functional>
#include <string>

namespace nimbora {

// The records a statistics section covers: every record (both empty), one year, or one
// month of one year. Every statement of the section binds ?1 to `year` and ?2 to `month`;
// the clauses name only the ones that restrict.
struct StatsScope {
    std::string year, month;

    // " where ..." and " and ..." restricting to the scope; empty for all time.
    std::string where_clause() const;
    std::string and_clause() const;
};

// The texts of the last column of the one-year rows; all empty in the all-time form.
struct StatsAverages {
    std::string temperature, temp_max, temp_min, temp_range, dew_point, heat_index, wind_chill;
    std::string humidity, pressure, wind_speed, wind_gust, solar_rad;
    std::string dash;  // the rows without an average: "---"
};

// The averages over the days with records of `scope` (a year, or a month of it), each day's
// mean (or highest gust, highest and lowest temperature) weighing the same. A scope without
// days averages to 0. Sets `failed` when a statement failed.
StatsAverages stats_averages(Owner* owner, Db& db, const Units& u, const StatsScope& scope,
                             bool& failed);

// "Max ... Date" heading, with "Average" when `averages` is set; ends the line.
void write_stats_heading(TextWriter& out, bool averages);

// The row groups of the statistics, each a step of the progress bar: Temperature Min is the
// first, the rain windows the last.
inline constexpr int kStatsSteps = 16;

// The rows from Temperature to Consecutive Dry Days of `scope`, with `avg` in the last column.
// Calls `step(n)` after row group n, 1 to kStatsSteps,
// also for an optional row that is not printed. Sets `failed` when a statement failed; the
// rows then read what arrived (missing values as 0 and empty texts).
void write_stats_rows(TextWriter& out, Owner* owner, Db& db, const Settings& s, const Units& u,
                      const StatsScope& scope, const StatsAverages& avg,
                      const std::function<void(int)>& step, bool& failed);

// The statistics of job.year, or of all time with job.all_time (then the title shows
// job.first_record_day and last_record_day), written to InitPathRep + "Statistics.txt" or +
// year +
// "_Statistics.txt" through ReportFrame. Returns 0 when written; 1 when the database or the
// file could not be opened or written, a statement failed, or the year holds no records
// ("No data for %s"); then no file changed. Takes over job.busy.
int MkSummary(ReportJob& job);

// The statistics of job.year month by month, a section for each month with records, written
// to InitPathRep + year + "_Statistics_Dett.txt". Each section starts afresh: its averages,
// rain windows (those still open at the month's end evaluated), ranges and dry runs see only
// that month. 16 progress steps per month. Returns as MkSummary; a year without records gives
// "No data for %s" (caption "Statistics") and no file.
int MkSummaryMonth(ReportJob& job);

}  // namespace nimbora
