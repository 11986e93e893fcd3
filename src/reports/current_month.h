// SPDX-License-Identifier: GPL-3.0-or-later
// current_month.h: the current month's report from its WLK file, through a temporary table that
// the station's `datimeteo` never sees.
#pragma once

#include "config/Db.h"
#include "jobs/ReportJob.h"

#include <string>

namespace nimbora {

// Loads job.year / job.month from InitPathWLK + "YYYY-MM.wlk" into a temporary TempMeteo on
// a connection of its own and, when rows arrived, runs the monthly report on it (job.Db the
// connection while it runs; "Not a month: %d" for a month outside 1..12). Takes over job.busy and
// releases it, and gives the menus back, before any message (the report's included) is shown.
// Returns 0 when the table was made (report or not), 1 when the database could not be opened, the
// table not made or a record not stored. `report_result`, when given, receives MonthReport's
// result, or -1 when no report ran.
int LoadTempTable(ReportJob& job, int* report_result = nullptr);

// Inserts the records of one WLK file into TempMeteo on `db`; records already there are
// dropped silently. Progress "Please wait... %6d" goes to the owner. Returns the number of
// rows inserted; 0 when the file was refused (its message told); -1 when any other insert
// failed (a full disk, an I/O error: told with caption "Database").
int carica_wlk2(Owner* owner, Db& db, const std::string& InitPathWLK, const std::string& name);

}  // namespace nimbora
