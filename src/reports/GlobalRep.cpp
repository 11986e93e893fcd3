#include "reports/GlobalRep.h"

#include "config/file_open.h"
#include "config/format.h"
#include "config/stations.h"
#include "reports/layout.h"
#include "reports/wind.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace nimbora {
namespace {

constexpr const char* kReportName = "Global.txt";

// "DD/MM" from a day and a month text as stored.
std::string MakeData2(const std::string& day, const std::string& month)
{
    return day + "/" + month;
}

// Days on or beyond the thresholds of the two day tables, in the order they print.
struct DayCounts {
    int max25 = 0, max30 = 0, min0 = 0, max0 = 0;  // stored °C
    int rain1 = 0, rain2 = 0, rain3 = 0;           // > .2, >= 1, > 20 mm; > .01, >= .039, > 1 in
};

// The sums of daily means, in stored units, in the order of the day query's columns.
enum Mean { kTemp, kDew, kHeat, kChill, kHum, kBar, kSolar, kSpeed, kMeans };

// One year's row: stored units, except the daily ranges (display units).
struct YearRow {
    int year = 0;
    int days = 0;
    std::array<double, kMeans> sums{};
    double range_sum = 0, range_min = 99, range_max = -99;
    double temp_lo = 99, temp_hi = -99;
    std::string date_lo, date_hi;
    double dew_lo = 99, dew_hi = -99, heat_lo = 99, heat_hi = -99, chill_lo = 99, chill_hi = -99;
    double hum_lo = 100, hum_hi = 0, bar_lo = 2000, bar_hi = 800;
    int solar_hi = 0;
    double uv_hi = 0, rate_hi = 0, speed_hi = 0, gust_hi = 0;
    double rain = 0, et = 0, windrun = 0;
    std::string direction = "---";
    DayCounts counts;

    // A year whose day rows could not be read has no mean: it prints 0, never NaN.
    double mean(Mean m) const { return days > 0 ? sums[m] / days : 0.0; }
    double range_mean() const { return days > 0 ? range_sum / days : 0.0; }
};

void keep_min(double& tracker, double value)
{
    if (value < tracker) tracker = value;
}
void keep_max(double& tracker, double value)
{
    if (value > tracker) tracker = value;
}

void advance(Owner* owner)
{
    if (owner) owner->progress_step(1);
}

void count_day(DayCounts& c, double hi, double lo, double rain, bool inches, const Units& u)
{
    if (hi >= 25) ++c.max25;
    if (hi >= 30) ++c.max30;
    if (lo < 0) ++c.min0;
    if (hi < 0) ++c.max0;
    if (!inches) {
        if (rain > 0.2) ++c.rain1;
        if (rain >= 1.0) ++c.rain2;
        if (rain > 20.0) ++c.rain3;
    } else {
        const double in = rain * u.RainFatt;
        if (in > 0.01) ++c.rain1;
        if (in >= 0.039) ++c.rain2;
        if (in > 1.0) ++c.rain3;
    }
}

// Reads one year month by month, advancing the progress bar once per month.
YearRow read_year(Owner* owner, Db& db, const Settings& s, const Units& u, int year, bool& failed)
{
    YearRow r;
    r.year = year;
    const std::string y = strf("%d", year);
    const auto months = db.query(
        owner,
        "select month, min(lowtemp),max(hitemp),min(dewpoint),max(dewpoint),min(heatindex),"
        "max(heatindex), min(Windchill),max(Windchill),min(humidity),max(humidity),"
        "min(pressure),max(pressure), max(hiSolarRad),sum(ET),max(HiUV),max(rainrate),"
        "sum(rain),max(gustspeed),sum(WindRun),max(windspeed) from datimeteo where year=? "
        "group by month order by month",
        {y});
    failed |= !months.ok;
    for (const auto& m : months.rows) {
        const std::string& month = m[0];
        r.rain += num(m[17]);
        r.et += num(m[14]);
        r.windrun += num(m[19]);

        const auto days = db.query(
            owner,
            "select avg(temperature),avg(dewpoint),avg(heatindex),avg(windchill), avg(humidity),"
            "avg(pressure),avg(SolarRad),avg(windspeed),sum(rain), max(hitemp),min(lowtemp) "
            "from datimeteo where year=? and month=? group by day order by day",
            {y, month});
        failed |= !days.ok;
        for (const auto& d : days.rows) {
            for (std::size_t i = 0; i < kMeans; ++i) r.sums[i] += num(d[i]);
            const double hi = num(d[9]), lo = num(d[10]);
            const double range = u.temp(hi) - u.temp(lo);
            r.range_sum += range;
            keep_min(r.range_min, range);
            keep_max(r.range_max, range);
            count_day(r.counts, hi, lo, num(d[8]), s.UnitRain != 0, u);
        }
        r.days += static_cast<int>(days.rows.size());

        // The extremes' days are found by the temperature as it was printed into the
        // statement; the first month holding the year's extreme names its date.
        const double lo = num(m[1]), hi = num(m[2]);
        const auto dates = db.query(owner,
                                    "select (select day from datimeteo where year=? and month=? "
                                    "and hitemp = ?), (select day from datimeteo where year=? and "
                                    "month=? and lowtemp = ?)",
                                    {y, month, strf("%f", hi), y, month, strf("%f", lo)});
        failed |= !dates.ok;
        const std::string day_hi = dates.rows.empty() ? "" : dates.rows[0][0];
        const std::string day_lo = dates.rows.empty() ? "" : dates.rows[0][1];
        if (hi > r.temp_hi) {
            r.temp_hi = hi;
            r.date_hi = MakeData2(day_hi, month);
        }
        if (lo < r.temp_lo) {
            r.temp_lo = lo;
            r.date_lo = MakeData2(day_lo, month);
        }
        keep_min(r.dew_lo, num(m[3]));
        keep_max(r.dew_hi, num(m[4]));
        keep_min(r.heat_lo, num(m[5]));
        keep_max(r.heat_hi, num(m[6]));
        keep_min(r.chill_lo, num(m[7]));
        keep_max(r.chill_hi, num(m[8]));
        keep_min(r.hum_lo, num(m[9]));
        keep_max(r.hum_hi, num(m[10]));
        keep_min(r.bar_lo, num(m[11]));
        keep_max(r.bar_hi, num(m[12]));
        if (const int solar = inum(m[13]); solar > r.solar_hi) r.solar_hi = solar;
        keep_max(r.uv_hi, num(m[15]));
        keep_max(r.rate_hi, num(m[16]));
        keep_max(r.gust_hi, num(m[18]));
        keep_max(r.speed_hi, num(m[20]));
        advance(owner);
    }

    const auto dominant = db.query(owner,
                                   "select direction, count(direction) from datimeteo where "
                                   "year=? and (gustspeed > 0 or windspeed > 0) group by "
                                   "direction order by 2 desc",
                                   {y});
    failed |= !dominant.ok;
    if (!dominant.rows.empty()) r.direction = dominant.rows[0][0];
    return r;
}

void spec_cell(TextWriter& out, const std::string& spec, double value)
{
    out.raw(" ");
    out.value(bare_spec(spec), value);
    out.raw(" ");
}

void year_row(TextWriter& out, const Settings& s, const Units& u, const YearRow& y)
{
    out.rawf("%4d  ", y.year);
    for (int c : kColumnOrder) {
        if (!s.column(c)) continue;
        switch (c) {
        case kTemperature:
            out.rawf(" %5.1f  %5.1f  %5s  %5.1f  %5s  ", u.temp(y.mean(kTemp)), u.temp(y.temp_lo),
                     y.date_lo.c_str(), u.temp(y.temp_hi), y.date_hi.c_str());
            break;
        case kTempRange:
            out.rawf(" %5.1f  %5.1f  %5.1f  ", y.range_mean(), y.range_min, y.range_max);
            break;
        case kDewPoint:
            out.rawf(" %5.1f  %5.1f  %5.1f  ", u.temp(y.mean(kDew)), u.temp(y.dew_lo),
                     u.temp(y.dew_hi));
            break;
        case kHeatIndex:
            out.rawf(" %5.1f  %5.1f  %5.1f  ", u.temp(y.mean(kHeat)), u.temp(y.heat_lo),
                     u.temp(y.heat_hi));
            break;
        case kWindChill:
            out.rawf(" %5.1f  %5.1f  %5.1f  ", u.temp(y.mean(kChill)), u.temp(y.chill_lo),
                     u.temp(y.chill_hi));
            break;
        case kHumidity:
            out.rawf("  %3.0f    %3.0f    %3.0f   ", y.mean(kHum), y.hum_lo, y.hum_hi);
            break;
        case kPressure: {
            const std::string spec = bare_spec(u.PSpec);
            out.raw(" ");
            out.value(spec, y.mean(kBar) * u.BarFatt);
            out.raw("  ");
            out.value(spec, y.bar_lo * u.BarFatt);
            out.raw("  ");
            out.value(spec, y.bar_hi * u.BarFatt);
            out.raw(" ");
            break;
        }
        case kSolarRad:
            out.rawf(" %6.1f  %6i ", y.mean(kSolar), y.solar_hi);
            break;
        case kET:
            spec_cell(out, u.ETSpec, y.et * u.RainFatt);
            break;
        case kUV:
            out.rawf("  %4.1f  ", y.uv_hi);
            break;
        case kRainRate:
            spec_cell(out, u.RSpec, y.rate_hi * u.RainFatt);
            break;
        case kRain:
            spec_cell(out, u.RSpec, y.rain * u.RainFatt);
            break;
        case kWind:
            out.rawf(" %5.1f  %5.1f  %5.1f    %3s   ", y.mean(kSpeed) * u.WindFatt,
                     y.speed_hi * u.WindFatt, y.gust_hi * u.WindFatt, y.direction.c_str());
            break;
        case kWindRun:
            out.rawf("%9.2f", y.windrun * u.WindRunFatt);
            break;
        default:
            break;
        }
    }
    out.raw("\n");
}

void wind_names(TextWriter& out)
{
    for (std::size_t i = 0; i < 16; ++i) out.rawf("   %-3s ", kPrevalWind[i]);
}

}  // namespace

int GlobalReport(ReportJob& job)
{
    BusyClaim busy = std::move(job.busy);
    Owner* owner = job.hOwner;
    const Settings& s = job.settings;

    std::optional<Db> db = Db::open(owner, s.InitPathDB + kDbFile);
    if (!db) return 1;
    // One read transaction, so the list of years and their rows come from the same data.
    bool failed = !db->exec(owner, "BEGIN");
    const auto held = db->query(
        owner,
        "select distinct year,count(distinct month) from datimeteo group by year order by year");
    if (!held.ok) return 1;  // the owner was told; there is nothing to report from
    if (held.rows.empty()) {
        tell(owner, "Report", "No data", Icon::error);
        return 1;
    }
    std::vector<int> years;
    int months = 0;
    for (const auto& r : held.rows) {
        years.push_back(inum(r[0]));
        months += inum(r[1]);
    }

    FilePtr file = file_open(owner, s.InitPathRep + kReportName, "w");
    if (!file) return 1;
    TextWriter out(std::move(file));
    bool written = false;
    {
        ReportProgress progress(owner);
        const Units u = UnitConvert(s);
        write_header(out, s, "        GLOBAL CLIMATOLOGICAL REPORT\n\n");
        write_units(out, s, u, Layout::monthly);
        write_headings(out, s, Layout::monthly, "      ", "YEAR  ");  // the year rows' label

        const bool wind = s.column(kWind);
        if (owner) owner->progress_range(0, months + 2 * static_cast<int>(years.size()));
        std::vector<YearRow> rows;
        for (int year : years) rows.push_back(read_year(owner, *db, s, u, year, failed));
        std::vector<WindRow> shares, speeds;
        if (wind) {
            for (int year : years) {
                advance(owner);
                const std::string y = strf("%d", year);
                shares.push_back(
                    wind_percentages(owner, *db, {"from datimeteo where year=?", {y}}, failed));
            }
            for (int year : years) {
                advance(owner);
                const std::string y = strf("%d", year);
                speeds.push_back(
                    wind_speeds(owner, *db, {"from datimeteo where year=?", {y}}, failed));
            }
        }

        for (const YearRow& y : rows) year_row(out, s, u, y);
        out.raw("\n\n");
        if (s.column(kTemperature)) {
            out.raw("\n\n                DAYS WITH TEMP");
            out.raw("\n         MAX      MAX      MIN     MAX");
            out.rawf("\nYEAR   >=%4.1f   >=%4.1f    <%3.1f    <%3.1f", u.temp(25), u.temp(30),
                     u.temp(0), u.temp(0));
            out.raw("\n-----------------------------------------\n");
            for (const YearRow& y : rows)
                out.rawf("%4d    %3d      %3d      %3d     %3d\n", y.year, y.counts.max25,
                         y.counts.max30, y.counts.min0, y.counts.max0);
        }
        if (s.column(kRain)) {
            out.raw("\n\n         DAYS OF RAIN");
            out.raw(s.UnitRain != 0 ? "\nYEAR   >.01  >=.04   >1" : "\nYEAR   >.2   >=1    >20");
            out.raw("\n-----------------------\n");
            for (const YearRow& y : rows)
                out.rawf("%4d   %3d   %3d   %3d\n", y.year, y.counts.rain1, y.counts.rain2,
                         y.counts.rain3);
        }
        if (wind) {
            out.raw("\n\n\nPREVAILING WIND DIRECTION (%)\n\nYEAR");
            wind_names(out);
            out.raw("  CALM\n" + std::string(123, '-') + "\n");
            for (std::size_t i = 0; i < years.size(); ++i) {
                out.rawf("%4d", years[i]);
                for (float v : shares[i]) out.rawf(" %5.2f ", static_cast<double>(v));
                out.raw("\n");
            }
            out.rawf("\n\n\nAVERAGE WIND SPEED (%s)\n\nYEAR", u.UTitle[2].c_str());
            wind_names(out);
            out.raw("\n" + std::string(116, '-') + "\n");
            for (std::size_t i = 0; i < years.size(); ++i) {
                out.rawf("%4d", years[i]);
                for (std::size_t d = 0; d < 16; ++d)
                    out.rawf(" %5.1f ", static_cast<double>(speeds[i][d]) * u.WindFatt);
                out.raw("\n");
            }
        }

        written = out.close();
        if (!db->exec(owner, "COMMIT")) failed = true;
        db.reset();
        if (owner) owner->progress_reset();
    }
    if (!written) {
        tell(owner, "Error", s.InitPathRep + kReportName + ": Error creating file", Icon::error);
        return 1;
    }
    if (!failed)
        tell(owner, "Report", std::string(kReportName) + " created successfully! ",
             Icon::information);
    return 0;
}

}  // namespace nimbora
