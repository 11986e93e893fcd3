// SPDX-License-Identifier: GPL-3.0-or-later
// ReportJob.h: the record handed to every worker thread (import, reports, upload).
#pragma once

#include "config/Settings.h"
#include "jobs/Owner.h"
#include "jobs/busy.h"

#include <string>
#include <vector>

struct sqlite3;

namespace nimbora {

// A calendar day, as the date-range report takes its ends; nothing checks that it exists.
struct Ymd {
    int year = 0, month = 0, day = 0;

    friend bool operator==(const Ymd&, const Ymd&) = default;
};

struct ReportJob {
    Owner* hOwner = nullptr;   // null: no completion message, file errors stay silent
    std::string Table;         // "DatiMeteo" or "TempMeteo"
    int year = 0;              // of the monthly, current-month and annual reports, statistics
    bool all_time = false;     // the statistics of every record held; `year` is not read then
    int month = 0;             // 1..12: the monthly and current-month reports' month
    bool reload = false;       // the import deletes each month before loading it
    bool decades = false;      // the monthly report adds its decade tables
    bool wind_detail = false;  // the monthly report writes the detailed wind file
    sqlite3* Db = nullptr;     // a connection lent by the caller, who keeps ThActive too
    Ymd from, to;              // the date-range report's first and last day, both included
    // The all-time statistics' title: the first and the last record's day as the Statistics
    // dialog shows them ("DD/MM/YYYY"), printed as they are.
    std::string first_record_day, last_record_day;

    // The job's own copy, taken when it starts: a dialog confirmed during the run
    // never changes a running job.
    Settings settings;
    std::string DocPath;  // the station folder; "Ftp.log" lives here

    std::vector<std::string> Files;  // the import's WLK files: names in InitPathWLK, or paths

    // ThActive as claimed by the starter; the job takes it over and releases it on every
    // exit. Empty for a job run on a connection lent by its caller.
    BusyClaim busy;
};

// A year as the file names, titles and statements write it: four digits ("2009", "0999").
std::string year_text(int year);

// The English name of month 1..12 ("June"), as the file names and titles write it; empty for
// any other number.
std::string month_name(int month);

// "YYYYMMDD", as the date-range report's statements and file name use a day.
std::string ymd_digits(const Ymd& d);

}  // namespace nimbora
