// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/load_db.h"

#include "config/file_open.h"
#include "config/format.h"
#include "config/schema.h"
#include "config/stations.h"
#include "import/insert.h"
#include "jobs/JobEnd.h"

#include <cstdio>
#include <vector>

namespace nimbora {

int CheckDB(Owner* owner, const std::string& db_path)
{
    auto db = Db::open(owner, db_path);
    if (!db) return 1;
    auto has = [&](const char* sql) {
        return sqlite3_exec(db->get(), sql, nullptr, nullptr, nullptr) == SQLITE_OK;
    };
    if (!has("select UV from datimeteo limit 0")) {
        if (!db->exec(owner, "ALTER TABLE datimeteo ADD UV FLOAT")) return 1;
        if (!db->exec(owner, "ALTER TABLE datimeteo ADD HiUV FLOAT")) return 1;
    }
    if (!has("select WindRun from datimeteo limit 0")) {
        if (!db->exec(owner, "ALTER TABLE datimeteo ADD WindRun FLOAT")) return 1;
    }
    return 0;
}

ImportResult load_db(ReportJob& job)
{
    // Declared first, so it ends last: the flag is released and the menus given back after
    // everything else, and only then are the messages shown.
    JobEnd end(job);
    Owner* owner = end.owner();
    const Settings& s = job.settings;
    ImportResult result;

    if (job.Files.empty()) {
        tell(owner, "Warning", "No file(s) selected.", Icon::warning);
        return result;
    }
    const std::string db_path = s.InitPathDB + kDbFile;
    result.code = 1;
    if (CheckDB(owner, db_path) != 0) return result;

    BusyCursor cursor(owner);

    // A re-import writes a line of about 270 bytes per record: a larger buffer than stdio's
    // own saves most of the write calls. It outlives the file, which is declared after it.
    std::vector<char> error_buffer(std::size_t{1} << 16);
    FilePtr error_file = file_open(owner, s.InitPathDB + "error.txt", "w");
    if (!error_file) return result;
    std::setvbuf(error_file.get(), error_buffer.data(), _IOFBF, error_buffer.size());
    FilePtr log_file = file_open(owner, s.InitPathDB + "log.txt", "w");
    if (!log_file) return result;
    TextWriter fde(std::move(error_file)), fdl(std::move(log_file));

    auto db = Db::open(owner, db_path);
    if (!db) return result;
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db->get(), insert_sql("datimeteo").c_str(), -1, &raw, nullptr) !=
        SQLITE_OK) {
        tell_database_error(owner, db->error());
        return result;
    }
    StmtHandle insert(raw);

    ImportRun run;
    run.owner = owner;
    run.db = &*db;
    run.insert = insert.get();
    run.fdl = &fdl;
    run.fde = &fde;
    run.InitPathWLK = s.InitPathWLK;
    {
        Transaction tx(*db, owner);
        if (!tx.active()) return result;
        for (const std::string& name : job.Files) {
            carica_wlk(run, name, job.reload);
            if (run.failed) break;
        }
        insert.reset();
        if (run.failed || !tx.commit(owner)) {
            (void)fde.close();
            (void)fdl.close();
            return result;
        }
    }
    if (job.reload) db->exec(nullptr, "VACUUM");
    db->exec(nullptr, "ANALYZE");
    db.reset();

    if (!fde.close())
        tell(owner, "Error", strf("%serror.txt: Error creating file", s.InitPathDB.c_str()),
             Icon::error);
    if (!fdl.close())
        tell(owner, "Error", strf("%slog.txt: Error creating file", s.InitPathDB.c_str()),
             Icon::error);
    result.code = 0;
    result.RecTot = run.RecTot;
    result.RecErr = run.RecErr;
    tell(owner, "Load Database",
         strf("Load completed\n\nNew records loaded: %7d\nRecords skipped:   %7d",
              run.RecTot - run.RecErr, run.RecErr),
         Icon::information);
    return result;
}

}  // namespace nimbora
