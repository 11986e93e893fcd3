// SPDX-License-Identifier: GPL-3.0-or-later
// The reports on a station database of ten years of 5-minute records (about 1.05 million
// rows) and on one year of them, so that growth with the years held shows; the monthly
// report of the real 1-minute month when this machine has it; the current month's report
// from a 1-minute WLK file; and the statistics of thirty years of 1-minute records. The
// databases are built by the import, into scratch folders.
//
// Each report is timed next to one plain aggregate statement over every value column of the
// same span on the same database (the floor a report reading its span once can approach),
// run after each repetition of the report: the counters report_ms, scan_ms and ratio.
#include "config/Db.h"
#include "config/install.h"
#include "config/schema.h"
#include "config/stations.h"
#include "reports/GlobalRep.h"
#include "reports/MonthRep.h"
#include "reports/ReportRange.h"
#include "reports/YearRep.h"
#include "reports/current_month.h"
#include "reports/summary.h"

#include "plain_scan.h"

#include "synthetic_station.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace nimbora {
namespace {

constexpr int kFirstYear = 2010;

// A station folder with every column on, its database holding `years` years from 2010.
struct Station {
    std::string folder;
    Settings settings;
};

Settings every_column(const std::string& folder)
{
    Settings s;
    s.InitPathDB = s.InitPathRep = s.InitPathWLK = folder;
    for (int c = 0; c < kReportColumns; ++c) s.ReportChk[static_cast<std::size_t>(c)] = 1;
    return s;
}

const fs::path& scratch()
{
    static const fs::path dir = [] {
        const fs::path d = fs::temp_directory_path() / "nimbora-bench-reports";
        fs::remove_all(d);
        fs::create_directories(d);
        return d;
    }();
    return dir;
}

// Imports `years` years of `interval`-minute records from 2010 into the station in
// `folder`, a year at a time.
Station make_station(const std::string& folder, int years, int interval)
{
    Station st;
    st.folder = folder;
    fs::create_directories(st.folder);
    if (!install_product(nullptr, st.folder).ok) std::abort();
    st.settings = every_column(st.folder);
    bench::import_synthetic_years(st.folder, st.settings, kFirstYear, years, interval);
    return st;
}

Station make_station(const std::string& name, int years)
{
    return make_station((scratch() / name).string() + "/", years, 5);
}

// Thirty years of 1-minute records (about 15.8 million rows, 2.6 GB): built on first use
// into a folder of its own that later runs reuse, as building it takes minutes.
const Station& thirty_years()
{
    static const Station st = [] {
        const std::string folder =
            (fs::temp_directory_path() / "nimbora-bench-30-years").string() + "/";
        const std::string done = folder + "complete";
        if (fs::exists(done)) {
            Station s;
            s.folder = folder;
            s.settings = every_column(folder);
            return s;
        }
        fs::remove_all(folder);
        Station s = make_station(folder, 30, 1);
        std::FILE* f = std::fopen(done.c_str(), "w");
        if (f) std::fclose(f);
        return s;
    }();
    return st;
}

const Station& station(int years)
{
    static const Station one = make_station("one-year", 1);
    static const Station ten = make_station("ten-years", 10);
    return years == 1 ? one : ten;
}

using bench::Span;

// Runs `report` with the job `fill` makes, and after each run, untimed, the plain scan of
// `span`; both times and their ratio go to the counters.
template <typename Report>
void run(benchmark::State& state, const Station& st, Report&& fill, int (*report)(ReportJob&),
         const Span& span)
{
    double report_s = 0, scan_s = 0;
    for (auto _ : state) {
        ReportJob job;
        job.settings = st.settings;
        fill(job);
        const auto start = std::chrono::steady_clock::now();
        if (report(job) != 0) state.SkipWithError("the report failed");
        report_s += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.PauseTiming();
        const double scan = bench::plain_scan(st.folder + kDbFile, span);
        if (scan < 0) state.SkipWithError("the scan failed");
        scan_s += scan;
        state.ResumeTiming();
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["report_ms"] = report_s * 1000 / runs;
    state.counters["scan_ms"] = scan_s * 1000 / runs;
    state.counters["ratio"] = scan_s > 0 ? report_s / scan_s : 0;
}

const Span kFirstYearSpan{"year=?1", {std::to_string(kFirstYear)}};

// June of the first year: the same month whatever the database holds.
void BM_MonthReport(benchmark::State& state)
{
    run(state, station(static_cast<int>(state.range(0))),
        [](ReportJob& job) {
            job.Table = "DatiMeteo";
            job.year = kFirstYear;
            job.month = 6;
            job.decades = true;
        },
        MonthReport, {"year=?1 and month=?2", {std::to_string(kFirstYear), "06"}});
}
BENCHMARK(BM_MonthReport)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_MonthReportRealMonth(benchmark::State& state)
{
    static const Station real = [] {
        Station st;
        st.folder = (scratch() / "real").string() + "/";
        fs::create_directories(st.folder);
        if (!install_product(nullptr, st.folder).ok) std::abort();
        st.settings = every_column(st.folder);
        const fs::path fixture = fs::path(NIMBORA_FIXTURES) / "2012-02.wlk";
        if (fs::exists(fixture)) {
            fs::copy_file(fixture, st.folder + "2012-02.wlk", fs::copy_options::overwrite_existing);
            ReportJob job;
            job.settings = st.settings;
            job.Files = {"2012-02.wlk"};
            load_db(job);
        }
        return st;
    }();
    if (!fs::exists(real.folder + "2012-02.wlk")) {
        state.SkipWithError("the real archive is not on this machine");
        return;
    }
    run(state, real,
        [](ReportJob& job) {
            job.Table = "DatiMeteo";
            job.year = 2012;
            job.month = 2;
        },
        MonthReport, {"year=?1 and month=?2", {"2012", "02"}});
}
BENCHMARK(BM_MonthReportRealMonth)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_YearReport(benchmark::State& state)
{
    run(
        state, station(static_cast<int>(state.range(0))),
        [](ReportJob& job) { job.year = kFirstYear; }, YearReport, kFirstYearSpan);
}
BENCHMARK(BM_YearReport)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GlobalReport(benchmark::State& state)
{
    run(state, station(static_cast<int>(state.range(0))), [](ReportJob&) {}, GlobalReport, {});
}
BENCHMARK(BM_GlobalReport)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond)->UseRealTime();

// The first year's 365 days.
void BM_ReportRange365(benchmark::State& state)
{
    run(
        state, station(static_cast<int>(state.range(0))),
        [](ReportJob& job) {
            job.Table = "DatiMeteo";
            job.from = {kFirstYear, 1, 1};
            job.to = {kFirstYear, 12, 31};
        },
        ReportRange, kFirstYearSpan);
}
BENCHMARK(BM_ReportRange365)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond)->UseRealTime();

// The current month's report as the upload regenerates it: a month of 1-minute records
// (44,640) read from its WLK file into the temporary table, then reported. The scan is that
// of the same month imported into the station's database.
void BM_CurrentMonth(benchmark::State& state)
{
    static const Station st = [] {
        Station s = make_station((scratch() / "current").string() + "/", 0, 1);
        if (!write_synthetic_month(s.folder + "2010-07.wlk", 2010, 7, 1, 201007)) std::abort();
        ReportJob job;
        job.settings = s.settings;
        job.Files = {"2010-07.wlk"};
        if (load_db(job).code != 0) std::abort();
        return s;
    }();
    run(
        state, st,
        [](ReportJob& job) {
            job.year = 2010;
            job.month = 7;
            job.decades = true;
        },
        +[](ReportJob& job) {
            int report = -1;
            return LoadTempTable(job, &report) == 0 && report == 0 ? 0 : 1;
        },
        {"year=?1 and month=?2", {"2010", "07"}});
}
BENCHMARK(BM_CurrentMonth)->Unit(benchmark::kMillisecond)->UseRealTime();

// The statistics over all time, and over the first year.
void BM_MkSummary(benchmark::State& state)
{
    run(
        state, station(static_cast<int>(state.range(0))),
        [&state](ReportJob& job) {
            job.all_time = state.range(1) == 0;
            job.year = kFirstYear;
        },
        MkSummary, state.range(1) ? kFirstYearSpan : Span{});
}
BENCHMARK(BM_MkSummary)
    ->Args({1, 0})
    ->Args({10, 0})
    ->Args({10, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The statistics over all time of thirty years of 1-minute records. Run it on its own
// (--benchmark_filter=MkSummaryThirtyYears): the first run builds the database.
void BM_MkSummaryThirtyYears(benchmark::State& state)
{
    run(state, thirty_years(), [](ReportJob& job) { job.all_time = true; }, MkSummary, {});
}
BENCHMARK(BM_MkSummaryThirtyYears)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace
}  // namespace nimbora

BENCHMARK_MAIN();
