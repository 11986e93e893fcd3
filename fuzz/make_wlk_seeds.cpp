// SPDX-License-Identifier: GPL-3.0-or-later
// make_wlk_seeds.cpp: writes a starting corpus for fuzz_wlk_reader into the folder given as
// the only argument: small synthetic months, extreme and missing values, and the damaged
// shapes the reader must survive (odd day counts, a foreign identification, a cut file).
// Exit status 0 when every file was written, 1 otherwise.
#include "config/file_open.h"
#include "import/Wlk.h"
#include "import/WlkWriter.h"
#include "import/synthetic.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace {

using namespace nimbora;

// Every field at a limit of its type, and one record of each kind the reader skips or
// converts specially.
std::vector<WlkArchiveRecord> extreme_records()
{
    WlkArchiveRecord low;  // every measurement missing
    low.time = -32768;
    WlkArchiveRecord high{.interval = 255,
                          .time = 32767,
                          .temperature = 32767,
                          .hi_temperature = 32767,
                          .low_temperature = -32767,
                          .barometer = 32767,
                          .humidity = 0,
                          .rain = wlk_rain(6, 4095),
                          .rain_rate = 32767,
                          .wind_speed = 32767,
                          .hi_wind_speed = -32767,
                          .wind_direction = 254,
                          .solar_rad = 32767,
                          .hi_solar_rad = -32767,
                          .uv = 254,
                          .hi_uv = 0,
                          .et = 254};
    WlkArchiveRecord hot{.interval = 5,
                         .time = 1440,
                         .temperature = 1100,
                         .humidity = 950,
                         .rain = wlk_rain(15, 12),
                         .wind_speed = 31,
                         .wind_direction = 15};
    WlkArchiveRecord other = hot;
    other.type = 2;
    return {low, high, hot, other};
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS_DIR\n", argv[0]);
        return 1;
    }
    const std::filesystem::path dir = argv[1];
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);

    bool ok = true;
    auto put = [&](const char* name, const std::string& bytes) {
        ok = replace_file(nullptr, (dir / name).string(), bytes) && ok;
    };

    // Long intervals keep the months small: a fuzzer mutates small inputs much faster.
    const std::string february = synthetic_wlk(2012, 2, 240, 1).bytes();
    put("synthetic-2012-02-240.wlk", february);
    put("synthetic-2023-07-180.wlk", synthetic_wlk(2023, 7, 180, 7).bytes());
    put("synthetic-cut.wlk", february.substr(0, kWlkHeaderSize + 5 * kWlkRecordSize + 40));

    const std::vector<WlkArchiveRecord> extremes = extreme_records();
    put("extremes.wlk", WlkWriter().add_day(0, extremes).add_day(31, extremes).bytes());

    const std::vector<WlkArchiveRecord> two(extremes.begin() + 2, extremes.end());
    put("counts.wlk", WlkWriter()
                          .add_day(1, two)
                          .set_index_count(1, 1)
                          .add_day(2, two)
                          .set_index_count(2, 0)
                          .add_day(3, two)
                          .set_index_count(3, -1)
                          .add_day(4, two)
                          .set_index_count(4, 32767)
                          .bytes());
    put("foreign.wlk", WlkWriter().set_identification("WDAT4").add_day(1, two).bytes());
    put("empty-days.wlk", WlkWriter().add_day(7, {}).add_day(8, {}).bytes());
    put("header-only.wlk", WlkWriter().bytes());

    if (!ok) std::fprintf(stderr, "make_wlk_seeds: could not write every seed in %s\n", argv[1]);
    return ok ? 0 : 1;
}
