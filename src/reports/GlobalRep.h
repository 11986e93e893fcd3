// SPDX-License-Identifier: GPL-3.0-or-later
// GlobalRep.h: the global report, a row per year of the station's whole history.
#pragma once

#include "jobs/ReportJob.h"

namespace nimbora {

// The global report of every year in `datimeteo`, written to InitPathRep + "Global.txt", with
// progress through the owner's progress bar. Returns 0 when written; 1 when the database or
// the file could not be opened, or the database holds no records (no file). Takes over
// job.busy.
int GlobalReport(ReportJob& job);

}  // namespace nimbora
