// SPDX-License-Identifier: GPL-3.0-or-later
#include "reports/summary.h"

#include "config/CalcRain.h"
#include "config/format.h"
#include "config/function.h"
#include "config/stations.h"
#include "reports/frame.h"
#include "reports/layout.h"

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

namespace nimbora {
namespace {

// A record a row prints: its date and time texts as stored and its value cell.
struct Found {
    std::string day, month, year, time, value;

    // The time as printed: "24:00" shows as "00:00".
    std::string shown_time() const
    {
        std::string t = time;
        return TrasfTime(t);
    }
};

// A prepared statement over the scope, ?1 and ?2 bound to its year and month. Empty, with
// the failure told, when SQLite refuses it.
StmtHandle prepare_scoped(Owner* owner, Db& db, const StatsScope& scope, const std::string& sql,
                          bool& failed)
{
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db.get(), sql.c_str(), -1, &raw, nullptr) != SQLITE_OK) {
        failed = true;
        tell_database_error(owner, sqlite3_errmsg(db.get()));
        return StmtHandle(raw);
    }
    const std::string* params[] = {&scope.year, &scope.month};
    for (int i = 0; i < std::min(sqlite3_bind_parameter_count(raw), 2); ++i)
        sqlite3_bind_text(raw, i + 1, params[i]->c_str(), -1, SQLITE_STATIC);
    return StmtHandle(raw);
}

std::string_view column_text(sqlite3_stmt* stmt, int c)
{
    const unsigned char* t = sqlite3_column_text(stmt, c);
    return std::string_view(t ? reinterpret_cast<const char*>(t) : "");
}

// Steps `stmt` to its end, calling `row` for each row; a failure is told and sets `failed`.
template <typename Row>
void each_row(Owner* owner, Db& db, sqlite3_stmt* stmt, bool& failed, Row row)
{
    if (!stmt) return;
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) row(stmt);
    if (rc != SQLITE_DONE) {
        failed = true;
        tell_database_error(owner, sqlite3_errmsg(db.get()));
    }
}

// The quantities whose highest (and lowest) record a section prints, in the order of the
// columns of the extremes pass.
enum Quantity : int {
    kXHiTemp,
    kXLowTemp,
    kXDewHi,
    kXDewLo,
    kXHeatHi,
    kXHeatLo,
    kXChillHi,
    kXChillLo,
    kXHumHi,
    kXHumLo,
    kXBarHi,
    kXBarLo,
    kXWindSpeed,
    kXGust,
    kXSolar,
    kXUV,
    kXRainRate,
    kXQuantities
};
// The value columns a section reads, each once.
enum Column : int {
    kCHiTemp,
    kCLowTemp,
    kCDew,
    kCHeat,
    kCChill,
    kCHum,
    kCBar,
    kCWindSpeed,
    kCGust,
    kCSolar,
    kCUV,
    kCRainRate,
    kCRain,
    kCWindRun,
    kCET,
    kColumns
};
constexpr const char* kColumnNames[kColumns] = {"hitemp",    "lowtemp",    "dewpoint", "heatindex",
                                                "windchill", "humidity",   "pressure", "windspeed",
                                                "gustspeed", "hisolarrad", "HiUV",     "rainrate",
                                                "rain",      "windrun",    "et"};
// The column of each quantity, and whether its record is the lowest.
constexpr int kColumnOf[kXQuantities] = {kCHiTemp,    kCLowTemp, kCDew,   kCDew, kCHeat,    kCHeat,
                                         kCChill,     kCChill,   kCHum,   kCHum, kCBar,     kCBar,
                                         kCWindSpeed, kCGust,    kCSolar, kCUV,  kCRainRate};
constexpr bool kLowest[kXQuantities] = {false, true,  false, true,  false, true,
                                        false, true,  false, true,  false, true,
                                        false, false, false, false, false};

// A pair row's two records: the higher value first. When one record is both (a single
// distinct value) both halves show it; when one is missing both show the other.
std::array<Found, 2> pair_of(const Found& hi, const Found& lo)
{
    if (hi.value.empty()) return {lo, lo};
    if (lo.value.empty()) return {hi, hi};
    if (num(lo.value) > num(hi.value)) return {lo, hi};
    return {hi, lo};
}

// One day of the scope, as the day rows need it: the texts as SQLite would render them and
// the values to compare.
struct DayRow {
    std::string day, month, year;
    std::string hi, lo;  // the day's highest temperature and lowest; empty: none
    std::optional<double> hi_value, lo_value;
    std::optional<double> rain;  // the day's rain
    // The sum of the positive values of rain, wind run and ET, and the time of the day's
    // last positive rain, first positive wind run and first positive ET. No sum: none.
    std::array<std::optional<double>, 3> positive{};
    std::array<std::string, 3> positive_time;
};

enum DaySum : std::size_t { kRainSum, kWindRunSum, kETSum };

// Everything a section reads from its records.
struct ScopeData {
    // The record holding the highest (or lowest) value of each quantity: of the records
    // with that value, the one with the smallest time of day, and of those the one a lookup
    // by value meets first (over all time the first stored, within a year the earliest).
    std::array<Found, kXQuantities> extremes;
    std::vector<DayRow> days;  // in date order
};

// One pass over the records of the scope in date and time order: the extremes, the days and
// the rain windows (those still open when the records end evaluated too). Streams the rows:
// the scope may hold millions. Sums add in the order SQLite's own sums would.
ScopeData scan_scope(Owner* owner, Db& db, const StatsScope& scope, CalcRain& rain, bool& failed)
{
    constexpr int kRowid = 0, kDay = 1, kMonth = 2, kYear = 3, kTime = 4, kFirstValue = 5;
    std::string sql = "select rowid,day,month,year,time";
    for (const char* c : kColumnNames) sql += strf(",%s", c);
    sql += " from datimeteo" + scope.where_clause() + " order by year,month,day,time";
    const StmtHandle stmt = prepare_scoped(owner, db, scope, sql, failed);

    ScopeData data;
    std::array<double, kXQuantities> value{};
    std::array<sqlite3_int64, kXQuantities> rowid{};
    std::array<bool, kXQuantities> held{};
    const bool first_stored = scope.year.empty();
    rain.reset();
    each_row(owner, db, stmt.get(), failed, [&](sqlite3_stmt* r) {
        const std::string_view day = column_text(r, kDay), month = column_text(r, kMonth),
                               year = column_text(r, kYear), time = column_text(r, kTime);
        std::array<double, kColumns> v;
        std::array<bool, kColumns> null;
        for (int c = 0; c < kColumns; ++c) {
            null[c] = sqlite3_column_type(r, kFirstValue + c) == SQLITE_NULL;
            v[c] = null[c] ? 0.0 : sqlite3_column_double(r, kFirstValue + c);
        }

        for (int q = 0; q < kXQuantities; ++q) {
            const int c = kColumnOf[q];
            if (null[c]) continue;
            if (held[q]) {
                const bool better = kLowest[q] ? v[c] < value[q] : v[c] > value[q];
                if (!better) {
                    if (v[c] != value[q]) continue;
                    const int order = time.compare(data.extremes[q].time);
                    if (order > 0 || (order == 0 && !(first_stored &&
                                                      sqlite3_column_int64(r, kRowid) < rowid[q])))
                        continue;
                }
            }
            held[q] = true;
            value[q] = v[c];
            rowid[q] = sqlite3_column_int64(r, kRowid);
            data.extremes[q] = {std::string(day), std::string(month), std::string(year),
                                std::string(time), std::string(column_text(r, kFirstValue + c))};
        }

        if (data.days.empty() || data.days.back().day != day || data.days.back().month != month ||
            data.days.back().year != year) {
            DayRow fresh;
            fresh.day = day, fresh.month = month, fresh.year = year;
            data.days.push_back(std::move(fresh));
        }
        DayRow& d = data.days.back();
        if (!null[kCHiTemp] && (!d.hi_value || v[kCHiTemp] > *d.hi_value)) {
            d.hi_value = v[kCHiTemp];
            d.hi = column_text(r, kFirstValue + kCHiTemp);
        }
        if (!null[kCLowTemp] && (!d.lo_value || v[kCLowTemp] < *d.lo_value)) {
            d.lo_value = v[kCLowTemp];
            d.lo = column_text(r, kFirstValue + kCLowTemp);
        }
        const double rain_now = v[kCRain];
        if (!null[kCRain]) d.rain = d.rain.value_or(0.0) + rain_now;
        static constexpr int kSumColumn[] = {kCRain, kCWindRun, kCET};
        for (std::size_t k = 0; k < 3; ++k) {
            const int c = kSumColumn[k];
            if (null[c] || !(v[c] > 0)) continue;
            // The time of the last positive rain, of the first positive wind run and ET.
            if (!d.positive[k] || k == kRainSum) d.positive_time[k] = time;
            d.positive[k] = d.positive[k].value_or(0.0) + v[c];
        }
        rain.add(day, month, year, time, rain_now);
    });
    rain.finish();
    return data;
}

// The day with the largest sum of positive values of `k`, the earliest of equal days, with
// its time; empty when no day has a positive value.
Found best_day(const std::vector<DayRow>& days, DaySum k)
{
    const DayRow* best = nullptr;
    for (const DayRow& d : days)
        if (d.positive[k] && (!best || *d.positive[k] > *best->positive[k])) best = &d;
    if (!best) return {};
    return {best->day, best->month, best->year, best->positive_time[k],
            sqlite_text(*best->positive[k])};
}

// The day whose highest temperature is the lowest (`coldest_high`), or whose lowest is the
// highest, the earliest of equal days, and the time of its first record holding that value.
// A day without a value sorts as the lowest of all.
Found day_extreme(Owner* owner, Db& db, const std::vector<DayRow>& days, bool coldest_high,
                  bool& failed)
{
    const auto before = [](const std::optional<double>& a, const std::optional<double>& b) {
        return b && (!a || *a < *b);
    };
    const DayRow* pick = nullptr;
    for (const DayRow& d : days) {
        if (!pick || (coldest_high ? before(d.hi_value, pick->hi_value)
                                   : before(pick->lo_value, d.lo_value)))
            pick = &d;
    }
    if (!pick) return {};
    Found f{pick->day, pick->month, pick->year, {}, coldest_high ? pick->hi : pick->lo};
    const char* column = coldest_high ? "hitemp" : "lowtemp";
    auto r = db.query(owner,
                      strf("select time from datimeteo where day = ? and month = ? and "
                           "year = ? and %s = ?",
                           column)
                          .c_str(),
                      {f.day, f.month, f.year, strf("%f", num(f.value))});
    failed |= !r.ok;
    if (!r.rows.empty() && !r.rows[0].empty()) f.time = r.rows[0][0];
    return f;
}

// The largest and the smallest daily range, in display units, with the first day of each;
// both 0 with empty dates when the scope has no day.
struct Ranges {
    double largest = -99.0, smallest = 99.0;
    std::string lday, lmonth, lyear, sday, smonth, syear;
};

Ranges temperature_ranges(const std::vector<DayRow>& days, const Units& u)
{
    Ranges r;
    for (const auto& d : days) {
        const double range = u.temp(num(d.hi)) - u.temp(num(d.lo));
        if (range < r.smallest) {
            r.smallest = range;
            r.sday = d.day, r.smonth = d.month, r.syear = d.year;
        }
        if (range > r.largest) {
            r.largest = range;
            r.lday = d.day, r.lmonth = d.month, r.lyear = d.year;
        }
    }
    if (days.empty()) r.largest = r.smallest = 0;
    return r;
}

// The longest run of dry days (under 0.3 mm; exactly 0.3 neither counts nor ends a run) and
// its first day; the earlier of equal runs. Days without records are skipped.
struct DryRun {
    int days = 0;
    std::string day, month, year;
};

DryRun longest_dry_run(const std::vector<DayRow>& days)
{
    DryRun best, current;
    for (const auto& d : days) {
        const double r = d.rain ? num(sqlite_text(*d.rain)) : 0.0;
        if (r < 0.3) {
            if (current.days++ == 0)
                current.day = d.day, current.month = d.month, current.year = d.year;
        } else if (r > 0.3) {
            if (current.days > best.days) best = current;
            current = {};
        }
    }
    if (current.days > best.days) best = current;
    return best;
}

// One day's figures that the averages add up, as the statement below reads them: the day's
// means, its highest gust, and its highest and lowest temperature.
struct DayMeans {
    double temperature = 0, wind_speed = 0, wind_gust = 0, humidity = 0, dew_point = 0;
    double pressure = 0, solar_rad = 0, heat_index = 0, wind_chill = 0;
    double temp_max = 0, temp_min = 0;

    DayMeans& operator+=(const DayMeans& d)
    {
        temperature += d.temperature, wind_speed += d.wind_speed, wind_gust += d.wind_gust;
        humidity += d.humidity, dew_point += d.dew_point, pressure += d.pressure;
        solar_rad += d.solar_rad, heat_index += d.heat_index, wind_chill += d.wind_chill;
        temp_max += d.temp_max, temp_min += d.temp_min;
        return *this;
    }
};

// The days of one month, in day order; each row read by read_day_means.
constexpr const char* kDayMeansSql =
    "select avg(temperature),avg(windspeed),max(gustspeed), avg(humidity),avg(dewpoint),"
    "avg(pressure),avg(solarrad),avg(heatindex),avg(windchill), max(hitemp),min(lowtemp) "
    "from datimeteo where year = ? and month = ? group by day order by day";

// A row of kDayMeansSql; an empty cell (no value that day) reads as 0.
DayMeans read_day_means(const std::vector<std::string>& row)
{
    return {.temperature = num(row[0]),
            .wind_speed = num(row[1]),
            .wind_gust = num(row[2]),
            .humidity = num(row[3]),
            .dew_point = num(row[4]),
            .pressure = num(row[5]),
            .solar_rad = num(row[6]),
            .heat_index = num(row[7]),
            .wind_chill = num(row[8]),
            .temp_max = num(row[9]),
            .temp_min = num(row[10])};
}

// The zero-speed texts: a maximum of exactly 0 has no moment worth printing.
Found without_zero(Found f)
{
    if (num(f.value) == 0) f.day = "--", f.month = "--", f.year = "----", f.time = " --- ";
    return f;
}

}  // namespace

std::string StatsScope::where_clause() const
{
    if (year.empty()) return {};
    return month.empty() ? " where year in (?1) " : " where year in (?1)  and month in (?2)";
}

std::string StatsScope::and_clause() const
{
    if (year.empty()) return {};
    return month.empty() ? " and year in (?1) " : " and year in (?1)  and month in (?2)";
}

StatsAverages stats_averages(Owner* owner, Db& db, const Units& u, const StatsScope& scope,
                             bool& failed)
{
    std::vector<std::string> months;
    if (scope.month.empty()) {
        const auto r =
            db.query(owner, "select distinct(month) from datimeteo where year = ? order by month",
                     {scope.year});
        failed |= !r.ok;
        for (const auto& row : r.rows) months.push_back(row[0]);
    } else {
        months.push_back(scope.month);
    }
    DayMeans sum;
    double range_sum = 0;  // of the daily ranges in display units
    int days = 0;
    for (const std::string& month : months) {
        const auto r = db.query(owner, kDayMeansSql, {scope.year, month});
        failed |= !r.ok;
        for (const auto& row : r.rows) {
            const DayMeans d = read_day_means(row);
            sum += d;
            range_sum += u.temp(d.temp_max) - u.temp(d.temp_min);
        }
        days += static_cast<int>(r.rows.size());
    }
    const double n = days > 0 ? days : 1;
    const char* t = u.UTitle[0].c_str();
    StatsAverages a;
    a.temperature = strf("%5.1f %s", u.temp(sum.temperature / n), t);
    a.temp_max = strf("%5.1f %s", u.temp(sum.temp_max / n), t);
    a.temp_min = strf("%5.1f %s", u.temp(sum.temp_min / n), t);
    a.temp_range = strf("%5.1f %s", range_sum / n, t);
    a.dew_point = strf("%5.1f %s", u.temp(sum.dew_point / n), t);
    a.heat_index = strf("%5.1f %s", u.temp(sum.heat_index / n), t);
    a.wind_chill = strf("%5.1f %s", u.temp(sum.wind_chill / n), t);
    a.humidity = strf("%4.0f %%", sum.humidity / n);
    a.pressure = format_value(u.PSpec, sum.pressure / n * u.BarFatt) + " " + u.UTitle[3];
    a.wind_speed = strf("%5.1f %s", sum.wind_speed / n * u.WindFatt, u.UTitle[2].c_str());
    a.wind_gust = strf("%5.1f %s", sum.wind_gust / n * u.WindFatt, u.UTitle[2].c_str());
    a.solar_rad = strf("%6.1f W/m^q", sum.solar_rad / n);
    a.dash = "---";
    return a;
}

void write_stats_heading(TextWriter& out, bool averages)
{
    out.raw("                        Max        Time        Date            Min          Time"
            "        Date");
    out.raw(averages ? "         Average\n" : "\n");
}

void write_stats_rows(TextWriter& out, Owner* owner, Db& db, const Settings& s, const Units& u,
                      const StatsScope& scope, const StatsAverages& avg,
                      const std::function<void(int)>& step, bool& failed)
{
    CalcRain rain;
    const ScopeData data = scan_scope(owner, db, scope, rain, failed);
    const auto& ext = data.extremes;
    const std::vector<DayRow>& days = data.days;
    const char* tl = u.UTitle[0].c_str();
    const char* rl = u.UTitle[1].c_str();
    const char* wl = u.UTitle[2].c_str();

    // A row of a temperature pair: T of both values with their times and dates.
    const auto temperature_pair = [&](const char* label, const std::array<Found, 2>& p,
                                      const std::string& average) {
        out.rawf("%-21s%5.1f %s      %5s     %2s/%2s/%4s      %5.1f %s       %5s     %2s/%2s/%4s"
                 "    %s\n",
                 label, u.temp(num(p[0].value)), tl, p[0].shown_time().c_str(), p[0].day.c_str(),
                 p[0].month.c_str(), p[0].year.c_str(), u.temp(num(p[1].value)), tl,
                 p[1].shown_time().c_str(), p[1].day.c_str(), p[1].month.c_str(), p[1].year.c_str(),
                 average.c_str());
    };
    // The middle of a single-value row: time, date and the empty minimum half.
    const auto single_tail = [&](const Found& f) {
        out.rawf("%5s     %2s/%2s/%4s        ---           ---        ---", f.shown_time().c_str(),
                 f.day.c_str(), f.month.c_str(), f.year.c_str());
    };

    temperature_pair("Temperature", pair_of(ext[kXHiTemp], ext[kXLowTemp]), avg.temperature);

    const Found tmax = day_extreme(owner, db, days, true, failed);
    out.rawf("Temperature Max         ---         ---         ---          %5.1f %s       %5s     "
             "%2s/%2s/%4s    %s\n",
             u.temp(num(tmax.value)), tl, tmax.shown_time().c_str(), tmax.day.c_str(),
             tmax.month.c_str(), tmax.year.c_str(), avg.temp_max.c_str());
    const Found tmin = day_extreme(owner, db, days, false, failed);
    out.rawf("Temperature Min      %5.1f %s      %5s     %2s/%2s/%4s        ---           ---    "
             "    ---         %s\n",
             u.temp(num(tmin.value)), tl, tmin.shown_time().c_str(), tmin.day.c_str(),
             tmin.month.c_str(), tmin.year.c_str(), avg.temp_min.c_str());
    step(1);

    const Ranges r = temperature_ranges(days, u);
    out.rawf("Temperature Range    %5.1f %s       ---      %2s/%2s/%4s      %5.1f %s        ---   "
             "   %2s/%2s/%4s    %s\n",
             r.largest, tl, r.lday.c_str(), r.lmonth.c_str(), r.lyear.c_str(), r.smallest, tl,
             r.sday.c_str(), r.smonth.c_str(), r.syear.c_str(), avg.temp_range.c_str());
    step(2);

    temperature_pair("Dew Point", pair_of(ext[kXDewHi], ext[kXDewLo]), avg.dew_point);
    step(3);
    temperature_pair("Heat Index", pair_of(ext[kXHeatHi], ext[kXHeatLo]), avg.heat_index);
    step(4);
    temperature_pair("Wind Chill", pair_of(ext[kXChillHi], ext[kXChillLo]), avg.wind_chill);
    step(5);

    const auto hum = pair_of(ext[kXHumHi], ext[kXHumLo]);
    out.rawf("Humidity               %3d %%       %5s     %2s/%2s/%4s        %3d %%        %5s     "
             "%2s/%2s/%4s     %s\n",
             inum(hum[0].value), hum[0].shown_time().c_str(), hum[0].day.c_str(),
             hum[0].month.c_str(), hum[0].year.c_str(), inum(hum[1].value),
             hum[1].shown_time().c_str(), hum[1].day.c_str(), hum[1].month.c_str(),
             hum[1].year.c_str(), avg.humidity.c_str());
    step(6);

    const auto bar = pair_of(ext[kXBarHi], ext[kXBarLo]);
    const char* pl = u.UTitle[3].c_str();
    out.raw("Pressure          ");
    out.value(u.PSpec, num(bar[0].value) * u.BarFatt);
    out.rawf(" %-4s    %5s     %2s/%2s/%4s   ", pl, bar[0].shown_time().c_str(), bar[0].day.c_str(),
             bar[0].month.c_str(), bar[0].year.c_str());
    out.value(u.PSpec, num(bar[1].value) * u.BarFatt);
    out.rawf(" %-4s     %5s     %2s/%2s/%4s %s\n", pl, bar[1].shown_time().c_str(),
             bar[1].day.c_str(), bar[1].month.c_str(), bar[1].year.c_str(), avg.pressure.c_str());
    step(7);

    const Found speed = without_zero(ext[kXWindSpeed]);
    out.rawf("Wind Speed           %5.1f %-4s    ", num(speed.value) * u.WindFatt, wl);
    single_tail(speed);
    out.rawf("         %s\n", avg.wind_speed.c_str());
    step(8);
    const Found gust = without_zero(ext[kXGust]);
    out.rawf("Wind Gust            %5.1f %-4s    ", num(gust.value) * u.WindFatt, wl);
    single_tail(gust);
    out.rawf("         %s\n", avg.wind_gust.c_str());
    step(9);

    if (s.column(kWindRun)) {
        const Found run = best_day(days, kWindRunSum);
        out.raw("Wind Run          ");
        out.rawf("%8.2f", num(run.value) * u.WindRunFatt);
        out.rawf(" %-4s    ", u.UTitle[4].c_str());
        single_tail(run);
        out.rawf("           %s\n", avg.dash.c_str());
    }
    step(10);

    if (s.column(kSolarRad) || s.column(kTempRange)) {
        const Found solar = ext[kXSolar];
        out.rawf("Solar Rad.          %6d W/m^q   ", inum(solar.value));
        single_tail(solar);
        out.rawf("        %s\n", avg.solar_rad.c_str());
    }
    step(11);

    if (s.column(kET)) {
        const Found et = best_day(days, kETSum);
        out.raw("ET (1 day)        ");
        out.value(u.ETSpec, num(et.value) * u.RainFatt);
        out.rawf(" %s      ", rl);
        single_tail(et);
        out.rawf("           %s\n", avg.dash.c_str());
    }
    step(12);

    if (s.column(kUV)) {
        const Found uv = ext[kXUV];
        out.rawf("UV                    %4.1f         ", num(uv.value));
        single_tail(uv);
        out.rawf("           %s\n", avg.dash.c_str());
    }
    step(13);

    const Found rate = ext[kXRainRate];
    out.raw("Rain Rate         ");
    out.value(u.RSpec, num(rate.value) * u.RainFatt);
    out.rawf(" %s/hr   ", rl);
    single_tail(rate);
    out.rawf("           %s\n", avg.dash.c_str());
    step(14);

    const Found day_rain = best_day(days, kRainSum);
    out.raw("Rain (1 day)      ");
    out.value(u.RSpec, num(day_rain.value) * u.RainFatt);
    out.rawf(" %-4s    ", rl);
    single_tail(day_rain);
    out.rawf("           %s\n", avg.dash.c_str());
    step(15);

    static constexpr const char* kLabels[] = {
        "Rain in 10 min",  "Rain in 20 min",   "Rain in 30 min",
        "Rain in 1 hour",  "Rain in 3 hours",  "Rain in 6 hours",
        "Rain in 9 hours", "Rain in 12 hours", "Rain in 24 hours"};
    out.raw("    ===\n");
    for (std::size_t w = 0; w < CalcRain::kWindowMinutes.size(); ++w) {
        const CalcRain::Max& m = rain.max(w);
        std::string time = m.time;
        out.rawf("%-18s", kLabels[w]);
        out.value(u.RSpec, static_cast<double>(m.rain) * u.RainFatt);
        out.rawf(" %-4s    %5s     %2s/%2s/%4s        ---           ---        ---           %s\n",
                 rl, TrasfTime(time).c_str(), m.day, m.month, m.year, avg.dash.c_str());
    }
    step(kStatsSteps);

    const DryRun dry = longest_dry_run(days);
    out.raw("    ===\n");
    out.rawf("Consecutive Dry Days  %4d         From      %2s/%2s/%4s\n", dry.days, dry.day.c_str(),
             dry.month.c_str(), dry.year.c_str());
}

int MkSummary(ReportJob& job)
{
    ReportFrame frame(job, "Summary");
    Owner* owner = frame.owner();
    const Settings& s = job.settings;
    const bool all_time = job.all_time;

    if (!frame.open()) return frame.end();
    // A year without records has nothing to average: say so, and leave no file behind.
    const std::string year = year_text(job.year);
    if (!all_time && !frame.has_records("select count(*) from datimeteo where year=?", {year},
                                        strf("No data for %s", year.c_str())))
        return frame.end();
    const std::string name = all_time ? "Statistics.txt" : year + "_Statistics.txt";
    TextWriter* file = frame.create(
        name, all_time ? strf("\t\tStatistics   %s - %s\n\n", job.first_record_day.c_str(),
                              job.last_record_day.c_str())
                       : strf("\t\tYear %s Statistics\n\n", year.c_str()));
    if (!file) return frame.end();
    TextWriter& out = *file;
    bool& failed = frame.failed();
    const Units u = UnitConvert(s);
    out.raw("\n");
    write_stats_heading(out, !all_time);
    const StatsScope scope{all_time ? std::string() : year, {}};
    owner->progress_range(0, kStatsSteps);
    const StatsAverages avg =
        all_time ? StatsAverages{} : stats_averages(owner, frame.db(), u, scope, failed);
    write_stats_rows(
        out, owner, frame.db(), s, u, scope, avg, [owner](int) { owner->progress_step(1); },
        failed);
    return frame.end(name + " created successfully! ");
}

}  // namespace nimbora
