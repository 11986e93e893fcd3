// SPDX-License-Identifier: GPL-3.0-or-later
// MonthRep.h: the monthly climatological report and its wind tables.
#pragma once

#include "config/Db.h"
#include "config/UnitConvert.h"
#include "jobs/ReportJob.h"
#include "reports/pass.h"
#include "reports/wind.h"

#include <array>
#include <string>
#include <vector>

namespace nimbora {

class ReportFrame;

// The monthly report of job.month of job.year, read from job.Table, written to InitPathRep +
// "<Month>_<Year>.txt" (the month's English name; and "<Month>_<Year>_wind.txt" with
// job.wind_detail; without it a wind file of an earlier run is removed), through ReportFrame.
// With job.Db it works on that connection and leaves it, and ThActive, to the caller, whose
// owner receives the final message. Returns 0 when the report was written; 1 when the
// database or a file could not be opened or written, a statement failed, the month is not
// 1..12 ("Not a month: %d"), or the month holds no records ("No data for %s %s"); then no
// file changed.
int MonthReport(ReportJob& job);

// The wind tables of one month: rows 0..2 the decades, row 3 the whole month.
struct MonthWind {
    std::array<WindRow, 4> PrevalWindTot{};  // percentages; slot 17 the calm share
    std::array<WindRow, 4> AvgWindTot{};     // average speeds in display units
};

// One day's row of the detailed wind file: its shares and average speeds (stored units).
struct DayWind {
    std::string day;  // as stored
    WindRow shares{}, speeds{};
};

// The month's wind tables from what its pass tallied (and the day-by-day detailed file, one
// more file of `frame`, when job.wind_detail): `days` the month's days in order,
// `decade_days` the day count of each decade. 0 when the detailed file could be created.
int PrevailingWind(ReportJob& job, ReportFrame& frame, const std::vector<DayWind>& days,
                   const SpanWind& wind, const std::array<int, 3>& decade_days, const Units& u,
                   MonthWind& out);

}  // namespace nimbora
