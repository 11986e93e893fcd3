// SPDX-License-Identifier: GPL-3.0-or-later
// The import's memory against the number of files: run under a peak-memory meter with 1 and
// with 120 months, the figures must match.
//   bench_import_peak write FOLDER N   writes N synthetic 5-minute months into FOLDER
//   bench_import_peak import FOLDER N  imports the first N of them into a fresh station
#include "config/install.h"
#include "import/load_db.h"
#include "import/synthetic.h"
#include "jobs/ReportJob.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace nimbora;

namespace {

constexpr int kFirstYear = 2001;

std::string month_name(int i)
{
    char name[32];
    std::snprintf(name, sizeof name, "%04d-%02d.wlk", kFirstYear + i / 12, i % 12 + 1);
    return name;
}

int write(const std::string& folder, int months)
{
    for (int i = 0; i < months; ++i)
        if (!write_synthetic_month(folder + month_name(i), kFirstYear + i / 12, i % 12 + 1, 5,
                                   20120201)) {
            std::fprintf(stderr, "bench_import_peak: cannot write %s\n", month_name(i).c_str());
            return 1;
        }
    return 0;
}

int import(const std::string& folder, int months)
{
    const std::string station = folder + "station/";
    std::error_code ec;
    fs::remove_all(station, ec);
    if (!install_product(nullptr, station).ok) {
        std::fprintf(stderr, "bench_import_peak: cannot install %s\n", station.c_str());
        return 1;
    }
    ReportJob job;
    job.settings.InitPathDB = station;
    job.settings.InitPathWLK = folder;
    for (int i = 0; i < months; ++i) job.Files.push_back(month_name(i));
    const ImportResult r = load_db(job);
    std::printf("files %d, records loaded %d, skipped %d\n", months, r.RecTot - r.RecErr, r.RecErr);
    fs::remove_all(station, ec);
    return r.code == 0 && r.RecErr == 0 && r.RecTot > 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    const int months = argc == 4 ? std::atoi(argv[3]) : 0;
    if (months < 1 || months > 1200) {
        std::fprintf(stderr, "usage: %s write|import FOLDER MONTHS(1..1200)\n", argv[0]);
        return 2;
    }
    std::string folder = argv[2];
    if (folder.back() != '/') folder += '/';
    if (std::strcmp(argv[1], "write") == 0) return write(folder, months);
    if (std::strcmp(argv[1], "import") == 0) return import(folder, months);
    std::fprintf(stderr, "usage: %s write|import FOLDER MONTHS(1..1200)\n", argv[0]);
    return 2;
}
