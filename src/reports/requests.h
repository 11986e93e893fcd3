// SPDX-License-Identifier: GPL-3.0-or-later
// requests.h: what the report and load dialogs ask for, as plain values: the texts their
// controls show, the check of the user's choice, and the fields of the job they start.
#pragma once

#include "config/Settings.h"
#include "config/function.h"
#include "jobs/Owner.h"
#include "jobs/ReportJob.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nimbora {

// A choice a dialog refuses: the message it shows, after which it stays open.
struct Refusal {
    std::string caption, text;
    Icon icon = Icon::warning;
};

// The year the Statistics dialog and the command line take for every record held.
inline constexpr const char* kAllTimeYear = "9999";

// The first `max` characters of a control's text, as far as the dialogs read them.
std::string control_text(std::string_view text, std::size_t max);

// "Detailed wind report" is offered only while the Wind column is printed.
bool wind_detail_allowed(const Settings& s);

// Monthly Report: `year` and `month` as the two lists show them (empty: nothing chosen).
// Refuses an empty month or a year that is not four digits ("No year/month selected."), and a
// month that is not an English month name ("Not a month: <name>", caption "Report", icon
// error); otherwise fills job.Table, year, month (1..12), decades, wind_detail (false
// whenever job.settings has no Wind column) and Db.
std::optional<Refusal> monthly_request(ReportJob& job, std::string_view year,
                                       std::string_view month, bool decades, bool wind_detail);

// Current Month Report: the label naming the month in progress ("December 2026").
std::string current_month_title(const LocalTime& now);
// Fills job.Table ("TempMeteo"), year and month from `now`, decades and wind_detail, for
// LoadTempTable.
void current_month_request(ReportJob& job, const LocalTime& now, bool decades, bool wind_detail);

// Annual Report: refuses an empty year, or one not of four digits ("No year selected."),
// else fills job.year.
std::optional<Refusal> annual_request(ReportJob& job, std::string_view year);

// Statistics: the year list and "Monthly Detail" are offered only without "All Time".
bool statistics_choices_enabled(bool all_time);

struct StatisticsChoice {
    bool all_time = false;
    std::string year;                       // the year list's text; empty: nothing chosen
    bool monthly_detail = false;            // ignored with all_time
    std::string first_record, last_record;  // GetFLRecord's texts
};
// True when the request runs the month-by-month detail (MkSummaryMonth) rather than
// MkSummary: never for all time, whatever the box shows.
bool statistics_monthly_detail(const StatisticsChoice& c);
// Refuses a year that is not chosen or not four digits ("Nothing selected."); otherwise fills
// job.year, job.all_time (also for the year "9999") and job.first_record_day /
// last_record_day (the record texts' dates, "DD/MM/YYYY").
std::optional<Refusal> statistics_request(ReportJob& job, const StatisticsChoice& c);

// Date Range: "DD/MM/YYYY HH:MM" cut to its date, as the dialog shows the first and last
// record.
std::string record_day(std::string_view record);
// `first` and `last` as the dialog shows them ("DD/MM/YYYY"). Refuses a span outside them or
// reversed, caption "Error" ("Start Date out of range!", "End Date out of range!", "End Date
// minor of Start Date!"); otherwise fills job.Table ("DatiMeteo"), from and to.
std::optional<Refusal> date_range_request(ReportJob& job, std::string_view first,
                                          std::string_view last, const Ymd& start, const Ymd& end);

// Load Database: the selected file names and the "Reload selected file(s)" box.
void load_request(ReportJob& job, std::vector<std::string> selected, bool reload);

}  // namespace nimbora
