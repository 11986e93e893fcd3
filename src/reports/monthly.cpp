#include "reports/monthly.h"

#include "config/format.h"

namespace nimbora {
namespace {

// The order of DayRun::sums, which is also the order of the day query's first columns.
enum Mean : std::size_t { kTemp, kDew, kHeat, kChill, kHum, kBar, kSolar, kSpeed };

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

DayRun& DayRun::operator+=(const DayRun& other)
{
    for (std::size_t i = 0; i < sums.size(); ++i) sums[i] += other.sums[i];
    days += other.days;
    range_sum += other.range_sum;
    lower(range_low, other.range_low);
    raise(range_high, other.range_high);
    counts += other.counts;
    return *this;
}

void Figures::widen(const Figures& month)
{
    if (month.t_high > t_high) {
        t_high = month.t_high;
        t_high_date = month.t_high_date;
    }
    if (month.t_low < t_low) {
        t_low = month.t_low;
        t_low_date = month.t_low_date;
    }
    lower(dew_low, month.dew_low);
    raise(dew_high, month.dew_high);
    lower(heat_low, month.heat_low);
    raise(heat_high, month.heat_high);
    lower(chill_low, month.chill_low);
    raise(chill_high, month.chill_high);
    lower(hum_low, month.hum_low);
    raise(hum_high, month.hum_high);
    lower(bar_low, month.bar_low);
    raise(bar_high, month.bar_high);
    raise(solar_high, month.solar_high);
    raise(uv_high, month.uv_high);
    raise(rate_high, month.rate_high);
    raise(gust_high, month.gust_high);
    raise(speed_high, month.speed_high);
    et += month.et;
    rain += month.rain;
    windrun += month.windrun;
}

Db::Result query_months(Owner* owner, Db& db, const std::string& year)
{
    return db.query(
        owner,
        "select month, min(lowtemp),max(hitemp),min(dewpoint),max(dewpoint),min(heatindex),"
        "max(heatindex), min(Windchill),max(Windchill),min(humidity),max(humidity),"
        "min(pressure),max(pressure), max(hiSolarRad),sum(ET),max(HiUV),max(rainrate),"
        "sum(rain),max(gustspeed),sum(WindRun),max(windspeed) from datimeteo where year=? "
        "group by month order by month",
        {year});
}

Figures read_month(Owner* owner, Db& db, const Settings& s, const Units& u, const std::string& year,
                   const std::vector<std::string>& cells, DayRun& run, bool& failed)
{
    const std::string& month = cells[0];
    const auto days =
        db.query(owner,
                 "select avg(temperature),avg(dewpoint),avg(heatindex),avg(windchill), "
                 "avg(humidity),avg(pressure),avg(SolarRad),avg(windspeed),sum(rain), "
                 "max(hitemp),min(lowtemp) from datimeteo where year=? and month=? group by day "
                 "order by day",
                 {year, month});
    failed |= !days.ok;
    for (const auto& d : days.rows) {
        for (std::size_t i = 0; i < run.sums.size(); ++i) run.sums[i] += num(d[i]);
        const double high = num(d[9]), low = num(d[10]);
        const double range = u.temp(high) - u.temp(low);
        run.range_sum += range;
        lower(run.range_low, range);
        raise(run.range_high, range);
        run.counts.count(high, low, num(d[8]), s, u);
    }
    run.days += static_cast<int>(days.rows.size());

    Figures f;
    f.t_low = num(cells[1]);
    f.t_high = num(cells[2]);
    // The dates are found by the temperature as it was printed into the statement.
    const auto dates =
        db.query(owner,
                 "select (select day from datimeteo where year=? and month=? and hitemp = ?), "
                 "(select day from datimeteo where year=? and month=? and lowtemp = ?)",
                 {year, month, strf("%f", f.t_high), year, month, strf("%f", f.t_low)});
    failed |= !dates.ok;
    f.t_high_date = (dates.rows.empty() ? "" : dates.rows[0][0]) + "/" + month;
    f.t_low_date = (dates.rows.empty() ? "" : dates.rows[0][1]) + "/" + month;
    f.dew_low = num(cells[3]);
    f.dew_high = num(cells[4]);
    f.heat_low = num(cells[5]);
    f.heat_high = num(cells[6]);
    f.chill_low = num(cells[7]);
    f.chill_high = num(cells[8]);
    f.hum_low = num(cells[9]);
    f.hum_high = num(cells[10]);
    f.bar_low = num(cells[11]);
    f.bar_high = num(cells[12]);
    f.solar_high = inum(cells[13]);
    f.et = num(cells[14]);
    f.uv_high = num(cells[15]);
    f.rate_high = num(cells[16]);
    f.rain = num(cells[17]);
    f.gust_high = num(cells[18]);
    f.windrun = num(cells[19]);
    f.speed_high = num(cells[20]);
    return f;
}

void figures_row(TextWriter& out, const Settings& s, const Units& u, const Figures& f, bool year)
{
    const DayRun& r = f.run;
    for (int c : kColumnOrder) {
        if (!s.column(c)) continue;
        switch (c) {
        case kTemperature:
            out.rawf(" %5.1f  %5.1f  %5s  %5.1f  %5s  ", u.temp(r.mean(kTemp)), u.temp(f.t_low),
                     f.t_low_date.c_str(), u.temp(f.t_high), f.t_high_date.c_str());
            break;
        case kTempRange:
            out.rawf(" %5.1f  %5.1f  %5.1f  ", r.range_mean(), r.range_low, r.range_high);
            break;
        case kDewPoint:
            out.rawf(" %5.1f  %5.1f  %5.1f  ", u.temp(r.mean(kDew)), u.temp(f.dew_low),
                     u.temp(f.dew_high));
            break;
        case kHeatIndex:
            out.rawf(" %5.1f  %5.1f  %5.1f  ", u.temp(r.mean(kHeat)), u.temp(f.heat_low),
                     u.temp(f.heat_high));
            break;
        case kWindChill:
            out.rawf(" %5.1f  %5.1f  %5.1f  ", u.temp(r.mean(kChill)), u.temp(f.chill_low),
                     u.temp(f.chill_high));
            break;
        case kHumidity:
            out.rawf("  %3.0f    %3.0f    %3.0f   ", r.mean(kHum), f.hum_low, f.hum_high);
            break;
        case kPressure:
            pressure_cells(out, u, r.mean(kBar), f.bar_low, f.bar_high);
            break;
        case kSolarRad:
            out.rawf(" %6.1f  %6i ", r.mean(kSolar), f.solar_high);
            break;
        case kET:
            spec_cell(out, u.ETSpec, f.et * u.RainFatt);
            break;
        case kUV:
            out.rawf("  %4.1f  ", f.uv_high);
            break;
        case kRainRate:
            spec_cell(out, u.RSpec, f.rate_high * u.RainFatt);
            break;
        case kRain:
            spec_cell(out, u.RSpec, f.rain * u.RainFatt);
            break;
        case kWind:
            out.rawf(" %5.1f  %5.1f  %5.1f    %3s   ", r.mean(kSpeed) * u.WindFatt,
                     f.speed_high * u.WindFatt, f.gust_high * u.WindFatt, f.direction.c_str());
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

}  // namespace nimbora
