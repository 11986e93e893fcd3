// SPDX-License-Identifier: GPL-3.0-or-later
// YearRep.h: the annual climatological report.
#pragma once

#include "jobs/ReportJob.h"

namespace nimbora {

// The annual report of job.year from `datimeteo`, written to InitPathRep + "Year" + year +
// ".txt": a row per month held, the year row, the days with temperature and rain tables and
// the year's wind tables. Returns 0 when written (also after failed statements, which only
// suppress the completion message); 1 when the database or the file could not be opened, or
// the year holds no records ("No data for %s", and no file). Takes over job.busy.
int YearReport(ReportJob& job);

}  // namespace nimbora
