// SPDX-License-Identifier: GPL-3.0-or-later
// series.h: the figures a chart draws, read from the station database for a span, in the
// station's units. Daily figures are the monthly report's day figures (read_days); monthly ones
// are the AVG, MIN and MAX rows of those days; the wind rose splits the wind table's shares.
#pragma once

#include "config/Db.h"
#include "config/Settings.h"
#include "config/UnitConvert.h"
#include "jobs/Owner.h"
#include "jobs/ReportJob.h"
#include "reports/daily.h"
#include "reports/wind.h"

#include <array>
#include <cmath>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nimbora {

enum class ChartKind { temperature, humidity, pressure, rain, wind, windrose, solar };
inline constexpr std::array<const char*, 7> kChartKinds = {
    "temperature", "humidity", "pressure", "rain", "wind", "windrose", "solar"};
// The kind named `name` exactly; empty for any other text.
std::optional<ChartKind> chart_kind(std::string_view name);

// Every record up to kMaxPoints records (spans of up to kRecordDays days), else hourly buckets
// up to kRecordDays days, daily ones up to kMaxPoints days, monthly ones beyond.
enum class Resolution { record, hourly, daily, monthly };
inline constexpr long kMaxPoints = 1500;
inline constexpr long kRecordDays = 62;  // 62 days of hours: 1,488 points

// The days since 1 March of year 0 of a date of the Gregorian calendar, and back.
long day_index(const Ymd& d);
Ymd date_of_index(long index);

// A span of records: from minute `from_minute` of day `from` to minute `to_minute` of day `to`,
// both included (whole days: 0 and 1440, which takes "24:00" in too).
struct ChartSpan {
    Ymd from, to;
    int from_minute = 0, to_minute = 1440;
};

// The span of the last `hours` hours up to the latest record held, that record included;
// empty (and `failed` set, the owner told, when the statement failed) without records.
std::optional<ChartSpan> last_hours_span(Owner* owner, Db& db, int hours, bool& failed);

// The value of a missing figure.
inline constexpr double kNoValue = NAN;
inline bool missing(double v)
{
    return std::isnan(v);
}

// One point of a series: its position (minutes since day_index 0), whether data is missing
// between it and the point before, the date (and time) it shows, and its figures in display
// units. The figures by kind:
//   temperature  average (the record's value), lowest, highest, dew point average
//   humidity     average, lowest, highest
//   pressure     average, lowest, highest
//   rain         rain of the bucket, running total of the span
//   wind         average speed, highest gust
//   solar        average radiation, highest radiation, highest UV
struct Point {
    long x = 0;
    bool gap_before = false;
    std::string when;  // "05/02/2012 13:45", "05/02/2012", "02/2012"
    std::array<double, 4> v{kNoValue, kNoValue, kNoValue, kNoValue};
    std::string time_min, time_max;  // daily temperature: the times of the extremes, as printed
};

// The wind rose's speed classes in the station's wind unit: class i holds the speeds above
// limits[i-1] up to limits[i]; the last class is open.
inline constexpr std::size_t kSpeedClasses = 5;

struct Series {
    ChartKind kind = ChartKind::temperature;
    Resolution resolution = Resolution::record;
    ChartSpan span;
    long x_from = 0, x_to = 0;  // the span's extent in minutes
    long bucket = 1;            // minutes of a bucket (records: their usual interval)
    std::vector<Point> points;
    bool uv = false;  // the UV column is on
    // The wind rose: the wind table's share of each direction split by speed class, the calm
    // share in slot kCalm (class 0), and the class limits.
    std::array<std::array<double, kSpeedClasses>, kDirections + 1> rose{};
    WindRow shares{};
    std::array<double, kSpeedClasses - 1> limits{};
    long records = 0;  // records read
};

// The series of `kind` over `span` from the station table of `db`. False, the owner told, when a
// statement failed. A span without records gives a series without points. `at` replaces the
// resolution the span's length chooses.
bool read_series(Owner* owner, Db& db, const Settings& s, const Units& u, ChartKind kind,
                 const ChartSpan& span, Series& out, std::optional<Resolution> at = {});

// The series of `kind` over `span` at daily resolution from the days read_days handed over
// for it, in their order: what read_series draws at Resolution::daily (not the wind rose).
void daily_series(const Settings& s, const Units& u, ChartKind kind, const ChartSpan& span,
                  const std::vector<Day>& days, Series& out);

// The resolution a span of `days` days with `records` records is drawn at.
Resolution resolution_for(long days, long records);

// The where clause of a span over the station table and its four parameters.
struct SpanWhere {
    std::string from_year, to_year, from_key, to_key;
};
inline constexpr const char* kSpanWhere =
    "year>=? and year<=? and in_span(year,month,day,time,?,?)";
// The records of one month of the span: its year and month texts, then the two keys.
inline constexpr const char* kMonthWhere =
    "year=? and month=? and in_span(year,month,day,time,?,?)";
SpanWhere span_where(const ChartSpan& span);

// A Latin-1 text (the reports' degree sign is byte 0xB0) in UTF-8.
std::string utf8_of_latin1(std::string_view text);
// `v` with `decimals` decimals and '.' whatever the locale.
std::string fixed(double v, int decimals);
// The decimals of a printf format such as "  %6.2f".
int spec_decimals(const std::string& spec);

}  // namespace nimbora
