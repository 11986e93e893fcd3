// SPDX-License-Identifier: GPL-3.0-or-later
// ReportRange.h: the daily report over any span of days.
#pragma once

#include "jobs/ReportJob.h"

#include <optional>
#include <string>

namespace nimbora {

// The daily report from job.from to job.to (both included) of job.Table, written to
// InitPathRep + "Report DDMMYYYY-DDMMYYYY.txt". Returns 0 when written; 1 when a day does not
// print as eight digits ("Not a date (YYYYMMDD): ..."), the database or the file could not be
// opened, or the span holds no records ("No data", and no file). With job.Db it works on that
// connection and leaves it, and ThActive, to the caller; otherwise it takes over job.busy.
int ReportRange(ReportJob& job);

// "Report DDMMYYYY-DDMMYYYY.txt" for two "YYYYMMDD" dates.
std::string range_file_name(const std::string& from, const std::string& to);

// The Date Range dialog's check of a span against the first and last record held (all four
// "YYYYMMDD"): "Start Date out of range!", "End Date out of range!" or "End Date minor of
// Start Date!" (caption "Error"); empty when the span is fine.
std::optional<std::string> check_date_range(const std::string& first, const std::string& last,
                                            const std::string& start, const std::string& end);

}  // namespace nimbora
