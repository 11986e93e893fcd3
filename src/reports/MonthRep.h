// MonthRep.h: the monthly climatological report and its wind tables.
#pragma once

#include "config/Db.h"
#include "config/UnitConvert.h"
#include "jobs/ReportJob.h"
#include "reports/wind.h"

#include <array>
#include <string>

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

// Computes the month's wind tables on frame.db() (and writes the day-by-day detailed file,
// one more file of `frame`, when job.wind_detail). `days` are the day texts of the month's rows,
// `decade_days` the day count of each decade. 0 when every statement succeeded and the
// detailed file could be created; a failed statement also sets frame.failed().
int PrevailingWind(ReportJob& job, ReportFrame& frame, const std::string& table,
                   const std::string& month_text, const std::vector<std::string>& days,
                   const std::array<int, 3>& decade_days, const Units& u, MonthWind& out);

}  // namespace nimbora
