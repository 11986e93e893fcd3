#include "reports/summary.h"

#include "config/CalcRain.h"
#include "config/file_open.h"
#include "config/format.h"
#include "config/function.h"
#include "config/stations.h"
#include "reports/layout.h"

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cstddef>

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

// Columns day, month, year, time, value of row `i`; an absent row gives empty texts.
Found found(const Rows& rows, std::size_t i)
{
    if (i >= rows.size() || rows[i].size() < 5) return {};
    const auto& r = rows[i];
    return {r[0], r[1], r[2], r[3], r[4]};
}

// What every statement of a section works with.
struct Section {
    Owner* owner;
    Db& db;
    const StatsScope& scope;
    bool& failed;

    Rows query(const std::string& sql)
    {
        auto r = db.query(owner, sql.c_str(), {scope.year, scope.month});
        failed |= !r.ok;
        return std::move(r.rows);
    }

    // The highest of `hi` and the lowest of `lo`, each at its smallest time. When one record
    // is both (a single distinct value), the union holds one row and both halves show it.
    std::array<Found, 2> extremes(const char* hi, const char* lo)
    {
        const std::string w = scope.where_clause(), a = scope.and_clause();
        const Rows rows =
            query(strf("select day,month,year,min(time),%s from datimeteo where %s = (select "
                       "max(%s) from datimeteo %s) %s union select day,month,year,min(time),%s "
                       "from datimeteo where %s = (select min(%s) from datimeteo %s) %s order by "
                       "5 desc",
                       hi, hi, hi, w.c_str(), a.c_str(), lo, lo, lo, w.c_str(), a.c_str()));
        return {found(rows, 0), found(rows, rows.size() > 1 ? 1 : 0)};
    }

    // The highest of `column` at its smallest time.
    Found highest(const char* column)
    {
        const std::string w = scope.where_clause(), a = scope.and_clause();
        return found(query(strf("select day,month,year,min(time),%s from datimeteo where %s = "
                                "(select max(%s) from datimeteo %s) %s",
                                column, column, column, w.c_str(), a.c_str())),
                     0);
    }

    // The day with the largest sum of positive `column`, and its first (`time` "min") or last
    // ("max") record with a positive value.
    Found best_day(const char* column, const char* time)
    {
        const std::string a = scope.and_clause();
        return found(query(strf("select day,month,year,%s(time),sum(%s) from datimeteo where "
                                "%s > 0 %s group by day,month,year order by 5 desc limit 1",
                                time, column, column, a.c_str())),
                     0);
    }

    // The day whose `aggregate` ("max(hitemp)" or "min(lowtemp)") comes first in `order`, and
    // the time of its first record holding that value.
    Found day_extreme(const char* aggregate, const char* column, const char* order)
    {
        const std::string w = scope.where_clause();
        const Rows days = query(strf("select day,month,year,%s from datimeteo %s group by "
                                     "year,month,day order by 4 %s limit 1",
                                     aggregate, w.c_str(), order));
        if (days.empty() || days[0].size() < 4) return {};
        Found f{days[0][0], days[0][1], days[0][2], {}, days[0][3]};
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
};

// The largest and the smallest daily range, in display units, with the first day of each;
// both 0 with empty dates when the scope has no day.
struct Ranges {
    double largest = -99.0, smallest = 99.0;
    std::string lday, lmonth, lyear, sday, smonth, syear;
};

Ranges temperature_ranges(Section& sec, const Units& u)
{
    Ranges r;
    const Rows days =
        sec.query("select day,month,year,max(hitemp),min(lowtemp) from datimeteo " +
                  sec.scope.where_clause() + " group by day,month,year order by year,month,day");
    for (const auto& d : days) {
        const double range = u.temp(num(d[3])) - u.temp(num(d[4]));
        if (range < r.smallest) {
            r.smallest = range;
            r.sday = d[0], r.smonth = d[1], r.syear = d[2];
        }
        if (range > r.largest) {
            r.largest = range;
            r.lday = d[0], r.lmonth = d[1], r.lyear = d[2];
        }
    }
    if (days.empty()) r.largest = r.smallest = 0;
    return r;
}

// The rain windows over the scope's records in time order; the windows still open when the
// records end are evaluated too. Streams the rows: the scope may hold millions.
void rain_windows(Section& sec, CalcRain& rain)
{
    rain.reset();
    const std::string sql = "select day,month,year,time,rain from datimeteo " +
                            sec.scope.where_clause() + " order by year,month,day,time";
    sqlite3_stmt* raw = nullptr;
    int rc = sqlite3_prepare_v2(sec.db.get(), sql.c_str(), -1, &raw, nullptr);
    const StmtHandle stmt(raw);
    if (rc == SQLITE_OK) {
        const std::string* params[] = {&sec.scope.year, &sec.scope.month};
        for (int i = 0; i < std::min(sqlite3_bind_parameter_count(raw), 2); ++i)
            sqlite3_bind_text(raw, i + 1, params[i]->c_str(), -1, SQLITE_STATIC);
        const auto text = [raw](int c) {
            const unsigned char* t = sqlite3_column_text(raw, c);
            return std::string_view(t ? reinterpret_cast<const char*>(t) : "");
        };
        while ((rc = sqlite3_step(raw)) == SQLITE_ROW)
            rain.add(text(0), text(1), text(2), text(3), num(std::string(text(4))));
    }
    if (rc != SQLITE_DONE) {
        sec.failed = true;
        tell_database_error(sec.owner, sqlite3_errmsg(sec.db.get()));
    }
    rain.finish();
}

// The longest run of dry days (under 0.3 mm; exactly 0.3 neither counts nor ends a run) and
// its first day; the earlier of equal runs. Days without records are skipped.
struct DryRun {
    int days = 0;
    std::string day, month, year;
};

DryRun longest_dry_run(Section& sec)
{
    const Rows days =
        sec.query("select day,month,year,sum(rain) from datimeteo " + sec.scope.where_clause() +
                  " group by day,month,year order by year,month,day");
    DryRun best, current;
    for (const auto& d : days) {
        const double r = num(d[3]);
        if (r < 0.3) {
            if (current.days++ == 0) current.day = d[0], current.month = d[1], current.year = d[2];
        } else if (r > 0.3) {
            if (current.days > best.days) best = current;
            current = {};
        }
    }
    if (current.days > best.days) best = current;
    return best;
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
    std::array<double, 11> sum{};
    double range_sum = 0;
    int days = 0;
    for (const std::string& month : months) {
        const auto r = db.query(
            owner,
            "select avg(temperature),avg(windspeed),max(gustspeed), avg(humidity),avg(dewpoint),"
            "avg(pressure),avg(solarrad),avg(heatindex),avg(windchill), max(hitemp),min(lowtemp) "
            "from datimeteo where year = ? and month = ? group by day order by day",
            {scope.year, month});
        failed |= !r.ok;
        for (const auto& row : r.rows) {
            for (std::size_t i = 0; i < sum.size(); ++i) sum[i] += num(row[i]);
            range_sum += u.temp(num(row[9])) - u.temp(num(row[10]));
        }
        days += static_cast<int>(r.rows.size());
    }
    const double n = days > 0 ? days : 1;
    const char* t = u.UTitle[0].c_str();
    StatsAverages a;
    a.temperature = strf("%5.1f %s", u.temp(sum[0] / n), t);
    a.temp_max = strf("%5.1f %s", u.temp(sum[9] / n), t);
    a.temp_min = strf("%5.1f %s", u.temp(sum[10] / n), t);
    a.temp_range = strf("%5.1f %s", range_sum / n, t);
    a.dew_point = strf("%5.1f %s", u.temp(sum[4] / n), t);
    a.heat_index = strf("%5.1f %s", u.temp(sum[7] / n), t);
    a.wind_chill = strf("%5.1f %s", u.temp(sum[8] / n), t);
    a.humidity = strf("%4.0f %%", sum[3] / n);
    a.pressure = format_value(u.PSpec, sum[5] / n * u.BarFatt) + " " + u.UTitle[3];
    a.wind_speed = strf("%5.1f %s", sum[1] / n * u.WindFatt, u.UTitle[2].c_str());
    a.wind_gust = strf("%5.1f %s", sum[2] / n * u.WindFatt, u.UTitle[2].c_str());
    a.solar_rad = strf("%6.1f W/m^q", sum[6] / n);
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
    Section sec{owner, db, scope, failed};
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

    temperature_pair("Temperature", sec.extremes("hitemp", "lowtemp"), avg.temperature);

    const Found tmax = sec.day_extreme("max(hitemp)", "hitemp", "asc");
    out.rawf("Temperature Max         ---         ---         ---          %5.1f %s       %5s     "
             "%2s/%2s/%4s    %s\n",
             u.temp(num(tmax.value)), tl, tmax.shown_time().c_str(), tmax.day.c_str(),
             tmax.month.c_str(), tmax.year.c_str(), avg.temp_max.c_str());
    const Found tmin = sec.day_extreme("min(lowtemp)", "lowtemp", "desc");
    out.rawf("Temperature Min      %5.1f %s      %5s     %2s/%2s/%4s        ---           ---    "
             "    ---         %s\n",
             u.temp(num(tmin.value)), tl, tmin.shown_time().c_str(), tmin.day.c_str(),
             tmin.month.c_str(), tmin.year.c_str(), avg.temp_min.c_str());
    step(1);

    const Ranges r = temperature_ranges(sec, u);
    out.rawf("Temperature Range    %5.1f %s       ---      %2s/%2s/%4s      %5.1f %s        ---   "
             "   %2s/%2s/%4s    %s\n",
             r.largest, tl, r.lday.c_str(), r.lmonth.c_str(), r.lyear.c_str(), r.smallest, tl,
             r.sday.c_str(), r.smonth.c_str(), r.syear.c_str(), avg.temp_range.c_str());
    step(2);

    temperature_pair("Dew Point", sec.extremes("dewpoint", "dewpoint"), avg.dew_point);
    step(3);
    temperature_pair("Heat Index", sec.extremes("heatindex", "heatindex"), avg.heat_index);
    step(4);
    temperature_pair("Wind Chill", sec.extremes("windchill", "windchill"), avg.wind_chill);
    step(5);

    const auto hum = sec.extremes("humidity", "humidity");
    out.rawf("Humidity               %3d %%       %5s     %2s/%2s/%4s        %3d %%        %5s     "
             "%2s/%2s/%4s     %s\n",
             inum(hum[0].value), hum[0].shown_time().c_str(), hum[0].day.c_str(),
             hum[0].month.c_str(), hum[0].year.c_str(), inum(hum[1].value),
             hum[1].shown_time().c_str(), hum[1].day.c_str(), hum[1].month.c_str(),
             hum[1].year.c_str(), avg.humidity.c_str());
    step(6);

    const auto bar = sec.extremes("pressure", "pressure");
    const char* pl = u.UTitle[3].c_str();
    out.raw("Pressure          ");
    out.value(u.PSpec, num(bar[0].value) * u.BarFatt);
    out.rawf(" %-4s    %5s     %2s/%2s/%4s   ", pl, bar[0].shown_time().c_str(), bar[0].day.c_str(),
             bar[0].month.c_str(), bar[0].year.c_str());
    out.value(u.PSpec, num(bar[1].value) * u.BarFatt);
    out.rawf(" %-4s     %5s     %2s/%2s/%4s %s\n", pl, bar[1].shown_time().c_str(),
             bar[1].day.c_str(), bar[1].month.c_str(), bar[1].year.c_str(), avg.pressure.c_str());
    step(7);

    const Found speed = without_zero(sec.highest("windspeed"));
    out.rawf("Wind Speed           %5.1f %-4s    ", num(speed.value) * u.WindFatt, wl);
    single_tail(speed);
    out.rawf("         %s\n", avg.wind_speed.c_str());
    step(8);
    const Found gust = without_zero(sec.highest("gustspeed"));
    out.rawf("Wind Gust            %5.1f %-4s    ", num(gust.value) * u.WindFatt, wl);
    single_tail(gust);
    out.rawf("         %s\n", avg.wind_gust.c_str());
    step(9);

    if (s.column(kWindRun)) {
        const Found run = sec.best_day("windrun", "min");
        out.raw("Wind Run          ");
        out.rawf("%8.2f", num(run.value) * u.WindRunFatt);
        out.rawf(" %-4s    ", u.UTitle[4].c_str());
        single_tail(run);
        out.rawf("           %s\n", avg.dash.c_str());
    }
    step(10);

    if (s.column(kSolarRad) || s.column(kTempRange)) {
        const Found solar = sec.highest("hisolarrad");
        out.rawf("Solar Rad.          %6d W/m^q   ", inum(solar.value));
        single_tail(solar);
        out.rawf("        %s\n", avg.solar_rad.c_str());
    }
    step(11);

    if (s.column(kET)) {
        const Found et = sec.best_day("et", "min");
        out.raw("ET (1 day)        ");
        out.value(u.ETSpec, num(et.value) * u.RainFatt);
        out.rawf(" %s      ", rl);
        single_tail(et);
        out.rawf("           %s\n", avg.dash.c_str());
    }
    step(12);

    if (s.column(kUV)) {
        const Found uv = sec.highest("HiUV");
        out.rawf("UV                    %4.1f         ", num(uv.value));
        single_tail(uv);
        out.rawf("           %s\n", avg.dash.c_str());
    }
    step(13);

    const Found rate = sec.highest("rainrate");
    out.raw("Rain Rate         ");
    out.value(u.RSpec, num(rate.value) * u.RainFatt);
    out.rawf(" %s/hr   ", rl);
    single_tail(rate);
    out.rawf("           %s\n", avg.dash.c_str());
    step(14);

    const Found day_rain = sec.best_day("rain", "max");
    out.raw("Rain (1 day)      ");
    out.value(u.RSpec, num(day_rain.value) * u.RainFatt);
    out.rawf(" %-4s    ", rl);
    single_tail(day_rain);
    out.rawf("           %s\n", avg.dash.c_str());
    step(15);

    CalcRain rain;
    rain_windows(sec, rain);
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
    step(16);

    const DryRun dry = longest_dry_run(sec);
    out.raw("    ===\n");
    out.rawf("Consecutive Dry Days  %4d         From      %2s/%2s/%4s\n", dry.days, dry.day.c_str(),
             dry.month.c_str(), dry.year.c_str());
}

int MkSummary(ReportJob& job)
{
    BusyClaim busy = std::move(job.busy);
    Owner* owner = job.hOwner;
    const Settings& s = job.settings;
    const bool all_time = job.Year == "9999";

    auto db = Db::open(owner, s.InitPathDB + kDbFile);
    if (!db) return 1;
    bool failed = false;
    if (!all_time) {
        // A year without records has nothing to average: say so, and leave no file behind.
        const auto held =
            db->query(owner, "select count(*) from datimeteo where year=?", {job.Year});
        failed |= !held.ok;
        if (held.ok && !held.rows.empty() && inum(held.rows[0][0]) == 0) {
            tell(owner, "Summary", strf("No data for %s", job.Year.c_str()), Icon::error);
            return 1;
        }
    }
    const std::string name = all_time ? "Statistics.txt" : job.Year + "_Statistics.txt";
    FilePtr file = file_open(owner, s.InitPathRep + name, "w");
    if (!file) return 1;
    TextWriter out(std::move(file));
    {
        ReportProgress progress(owner);
        const Units u = UnitConvert(s);
        write_header(out, s,
                     all_time ? strf("\t\tStatistics   %s - %s\n\n", job.DateFrom.c_str(),
                                     job.DateTo.c_str())
                              : strf("\t\tYear %s Statistics\n\n", job.Year.c_str()));
        out.raw("\n");
        write_stats_heading(out, !all_time);
        const StatsScope scope{all_time ? std::string() : job.Year, {}};
        db->exec(owner, "BEGIN");
        if (owner) owner->progress_range(0, 16);
        const StatsAverages avg =
            all_time ? StatsAverages{} : stats_averages(owner, *db, u, scope, failed);
        write_stats_rows(
            out, owner, *db, s, u, scope, avg,
            [owner](int) {
                if (owner) owner->progress_step(1);
            },
            failed);
        db->exec(owner, "COMMIT");
        if (owner) owner->progress_reset();
    }
    if (!close_report(out, owner, s.InitPathRep + name)) return 1;
    if (!failed) tell(owner, "Summary", name + " created successfully! ", Icon::information);
    return 0;
}

}  // namespace nimbora
