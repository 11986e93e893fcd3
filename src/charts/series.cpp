// SPDX-License-Identifier: GPL-3.0-or-later
#include "charts/series.h"

#include "config/format.h"
#include "reports/daily.h"
#include "reports/monthly.h"
#include "reports/pass.h"
#include "reports/side_by_side.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace nimbora {
namespace {

constexpr const char* kTable = "datimeteo";

// "HH:MM" as minutes of the day; -1 for any other text.
int minute_of(std::string_view t)
{
    if (t.size() != 5 || t[2] != ':') return -1;
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    if (!digit(t[0]) || !digit(t[1]) || !digit(t[3]) || !digit(t[4])) return -1;
    return ((t[0] - '0') * 10 + (t[1] - '0')) * 60 + (t[3] - '0') * 10 + (t[4] - '0');
}

int number_of(std::string_view t)
{
    int v = 0;
    const auto r = std::from_chars(t.data(), t.data() + t.size(), v);
    return r.ec == std::errc() && r.ptr == t.data() + t.size() ? v : -1;
}

std::string date_text(const Ymd& d)
{
    return strf("%02d/%02d/%04d", d.day, d.month, d.year);
}

// The figures of a record or of an hour: averages over the values held, extremes, sums.
struct Bucket {
    double sum[6]{};  // temperature, dew point, humidity, pressure, speed, solar
    int count[6]{};
    double low[3], high[3];  // temperature, humidity, pressure
    double rain = 0, gust = kNoValue, solar_max = kNoValue, uv = kNoValue;
    bool rain_held = false;
    int records = 0;

    Bucket()
    {
        std::fill(std::begin(low), std::end(low), kNoValue);
        std::fill(std::begin(high), std::end(high), kNoValue);
    }
    void average(int i, const Cell& c)
    {
        if (c.null) return;
        sum[i] += c.v;
        ++count[i];
    }
    static void lower(double& at, const Cell& c)
    {
        if (!c.null && (missing(at) || c.v < at)) at = c.v;
    }
    static void raise(double& at, const Cell& c)
    {
        if (!c.null && (missing(at) || c.v > at)) at = c.v;
    }
    double mean(int i) const { return count[i] ? sum[i] / count[i] : kNoValue; }
};

// The columns of the record statement.
enum RecordColumn {
    kRYear,
    kRMonth,
    kRDay,
    kRTime,
    kRTemp,
    kRHi,
    kRLow,
    kRDew,
    kRHum,
    kRBar,
    kRSpeed,
    kRGust,
    kRRain,
    kRSolar,
    kRHiSolar,
    kRHiUV,
};
constexpr const char* kRecordSelect =
    "select year,month,day,time,temperature,hitemp,lowtemp,dewpoint,humidity,pressure,"
    "windspeed,gustspeed,rain,SolarRad,HiSolarRad,HiUV from ";

double scaled(double v, double factor)
{
    return missing(v) ? v : v * factor;
}

// A bucket's figures for `kind` in display units.
std::array<double, 4> bucket_values(ChartKind kind, const Bucket& b, const Units& u)
{
    const auto temp = [&u](double v) { return missing(v) ? v : u.temp(v); };
    switch (kind) {
    case ChartKind::temperature:
        return {temp(b.mean(0)), temp(b.low[0]), temp(b.high[0]), temp(b.mean(1))};
    case ChartKind::humidity:
        return {b.mean(2), b.low[1], b.high[1], kNoValue};
    case ChartKind::pressure:
        return {scaled(b.mean(3), u.BarFatt), scaled(b.low[2], u.BarFatt),
                scaled(b.high[2], u.BarFatt), kNoValue};
    case ChartKind::rain:
        return {b.rain_held ? b.rain * u.RainFatt : kNoValue, kNoValue, kNoValue, kNoValue};
    case ChartKind::wind:
        return {scaled(b.mean(4), u.WindFatt), scaled(b.gust, u.WindFatt), kNoValue, kNoValue};
    case ChartKind::solar:
    case ChartKind::windrose:
        break;
    }
    return {b.mean(5), b.solar_max, b.uv, kNoValue};
}

// The records of the span, each or by hour.
bool read_records(Owner* owner, Db& db, const Units& u, const ChartSpan& span, Series& out)
{
    const SpanWhere w = span_where(span);
    const bool hourly = out.resolution == Resolution::hourly;
    Bucket b;
    long open = std::numeric_limits<long>::min();  // the open bucket's start, in minutes
    Ymd open_day;
    const auto close = [&] {
        if (b.records == 0) return;
        Point p;
        p.x = hourly ? open + 30 : open;
        const int m = static_cast<int>(open - day_index(open_day) * 1440);
        p.when = date_text(open_day) + strf(" %02d:%02d", m / 60, m % 60);
        p.v = bucket_values(out.kind, b, u);
        out.points.push_back(std::move(p));
        b = Bucket{};
    };
    bool failed = false;
    const auto row = [&](sqlite3_stmt* raw) {
        const Ymd d{number_of(column_text(raw, kRYear)), number_of(column_text(raw, kRMonth)),
                    number_of(column_text(raw, kRDay))};
        const int minute = minute_of(column_text(raw, kRTime));
        // A record without a readable date or time has no place on the time axis.
        if (d.year < 0 || d.month < 1 || d.month > 12 || d.day < 1 || d.day > 31 || minute < 0)
            return;
        ++out.records;
        const long at = day_index(d) * 1440 + minute;
        const long start = hourly ? at - at % 60 : at;
        if (start != open) {
            close();
            open = start;
            open_day = d;
            if (hourly && minute == 1440) open_day = date_of_index(day_index(d) + 1);
        }
        const auto c = [raw](int col) { return read_cell(raw, col); };
        b.average(0, c(kRTemp));
        b.average(1, c(kRDew));
        b.average(2, c(kRHum));
        b.average(3, c(kRBar));
        b.average(4, c(kRSpeed));
        b.average(5, c(kRSolar));
        const Cell t = c(kRTemp), hum = c(kRHum), bar = c(kRBar);
        Cell lo = c(kRLow), hi = c(kRHi);
        if (lo.null) lo = t;
        if (hi.null) hi = t;
        Bucket::lower(b.low[0], lo);
        Bucket::raise(b.high[0], hi);
        Bucket::lower(b.low[1], hum);
        Bucket::raise(b.high[1], hum);
        Bucket::lower(b.low[2], bar);
        Bucket::raise(b.high[2], bar);
        if (const Cell r = c(kRRain); !r.null) {
            b.rain += r.v;
            b.rain_held = true;
        }
        Bucket::raise(b.gust, c(kRGust));
        Bucket::raise(b.solar_max, c(kRHiSolar));
        Bucket::raise(b.uv, c(kRHiUV));
        ++b.records;
    };
    each_row(owner, db,
             std::string(kRecordSelect) + kTable + " where " + kSpanWhere +
                 " order by year,month,day,time",
             {w.from_year, w.to_year, w.from_key, w.to_key}, row, failed);
    close();
    if (failed) return false;
    if (hourly) {
        out.bucket = 60;
    } else {
        // The records' usual interval: the median step between them.
        std::vector<long> steps;
        for (std::size_t i = 1; i < out.points.size(); ++i)
            steps.push_back(out.points[i].x - out.points[i - 1].x);
        if (!steps.empty()) {
            std::nth_element(steps.begin(), steps.begin() + static_cast<long>(steps.size() / 2),
                             steps.end());
            out.bucket = std::max(1L, steps[steps.size() / 2]);
        }
    }
    // Data is missing where an hour has no record, or where the step between records is more
    // than twice the usual one (their times may drift a little).
    const long longest = hourly ? out.bucket : 2 * out.bucket;
    for (std::size_t i = 1; i < out.points.size(); ++i)
        out.points[i].gap_before = out.points[i].x - out.points[i - 1].x > longest;
    return true;
}

// A day's figures for `kind` in display units, as the monthly report prints them.
std::array<double, 4> day_values(ChartKind kind, const Day& d, const Units& u)
{
    const Quantities& q = d.q;
    switch (kind) {
    case ChartKind::temperature:
        return {u.temp(q[kTAvg]), u.temp(q[kTMin]), u.temp(q[kTMax]), u.temp(q[kDAvg])};
    case ChartKind::humidity:
        return {q[kRhAvg], q[kRhMin], q[kRhMax], kNoValue};
    case ChartKind::pressure:
        return {q[kPAvg] * u.BarFatt, q[kPMin] * u.BarFatt, q[kPMax] * u.BarFatt, kNoValue};
    case ChartKind::rain:
        return {d.rain * u.RainFatt, kNoValue, kNoValue, kNoValue};
    case ChartKind::wind:
        return {q[kSpAvg] * u.WindFatt, q[kGust] * u.WindFatt, kNoValue, kNoValue};
    case ChartKind::solar:
    case ChartKind::windrose:
        break;
    }
    return {q[kSAvg], q[kSMax], d.uv, kNoValue};
}

// A month's figures for `kind` in display units, as the annual report prints its month row:
// the means of the day figures (temperature, dew point, heat index, wind chill, humidity,
// pressure, solar radiation, wind speed), the month's extremes and totals.
std::array<double, 4> month_values(ChartKind kind, const Figures& f, const Units& u)
{
    switch (kind) {
    case ChartKind::temperature:
        return {u.temp(f.run.mean(0)), u.temp(f.t_low), u.temp(f.t_high), u.temp(f.run.mean(1))};
    case ChartKind::humidity:
        return {f.run.mean(4), f.hum_low, f.hum_high, kNoValue};
    case ChartKind::pressure:
        return {f.run.mean(5) * u.BarFatt, f.bar_low * u.BarFatt, f.bar_high * u.BarFatt, kNoValue};
    case ChartKind::rain:
        return {f.rain * u.RainFatt, kNoValue, kNoValue, kNoValue};
    case ChartKind::wind:
        return {f.run.mean(7) * u.WindFatt, f.gust_high * u.WindFatt, kNoValue, kNoValue};
    case ChartKind::solar:
    case ChartKind::windrose:
        break;
    }
    return {f.run.mean(6), static_cast<double>(f.solar_high), f.uv_high, kNoValue};
}

// The wind rose's class limits in the station's wind unit.
std::array<double, kSpeedClasses - 1> speed_limits(const Units& u)
{
    if (u.UTitle[2] == "mph") return {3, 8, 13, 19};
    if (u.UTitle[2] == "knot") return {3, 7, 11, 17};
    if (u.UTitle[2] == "m/s") return {1.5, 3.5, 5.5, 8};
    return {5, 12, 20, 30};
}

// The rain series' running total of the span, in display units.
void running_total(Series& out)
{
    if (out.kind != ChartKind::rain) return;
    double total = 0;
    for (Point& p : out.points) {
        if (!missing(p.v[0])) total += p.v[0];
        p.v[1] = total;
    }
}

}  // namespace

std::optional<ChartKind> chart_kind(std::string_view name)
{
    for (std::size_t i = 0; i < kChartKinds.size(); ++i)
        if (name == kChartKinds[i]) return static_cast<ChartKind>(i);
    return std::nullopt;
}

long day_index(const Ymd& d)
{
    const long y = d.year - (d.month <= 2 ? 1 : 0);
    const long era = (y >= 0 ? y : y - 399) / 400;
    const long of_era = y - era * 400;
    const long day_of_year = (153 * (d.month + (d.month > 2 ? -3 : 9)) + 2) / 5 + d.day - 1;
    return era * 146097 + of_era * 365 + of_era / 4 - of_era / 100 + day_of_year;
}

Ymd date_of_index(long index)
{
    const long era = (index >= 0 ? index : index - 146096) / 146097;
    const long doe = index - era * 146097;
    const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long mp = (5 * doy + 2) / 153;
    const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    return {static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0)), month, day};
}

SpanWhere span_where(const ChartSpan& span)
{
    const auto key = [](const Ymd& d, int minute) {
        return strf("%04d%02d%02d%02d:%02d", d.year, d.month, d.day, minute / 60, minute % 60);
    };
    SpanWhere w;
    w.from_year = strf("%04d", span.from.year);
    w.to_year = strf("%04d", span.to.year);
    // A whole first day starts before any time text; a whole last day ends after every one.
    w.from_key = span.from_minute <= 0
                     ? strf("%04d%02d%02d", span.from.year, span.from.month, span.from.day)
                     : key(span.from, span.from_minute);
    w.to_key = span.to_minute >= 1440
                   ? strf("%04d%02d%02d~", span.to.year, span.to.month, span.to.day)
                   : key(span.to, span.to_minute);
    return w;
}

std::optional<ChartSpan> last_hours_span(Owner* owner, Db& db, int hours, bool& failed)
{
    const auto r =
        db.query(owner, "select year,month,day,time from datimeteo where time is not null "
                        "order by year desc,month desc,day desc,time desc limit 1");
    failed |= !r.ok;
    if (!r.ok || r.rows.empty()) return std::nullopt;
    const auto& row = r.rows[0];
    const Ymd last{number_of(row[0]), number_of(row[1]), number_of(row[2])};
    const int minute = minute_of(row[3]);
    if (last.year < 0 || last.month < 1 || last.day < 1 || minute < 0) return std::nullopt;
    const long end = day_index(last) * 1440 + minute;
    const long start = end - static_cast<long>(hours) * 60 + 1;
    const long start_day = start >= 0 ? start / 1440 : (start - 1439) / 1440;
    return ChartSpan{date_of_index(start_day), last, static_cast<int>(start - start_day * 1440),
                     minute};
}

Resolution resolution_for(long days, long records)
{
    if (days <= kRecordDays) return records <= kMaxPoints ? Resolution::record : Resolution::hourly;
    return days <= kMaxPoints ? Resolution::daily : Resolution::monthly;
}

bool read_series(Owner* owner, Db& db, const Settings& s, const Units& u, ChartKind kind,
                 const ChartSpan& span, Series& out, std::optional<Resolution> at)
{
    out = Series{};
    out.kind = kind;
    out.span = span;
    out.uv = s.column(kUV);
    out.limits = speed_limits(u);
    const long first_day = day_index(span.from), last_day = day_index(span.to);
    const long days = last_day - first_day + 1;
    const SpanWhere w = span_where(span);

    long records = 0;
    if (days <= kRecordDays && kind != ChartKind::windrose &&
        (!at || *at == Resolution::record || *at == Resolution::hourly)) {
        const auto r = db.query(
            owner, (std::string("select count(*) from ") + kTable + " where " + kSpanWhere).c_str(),
            {w.from_year, w.to_year, w.from_key, w.to_key});
        if (!r.ok) return false;
        records = r.rows.empty() ? 0 : number_of(r.rows[0][0]);
        if (records == 0) return true;
    }
    out.resolution = at ? *at : resolution_for(days, records);
    out.x_from = first_day * 1440 + span.from_minute;
    out.x_to = last_day * 1440 + span.to_minute;

    if (kind != ChartKind::windrose &&
        (out.resolution == Resolution::record || out.resolution == Resolution::hourly)) {
        if (!read_records(owner, db, u, span, out)) return false;
        running_total(out);
        return true;
    }

    out.bucket = 1440;
    bool failed = false;
    if (out.resolution == Resolution::monthly && kind != ChartKind::windrose) {
        // The annual report's month figures, of the whole months the span touches.
        out.x_from = day_index({span.from.year, span.from.month, 1}) * 1440;
        const Ymd after = span.to.month == 12 ? Ymd{span.to.year + 1, 1, 1}
                                              : Ymd{span.to.year, span.to.month + 1, 1};
        out.x_to = day_index(after) * 1440;
        const long first = span.from.year * 12L + span.from.month - 1,
                   last = span.to.year * 12L + span.to.month - 1;
        // The years are read side by side, then taken in order.
        std::vector<std::vector<YearFigures>> read(
            static_cast<std::size_t>(span.to.year - span.from.year + 1));
        if (!read_side_by_side(
                owner, db, span.to.year - span.from.year + 1,
                [&](Owner* o, Db& connection, int part) {
                    const int year = span.from.year + part;
                    bool year_failed = false;
                    read_years(
                        o, connection, strf("%04d", year),
                        [&](YearFigures&& y) {
                            read[static_cast<std::size_t>(year - span.from.year)].push_back(
                                std::move(y));
                        },
                        {}, year_failed);
                    return !year_failed;
                }))
            return false;
        long previous = std::numeric_limits<long>::min();
        for (int year = span.from.year; year <= span.to.year; ++year) {
            for (YearFigures& y : read[static_cast<std::size_t>(year - span.from.year)]) {
                for (MonthFigures& m : y.months) {
                    const int month = number_of(m.month);
                    const long index = year * 12L + month - 1;
                    if (month < 1 || month > 12 || index < first || index > last) continue;
                    DayRun run;
                    for (const DayFigures& d : m.days) add_day(run, d, s, u);
                    m.f.run = run;
                    Point p;
                    p.x = day_index({year, month, 1}) * 1440 + 15 * 1440;
                    p.when = strf("%02d/%04d", month, year);
                    p.gap_before =
                        previous != std::numeric_limits<long>::min() && index > previous + 1;
                    previous = index;
                    p.v = month_values(kind, m.f, u);
                    out.records += static_cast<long>(m.days.size());
                    out.points.push_back(std::move(p));
                }
            }
        }
        running_total(out);
        return true;
    }

    if (kind == ChartKind::windrose) {
        // The wind tables' tally of the span (the same shares as the reports' tables), and the
        // speed classes of the records it counts with a speed above 0, in one pass over the
        // wind columns alone.
        WindTally tally;
        std::array<std::array<long, kSpeedClasses>, kDirections> counts{};
        each_row(
            owner, db,
            std::string("select direction,windspeed,gustspeed from ") + kTable + " where " +
                kSpanWhere,
            {w.from_year, w.to_year, w.from_key, w.to_key},
            [&](sqlite3_stmt* r) {
                ++out.records;
                const bool has_direction = sqlite3_column_type(r, 0) != SQLITE_NULL;
                const std::string_view direction = column_text(r, 0);
                const Cell speed = read_cell(r, 1);
                tally.add(direction, has_direction, speed, read_cell(r, 2));
                if (speed.null || !(speed.v > 0)) return;
                const int slot = direction_slot(direction);
                if (slot < 0) return;
                const double shown = speed.v * u.WindFatt;
                std::size_t c = 0;
                while (c < out.limits.size() && shown > out.limits[c]) ++c;
                ++counts[static_cast<std::size_t>(slot)][c];
            },
            failed);
        if (failed) return false;
        if (out.records == 0) return true;
        out.shares = tally.percentages();
        for (std::size_t d = 0; d < kDirections; ++d) {
            long all = 0;
            for (long c : counts[d]) all += c;
            for (std::size_t c = 0; c < kSpeedClasses; ++c)
                out.rose[d][c] = all ? out.shares[d] * static_cast<double>(counts[d][c]) /
                                           static_cast<double>(all)
                                     : 0;
        }
        out.rose[kCalm][0] = out.shares[kCalm];
        return true;
    }

    // Daily figures: the monthly report's day figures, the months read side by side (a
    // month's records are those of the span whose year and month texts are its own), then
    // taken in order.
    const int first_month = span.from.year * 12 + span.from.month - 1;
    std::vector<std::vector<Day>> by_month(
        static_cast<std::size_t>(span.to.year * 12 + span.to.month - 1 - first_month + 1));
    if (!read_side_by_side(
            owner, db, static_cast<int>(by_month.size()), [&](Owner* o, Db& connection, int part) {
                const int month = first_month + part;
                const std::string y = strf("%04d", month / 12), m = strf("%02d", month % 12 + 1);
                std::vector<Day>& held = by_month[static_cast<std::size_t>(part)];
                SpanWind wind;
                bool month_failed = false;
                read_days(
                    o, connection, kTable, kMonthWhere, {y, m, w.from_key, w.to_key}, u, wind,
                    [&held](Day&& d, const WindTally&) { held.push_back(std::move(d)); },
                    month_failed);
                return !month_failed;
            }))
        return false;
    std::vector<Day> read;
    for (std::vector<Day>& days_of_month : by_month)
        for (Day& d : days_of_month) read.push_back(std::move(d));
    daily_series(s, u, kind, span, read, out);
    return true;
}

void daily_series(const Settings& s, const Units& u, ChartKind kind, const ChartSpan& span,
                  const std::vector<Day>& days, Series& out)
{
    out = Series{};
    out.kind = kind;
    out.span = span;
    out.uv = s.column(kUV);
    out.limits = speed_limits(u);
    out.resolution = Resolution::daily;
    out.x_from = day_index(span.from) * 1440 + span.from_minute;
    out.x_to = day_index(span.to) * 1440 + span.to_minute;
    out.bucket = 1440;
    long last_index = std::numeric_limits<long>::min();
    for (const Day& d : days) {
        ++out.records;
        if (d.day.empty() && d.month.empty()) continue;  // records without a date
        const Ymd date{number_of(d.year), number_of(d.month), number_of(d.day)};
        if (date.year < 0 || date.month < 1 || date.month > 12 || date.day < 1) continue;
        Point p;
        const long index = day_index(date);
        p.x = index * 1440 + 720;
        p.gap_before = last_index != std::numeric_limits<long>::min() && index > last_index + 1;
        last_index = index;
        p.when = date_text(date);
        p.v = day_values(kind, d, u);
        p.time_min = d.time_min;
        p.time_max = d.time_max;
        out.points.push_back(std::move(p));
    }
    running_total(out);
}

std::string utf8_of_latin1(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out += ch;
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string fixed(double v, int decimals)
{
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    return std::string(buf, r.ptr);
}

int spec_decimals(const std::string& spec)
{
    const std::size_t dot = spec.find('.');
    return dot == std::string::npos ? 1 : spec[dot + 1] - '0';
}

}  // namespace nimbora
