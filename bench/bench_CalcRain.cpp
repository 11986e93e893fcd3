// SPDX-License-Identifier: GPL-3.0-or-later
// The rain windows over a month of 1-minute rows that rain all day, the worst case for the
// number of open accumulations (one per window minute).
#include "config/CalcRain.h"
#include "config/format.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

struct Row {
    std::string day, time;
};

void BM_CalcRainRainyMonth(benchmark::State& state)
{
    std::vector<Row> rows;
    for (int day = 1; day <= 30; ++day)
        for (int minute = 0; minute < 1440; ++minute)
            rows.push_back(
                {nimbora::strf("%02d", day), nimbora::strf("%02d:%02d", minute / 60, minute % 60)});
    nimbora::CalcRain rain;
    for (auto _ : state) {
        rain.reset();
        for (const Row& r : rows) rain.add(r.day, "06", "2012", r.time, 0.2);
        rain.finish();
        benchmark::DoNotOptimize(rain.max(8).rain);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<long>(rows.size()));
}
BENCHMARK(BM_CalcRainRainyMonth)->Unit(benchmark::kMillisecond);

}  // namespace
