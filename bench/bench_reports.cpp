// The reports on a station database of ten years of 5-minute records (about 1.05 million
// rows) and on one year of them, so that growth with the years held shows; the monthly
// report of the real 1-minute month when this machine has it; and the statistics of thirty
// years of 1-minute records. The databases are built by the import, into scratch folders.
#include "config/Db.h"
#include "config/install.h"
#include "config/schema.h"
#include "config/stations.h"
#include "import/load_db.h"
#include "import/synthetic.h"
#include "reports/GlobalRep.h"
#include "reports/MonthRep.h"
#include "reports/ReportRange.h"
#include "reports/YearRep.h"
#include "reports/summary.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

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
    for (int y = kFirstYear; y < kFirstYear + years; ++y) {
        ReportJob job;
        job.settings = st.settings;
        for (int m = 1; m <= 12; ++m) {
            char file[32];
            std::snprintf(file, sizeof file, "%04d-%02d.wlk", y, m);
            if (!write_synthetic_month(st.folder + file, y, m, interval,
                                       static_cast<std::uint32_t>(y * 100 + m)))
                std::abort();
            job.Files.push_back(file);
        }
        if (load_db(job).code != 0) std::abort();
        for (const std::string& f : job.Files) fs::remove(st.folder + f);
    }
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

template <typename Report>
void run(benchmark::State& state, const Station& st, Report&& fill, int (*report)(ReportJob&))
{
    for (auto _ : state) {
        ReportJob job;
        job.settings = st.settings;
        fill(job);
        if (report(job) != 0) state.SkipWithError("the report failed");
    }
}

// June of the first year: the same month whatever the database holds.
void BM_MonthReport(benchmark::State& state)
{
    run(
        state, station(static_cast<int>(state.range(0))),
        [](ReportJob& job) {
            job.Table = "DatiMeteo";
            job.year = kFirstYear;
            job.month = 6;
            job.decades = true;
        },
        MonthReport);
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
    run(
        state, real,
        [](ReportJob& job) {
            job.Table = "DatiMeteo";
            job.year = 2012;
            job.month = 2;
        },
        MonthReport);
}
BENCHMARK(BM_MonthReportRealMonth)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_YearReport(benchmark::State& state)
{
    run(
        state, station(static_cast<int>(state.range(0))),
        [](ReportJob& job) { job.year = kFirstYear; }, YearReport);
}
BENCHMARK(BM_YearReport)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GlobalReport(benchmark::State& state)
{
    run(
        state, station(static_cast<int>(state.range(0))), [](ReportJob&) {}, GlobalReport);
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
        ReportRange);
}
BENCHMARK(BM_ReportRange365)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond)->UseRealTime();

// For comparison: one plain aggregate statement over every value column of the first year
// (the annual report's span; second argument 0) or of every year (the global report's; 1).
void BM_PlainScan(benchmark::State& state)
{
    const Station& st = station(static_cast<int>(state.range(0)));
    const std::string sql =
        "select count(*),sum(temperature),min(hitemp),max(hitemp),min(lowtemp),max(lowtemp),"
        "sum(humidity),min(humidity),max(humidity),sum(dewpoint),min(dewpoint),max(dewpoint),"
        "sum(pressure),min(pressure),max(pressure),sum(windspeed),max(windspeed),"
        "max(gustspeed),count(direction),sum(rain),max(rainrate),sum(heatindex),"
        "max(heatindex),sum(windchill),min(windchill),sum(solarrad),max(hisolarrad),sum(et),"
        "sum(uv),max(hiuv),sum(windrun) from datimeteo" +
        std::string(state.range(1) ? "" : " where year=?1");
    const std::string year = std::to_string(kFirstYear);
    for (auto _ : state) {
        auto db = Db::open(nullptr, st.folder + kDbFile);
        if (!db) {
            state.SkipWithError("the database did not open");
            return;
        }
        const auto r = state.range(1) ? db->query(nullptr, sql.c_str())
                                      : db->query(nullptr, sql.c_str(), {year});
        if (!r.ok) state.SkipWithError("the scan failed");
        benchmark::DoNotOptimize(r.rows);
    }
}
BENCHMARK(BM_PlainScan)
    ->Args({1, 0})
    ->Args({10, 0})
    ->Args({10, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The statistics over all time, and over the first year.
void BM_MkSummary(benchmark::State& state)
{
    run(
        state, station(static_cast<int>(state.range(0))),
        [&state](ReportJob& job) {
            job.all_time = state.range(1) == 0;
            job.year = kFirstYear;
        },
        MkSummary);
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
    run(
        state, thirty_years(), [](ReportJob& job) { job.all_time = true; }, MkSummary);
}
BENCHMARK(BM_MkSummaryThirtyYears)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace
}  // namespace nimbora

BENCHMARK_MAIN();
