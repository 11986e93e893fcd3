// SPDX-License-Identifier: GPL-3.0-or-later
// plain_scan.h: the floor a report or chart that reads its span once can approach: one plain
// aggregate statement over every value column of the same span on the same database.
#pragma once

#include "config/Db.h"
#include "config/handles.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <chrono>
#include <string>
#include <vector>

namespace nimbora::bench {

// The records a report reads: `where` with its ? parameters; empty for every record.
struct Span {
    std::string where;
    std::vector<std::string> params;
};

// One plain aggregate statement over every value column of `span` in the database at `path`,
// opening included; its time in seconds, or a negative number when it could not run.
inline double plain_scan(const std::string& path, const Span& span)
{
    const std::string sql =
        "select count(*),sum(temperature),min(hitemp),max(hitemp),min(lowtemp),max(lowtemp),"
        "sum(humidity),min(humidity),max(humidity),sum(dewpoint),min(dewpoint),max(dewpoint),"
        "sum(pressure),min(pressure),max(pressure),sum(windspeed),max(windspeed),"
        "max(gustspeed),count(direction),sum(rain),max(rainrate),sum(heatindex),"
        "max(heatindex),sum(windchill),min(windchill),sum(solarrad),max(hisolarrad),sum(et),"
        "sum(uv),max(hiuv),sum(windrun) from datimeteo" +
        (span.where.empty() ? std::string() : " where " + span.where);
    const auto start = std::chrono::steady_clock::now();
    auto db = Db::open(nullptr, path);
    if (!db) return -1;
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db->get(), sql.c_str(), -1, &raw, nullptr) != SQLITE_OK) return -1;
    const StmtHandle stmt(raw);
    int n = 0;
    for (const std::string& p : span.params)
        sqlite3_bind_text(raw, ++n, p.c_str(), -1, SQLITE_TRANSIENT);
    while (sqlite3_step(raw) == SQLITE_ROW) benchmark::DoNotOptimize(sqlite3_column_int(raw, 0));
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace nimbora::bench
