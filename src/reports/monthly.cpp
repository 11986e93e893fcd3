// SPDX-License-Identifier: GPL-3.0-or-later
#include "reports/monthly.h"

#include "config/format.h"
#include "config/function.h"
#include "reports/pass.h"

#include <sqlite3.h>

#include <algorithm>
#include <string_view>

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

void add_day(DayRun& run, const DayFigures& d, const Settings& s, const Units& u)
{
    for (std::size_t i = 0; i < run.sums.size(); ++i) run.sums[i] += d.means[i];
    const double range = u.temp(d.high) - u.temp(d.low);
    run.range_sum += range;
    lower(run.range_low, range);
    raise(run.range_high, range);
    run.counts.count(d.high, d.low, d.rain, s, u);
    ++run.days;
}

namespace {

// The columns of the pass: the date, the eight means in DayRun order, the other values, the
// direction.
enum PassColumn : int {
    kPYear,
    kPMonth,
    kPDay,
    kPFirstMean,  // temperature .. windspeed: 8 columns
    kPHiTemp = kPFirstMean + 8,
    kPLowTemp,
    kPHiSolar,
    kPET,
    kPHiUV,
    kPRainRate,
    kPRain,
    kPGust,
    kPWindRun,
    kPDirection,
    kPColumns
};
constexpr const char* kPassSelect =
    "select year,month,day,temperature,dewpoint,heatindex,windchill,humidity,pressure,SolarRad,"
    "windspeed,hitemp,lowtemp,hiSolarRad,ET,HiUV,rainrate,rain,gustspeed,WindRun,direction "
    "from datimeteo";
constexpr int kFirstValue = kPFirstMean, kValues = kPDirection - kPFirstMean;
constexpr int value_index(int column)
{
    return column - kFirstValue;
}

// One pass: the open day, month and year and what they have summed so far.
class Pass {
public:
    Pass(Owner* owner, Db& db, const std::function<void(YearFigures&&)>& done,
         const std::function<void()>& month_done, bool& failed)
        : owner_(owner), db_(db), done_(done), month_done_(month_done), failed_(failed)
    {
        printed_.prepare(owner, db, failed);
    }

    void row(sqlite3_stmt* r)
    {
        // A NULL key is a group of its own, apart from an empty text.
        const std::string_view year = column_text(r, kPYear), month = column_text(r, kPMonth),
                               day = column_text(r, kPDay);
        const bool year_null = sqlite3_column_type(r, kPYear) == SQLITE_NULL,
                   month_null = sqlite3_column_type(r, kPMonth) == SQLITE_NULL,
                   day_null = sqlite3_column_type(r, kPDay) == SQLITE_NULL;
        if (!open_ || year != year_.year || year_null != year_null_) {
            if (open_) end_year();
            year_ = YearFigures{};
            year_.year = year;
            year_null_ = year_null;
            year_wind_ = WindTally{};
            start_month(month, month_null);
            start_day(day, day_null);
            open_ = true;
        } else if (month != month_.month || month_null != month_null_) {
            end_month();
            start_month(month, month_null);
            start_day(day, day_null);
        } else if (day != day_ || day_null != day_null_) {
            end_day();
            start_day(day, day_null);
        }

        std::array<Cell, kValues> v;
        for (int c = 0; c < kValues; ++c)
            v[static_cast<std::size_t>(c)] = read_cell(r, kFirstValue + c);
        const auto at = [&v](int column) -> const Cell& {
            return v[static_cast<std::size_t>(value_index(column))];
        };

        for (std::size_t i = 0; i < 8; ++i) day_means_[i].add(v[i]);
        day_high_.raise(at(kPHiTemp));
        day_low_.lower(at(kPLowTemp));
        day_rain_.add(at(kPRain));

        if (t_high_.raise(at(kPHiTemp))) t_high_day_ = day;
        if (t_low_.lower(at(kPLowTemp))) t_low_day_ = day;
        const Cell& dew = v[kDew];
        dew_low_.lower(dew);
        dew_high_.raise(dew);
        heat_low_.lower(v[kHeat]);
        heat_high_.raise(v[kHeat]);
        chill_low_.lower(v[kChill]);
        chill_high_.raise(v[kChill]);
        hum_low_.lower(v[kHum]);
        hum_high_.raise(v[kHum]);
        bar_low_.lower(v[kBar]);
        bar_high_.raise(v[kBar]);
        solar_high_.raise(at(kPHiSolar));
        et_.add(at(kPET));
        uv_high_.raise(at(kPHiUV));
        rate_high_.raise(at(kPRainRate));
        rain_.add(at(kPRain));
        gust_high_.raise(at(kPGust));
        windrun_.add(at(kPWindRun));
        speed_high_.raise(v[kSpeed]);

        const std::string_view direction = column_text(r, kPDirection);
        const bool has_direction = sqlite3_column_type(r, kPDirection) != SQLITE_NULL;
        month_wind_.add(direction, has_direction, v[kSpeed], at(kPGust));
        year_wind_.add(direction, has_direction, v[kSpeed], at(kPGust));
    }

    void finish()
    {
        if (open_) end_year();
        open_ = false;
    }

private:
    void start_day(std::string_view day, bool null)
    {
        day_ = day;
        day_null_ = null;
        day_means_ = {};
        day_high_ = {};
        day_low_ = {};
        day_rain_ = {};
    }

    void end_day()
    {
        DayFigures d;
        for (std::size_t i = 0; i < 8; ++i) d.means[i] = day_means_[i].number();
        d.high = day_high_.number();
        d.low = day_low_.number();
        d.rain = day_rain_.number();
        month_.days.push_back(d);
    }

    void start_month(std::string_view month, bool null)
    {
        month_ = MonthFigures{};
        month_.month = month;
        month_null_ = null;
        t_high_ = t_low_ = dew_low_ = dew_high_ = heat_low_ = heat_high_ = chill_low_ =
            chill_high_ = hum_low_ = hum_high_ = bar_low_ = bar_high_ = solar_high_ = uv_high_ =
                rate_high_ = gust_high_ = speed_high_ = Extreme{};
        et_ = rain_ = windrun_ = Sum{};
        t_high_day_.clear();
        t_low_day_.clear();
        month_wind_ = WindTally{};
    }

    // The day of the month's temperature extreme: found, like the statement it replaces
    // found it, as the first record equal to the value as printed with "%f" and read back by
    // SQLite. When that reading is the extreme itself, that record is the first holding the
    // extreme, which the pass kept; otherwise the statement runs.
    std::string extreme_day(const Extreme& e, double shown, const std::string& first_day,
                            const char* column)
    {
        // No value, so no record equals the 0 looked up; records without a month are never
        // found by "month=?".
        if (e.best.null || month_null_) return {};
        const std::string printed = strf("%f", shown);
        if (printed_.reads_back(printed, e.best.v)) return first_day;
        const auto r = db_.query(
            owner_,
            strf("select day from datimeteo where year=? and month=? and %s = ?", column).c_str(),
            {year_.year, month_.month, printed});
        failed_ |= !r.ok;
        return r.rows.empty() ? std::string() : r.rows[0][0];
    }

    void end_month()
    {
        end_day();
        Figures& f = month_.f;
        f.t_low = t_low_.number();
        f.t_high = t_high_.number();
        f.t_high_date = extreme_day(t_high_, f.t_high, t_high_day_, "hitemp") + "/" + month_.month;
        f.t_low_date = extreme_day(t_low_, f.t_low, t_low_day_, "lowtemp") + "/" + month_.month;
        f.dew_low = dew_low_.number();
        f.dew_high = dew_high_.number();
        f.heat_low = heat_low_.number();
        f.heat_high = heat_high_.number();
        f.chill_low = chill_low_.number();
        f.chill_high = chill_high_.number();
        f.hum_low = hum_low_.number();
        f.hum_high = hum_high_.number();
        f.bar_low = bar_low_.number();
        f.bar_high = bar_high_.number();
        f.solar_high = solar_high_.whole();
        f.et = et_.number();
        f.uv_high = uv_high_.number();
        f.rate_high = rate_high_.number();
        f.rain = rain_.number();
        f.gust_high = gust_high_.number();
        f.windrun = windrun_.number();
        f.speed_high = speed_high_.number();
        f.direction = month_wind_.dominant();
        // The statements that read a month by "month=?" see no record without a month: such
        // a month has its extremes and totals, but no day and no direction.
        if (month_null_) {
            month_.days.clear();
            f.direction = "---";
        }
        year_.months.push_back(std::move(month_));
        if (month_done_) month_done_();
    }

    void end_year()
    {
        end_month();
        year_.direction = year_wind_.dominant();
        year_.shares = year_wind_.percentages();
        year_.speeds = year_wind_.speeds();
        done_(std::move(year_));
    }

    Owner* owner_;
    Db& db_;
    const std::function<void(YearFigures&&)>& done_;
    const std::function<void()>& month_done_;
    bool& failed_;
    PrintedValue printed_;

    bool open_ = false;
    YearFigures year_;
    MonthFigures month_;
    std::string day_;
    bool year_null_ = false, month_null_ = false, day_null_ = false;
    std::array<Average, 8> day_means_{};
    Extreme day_high_, day_low_;
    Sum day_rain_;
    Extreme t_high_, t_low_, dew_low_, dew_high_, heat_low_, heat_high_, chill_low_, chill_high_,
        hum_low_, hum_high_, bar_low_, bar_high_, solar_high_, uv_high_, rate_high_, gust_high_,
        speed_high_;
    Sum et_, rain_, windrun_;
    std::string t_high_day_, t_low_day_;
    WindTally month_wind_, year_wind_;
};

}  // namespace

void read_years(Owner* owner, Db& db, const std::string& year,
                const std::function<void(YearFigures&&)>& done,
                const std::function<void()>& month_done, bool& failed)
{
    Pass pass(owner, db, done, month_done, failed);
    const auto row = [&pass](sqlite3_stmt* r) { pass.row(r); };
    const std::string sql = std::string(kPassSelect) + (year.empty() ? "" : " where year=?1") +
                            " order by year,month,day,time";
    if (year.empty())
        each_row(owner, db, sql, {}, row, failed);
    else
        each_row(owner, db, sql, {year}, row, failed);
    pass.finish();
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
