#include "reports/daily.h"

#include "config/format.h"
#include "reports/layout.h"

namespace nimbora {
namespace {

// Where the MIN and MAX trackers start; a daily value replaces them only when strictly beyond.
struct Start {
    double low, high;
};
constexpr Start start_of(int q)
{
    if (q >= kRhAvg && q <= kRhMax) return {100, 0};
    if (q >= kPAvg && q <= kPMax) return {2000, 800};
    if (q == kSAvg || q == kSMax) return {10000, 0};
    if (q >= kSpAvg) return {1000, 0};
    return {99, -99};  // temperatures and the range
}

// The cells of `column` that a day row and a summary row print alike: the range, dew point,
// heat index, wind chill, humidity and pressure. Nothing for the other columns.
void shared_cell(TextWriter& out, const Units& u, const Quantities& q, int column)
{
    switch (column) {
    case kTempRange:
        out.rawf(" %5.1f ", q[kRange]);
        break;
    case kDewPoint:
        out.rawf(" %5.1f  %5.1f  %5.1f  ", u.temp(q[kDAvg]), u.temp(q[kDMin]), u.temp(q[kDMax]));
        break;
    case kHeatIndex:
        out.rawf(" %5.1f  %5.1f  %5.1f  ", u.temp(q[kHAvg]), u.temp(q[kHMin]), u.temp(q[kHMax]));
        break;
    case kWindChill:
        out.rawf(" %5.1f  %5.1f  %5.1f  ", u.temp(q[kCAvg]), u.temp(q[kCMin]), u.temp(q[kCMax]));
        break;
    case kHumidity:
        out.rawf("  %3.0f    %3.0f    %3.0f   ", q[kRhAvg], q[kRhMin], q[kRhMax]);
        break;
    case kPressure:
        pressure_cells(out, u, q[kPAvg], q[kPMin], q[kPMax]);
        break;
    default:
        break;
    }
}

}  // namespace

Day read_day(std::span<const std::string> cells, const Units& u)
{
    Day d;
    Quantities& q = d.q;
    q[kTMin] = num(cells[0]);
    q[kTMax] = num(cells[1]);
    q[kDMin] = num(cells[2]);
    q[kDMax] = num(cells[3]);
    q[kHMin] = num(cells[4]);
    q[kHMax] = num(cells[5]);
    q[kCMin] = num(cells[6]);
    q[kCMax] = num(cells[7]);
    q[kRhMin] = num(cells[8]);
    q[kRhMax] = num(cells[9]);
    q[kPMin] = num(cells[10]);
    q[kPMax] = num(cells[11]);
    q[kSMax] = inum(cells[12]);
    d.et = num(cells[13]);
    d.uv = num(cells[14]);
    d.rate = num(cells[15]);
    d.rain = num(cells[16]);
    q[kGust] = num(cells[17]);
    d.windrun = num(cells[18]);
    d.samples = inum(cells[19]);
    q[kSpMax] = num(cells[20]);
    q[kRange] = u.temp(q[kTMax]) - u.temp(q[kTMin]);
    return d;
}

bool query_day(Owner* owner, Db& db, const std::string& table, Day& d)
{
    const std::string from = " from " + table + " where year=? and month=?";
    Quantities& q = d.q;
    const auto avg =
        db.query(owner,
                 ("select avg(temperature),avg(dewpoint),avg(heatindex),avg(windchill),"
                  "avg(humidity), avg(pressure),avg(SolarRad),avg(windspeed)" +
                  from + " and day=?")
                     .c_str(),
                 {d.year, d.month, d.day});
    if (!avg.rows.empty()) {
        const auto& a = avg.rows[0];
        q[kTAvg] = num(a[0]);
        q[kDAvg] = num(a[1]);
        q[kHAvg] = num(a[2]);
        q[kCAvg] = num(a[3]);
        q[kRhAvg] = num(a[4]);
        q[kPAvg] = num(a[5]);
        q[kSAvg] = num(a[6]);
        q[kSpAvg] = num(a[7]);
    }

    // The extremes are found by the temperature as it was printed into the statement.
    const std::string hi = strf("%f", q[kTMax]), lo = strf("%f", q[kTMin]);
    const auto times =
        db.query(owner,
                 ("select (select time" + from + " and day=? and hitemp = ?), (select time" + from +
                  " and day=? and lowtemp = ?)")
                     .c_str(),
                 {d.year, d.month, d.day, hi, d.year, d.month, d.day, lo});
    if (!times.rows.empty()) {
        d.time_max = report_time(times.rows[0][0]);
        d.time_min = report_time(times.rows[0][1]);
    }

    bool failed = !avg.ok || !times.ok;
    d.direction = dominant_direction(owner, db, table, "year=? and month=? and day = ?",
                                     {d.year, d.month, d.day}, failed);
    return !failed;
}

DayTotals::DayTotals(int day, int month, int year)
    : rain_max_day(day), rain_max_month(month), rain_max_year(year)
{
    for (int q = 0; q < kQuantities; ++q) {
        low.q[static_cast<std::size_t>(q)] = start_of(q).low;
        high.q[static_cast<std::size_t>(q)] = start_of(q).high;
    }
}

void DayTotals::add(const Day& d, const Settings& s, const Units& u)
{
    ++days;
    const Quantities& q = d.q;
    counts.count(q[kTMax], q[kTMin], d.rain, s, u);
    if (d.rain > rain_max) {
        rain_max = d.rain;
        rain_max_day = inum(d.day);
        rain_max_month = inum(d.month);
        rain_max_year = inum(d.year);
    }
    for (std::size_t i = 0; i < kQuantities; ++i) {
        sum.q[i] += q[i];
        if (q[i] < low.q[i]) low.q[i] = q[i];
        if (q[i] > high.q[i]) high.q[i] = q[i];
    }
    et += d.et;
    rain += d.rain;
    windrun += d.windrun;
    if (d.uv > high.uv) high.uv = d.uv;
    if (d.rate > high.rate) high.rate = d.rate;
}

Summary DayTotals::average() const
{
    Summary avg;
    // Without days (a failed main query) there is nothing to divide: 0, never NaN.
    if (days > 0)
        for (std::size_t i = 0; i < kQuantities; ++i) avg.q[i] = sum.q[i] / days;
    return avg;
}

void day_cells(TextWriter& out, const Settings& s, const Units& u, const Day& d)
{
    const Quantities& q = d.q;
    for (int c : kColumnOrder) {
        if (!s.column(c)) continue;
        switch (c) {
        case kTemperature:
            out.rawf(" %5.1f  %5.1f  %5s  %5.1f  %5s  ", u.temp(q[kTAvg]), u.temp(q[kTMin]),
                     d.time_min.c_str(), u.temp(q[kTMax]), d.time_max.c_str());
            break;
        case kSolarRad:
            out.rawf(" %6.1f  %6i ", q[kSAvg], static_cast<int>(q[kSMax]));
            break;
        case kET:
            spec_cell(out, u.ETSpec, d.et * u.RainFatt);
            break;
        case kUV:
            out.rawf("  %4.1f  ", d.uv);
            break;
        case kRainRate:
            spec_cell(out, u.RSpec, d.rate * u.RainFatt);
            break;
        case kRain:
            spec_cell(out, u.RSpec, d.rain * u.RainFatt);
            break;
        case kWind:
            out.rawf(" %5.1f  %5.1f  %5.1f    %3s   ", q[kSpAvg] * u.WindFatt,
                     q[kSpMax] * u.WindFatt, q[kGust] * u.WindFatt, d.direction.c_str());
            break;
        case kWindRun:
            out.rawf(" %7.2f", d.windrun * u.WindRunFatt);
            break;
        case kSamples:
            out.rawf("  %4d ", d.samples);
            break;
        default:
            shared_cell(out, u, q, c);
            break;
        }
    }
    out.raw("\n");
}

void summary_row(TextWriter& out, const Settings& s, const Units& u, const Summary& v, Row row,
                 const std::string& direction)
{
    const Quantities& q = v.q;
    const bool extreme = row == Row::min || row == Row::max;
    for (int c : kColumnOrder) {
        if (!s.column(c)) continue;
        switch (c) {
        case kTemperature:
            out.rawf(" %5.1f  %5.1f         %5.1f         ", u.temp(q[kTAvg]), u.temp(q[kTMin]),
                     u.temp(q[kTMax]));
            break;
        case kSolarRad:
            if (extreme)
                out.rawf(" %6.1f  %6i ", q[kSAvg], static_cast<int>(q[kSMax]));
            else
                out.rawf(" %6.1f  %6.1f ", q[kSAvg], q[kSMax]);
            break;
        case kUV:
            if (row == Row::max)
                out.rawf("  %4.1f  ", v.uv);
            else
                out.raw("        ");
            break;
        case kRainRate:
            if (row == Row::max)
                spec_cell(out, u.RSpec, v.rate * u.RainFatt);
            else
                out.raw("        ");
            break;
        case kET:
        case kRain:
            out.raw("        ");
            break;
        case kWind:
            out.rawf(" %5.1f  %5.1f  %5.1f", q[kSpAvg] * u.WindFatt, q[kSpMax] * u.WindFatt,
                     q[kGust] * u.WindFatt);
            if (row == Row::avg) out.rawf("    %3s", direction.c_str());
            break;
        case kWindRun:
        case kSamples:
            break;  // nothing in these rows
        default:
            shared_cell(out, u, q, c);
            break;
        }
    }
    out.raw("\n");
}

namespace {

void sum_row(TextWriter& out, const Settings& s, const Units& u, const DayTotals& t, Span span)
{
    const bool range = span == Span::range;
    out.raw(range ? "SUM         " : "SUM ");
    for (int c : kColumnOrder) {
        if (!s.column(c)) continue;
        switch (c) {
        case kTemperature:
            out.raw(std::string(36, ' '));
            break;
        case kTempRange:
            out.raw(std::string(7, ' '));
            break;
        case kDewPoint:
        case kHeatIndex:
        case kWindChill:
        case kHumidity:
            out.raw(std::string(22, ' '));
            break;
        case kPressure:
            out.raw(std::string(24, ' '));
            break;
        case kSolarRad:
            out.raw(std::string(16, ' '));
            break;
        case kET:
            spec_cell(out, u.ETSpec, t.et * u.RainFatt);
            break;
        case kUV:
        case kRainRate:
            out.raw("        ");
            break;
        case kRain:
            spec_cell(out, u.RSpec, t.rain * u.RainFatt);
            break;
        case kWind:
            // The range report's Wind cell is one blank short, its Wind Run cell one wider.
            out.raw(std::string(range ? 29 : 30, ' '));
            break;
        case kWindRun:
            if (range)
                out.rawf("%9.2f", t.windrun * u.WindRunFatt);
            else
                out.rawf("%8.2f", t.windrun * u.WindRunFatt);
            break;
        default:
            break;
        }
    }
    out.raw("\n");
}

}  // namespace

void total_rows(TextWriter& out, const Settings& s, const Units& u, const DayTotals& t,
                const std::string& direction, Span span)
{
    const bool range = span == Span::range;
    out.raw(range ? "AVG         " : "AVG ");
    summary_row(out, s, u, t.average(), Row::avg, direction);
    out.raw(range ? "MIN         " : "MIN ");
    summary_row(out, s, u, t.low, Row::min);
    out.raw(range ? "MAX         " : "MAX ");
    summary_row(out, s, u, t.high, Row::max);
    if (s.column(kET) || s.column(kRain) || s.column(kWindRun)) sum_row(out, s, u, t, span);
}

void day_counts(TextWriter& out, const Settings& s, const Units& u, const DayTotals& t, Span span)
{
    out.raw("\n\n");
    if (s.column(kTemperature) || s.column(kRain)) out.raw("NUMBER OF DAYS WITH:\n");
    if (s.column(kTemperature)) {
        if (span == Span::range) {
            out.rawf("Temp Max >= %4.1f: %3d", u.temp(25), t.counts.max25);
            out.rawf("\nTemp Max >= %4.1f: %3d", u.temp(30), t.counts.max30);
            out.rawf("\nTemp Min <  %4.1f: %3d", u.temp(0), t.counts.min0);
            out.rawf("\nTemp Max <  %4.1f: %3d", u.temp(0), t.counts.max0);
        } else {
            out.rawf("Temp Max >= %4.1f: %2d", u.temp(25), t.counts.max25);
            out.rawf("\nTemp Max >= %4.1f: %2d", u.temp(30), t.counts.max30);
            out.rawf("\nTemp Min <  %4.1f: %2d", u.temp(0), t.counts.min0);
            out.rawf("\nTemp Max <  %4.1f: %2d", u.temp(0), t.counts.max0);
        }
    }
    if (s.column(kRain)) {
        if (s.UnitRain == 0)
            out.rawf("\nRain:  %2d (> .2 mm) %2d (>= 1 mm) %2d (> 20 mm)", t.counts.rain1,
                     t.counts.rain2, t.counts.rain3);
        else
            out.rawf("\nRain:  %2d (> .01 in) %2d (>= .04 in) %2d (> 1 in)", t.counts.rain1,
                     t.counts.rain2, t.counts.rain3);
        out.raw("\n\nMax Rain: ");
        out.value(bare_spec(u.RSpec), t.rain_max * u.RainFatt);
        out.rawf(s.UnitRain == 0 ? " mm (%02d/%02d/%04d)" : " in (%02d/%02d/%04d)", t.rain_max_day,
                 t.rain_max_month, t.rain_max_year);
    }
}

}  // namespace nimbora
