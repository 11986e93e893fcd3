#include "import/load_table.h"

#include "config/file_open.h"
#include "config/format.h"
#include "config/function.h"
#include "config/stations.h"
#include "import/insert.h"
#include "import/load_db.h"
#include "import/schema.h"
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
        if (sqlite3_step(raw) == SQLITE_DONE) ++inserted;  // a second record of a minute is dropped
        sqlite3_reset(raw);
        if (inserted % 500 == 0) show_status(owner, strf("Please wait... %6d", inserted));
    }
    return inserted;
}

int LoadTempTable(ReportJob& job, int* report_result)
{
    BusyClaim busy = std::move(job.busy);
    Owner* owner = job.hOwner;
    const Settings& s = job.settings;
    if (report_result) *report_result = -1;
    const int month = std::atoi(job.Month.c_str());
    if (month < 1 || month > 12) {
        tell(owner, "Report", "Not a month: " + job.Month, Icon::error);
        return 1;
    }
    BusyCursor cursor(owner);
    auto db = Db::open(owner, s.InitPathDB + kDbFile);
    if (!db) return 1;
    db->exec(owner, "BEGIN");
    char* raw = nullptr;
    if (sqlite3_exec(db->get(), kCreateTempMeteo, nullptr, nullptr, &raw) != SQLITE_OK) {
        const SqliteText message(raw);
        tell(owner, "Database", message ? message.get() : db->error(), Icon::error);
        return 1;
    }

    const std::string name = job.Year + "-" + strf("%02d", month) + ".wlk";
    const int n = carica_wlk2(owner, *db, s.InitPathWLK, name);
    job.Month = mesi[static_cast<std::size_t>(month - 1)];
    job.Table = "TempMeteo";
    job.Db = db->get();
    const int report = n > 0 ? MonthReport(job) : -1;
    if (report_result) *report_result = report;
    job.Db = nullptr;
    db->exec(owner, "COMMIT");
    return 0;
}

}  // namespace nimbora
