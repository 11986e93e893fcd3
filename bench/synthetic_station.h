// SPDX-License-Identifier: GPL-3.0-or-later
// synthetic_station.h: the benchmarks' stations, built by the import itself from synthetic
// WLK files, so the database holds what a keeper's would.
#pragma once

#include "import/load_db.h"
#include "import/synthetic.h"
#include "jobs/ReportJob.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace nimbora::bench {

// Imports `years` years of `interval`-minute records from `first_year` into the station of
// `settings` (its folders all `folder`, the product installed there), a year of WLK files at
// a time, each file removed once imported. Aborts when a file or the import fails: a
// benchmark on a station that is not whole would measure nothing.
inline void import_synthetic_years(const std::string& folder, const Settings& settings,
                                   int first_year, int years, int interval)
{
    for (int y = first_year; y < first_year + years; ++y) {
        ReportJob job;
        job.settings = settings;
        for (int m = 1; m <= 12; ++m) {
            char file[32];
            std::snprintf(file, sizeof file, "%04d-%02d.wlk", y, m);
            if (!write_synthetic_month(folder + file, y, m, interval,
                                       static_cast<std::uint32_t>(y * 100 + m)))
                std::abort();
            job.Files.push_back(file);
        }
        if (load_db(job).code != 0) std::abort();
        for (const std::string& f : job.Files) std::filesystem::remove(folder + f);
    }
}

}  // namespace nimbora::bench
