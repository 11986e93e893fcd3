#include "reports/monthly.h"

#include "config/format.h"
#include "config/function.h"

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

// A value of a record: NULL is skipped by min, max, sum, avg and count as SQLite skips it.
struct Cell {
    bool null = true, integer = false;
    double v = 0;
    sqlite3_int64 i = 0;
};

// The text SQLite prints for a cell's value.
std::string cell_text(const Cell& c)
{
    return c.integer ? strf("%lld", static_cast<long long>(c.i)) : sqlite_text(c.v);
}

// min() or max() of a column: the first of equal values stays, as in SQLite's own.
struct Extreme {
    Cell best;
    bool lower(const Cell& c)
    {
        if (c.null || (!best.null && !(c.v < best.v))) return false;
        best = c;
        return true;
    }
    bool raise(const Cell& c)
    {
        if (c.null || (!best.null && !(c.v > best.v))) return false;
        best = c;
        return true;
    }
    // The value as read back from the statement's text; 0 for NULL.
    double number() const { return best.null ? 0.0 : num(cell_text(best)); }
    int whole() const { return best.null ? 0 : inum(cell_text(best)); }
};

// sum() of a REAL column, added in the order SQLite adds it; NULL without values.
struct Sum {
    bool held = false;
    double v = 0;
    void add(const Cell& c)
    {
        if (c.null) return;
        held = true;
        v += c.v;
    }
    double number() const { return held ? num(sqlite_text(v)) : 0.0; }
};

// avg(): SQLite's sum in double divided by the count of values.
struct Average {
    double sum = 0;
    long long count = 0;
    void add(const Cell& c)
    {
        if (c.null) return;
        sum += c.v;
        ++count;
    }
    double number() const
    {
        return count > 0 ? num(sqlite_text(sum / static_cast<double>(count))) : 0.0;
    }
};

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

// The records of one direction text in a year: those with a direction (count(direction)),
// those of positive speed or gust in the month and the year (the dominant direction), and
// those of positive speed with their speeds' sum (the wind tables).
struct DirectionTally {
    std::string text;
    int all = 0, month_moving = 0, year_moving = 0, windy = 0;
    double windy_sum = 0;
};

// The slot of a stored direction text (stored right-aligned: "  N"); -1 for none.
int direction_slot(const std::string& direction)
{
    const std::string name = trim(direction);
    for (int i = 0; i < 16; ++i)
        if (name == kPrevalWind[static_cast<std::size_t>(i)]) return i;
    return -1;
}

// What "group by direction order by 2 desc" puts first: the largest count, of equal counts
// the last direction in text order; a group of records without direction (count 0) only
// when it is the only one; "---" without records of positive speed or gust.
std::string dominant(const std::vector<DirectionTally>& tallies, int DirectionTally::*count,
                     bool moving_without_direction)
{
    const DirectionTally* best = nullptr;
    for (const DirectionTally& t : tallies) {
        if (t.*count == 0) continue;
        if (!best || t.*count > best->*count || (t.*count == best->*count && t.text > best->text))
            best = &t;
    }
    if (best) return best->text;
    return moving_without_direction ? std::string() : std::string("---");
}

// One pass: the open day, month and year and what they have summed so far.
class Pass {
public:
    Pass(Owner* owner, Db& db, const std::function<void(YearFigures&&)>& done,
         const std::function<void()>& month_done, bool& failed)
        : owner_(owner), db_(db), done_(done), month_done_(month_done), failed_(failed)
    {
        sqlite3_stmt* raw = nullptr;
        if (sqlite3_prepare_v2(db.get(), "select cast(?1 as real)", -1, &raw, nullptr) == SQLITE_OK)
            as_real_.reset(raw);
        else
            fail();
    }

    void row(sqlite3_stmt* r)
    {
        // A NULL key is a group of its own, apart from an empty text.
        const std::string_view year = text(r, kPYear), month = text(r, kPMonth),
                               day = text(r, kPDay);
        const bool year_null = sqlite3_column_type(r, kPYear) == SQLITE_NULL,
                   month_null = sqlite3_column_type(r, kPMonth) == SQLITE_NULL,
                   day_null = sqlite3_column_type(r, kPDay) == SQLITE_NULL;
        if (!open_ || year != year_.year || year_null != year_null_) {
            if (open_) end_year();
            year_ = YearFigures{};
            year_.year = year;
            year_null_ = year_null;
            tallies_.clear();
            year_moving_bare_ = false;
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
        for (int c = 0; c < kValues; ++c) {
            Cell& cell = v[static_cast<std::size_t>(c)];
            const int type = sqlite3_column_type(r, kFirstValue + c);
            if (type == SQLITE_NULL) continue;
            cell.null = false;
            cell.integer = type == SQLITE_INTEGER;
            if (cell.integer) {
                cell.i = sqlite3_column_int64(r, kFirstValue + c);
                cell.v = static_cast<double>(cell.i);
            } else {
                cell.v = sqlite3_column_double(r, kFirstValue + c);
            }
        }
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

        // The direction: "gustspeed > 0 or windspeed > 0", and "windspeed > 0", as SQLite
        // compares a NULL (never true).
        const Cell& speed = v[kSpeed];
        const Cell& gust = at(kPGust);
        const bool windy = !speed.null && speed.v > 0;
        const bool moving = windy || (!gust.null && gust.v > 0);
        if (sqlite3_column_type(r, kPDirection) == SQLITE_NULL) {
            if (moving) month_moving_bare_ = year_moving_bare_ = true;
            return;
        }
        DirectionTally& t = tally(text(r, kPDirection));
        ++t.all;
        if (moving) {
            ++t.month_moving;
            ++t.year_moving;
        }
        if (windy) {
            ++t.windy;
            t.windy_sum += speed.v;
        }
    }

    void finish()
    {
        if (open_) end_year();
        open_ = false;
    }

private:
    static std::string_view text(sqlite3_stmt* r, int c)
    {
        const unsigned char* t = sqlite3_column_text(r, c);
        return t ? std::string_view(reinterpret_cast<const char*>(t),
                                    static_cast<std::size_t>(sqlite3_column_bytes(r, c)))
                 : std::string_view();
    }

    void fail()
    {
        failed_ = true;
        tell_database_error(owner_, sqlite3_errmsg(db_.get()));
    }

    DirectionTally& tally(std::string_view direction)
    {
        if (last_ < tallies_.size() && tallies_[last_].text == direction) return tallies_[last_];
        for (last_ = 0; last_ < tallies_.size(); ++last_)
            if (tallies_[last_].text == direction) return tallies_[last_];
        tallies_.push_back(DirectionTally{std::string(direction)});
        return tallies_[last_];
    }

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
        for (DirectionTally& t : tallies_) t.month_moving = 0;
        month_moving_bare_ = false;
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
        if (as_real_) {
            sqlite3_reset(as_real_.get());
            sqlite3_bind_text(as_real_.get(), 1, printed.c_str(), -1, SQLITE_TRANSIENT);
            if (sqlite3_step(as_real_.get()) == SQLITE_ROW &&
                sqlite3_column_double(as_real_.get(), 0) == e.best.v)
                return first_day;
        }
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
        f.direction = dominant(tallies_, &DirectionTally::month_moving, month_moving_bare_);
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
        year_.direction = dominant(tallies_, &DirectionTally::year_moving, year_moving_bare_);
        // The wind tables, by direction in text order as "group by direction" gives them (a
        // later text of the same name overwrites an earlier one's slot).
        std::sort(tallies_.begin(), tallies_.end(),
                  [](const DirectionTally& a, const DirectionTally& b) { return a.text < b.text; });
        last_ = 0;
        int total = 0;
        for (const DirectionTally& t : tallies_) total += t.all;
        int windy = 0;
        for (const DirectionTally& t : tallies_) {
            if (t.windy == 0) continue;
            windy += t.windy;
            if (const int i = direction_slot(t.text); i >= 0) {
                const auto slot = static_cast<std::size_t>(i);
                if (total != 0)
                    year_.shares[slot] =
                        static_cast<float>(t.windy) / static_cast<float>(total) * 100.0f;
                year_.speeds[slot] = num(sqlite_text(t.windy_sum / static_cast<double>(t.windy)));
            }
        }
        // A year without a single direction has no shares to speak of: zeros, never NaN.
        if (total != 0)
            year_.shares[16] =
                static_cast<float>(total - windy) / static_cast<float>(total) * 100.0f;
        done_(std::move(year_));
    }

    Owner* owner_;
    Db& db_;
    const std::function<void(YearFigures&&)>& done_;
    const std::function<void()>& month_done_;
    bool& failed_;
    StmtHandle as_real_;

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
    std::vector<DirectionTally> tallies_;
    std::size_t last_ = 0;
    bool month_moving_bare_ = false, year_moving_bare_ = false;
};

}  // namespace

void read_years(Owner* owner, Db& db, const std::string& year,
                const std::function<void(YearFigures&&)>& done,
                const std::function<void()>& month_done, bool& failed)
{
    const std::string sql = std::string(kPassSelect) + (year.empty() ? "" : " where year=?1") +
                            " order by year,month,day,time";
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db.get(), sql.c_str(), -1, &raw, nullptr) != SQLITE_OK) {
        failed = true;
        tell_database_error(owner, sqlite3_errmsg(db.get()));
        return;
    }
    const StmtHandle stmt(raw);
    if (!year.empty()) sqlite3_bind_text(raw, 1, year.c_str(), -1, SQLITE_STATIC);
    Pass pass(owner, db, done, month_done, failed);
    int rc;
    while ((rc = sqlite3_step(raw)) == SQLITE_ROW) pass.row(raw);
    if (rc != SQLITE_DONE) {
        failed = true;
        tell_database_error(owner, sqlite3_errmsg(db.get()));
    }
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
