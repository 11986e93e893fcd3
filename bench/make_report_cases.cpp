// SPDX-License-Identifier: GPL-3.0-or-later
// make_report_cases: writes the WLK files that scripts/compare-reports.sh imports to compare
// the reports two builds write from the same databases.
//
//   make_report_cases synthetic DIR FIRST_YEAR YEARS
//       YEARS years of 5-minute synthetic months from FIRST_YEAR, "YYYY-MM.wlk", each month
//       seeded year * 100 + month (the databases bench_reports builds).
//   make_report_cases edge DIR
//       hand-made months that exercise the corners of the reports (listed at edge_months).
//
// The same arguments write the same bytes on every run.
#include "import/WlkWriter.h"
#include "import/synthetic.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace nimbora {
namespace {

constexpr int kInterval = 5;  // minutes

std::string file_name(int year, int month)
{
    char name[32];
    std::snprintf(name, sizeof name, "%04d-%02d.wlk", year, month);
    return name;
}

std::vector<SyntheticDay> base_month(int year, int month)
{
    return synthetic_month(year, month, kInterval, static_cast<std::uint32_t>(year * 100 + month));
}

bool write_days(const fs::path& dir, int year, int month, std::vector<SyntheticDay> days)
{
    WlkWriter file;
    for (SyntheticDay& d : days) file.add_day(d.day, std::move(d.records));
    const std::string path = (dir / file_name(year, month)).string();
    if (!file.write(path)) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

SyntheticDay* find_day(std::vector<SyntheticDay>& days, int day)
{
    for (SyntheticDay& d : days)
        if (d.day == day) return &d;
    return nullptr;
}

void drop_days(std::vector<SyntheticDay>& days, const std::function<bool(int)>& drop)
{
    std::erase_if(days, [&](const SyntheticDay& d) { return drop(d.day); });
}

// A record in which every measurement is missing: stored as NULLs.
WlkArchiveRecord missing_record(int time)
{
    WlkArchiveRecord r;
    r.interval = kInterval;
    r.time = static_cast<std::int16_t>(time);
    r.rain = wlk_rain(2, 0);
    return r;
}

// Every value of `r` set to one fixed reading (tenths of a degree F and so on), so that a day
// of such records has equal extremes at every time.
void set_fixed(WlkArchiveRecord& r, std::int16_t tenths_f)
{
    r.temperature = r.hi_temperature = r.low_temperature = tenths_f;
    r.barometer = 30120;
    r.humidity = 550;
    r.rain = wlk_rain(2, 1);
    r.rain_rate = 12;
    r.wind_speed = 150;
    r.hi_wind_speed = 300;
    r.wind_direction = 4;
    r.solar_rad = 400;
    r.hi_solar_rad = 450;
    r.uv = 30;
    r.hi_uv = 35;
    r.et = 2;
}

// 2019-12 to 2021-01 with gaps; each month is one corner:
//   2019-12  whole; the last record of the 31st (24:00) holds the month's lowest temperature
//            and highest gust; the year ends there.
//   2020-01  whole, but day 15 holds only its 24:00 record and day 16 only a 00:00 and a 24:00
//            record; the first record of day 1 is at 00:00.
//   2020-02  (leap year) days 1, 2, 10..14 and 28 missing; the 29th held.
//   2020-03  day 10 every value missing (NULLs) all day; day 20 without temperature and
//            humidity; day 21 with a single record, every value missing.
//   2020-04  equal extremes: day 5's highest and lowest temperature, gust and rain rate each
//            reached twice, at different times; days 8 and 9 the same fixed hot reading all
//            day (the month's highs, equal at equal times on two days); days 18 and 19 the
//            same fixed cold reading; day 25 calm all day (no direction).
//   2020-05  records only on day 31.
//   2020-06  records only on days 1 and 30, a few each.
//   (2020-07 .. 2020-11 missing: the year has gaps)
//   2020-12  whole up to the 31st at 12:00: the year's last afternoon and evening missing.
//   2021-01  from day 2: the year's first day missing.
bool edge_months(const fs::path& dir)
{
    bool ok = true;
    {
        auto days = base_month(2019, 12);
        WlkArchiveRecord& last = find_day(days, 31)->records.back();  // 24:00
        last.temperature = last.low_temperature = -200;               // -20.0 F
        last.hi_wind_speed = 700;
        ok &= write_days(dir, 2019, 12, std::move(days));
    }
    {
        auto days = base_month(2020, 1);
        SyntheticDay* d1 = find_day(days, 1);
        WlkArchiveRecord midnight = d1->records.front();
        midnight.time = 0;
        d1->records.insert(d1->records.begin(), midnight);
        SyntheticDay* d15 = find_day(days, 15);
        d15->records = {d15->records.back()};
        SyntheticDay* d16 = find_day(days, 16);
        WlkArchiveRecord first = d16->records.front();
        first.time = 0;
        d16->records = {first, d16->records.back()};
        ok &= write_days(dir, 2020, 1, std::move(days));
    }
    {
        auto days = base_month(2020, 2);
        drop_days(days, [](int d) { return d <= 2 || (d >= 10 && d <= 14) || d == 28; });
        ok &= write_days(dir, 2020, 2, std::move(days));
    }
    {
        auto days = base_month(2020, 3);
        for (WlkArchiveRecord& r : find_day(days, 10)->records) r = missing_record(r.time);
        for (WlkArchiveRecord& r : find_day(days, 20)->records) {
            r.temperature = r.hi_temperature = r.low_temperature = kRawMissing;
            r.humidity = kRawMissing;
        }
        find_day(days, 21)->records = {missing_record(720)};
        ok &= write_days(dir, 2020, 3, std::move(days));
    }
    {
        auto days = base_month(2020, 4);
        std::vector<WlkArchiveRecord>& d5 = find_day(days, 5)->records;
        // 10:00 and 15:00 the day's highs, 03:00 and 05:00 its lows (records end their
        // 5-minute period, so index i is at (i + 1) * 5 minutes).
        for (int minute : {600, 900}) {
            WlkArchiveRecord& r = d5[static_cast<std::size_t>(minute / kInterval - 1)];
            r.temperature = r.hi_temperature = 900;
            r.hi_wind_speed = 600;
            r.rain_rate = 250;
            r.rain = wlk_rain(2, 5);
            r.humidity = 990;
            r.barometer = 30500;
            r.solar_rad = r.hi_solar_rad = 1100;
            r.uv = r.hi_uv = 110;
        }
        for (int minute : {180, 300}) {
            WlkArchiveRecord& r = d5[static_cast<std::size_t>(minute / kInterval - 1)];
            r.temperature = r.low_temperature = 100;
            r.humidity = 50;
            r.barometer = 29000;
        }
        for (int d : {8, 9})
            for (WlkArchiveRecord& r : find_day(days, d)->records) set_fixed(r, 950);
        for (int d : {18, 19})
            for (WlkArchiveRecord& r : find_day(days, d)->records) set_fixed(r, 50);
        for (WlkArchiveRecord& r : find_day(days, 25)->records) {
            r.wind_speed = r.hi_wind_speed = 0;
            r.wind_direction = kRawMissingByte;
        }
        ok &= write_days(dir, 2020, 4, std::move(days));
    }
    {
        auto days = base_month(2020, 5);
        drop_days(days, [](int d) { return d != 31; });
        ok &= write_days(dir, 2020, 5, std::move(days));
    }
    {
        auto days = base_month(2020, 6);
        drop_days(days, [](int d) { return d != 1 && d != 30; });
        for (SyntheticDay& d : days) d.records.resize(6);
        ok &= write_days(dir, 2020, 6, std::move(days));
    }
    {
        auto days = base_month(2020, 12);
        std::vector<WlkArchiveRecord>& d31 = find_day(days, 31)->records;
        d31.resize(static_cast<std::size_t>(720 / kInterval));
        ok &= write_days(dir, 2020, 12, std::move(days));
    }
    {
        auto days = base_month(2021, 1);
        drop_days(days, [](int d) { return d == 1; });
        ok &= write_days(dir, 2021, 1, std::move(days));
    }
    return ok;
}

bool synthetic_years(const fs::path& dir, int first_year, int years)
{
    for (int y = first_year; y < first_year + years; ++y)
        for (int m = 1; m <= 12; ++m)
            if (!write_synthetic_month((dir / file_name(y, m)).string(), y, m, kInterval,
                                       static_cast<std::uint32_t>(y * 100 + m)))
                return false;
    return true;
}

int usage()
{
    std::fprintf(stderr, "usage: make_report_cases synthetic DIR FIRST_YEAR YEARS\n"
                         "       make_report_cases edge DIR\n");
    return 2;
}

}  // namespace
}  // namespace nimbora

int main(int argc, char** argv)
{
    using namespace nimbora;
    if (argc < 3) return usage();
    const std::string what = argv[1];
    const fs::path dir = argv[2];
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (what == "synthetic" && argc == 5) {
        const int first = std::atoi(argv[3]), years = std::atoi(argv[4]);
        if (first < 1 || years < 1 || first + years > 10000) return usage();
        return synthetic_years(dir, first, years) ? 0 : 1;
    }
    if (what == "edge" && argc == 3) return edge_months(dir) ? 0 : 1;
    return usage();
}
