// SPDX-License-Identifier: GPL-3.0-or-later
// The station's web site on ten years of 5-minute records (1.05 million rows, built by the
// import on the first run): the whole site written into an empty folder, the current pages
// written again over it, and the records page alone (its past years from the cache).
#include "config/Db.h"
#include "config/install.h"
#include "config/schema.h"
#include "web/site.h"

#include "synthetic_station.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace nimbora {
namespace {

namespace fs = std::filesystem;

constexpr int kFirstYear = 2010;

struct Station {
    std::string folder;
    Settings settings;
};

const Station& ten_years()
{
    static const Station built = [] {
        Station st;
        st.folder = (fs::temp_directory_path() / "nimbora-bench-web" / "ten-years").string() + "/";
        Settings& s = st.settings;
        s.InitPathDB = s.InitPathRep = s.InitPathWLK = st.folder;
        for (int c = 0; c < kReportColumns; ++c) s.ReportChk[static_cast<std::size_t>(c)] = 1;
        if (fs::exists(st.folder + kDbFile)) return st;  // built by an earlier run
        fs::create_directories(st.folder);
        if (!install_product(nullptr, st.folder).ok) std::abort();
        bench::import_synthetic_years(st.folder, s, kFirstYear, 10, 5);
        return st;
    }();
    return built;
}

// Prints what a run tells, so that a failure says why.
class PrintingOwner final : public QuietOwner {
public:
    void message(std::string_view caption, std::string_view text, Icon) override
    {
        std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(caption.size()), caption.data(),
                     static_cast<int>(text.size()), text.data());
    }
};
PrintingOwner printing;

// No WLK file of a current month: the database alone.
constexpr LiveMonthAt kNoLiveMonth{};

std::string site_folder()
{
    return ten_years().folder + "web/";
}

void BM_WholeSiteFirstTime(benchmark::State& state)
{
    const Station& st = ten_years();
    long written = 0;
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(site_folder());
        fs::remove(st.folder + "NimboWebRecords.cache");
        state.ResumeTiming();
        auto db = Db::open(&printing, st.folder + kDbFile);
        SiteCounts counts;
        if (!db || !write_site(&printing, *db, st.settings, site_folder(), counts, kNoLiveMonth))
            state.SkipWithError("write_site failed");
        written = counts.written;
    }
    state.counters["files"] = static_cast<double>(written);
}
BENCHMARK(BM_WholeSiteFirstTime)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void BM_CurrentPagesAgain(benchmark::State& state)
{
    const Station& st = ten_years();
    auto db = Db::open(&printing, st.folder + kDbFile);
    SiteCounts first;
    if (!db || !write_site(&printing, *db, st.settings, site_folder(), first, kNoLiveMonth))
        state.SkipWithError("write_site failed");
    for (auto _ : state) {
        SiteCounts counts;
        if (!write_current_pages(&printing, *db, st.settings, site_folder(), counts, kNoLiveMonth))
            state.SkipWithError("write_current_pages failed");
    }
}
BENCHMARK(BM_CurrentPagesAgain)->Unit(benchmark::kMillisecond)->UseRealTime();

// The current pages without the records page: the index, the latest two months, their year.
void BM_CurrentPagesWithoutRecords(benchmark::State& state)
{
    const Station& st = ten_years();
    auto db = Db::open(&printing, st.folder + kDbFile);
    for (auto _ : state) {
        SiteCounts counts;
        if (!db || !write_current_pages(&printing, *db, st.settings, site_folder(), counts,
                                        kNoLiveMonth, false))
            state.SkipWithError("write_current_pages failed");
    }
}
BENCHMARK(BM_CurrentPagesWithoutRecords)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RecordsPage(benchmark::State& state)
{
    const Station& st = ten_years();
    auto db = Db::open(&printing, st.folder + kDbFile);
    for (auto _ : state) {
        SiteCounts counts;
        if (!db ||
            !write_records_page(&printing, *db, st.settings, site_folder(), counts, kNoLiveMonth))
            state.SkipWithError("write_records_page failed");
    }
}
BENCHMARK(BM_RecordsPage)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace nimbora

BENCHMARK_MAIN();
