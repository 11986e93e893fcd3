#include "reports/YearRep.h"

#include "config/file_open.h"
#include "config/format.h"
#include "config/function.h"
#include "config/stations.h"
#include "reports/layout.h"
#include "reports/wind.h"

#include <array>
#include <vector>

namespace nimbora {
namespace {

// DD/MM of a day text and a month text, as stored.
std::string MakeData(const std::string& day, const std::string& month)
{
    return day + "/" + month;
}

// The days a month (or the year) counts above and below the thresholds.
struct DayCounts {
    int month = 0;
    int max25 = 0, max30 = 0, min0 = 0, max0 = 0;
    int rain1 = 0, rain2 = 0, rain3 = 0;
};

// The sums of the daily means: temperature, dew point, heat index, wind chill, humidity,
// pressure, solar radiation, wind speed.
using Means = std::array<double, 8>;

// Extremes and totals of a month row or of the year, in stored units except the ranges.
struct Figures {
    Means means{};  // already divided by the day count
    double t_low = 99, t_high = -99;
    std::string t_low_date, t_high_date;
    double range_mean = 0, range_low = 99, range_high = -99;
    double dew_low = 99, dew_high = -99, heat_low = 99, heat_high = -99, chill_low = 99,
           chill_high = -99;
    double hum_low = 100, hum_high = 0, bar_low = 2000, bar_high = 800;
    int solar_high = 0;
    double uv_high = 0, rate_high = 0, speed_high = 0, gust_high = 0;
    double et = 0, rain = 0, windrun = 0;
    std::string direction = "---";
};

// A month row or the year row after its label; the year prints its wind run 9 wide without
// the leading blank.
void figures_row(TextWriter& out, const Settings& s, const Units& u, const Figures& f, bool year)
{
    const Means& m = f.means;
    for (int c : kColumnOrder) {
        if (!s.column(c)) continue;
        switch (c) {
        case kTemperature:
            out.rawf(" %5.1f  %5.1f  %5s  %5.1f  %5s  ", u.temp(m[0]), u.temp(f.t_low),
                     f.t_low_date.c_str(), u.temp(f.t_high), f.t_high_date.c_str());
            break;
        case kTempRange:
            out.rawf(" %5.1f  %5.1f  %5.1f  ", f.range_mean, f.range_low, f.range_high);
            break;
        case kDewPoint:
            out.rawf(" %5.1f  %5.1f  %5.1f  ", u.temp(m[1]), u.temp(f.dew_low), u.temp(f.dew_high));
            break;
        case kHeatIndex:
            out.rawf(" %5.1f  %5.1f  %5.1f  ", u.temp(m[2]), u.temp(f.heat_low),
                     u.temp(f.heat_high));
            break;
        case kWindChill:
            out.rawf(" %5.1f  %5.1f  %5.1f  ", u.temp(m[3]), u.temp(f.chill_low),
                     u.temp(f.chill_high));
            break;
        case kHumidity:
            out.rawf("  %3.0f    %3.0f    %3.0f   ", m[4], f.hum_low, f.hum_high);
            break;
        case kPressure:
            out.raw(" ");
            out.value(bare_spec(u.PSpec), m[5] * u.BarFatt);
            out.raw("  ");
            out.value(bare_spec(u.PSpec), f.bar_low * u.BarFatt);
            out.raw("  ");
            out.value(bare_spec(u.PSpec), f.bar_high * u.BarFatt);
            out.raw(" ");
            break;
        case kSolarRad:
            out.rawf(" %6.1f  %6i ", m[6], f.solar_high);
            break;
        case kET:
            out.raw(" ");
            out.value(bare_spec(u.ETSpec), f.et * u.RainFatt);
            out.raw(" ");
            break;
        case kUV:
            out.rawf("  %4.1f  ", f.uv_high);
            break;
        case kRainRate:
            out.raw(" ");
            out.value(bare_spec(u.RSpec), f.rate_high * u.RainFatt);
            out.raw(" ");
            break;
        case kRain:
            out.raw(" ");
            out.value(bare_spec(u.RSpec), f.rain * u.RainFatt);
            out.raw(" ");
            break;
        case kWind:
            out.rawf(" %5.1f  %5.1f  %5.1f    %3s   ", m[7] * u.WindFatt, f.speed_high * u.WindFatt,
                     f.gust_high * u.WindFatt, f.direction.c_str());
            break;
        case kWindRun:
            if (year)
                out.rawf("%9.2f", f.windrun * u.WindRunFatt);
            else
                out.rawf(" %8.2f", f.windrun * u.WindRunFatt);
            break;
        default:
            break;
        }
    }
    out.raw("\n");
}

void count_day(DayCounts& c, const Settings& s, const Units& u, double high, double low,
               double rain)
{
    if (high >= 25) ++c.max25;
    if (high >= 30) ++c.max30;
    if (low < 0) ++c.min0;
    if (high < 0) ++c.max0;
    if (s.UnitRain == 0) {
        if (rain > 0.2) ++c.rain1;
        if (rain >= 1.0) ++c.rain2;
        if (rain > 20.0) ++c.rain3;
    } else {
        const double inches = rain * u.RainFatt;
        if (inches > 0.01) ++c.rain1;
        if (inches >= 0.039) ++c.rain2;
        if (inches > 1.0) ++c.rain3;
    }
}

template <typename T>
void lower(T& tracker, T value)
{
    if (value < tracker) tracker = value;
}
template <typename T>
void raise(T& tracker, T value)
{
    if (value > tracker) tracker = value;
}

}  // namespace

int YearReport(ReportJob& job)
{
    BusyClaim busy = std::move(job.busy);
    Owner* owner = job.hOwner;
    const Settings& s = job.settings;
    const std::string& year = job.Year;

    auto db = Db::open(owner, s.InitPathDB + kDbFile);
    if (!db) return 1;
    // A year without records has nothing to average: say so, and leave no file behind.
    const auto held = db->query(owner, "select count(*) from datimeteo where year=?", {year});
    if (held.ok && !held.rows.empty() && inum(held.rows[0][0]) == 0) {
        tell(owner, "Report", strf("No data for %s", year.c_str()), Icon::error);
        return 1;
    }
    const std::string name = "Year" + year + ".txt";
    FilePtr file = file_open(owner, s.InitPathRep + name, "w");
    if (!file) return 1;
    TextWriter out(std::move(file));

    bool failed = !held.ok;
    {
        ReportProgress progress(owner);
        const Units u = UnitConvert(s);
        write_header(out, s, strf("        ANNUAL CLIMATOLOGICAL REPORT - %s\n\n", year.c_str()));
        write_units(out, s, u, Layout::monthly);
        write_headings(out, s, Layout::monthly);
        db->exec(owner, "BEGIN");

        const auto months = db->query(
            owner,
            "select month, min(lowtemp),max(hitemp),min(dewpoint),max(dewpoint),min(heatindex),"
            "max(heatindex), min(Windchill),max(Windchill),min(humidity),max(humidity),"
            "min(pressure),max(pressure), max(hiSolarRad),sum(ET),max(HiUV),max(rainrate),"
            "sum(rain),max(gustspeed),sum(WindRun),max(windspeed) from datimeteo where year=? "
            "group by month order by month",
            {year});
        failed |= !months.ok;

        Figures y;
        Means year_sums{};
        int year_days = 0;
        double year_range_sum = 0;
        std::vector<DayCounts> counts;
        for (const auto& r : months.rows) {
            const std::string& month = r[0];
            Figures f;
            f.et = num(r[14]);
            f.rain = num(r[17]);
            f.windrun = num(r[19]);
            y.et += f.et;
            y.rain += f.rain;
            y.windrun += f.windrun;
            show_status(owner, strf("Please wait...  Month: %2s", month.c_str()));

            const auto days = db->query(
                owner,
                "select avg(temperature),avg(dewpoint),avg(heatindex),avg(windchill), "
                "avg(humidity),avg(pressure),avg(SolarRad),avg(windspeed),sum(rain), "
                "max(hitemp),min(lowtemp) from datimeteo where year=? and month=? group by day "
                "order by day",
                {year, month});
            failed |= !days.ok;
            Means sums{};
            double range_sum = 0;
            DayCounts& c = counts.emplace_back();
            c.month = inum(month);
            for (const auto& d : days.rows) {
                for (std::size_t i = 0; i < sums.size(); ++i) sums[i] += num(d[i]);
                const double range = u.temp(num(d[9])) - u.temp(num(d[10]));
                range_sum += range;
                lower(f.range_low, range);
                raise(f.range_high, range);
                count_day(c, s, u, num(d[9]), num(d[10]), num(d[8]));
            }
            const int n = static_cast<int>(days.rows.size());
            for (std::size_t i = 0; i < sums.size(); ++i) {
                year_sums[i] += sums[i];
                f.means[i] = n > 0 ? sums[i] / n : 0.0;  // a month row always has days
            }
            year_days += n;
            year_range_sum += range_sum;
            f.range_mean = n > 0 ? range_sum / n : 0.0;
            lower(y.range_low, f.range_low);
            raise(y.range_high, f.range_high);

            f.t_low = num(r[1]);
            f.t_high = num(r[2]);
            // The dates are found by the temperature as it was printed into the statement.
            const auto dates = db->query(
                owner,
                "select (select day from datimeteo where year=? and month=? and hitemp = ?), "
                "(select day from datimeteo where year=? and month=? and lowtemp = ?)",
                {year, month, strf("%f", f.t_high), year, month, strf("%f", f.t_low)});
            failed |= !dates.ok;
            const std::string high_day = dates.rows.empty() ? "" : dates.rows[0][0];
            const std::string low_day = dates.rows.empty() ? "" : dates.rows[0][1];
            f.t_high_date = MakeData(high_day, month);
            f.t_low_date = MakeData(low_day, month);
            if (f.t_high > y.t_high) {
                y.t_high = f.t_high;
                y.t_high_date = f.t_high_date;
            }
            if (f.t_low < y.t_low) {
                y.t_low = f.t_low;
                y.t_low_date = f.t_low_date;
            }

            f.dew_low = num(r[3]);
            f.dew_high = num(r[4]);
            f.heat_low = num(r[5]);
            f.heat_high = num(r[6]);
            f.chill_low = num(r[7]);
            f.chill_high = num(r[8]);
            f.hum_low = num(r[9]);
            f.hum_high = num(r[10]);
            f.bar_low = num(r[11]);
            f.bar_high = num(r[12]);
            f.solar_high = inum(r[13]);
            f.uv_high = num(r[15]);
            f.rate_high = num(r[16]);
            f.gust_high = num(r[18]);
            f.speed_high = num(r[20]);
            raise(y.dew_high, f.dew_high);
            lower(y.dew_low, f.dew_low);
            raise(y.heat_high, f.heat_high);
            lower(y.heat_low, f.heat_low);
            raise(y.chill_high, f.chill_high);
            lower(y.chill_low, f.chill_low);
            raise(y.hum_high, f.hum_high);
            lower(y.hum_low, f.hum_low);
            raise(y.bar_high, f.bar_high);
            lower(y.bar_low, f.bar_low);
            raise(y.solar_high, f.solar_high);
            raise(y.uv_high, f.uv_high);
            raise(y.rate_high, f.rate_high);
            raise(y.gust_high, f.gust_high);
            raise(y.speed_high, f.speed_high);

            const auto dominant = db->query(
                owner,
                "select direction, count(direction) from datimeteo where year=? and month=? and "
                "(gustspeed > 0 or windspeed > 0) group by direction order by 2 desc",
                {year, month});
            failed |= !dominant.ok;
            if (!dominant.rows.empty()) f.direction = dominant.rows[0][0];

            out.rawf("%2d  ", c.month);
            figures_row(out, s, u, f, false);
        }

        const auto dominant = db->query(owner,
                                        "select direction, count(direction) from datimeteo where "
                                        "year=? and (gustspeed > 0 or windspeed > 0) group by "
                                        "direction order by 2 desc",
                                        {year});
        failed |= !dominant.ok;
        if (!dominant.rows.empty()) y.direction = dominant.rows[0][0];
        for (std::size_t i = 0; i < year_sums.size(); ++i)
            y.means[i] = year_days > 0 ? year_sums[i] / year_days : 0.0;
        y.range_mean = year_days > 0 ? year_range_sum / year_days : 0.0;
        StampaRigaY(out, s);
        out.raw("    ");
        figures_row(out, s, u, y, true);
        out.raw("\n\n");

        if (s.column(kTemperature)) {
            out.raw("\n\n              DAYS WITH TEMP");
            out.raw("\n       MAX      MAX      MIN     MAX");
            out.rawf("\nMO   >=%4.1f   >=%4.1f    <%3.1f    <%3.1f", u.temp(25), u.temp(30),
                     u.temp(0), u.temp(0));
            out.raw("\n" + std::string(39, '-') + "\n");
            DayCounts total;
            for (const DayCounts& c : counts) {
                out.rawf("%2d    %3d      %3d      %3d     %3d\n", c.month, c.max25, c.max30,
                         c.min0, c.max0);
                total.max25 += c.max25;
                total.max30 += c.max30;
                total.min0 += c.min0;
                total.max0 += c.max0;
            }
            out.raw(std::string(39, '-') + "\n");
            out.rawf("      %3d      %3d      %3d     %3d\n", total.max25, total.max30, total.min0,
                     total.max0);
        }
        if (s.column(kRain)) {
            out.raw("\n\n       DAYS OF RAIN");
            out.raw(s.UnitRain == 0 ? "\nMO   >.2   >=1    >20" : "\nMO   >.01  >=.04   >1");
            out.raw("\n" + std::string(21, '-') + "\n");
            DayCounts total;
            for (const DayCounts& c : counts) {
                out.rawf("%2d   %3d   %3d   %3d\n", c.month, c.rain1, c.rain2, c.rain3);
                total.rain1 += c.rain1;
                total.rain2 += c.rain2;
                total.rain3 += c.rain3;
            }
            out.raw(std::string(21, '-') + "\n");
            out.rawf("     %3d   %3d   %3d", total.rain1, total.rain2, total.rain3);
        }
        if (s.column(kWind)) {
            out.raw("\n\n\nPREVAILING WIND DIRECTION (%)\n\n");
            for (std::size_t i = 0; i < 16; ++i) out.rawf("   %-3s ", kPrevalWind[i]);
            out.raw("  CALM\n");
            const WindRow shares =
                wind_percentages(owner, *db, {"from datimeteo where year=?", {year}}, failed);
            out.raw(std::string(119, '-') + "\n");
            for (float v : shares) out.rawf(" %5.2f ", static_cast<double>(v));

            out.rawf("\n\n\nAVERAGE WIND SPEED (%s)\n\n", u.UTitle[2].c_str());
            for (std::size_t i = 0; i < 16; ++i) out.rawf("   %-3s ", kPrevalWind[i]);
            out.raw("\n" + std::string(112, '-') + "\n");
            // The year's averages stay in double precision.
            std::array<double, 16> speeds{};
            const auto rows = db->query(owner,
                                        "select direction,avg(windspeed) from datimeteo where "
                                        "year=? and windspeed > 0 group by direction",
                                        {year});
            failed |= !rows.ok;
            for (const auto& r : rows.rows)
                for (std::size_t i = 0; i < 16; ++i)
                    if (trim(r[0]) == kPrevalWind[i]) speeds[i] = num(r[1]);
            for (double v : speeds) out.rawf(" %5.1f ", v * u.WindFatt);
        }
        db->exec(owner, "COMMIT");
    }
    if (!out.close()) {
        tell(owner, "Error", strf("%s%s: Error creating file", s.InitPathRep.c_str(), name.c_str()),
             Icon::error);
        return 1;
    }
    if (!failed) tell(owner, "Report", name + " created successfully! ", Icon::information);
    return 0;
}

}  // namespace nimbora
