// ReportJob.h: the record handed to every worker thread (import, reports, upload).
#pragma once

#include "config/Settings.h"
#include "jobs/Owner.h"
#include "jobs/busy.h"

#include <string>
#include <vector>

struct sqlite3;

namespace nimbora {

struct ReportJob {
    Owner* hOwner = nullptr;  // null: no completion message, file errors stay silent
    std::string Table;        // "DatiMeteo" or "TempMeteo"
    std::string Year;         // four digits; "9999" asks the statistics for all time
    std::string Month;        // English month name (a number until the current-month job)
    char Reload = '0';        // '1': the import deletes each month before loading it
    int Decades = 0;          // nonzero: the monthly report adds its decade tables
    sqlite3* Db = nullptr;    // a connection lent by the caller, who keeps ThActive too
    std::string DateFrom;     // first date of the statistics and date-range jobs
    std::string DateTo;       // second date of those jobs
    int WindDetail = 0;       // nonzero: the monthly report writes the detailed wind file

    // The job's own copy, taken when it starts: a dialog confirmed during the run
    // never changes a running job.
    Settings settings;
    std::string DocPath;  // the station folder; "Ftp.log" lives here

    std::vector<std::string> Files;  // the import's WLK files: names in InitPathWLK, or paths

    // ThActive as claimed by the starter; the job takes it over and releases it on every
    // exit. Empty for a job run on a connection lent by its caller.
    BusyClaim busy;
};

}  // namespace nimbora
