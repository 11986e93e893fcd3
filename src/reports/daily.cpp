// SPDX-License-Identifier: GPL-3.0-or-later
#include "reports/daily.h"

#include "config/format.h"
#include "config/handles.h"
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

// The columns of the pass: the date and time, the eight averaged values, the other values,
// the direction.
enum DayColumn : int {
    kCYear,
    kCMonth,
    kCDay,
    kCTime,
    kCTemperature,
    kCDewpoint,
    kCHeatIndex,
    kCWindChill,
    kCHumidity,
    kCPressure,
    kCSolarRad,
    kCWindSpeed,
    kCHiTemp,
    kCLowTemp,
    kCHiSolarRad,
    kCET,
    kCHiUV,
    kCRainRate,
    kCRain,
    kCGust,
    kCWindRun,
    kCDirection,
};
constexpr const char* kDaySelect =
    "select year,month,day,time,temperature,dewpoint,heatindex,windchill,humidity,pressure,"
    "SolarRad,windspeed,hitemp,lowtemp,hiSolarRad,ET,HiUV,rainrate,rain,gustspeed,WindRun,"
    "direction from ";
constexpr int kFirstAveraged = kCTemperature, kAveraged = 8;

// What a day's grouped statement, its averages and the lookups of its extremes' times gave.
struct DayAggregates {
    std::array<Average, kAveraged> averages{};  // in the order of their columns
    Extreme t_min, t_max, d_min, d_max, h_min, h_max, c_min, c_max, rh_min, rh_max, p_min, p_max,
        s_max, uv, rate, gust, speed_max;
    Sum et, rain, windrun;
    int samples = 0;
    std::string time_min, time_max;  // the time texts of the first records holding them
    WindTally wind;
};

// One pass over the records of a span: the open day and its figures so far.
class DayPass {
public:
    DayPass(Owner* owner, Db& db, const std::string& table, const Units& u, SpanWind& wind,
            const std::function<void(Day&&, const WindTally&)>& day_done, bool& failed)
        : owner_(owner), db_(db), table_(table), u_(u), wind_(wind), day_done_(day_done),
          failed_(failed)
    {
        printed_.prepare(owner, db, failed);
    }

    void row(sqlite3_stmt* r)
    {
        const std::string_view year = column_text(r, kCYear), month = column_text(r, kCMonth),
                               day = column_text(r, kCDay);
        const bool day_null = sqlite3_column_type(r, kCDay) == SQLITE_NULL;
        // A NULL day is a group of its own, apart from an empty text (the year and month of a
        // span are never NULL: they were compared).
        if (!open_ || day != day_ || day_null != day_null_ || month != month_ || year != year_) {
            if (open_) end_day();
            year_ = year;
            month_ = month;
            day_ = day;
            day_null_ = day_null;
            a_ = DayAggregates{};
            decade_ = decade_of(day, day_null);
            open_ = true;
        }

        std::array<Cell, kCDirection - kFirstAveraged> v;
        for (std::size_t c = 0; c < v.size(); ++c)
            v[c] = read_cell(r, kFirstAveraged + static_cast<int>(c));
        const auto at = [&v](int column) -> const Cell& {
            return v[static_cast<std::size_t>(column - kFirstAveraged)];
        };

        for (std::size_t i = 0; i < kAveraged; ++i) a_.averages[i].add(v[i]);
        if (a_.t_max.raise(at(kCHiTemp))) a_.time_max = column_text(r, kCTime);
        if (a_.t_min.lower(at(kCLowTemp))) a_.time_min = column_text(r, kCTime);
        a_.d_min.lower(at(kCDewpoint));
        a_.d_max.raise(at(kCDewpoint));
        a_.h_min.lower(at(kCHeatIndex));
        a_.h_max.raise(at(kCHeatIndex));
        a_.c_min.lower(at(kCWindChill));
        a_.c_max.raise(at(kCWindChill));
        a_.rh_min.lower(at(kCHumidity));
        a_.rh_max.raise(at(kCHumidity));
        a_.p_min.lower(at(kCPressure));
        a_.p_max.raise(at(kCPressure));
        a_.s_max.raise(at(kCHiSolarRad));
        a_.et.add(at(kCET));
        a_.uv.raise(at(kCHiUV));
        a_.rate.raise(at(kCRainRate));
        a_.rain.add(at(kCRain));
        a_.gust.raise(at(kCGust));
        a_.windrun.add(at(kCWindRun));
        a_.speed_max.raise(at(kCWindSpeed));
        ++a_.samples;

        const std::string_view direction = column_text(r, kCDirection);
        const bool has_direction = sqlite3_column_type(r, kCDirection) != SQLITE_NULL;
        const Cell& speed = at(kCWindSpeed);
        const Cell& gust = at(kCGust);
        a_.wind.add(direction, has_direction, speed, gust);
        wind_.all.add(direction, has_direction, speed, gust);
        if (decade_ >= 0)
            wind_.decades[static_cast<std::size_t>(decade_)].add(direction, has_direction, speed,
                                                                 gust);
    }

    void finish()
    {
        if (open_) end_day();
        open_ = false;
    }

private:
    // The decade whose "day >= '01' and day <= '10'" (and so on) holds `day`; -1 for none.
    static int decade_of(std::string_view day, bool null)
    {
        if (null) return -1;
        if (day >= "01" && day <= "10") return 0;
        if (day >= "11" && day <= "20") return 1;
        if (day >= "21" && day <= "31") return 2;
        return -1;
    }

    // The time of a day's extreme: found, like the statement it replaces found it, as the time
    // of the first record equal to the value as printed with "%f" into it.
    std::string extreme_time(const Extreme& e, double shown, const std::string& first_time,
                             const char* column)
    {
        // No value, so no record equals the 0 looked up; "day=?" never finds a NULL day.
        if (e.best.null || day_null_) return {};
        const std::string printed = strf("%f", shown);
        if (printed_.reads_back(printed, e.best.v)) return first_time;
        const auto r = db_.query(owner_,
                                 strf("select time from %s where year=? and month=? and day=? "
                                      "and %s = ?",
                                      table_.c_str(), column)
                                     .c_str(),
                                 {year_, month_, day_, printed});
        failed_ |= !r.ok;
        return r.rows.empty() ? std::string() : r.rows[0][0];
    }

    void end_day()
    {
        Day d;
        d.year = year_;
        d.month = month_;
        d.day = day_;
        Quantities& q = d.q;
        q[kTMin] = a_.t_min.number();
        q[kTMax] = a_.t_max.number();
        q[kDMin] = a_.d_min.number();
        q[kDMax] = a_.d_max.number();
        q[kHMin] = a_.h_min.number();
        q[kHMax] = a_.h_max.number();
        q[kCMin] = a_.c_min.number();
        q[kCMax] = a_.c_max.number();
        q[kRhMin] = a_.rh_min.number();
        q[kRhMax] = a_.rh_max.number();
        q[kPMin] = a_.p_min.number();
        q[kPMax] = a_.p_max.number();
        q[kSMax] = a_.s_max.whole();
        d.et = a_.et.number();
        d.uv = a_.uv.number();
        d.rate = a_.rate.number();
        d.rain = a_.rain.number();
        q[kGust] = a_.gust.number();
        d.windrun = a_.windrun.number();
        d.samples = a_.samples;
        q[kSpMax] = a_.speed_max.number();
        q[kRange] = u_.temp(q[kTMax]) - u_.temp(q[kTMin]);

        // The averages, times and direction were read by "day=?", which finds no NULL day.
        WindTally none;
        const WindTally* wind = &none;
        if (!day_null_) {
            const std::array<int, kAveraged> slots = {kTAvg,  kDAvg, kHAvg, kCAvg,
                                                      kRhAvg, kPAvg, kSAvg, kSpAvg};
            for (std::size_t i = 0; i < kAveraged; ++i)
                q[static_cast<std::size_t>(slots[i])] = a_.averages[i].number();
            d.time_max = report_time(extreme_time(a_.t_max, q[kTMax], a_.time_max, "hitemp"));
            d.time_min = report_time(extreme_time(a_.t_min, q[kTMin], a_.time_min, "lowtemp"));
            d.direction = a_.wind.dominant();
            wind = &a_.wind;
        }
        day_done_(std::move(d), *wind);
    }

    Owner* owner_;
    Db& db_;
    const std::string& table_;
    const Units& u_;
    SpanWind& wind_;
    const std::function<void(Day&&, const WindTally&)>& day_done_;
    bool& failed_;
    PrintedValue printed_;

    bool open_ = false;
    std::string year_, month_, day_;
    bool day_null_ = false;
    int decade_ = -1;
    DayAggregates a_;
};

}  // namespace

void read_days(Owner* owner, Db& db, const std::string& table, const std::string& where,
               std::initializer_list<std::string_view> params, const Units& u, SpanWind& wind,
               const std::function<void(Day&&, const WindTally&)>& day_done, bool& failed)
{
    DayPass pass(owner, db, table, u, wind, day_done, failed);
    each_row(
        owner, db, kDaySelect + table + " where " + where + " order by year,month,day,time", params,
        [&pass](sqlite3_stmt* r) { pass.row(r); }, failed);
    pass.finish();
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
        case kET:
            spec_cell(out, u.ETSpec, t.et * u.RainFatt);
            break;
        case kRain:
            spec_cell(out, u.RSpec, t.rain * u.RainFatt);
            break;
        case kWind:
            // The range report's Wind cell is one blank short, its Wind Run cell one wider.
            out.raw(std::string(column_width(c, Layout::daily) - (range ? 1 : 0), ' '));
            break;
        case kWindRun:
            if (range)
                out.rawf("%9.2f", t.windrun * u.WindRunFatt);
            else
                out.rawf("%8.2f", t.windrun * u.WindRunFatt);
            break;
        case kSamples:
            break;  // nothing in this row
        default:
            out.raw(std::string(column_width(c, Layout::daily), ' '));
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
