// SPDX-License-Identifier: GPL-3.0-or-later
#include "charts/csv.h"

#include "reports/daily.h"
#include "reports/pass.h"

namespace nimbora {

const char* const kRecordHeader =
    "date,time,temperature,hi_temperature,low_temperature,humidity,dew_point,pressure,"
    "wind_speed,gust_speed,direction,rain,rain_rate,heat_index,wind_chill,solar_radiation,"
    "hi_solar_radiation,et,uv,hi_uv,wind_run";
const char* const kDailyHeader =
    "date,temperature_avg,temperature_min,temperature_min_time,temperature_max,"
    "temperature_max_time,dew_point_avg,dew_point_min,dew_point_max,heat_index_avg,"
    "heat_index_min,heat_index_max,wind_chill_avg,wind_chill_min,wind_chill_max,humidity_avg,"
    "humidity_min,humidity_max,pressure_avg,pressure_min,pressure_max,solar_radiation_avg,"
    "solar_radiation_max,et,uv_max,rain_rate_max,rain,wind_speed_avg,wind_speed_max,gust_max,"
    "direction,wind_run,samples";

namespace {

std::string field(std::string_view text)
{
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string q = "\"";
    for (const char c : text) {
        if (c == '"') q += '"';
        q += c;
    }
    return q + "\"";
}

std::string trimmed(std::string_view t)
{
    const std::size_t a = t.find_first_not_of(' ');
    if (a == std::string_view::npos) return {};
    return std::string(t.substr(a, t.find_last_not_of(' ') - a + 1));
}

// "YYYY-MM-DD" of stored texts; the texts as they are when they are not dates.
std::string iso_date(std::string_view y, std::string_view m, std::string_view d)
{
    return std::string(y) + "-" + std::string(m) + "-" + std::string(d);
}

enum Col {
    kXYear,
    kXMonth,
    kXDay,
    kXTime,
    kXTemp,
    kXHi,
    kXLow,
    kXHum,
    kXDew,
    kXBar,
    kXSpeed,
    kXGust,
    kXDir,
    kXRain,
    kXRate,
    kXHeat,
    kXChill,
    kXSolar,
    kXHiSolar,
    kXEt,
    kXUv,
    kXHiUv,
    kXRun,
};
constexpr const char* kSelect =
    "select year,month,day,time,temperature,hitemp,lowtemp,humidity,dewpoint,pressure,windspeed,"
    "gustspeed,direction,rain,rainrate,heatindex,windchill,SolarRad,HiSolarRad,ET,UV,HiUV,"
    "WindRun from datimeteo where ";

}  // namespace

bool daily_csv_row(std::ostream& out, const Units& u, const Day& d)
{
    if (d.day.empty() && d.month.empty()) return false;  // records without a date
    const int p_dec = spec_decimals(u.PSpec), r_dec = spec_decimals(u.RSpec),
              et_dec = spec_decimals(u.ETSpec);
    const auto t = [&u](double v) { return fixed(u.temp(v), 1); };
    const Quantities& q = d.q;
    const double b = u.BarFatt, f = u.WindFatt;
    out << iso_date(d.year, d.month, d.day) << ',' << t(q[kTAvg]) << ',' << t(q[kTMin]) << ','
        << field(d.time_min) << ',' << t(q[kTMax]) << ',' << field(d.time_max) << ',' << t(q[kDAvg])
        << ',' << t(q[kDMin]) << ',' << t(q[kDMax]) << ',' << t(q[kHAvg]) << ',' << t(q[kHMin])
        << ',' << t(q[kHMax]) << ',' << t(q[kCAvg]) << ',' << t(q[kCMin]) << ',' << t(q[kCMax])
        << ',' << fixed(q[kRhAvg], 0) << ',' << fixed(q[kRhMin], 0) << ',' << fixed(q[kRhMax], 0)
        << ',' << fixed(q[kPAvg] * b, p_dec) << ',' << fixed(q[kPMin] * b, p_dec) << ','
        << fixed(q[kPMax] * b, p_dec) << ',' << fixed(q[kSAvg], 1) << ',' << fixed(q[kSMax], 0)
        << ',' << fixed(d.et * u.RainFatt, et_dec) << ',' << fixed(d.uv, 1) << ','
        << fixed(d.rate * u.RainFatt, r_dec) << ',' << fixed(d.rain * u.RainFatt, r_dec) << ','
        << fixed(q[kSpAvg] * f, 1) << ',' << fixed(q[kSpMax] * f, 1) << ','
        << fixed(q[kGust] * f, 1) << ',' << field(trimmed(d.direction)) << ','
        << fixed(d.windrun * u.WindRunFatt, 2) << ',' << std::to_string(d.samples) << "\r\n";
    return true;
}

bool export_csv(Owner* owner, Db& db, [[maybe_unused]] const Settings& s, const Units& u,
                const ChartSpan& span, bool daily, std::ostream& out, long& rows)
{
    rows = 0;
    const SpanWhere w = span_where(span);
    const int p_dec = spec_decimals(u.PSpec), r_dec = spec_decimals(u.RSpec),
              et_dec = spec_decimals(u.ETSpec);
    bool failed = false;
    if (daily) {
        out << kDailyHeader << "\r\n";
        SpanWind wind;
        read_days(
            owner, db, "datimeteo", kSpanWhere, {w.from_year, w.to_year, w.from_key, w.to_key}, u,
            wind,
            [&](Day&& d, const WindTally&) {
                if (daily_csv_row(out, u, d)) ++rows;
            },
            failed);
        return !failed;
    }

    out << kRecordHeader << "\r\n";
    std::string line;
    each_row(
        owner, db, std::string(kSelect) + kSpanWhere + " order by year,month,day,time",
        {w.from_year, w.to_year, w.from_key, w.to_key},
        [&](sqlite3_stmt* raw) {
            const auto num = [raw](int c, double factor, int decimals, double offset = 0) {
                const Cell v = read_cell(raw, c);
                return v.null ? std::string() : fixed(v.v * factor + offset, decimals);
            };
            const double tf = u.TempFatt[0], to = u.TempFatt[1];
            line = iso_date(column_text(raw, kXYear), column_text(raw, kXMonth),
                            column_text(raw, kXDay));
            line = field(line) + ',' + field(column_text(raw, kXTime));
            for (const int c : {kXTemp, kXHi, kXLow}) line += ',' + num(c, tf, 1, to);
            line += ',' + num(kXHum, 1, 0);
            line += ',' + num(kXDew, tf, 1, to);
            line += ',' + num(kXBar, u.BarFatt, p_dec);
            line += ',' + num(kXSpeed, u.WindFatt, 1);
            line += ',' + num(kXGust, u.WindFatt, 1);
            line += ',' + field(trimmed(column_text(raw, kXDir)));
            line += ',' + num(kXRain, u.RainFatt, r_dec);
            line += ',' + num(kXRate, u.RainFatt, r_dec);
            line += ',' + num(kXHeat, tf, 1, to);
            line += ',' + num(kXChill, tf, 1, to);
            line += ',' + num(kXSolar, 1, 0);
            line += ',' + num(kXHiSolar, 1, 0);
            line += ',' + num(kXEt, u.RainFatt, et_dec);
            line += ',' + num(kXUv, 1, 1);
            line += ',' + num(kXHiUv, 1, 1);
            line += ',' + num(kXRun, u.WindRunFatt, 2);
            out << line << "\r\n";
            ++rows;
        },
        failed);
    return !failed;
}

}  // namespace nimbora
