// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/report_station.h"

#include "config/install.h"
#include "config/schema.h"
#include "config/stations.h"
#include "jobs/busy.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <cstddef>
#include <filesystem>

namespace nimbora::test {

std::vector<std::string> crlf_lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    lines.push_back(text.substr(start));
    return lines;
}

std::string repeat(const std::string& cell, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i) out += cell;
    return out;
}

ReportStation::ReportStation()
{
    EXPECT_TRUE(install_product(nullptr, dir.folder()).ok);
    settings.InitPathDB = settings.InitPathRep = settings.InitPathWLK = dir.folder();
    settings.Rep_Name = "Home";
    settings.Rep_City = "Town";
    settings.Rep_State = "XX";
    settings.Rep_Elev = "120 m";
    settings.Rep_Lat = "45.1 N";
    settings.Rep_Long = "9.2 E";
    ThActive = 0;
}

std::string ReportStation::db_path() const
{
    return dir.folder() + kDbFile;
}

SqliteHandle ReportStation::open_db() const
{
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(db_path().c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    SqliteHandle db(raw);
    if (rc != SQLITE_OK) {
        ADD_FAILURE() << "cannot open " << db_path() << ": " << sqlite3_errstr(rc);
        db.reset();
    }
    return db;
}

namespace {

// Inserts each of `count` rows, `row(k)` giving the year, the month (either may be null) and
// the record of row k.
template <class Row>
void insert_rows(const ReportStation& station, std::size_t count, Row row)
{
    const SqliteHandle db = station.open_db();
    ASSERT_TRUE(db);
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db.get(),
                                 "INSERT INTO datimeteo VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,"
                                 "?,?,?,?,?,?,?)",
                                 -1, &st, nullptr),
              SQLITE_OK)
        << sqlite3_errmsg(db.get());
    const StmtHandle insert(st);
    for (std::size_t k = 0; k < count; ++k) {
        const auto [year, month, r] = row(k);
        int i = 0;
        const auto text = [&](const char* t) {
            if (t)
                sqlite3_bind_text(st, ++i, t, -1, SQLITE_TRANSIENT);
            else
                sqlite3_bind_null(st, ++i);
        };
        const auto real = [&](double v) { sqlite3_bind_double(st, ++i, v); };
        const auto integer = [&](int v) { sqlite3_bind_int(st, ++i, v); };
        text(year);
        text(month);
        text(r.day.c_str());
        text(r.time.c_str());
        for (double v : {r.temp, r.hi, r.lo}) real(v);
        integer(r.hum);
        for (double v : {r.dew, r.bar, r.wspd, r.gust}) real(v);
        text(r.dir);
        for (double v : {r.rain, r.rate, r.heat, r.chill}) real(v);
        integer(r.solar);
        integer(r.hisolar);
        for (double v : {r.et, r.uv, r.hiuv, r.run}) real(v);
        ASSERT_EQ(sqlite3_step(st), SQLITE_DONE) << sqlite3_errmsg(db.get());
        sqlite3_reset(st);
    }
}

struct RowRef {
    const char* year;
    const char* month;
    const Rec& rec;
};

}  // namespace

void ReportStation::insert(const char* year, const char* month, std::span<const Rec> rows)
{
    insert_rows(*this, rows.size(), [&](std::size_t k) { return RowRef{year, month, rows[k]}; });
}

void ReportStation::insert(std::span<const DatedRec> rows)
{
    insert_rows(*this, rows.size(), [&](std::size_t k) {
        return RowRef{rows[k].year.c_str(), rows[k].month.c_str(), rows[k].rec};
    });
}

int ReportStation::run_job(int (*report)(ReportJob&), ReportJob& job)
{
    job.hOwner = &owner;
    job.settings = settings;
    job.busy = BusyClaim::try_claim(ThActive);
    const int result = report(job);
    EXPECT_EQ(ThActive, 0);
    return result;
}

void ReportStation::columns(std::initializer_list<Column> on)
{
    settings.ReportChk = {};
    for (Column c : on) settings.ReportChk[static_cast<std::size_t>(c)] = 1;
}

void ReportStation::all_columns()
{
    settings.ReportChk = {};
    for (int c = 0; c < kReportColumns; ++c) settings.ReportChk[static_cast<std::size_t>(c)] = 1;
}

std::string ReportStation::file(const std::string& name) const
{
    return read_file(dir.path() / name);
}

bool ReportStation::exists(const std::string& name) const
{
    return std::filesystem::exists(dir.path() / name);
}

std::vector<std::string> ReportStation::lines(const std::string& name) const
{
    return crlf_lines(file(name));
}

std::string ReportStation::only_message(Icon icon) const
{
    EXPECT_EQ(owner.messages.size(), 1u);
    if (owner.messages.empty()) return {};
    EXPECT_EQ(owner.messages.back().icon, icon);
    return owner.lines().back();
}

}  // namespace nimbora::test
