// SPDX-License-Identifier: GPL-3.0-or-later
#include "reports/current_month.h"

#include "config/file_open.h"
#include "config/format.h"
#include "config/function.h"
#include "config/schema.h"
#include "config/stations.h"
#include "import/insert.h"
#include "import/load_db.h"
#include "jobs/JobEnd.h"
#include "reports/MonthRep.h"

#include <cstring>

namespace nimbora {

int carica_wlk2(Owner* owner, Db& db, const std::string& InitPathWLK, const std::string& name)
{
    const auto month = wlk_file_month(name);
    if (!month) {
        tell(owner, "Load Database", strf("%s: wrong file name ", name.c_str()), Icon::error);
        return 0;
    }
    FilePtr file = file_open(owner, InitPathWLK + name, "rb");
    if (!file) return 0;
    WlkReader reader(file.get());
    if (!reader.read_header() || !reader.identified()) {
        tell(owner, "Load Database", strf("%s: File invalid", name.c_str()), Icon::error);
        return 0;
    }
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db.get(), insert_sql("TempMeteo").c_str(), -1, &raw, nullptr) !=
        SQLITE_OK) {
        tell_database_error(owner, db.error());
        return 0;
    }
    const StmtHandle insert(raw);
    WeatherData w;
    std::snprintf(w.Year, sizeof w.Year, "%s", month->Year.c_str());
    std::snprintf(w.Month, sizeof w.Month, "%s", month->Month.c_str());
    int inserted = 0;
    while (reader.next_weather(w)) {
        bind_weather(raw, w);
        const int rc = sqlite3_step(raw);
        if (rc == SQLITE_DONE) {
            ++inserted;
        } else if ((rc & 0xFF) != SQLITE_CONSTRAINT) {
            // Only a second record of a minute is dropped; a full disk or an I/O error would
            // leave a short month that the report and the upload then pass off as whole.
            tell_database_error(owner, db.error());
            return -1;
        }
        sqlite3_reset(raw);
        if (inserted % 500 == 0) show_status(owner, strf("Please wait... %6d", inserted));
    }
    return inserted;
}

int LoadTempTable(ReportJob& job, int* report_result)
{
    JobEnd end(job);
    Owner* owner = end.owner();
    const Settings& s = job.settings;
    if (report_result) *report_result = -1;
    if (job.month < 1 || job.month > 12) {
        tell(owner, "Report", strf("Not a month: %d", job.month), Icon::error);
        return end.finish(1);
    }
    int report = -1;
    {
        BusyCursor cursor(owner);
        auto db = Db::open(owner, s.InitPathDB + kDbFile);
        if (!db) return end.finish(1);
        // The month's temporary table lives in memory: it is read once, right after.
        if (!db->exec(owner, "PRAGMA temp_store=MEMORY") || !db->exec(owner, "BEGIN"))
            return end.finish(1);
        char* raw = nullptr;
        if (sqlite3_exec(db->get(), kCreateTempMeteo, nullptr, nullptr, &raw) != SQLITE_OK) {
            const SqliteText message(raw);
            tell(owner, "Database", message ? message.get() : db->error(), Icon::error);
            return end.finish(1);
        }

        const std::string name = strf("%s-%02d.wlk", year_text(job.year).c_str(), job.month);
        const int n = carica_wlk2(owner, *db, s.InitPathWLK, name);
        if (n < 0) return end.finish(1);
        job.Table = "TempMeteo";
        job.Db = db->get();
        // The report's messages come to this job's owner and wait with its own.
        report = n > 0 ? MonthReport(job) : -1;
        job.Db = nullptr;
        // The temporary table goes with the connection; a failed COMMIT changes no file.
        (void)db->exec(nullptr, "COMMIT");
    }
    if (report_result) *report_result = report;
    return end.finish(0);
}

}  // namespace nimbora
