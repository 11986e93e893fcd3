// SPDX-License-Identifier: GPL-3.0-or-later
// The charts on station databases built by the import into scratch folders: one year of 1-minute
// records (525,600 rows; a year is drawn a day a point) and ten years of 5-minute records
// (1.05 million rows; ten years are drawn a month a point, or forced a day a point). Each case
// opens the database, reads the series and writes the SVG bytes, as the chart command does.
// The counter `points` is the series' length; `svg_kib` the document's size.
#include "charts/series.h"
#include "charts/svg.h"
#include "config/Db.h"
#include "config/install.h"
#include "config/schema.h"

#include "plain_scan.h"

#include "synthetic_station.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace nimbora {
namespace {

constexpr int kFirstYear = 2010;

struct Station {
    std::string folder;
    Settings settings;
};

// `years` years of `interval`-minute records from 2010, imported a year at a time.
Station make_station(const std::string& name, int years, int interval)
{
    Station st;
    st.folder = (fs::temp_directory_path() / "nimbora-bench-charts" / name).string() + "/";
    fs::remove_all(st.folder);
    fs::create_directories(st.folder);
    if (!install_product(nullptr, st.folder).ok) std::abort();
    Settings& s = st.settings;
    s.InitPathDB = s.InitPathRep = s.InitPathWLK = st.folder;
    for (int c = 0; c < kReportColumns; ++c) s.ReportChk[static_cast<std::size_t>(c)] = 1;
    bench::import_synthetic_years(st.folder, s, kFirstYear, years, interval);
    return st;
}

const Station& year_of_minutes()
{
    static const Station st = make_station("one-year-1-minute", 1, 1);
    return st;
}

const Station& ten_years()
{
    static const Station st = make_station("ten-years-5-minute", 10, 5);
    return st;
}

// Draws `kind` over `span` and, after each run, untimed, the plain scan of `scan` (the same
// span): the counters report_ms, scan_ms and ratio, as bench_reports prints them.
void chart(benchmark::State& state, const Station& st, ChartKind kind, const ChartSpan& span,
           const bench::Span& scan, std::optional<Resolution> at = {})
{
    std::size_t points = 0, bytes = 0;
    double chart_s = 0, scan_s = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        auto db = Db::open(nullptr, st.folder + kDbFile);
        if (!db) return state.SkipWithError("the database did not open");
        const Units u = UnitConvert(st.settings);
        Series s;
        if (!read_series(nullptr, *db, st.settings, u, kind, span, s, at))
            return state.SkipWithError("the series failed");
        const std::string svg = chart_svg(s, u);
        benchmark::DoNotOptimize(svg.data());
        points = s.points.size();
        bytes = svg.size();
        chart_s += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.PauseTiming();
        const double seconds = bench::plain_scan(st.folder + kDbFile, scan);
        if (seconds < 0) return state.SkipWithError("the scan failed");
        scan_s += seconds;
        state.ResumeTiming();
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["report_ms"] = chart_s * 1000 / runs;
    state.counters["scan_ms"] = scan_s * 1000 / runs;
    state.counters["ratio"] = scan_s > 0 ? chart_s / scan_s : 0;
    state.counters["points"] = static_cast<double>(points);
    state.counters["svg_kib"] = static_cast<double>(bytes) / 1024;
}

const ChartSpan kYear{{kFirstYear, 1, 1}, {kFirstYear, 12, 31}};
const ChartSpan kTenYears{{kFirstYear, 1, 1}, {kFirstYear + 9, 12, 31}};

void BM_ChartYearOfMinutes(benchmark::State& state)
{
    chart(state, year_of_minutes(), static_cast<ChartKind>(state.range(0)), kYear,
          {"year=?1", {std::to_string(kFirstYear)}});
}
BENCHMARK(BM_ChartYearOfMinutes)
    ->Arg(static_cast<int>(ChartKind::temperature))
    ->Arg(static_cast<int>(ChartKind::rain))
    ->Arg(static_cast<int>(ChartKind::windrose))
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_ChartTenYears(benchmark::State& state)
{
    chart(state, ten_years(), ChartKind::temperature, kTenYears, {});
}
BENCHMARK(BM_ChartTenYears)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ChartTenYearsDaily(benchmark::State& state)
{
    chart(state, ten_years(), ChartKind::temperature, kTenYears, {}, Resolution::daily);
}
BENCHMARK(BM_ChartTenYearsDaily)->Unit(benchmark::kMillisecond)->UseRealTime();

// The last 24 hours of ten years: the latest record found, every record of the day drawn.
void BM_ChartLast24Hours(benchmark::State& state)
{
    auto db = Db::open(nullptr, ten_years().folder + kDbFile);
    bool failed = false;
    const auto span = db ? last_hours_span(nullptr, *db, 24, failed) : std::nullopt;
    if (!span) return state.SkipWithError("no span");
    const SpanWhere w = span_where(*span);
    chart(state, ten_years(), ChartKind::temperature, *span,
          {kSpanWhere, {w.from_year, w.to_year, w.from_key, w.to_key}});
}
BENCHMARK(BM_ChartLast24Hours)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace nimbora

BENCHMARK_MAIN();
