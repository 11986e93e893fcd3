// SPDX-License-Identifier: GPL-3.0-or-later
// load_db.h: the import of WLK files into a station's `datimeteo`.
#pragma once

#include "config/Db.h"
#include "config/TextWriter.h"
#include "jobs/ReportJob.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nimbora {

// Year and month of a WLK file from its name: four digits, one separator, two digits
// (01..12), eleven characters in all (".wlk"). Empty for any other name.
struct WlkMonth {
    std::string Year, Month;
};
std::optional<WlkMonth> wlk_file_month(std::string_view name);

// The file part of `name`: WLK files are named by their bare name or by a path.
std::string_view bare_name(std::string_view name);

// The "*.wlk" files of `folder` (letter case aside), by name, sorted as the list box sorts.
std::vector<std::string> list_wlk_files(const std::string& folder);

struct ImportResult {
    int code = 0;    // 0 imported (or nothing selected), 1 refused or rolled back
    int RecTot = 0;  // archive records offered to the database
    int RecErr = 0;  // of those, records already present (or otherwise refused)
};

// The import job. Imports `job.Files` (bare names in InitPathWLK, or paths) in one
// transaction, writing "log.txt" and "error.txt" into InitPathDB. With job.reload each
// month's rows are deleted before its file is loaded (in the same transaction). Progress and
// messages go to job.hOwner; the final message is "Load completed ...". Takes over
// job.busy, and releases it and gives the menus back before any message is shown (they are
// held until the job ends). Nothing is committed when the database refuses a statement for any
// reason but a record already present: the whole import is then rolled back.
ImportResult load_db(ReportJob& job);

// Brings a database made before the UV, HiUV and WindRun columns existed up to date. 0 when
// it is (or now is), 1 after telling the owner what failed.
int CheckDB(Owner* owner, const std::string& db_path);

// One running import, shared by the files of one job.
struct ImportRun {
    Owner* owner = nullptr;
    Db* db = nullptr;
    sqlite3_stmt* insert = nullptr;
    TextWriter* fdl = nullptr;  // "log.txt"
    TextWriter* fde = nullptr;  // "error.txt"
    std::string InitPathWLK;
    int RecTot = 0, RecErr = 0;
    bool failed = false;  // a statement failed for a reason that must not be committed
};

// Imports one file into the running import. 0 when the file was walked, 1 when it was
// refused (bad name, unreadable, not a WLK file) or the import failed.
int carica_wlk(ImportRun& run, const std::string& name, bool reload);

}  // namespace nimbora
