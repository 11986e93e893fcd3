// SPDX-License-Identifier: GPL-3.0-or-later
// report_station.h: a station folder for the report tests, with rows of `datimeteo` put in
// directly and the report files read back.
#pragma once

#include "config/Settings.h"
#include "config/handles.h"
#include "jobs/Owner.h"
#include "jobs/ReportJob.h"
#include "support/RecordingOwner.h"
#include "support/files.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <span>
#include <string>
#include <vector>

namespace nimbora::test {

// One row of `datimeteo` after its year and month, in metric units as the import stores them.
struct Rec {
    std::string day, time;
    double temp, hi, lo;
    int hum;
    double dew, bar, wspd, gust;
    const char* dir;  // right-aligned in three characters; null: no direction
    double rain, rate, heat, chill;
    int solar, hisolar;
    double et, uv, hiuv, run;
};

// A row with its own year and month.
struct DatedRec {
    std::string year, month;
    Rec rec;
};

// The lines of a report file, split at CR LF; a text after the last CR LF is the last line.
std::vector<std::string> crlf_lines(const std::string& text);

// `cell` `times` times over.
std::string repeat(const std::string& cell, int times);

// Names each parameterised case after its `name`.
struct ByName {
    template <class Case>
    std::string operator()(const testing::TestParamInfo<Case>& p) const
    {
        return p.param.name;
    }
};

// A station folder holding the template database and the reports, with the header texts of
// the examples; no job running. The report folder, the database folder and the WLK folder
// are all this folder.
class ReportStation {
public:
    ReportStation();

    std::string db_path() const;
    // A read-write connection to the station's database; null (and a failure) when it cannot
    // be opened.
    SqliteHandle open_db() const;

    // Stores `rows` with `year` and `month`; a null `month` stores them without a month.
    void insert(const char* year, const char* month, std::span<const Rec> rows);
    // Stores `rows`, each with its own year and month.
    void insert(std::span<const DatedRec> rows);

    // Runs `report` on `job` with this station's owner and settings, claiming ThActive for it;
    // the report must have released ThActive when it returns.
    int run_job(int (*report)(ReportJob&), ReportJob& job);

    // Exactly these columns on.
    void columns(std::initializer_list<Column> on);
    void all_columns();

    // A file of the report folder.
    std::string file(const std::string& name) const;
    bool exists(const std::string& name) const;
    std::vector<std::string> lines(const std::string& name) const;
    // The only message, as "caption: text"; the icon must be `icon`.
    std::string only_message(Icon icon) const;

    TempDir dir;
    Settings settings;
    RecordingOwner owner;
};

}  // namespace nimbora::test
