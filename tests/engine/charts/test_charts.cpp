// SPDX-License-Identifier: GPL-3.0-or-later
// The charts' series and SVG, and the CSV export, against hand-made records and the real month.
#include "charts/csv.h"
#include "charts/series.h"
#include "charts/svg.h"
#include "config/schema.h"
#include "import/load_db.h"
#include "jobs/busy.h"
#include "reports/MonthRep.h"
#include "reports/YearRep.h"
#include "support/golden.h"
#include "support/report_station.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace nimbora::test {
namespace {

namespace fs = std::filesystem;

// Whether xmllint reads `svg` as well-formed XML.
bool well_formed(const TempDir& dir, const std::string& name, const std::string& svg)
{
    const fs::path path = dir.path() / name;
    std::ofstream(path, std::ios::binary) << svg;
    return std::system(("xmllint --noout '" + path.string() + "'").c_str()) == 0;
}

std::vector<std::string> split(const std::string& line, char sep)
{
    std::vector<std::string> out;
    std::string cell;
    std::istringstream in(line);
    while (std::getline(in, cell, sep)) out.push_back(cell);
    if (!line.empty() && line.back() == sep) out.push_back({});
    return out;
}

std::vector<std::string> words(const std::string& line)
{
    std::vector<std::string> out;
    std::istringstream in(line);
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

// Three days across a year's end: the last day of 2011 at 30-minute records, a gap of a day
// (1 January missing) and 2 January with two records.
const DatedRec kDays[] = {
    {"2011", "12", {"31", "00:00", -2.0, -1.5, -2.5, 80, -4.0, 1012.0, 5.0, 12.0, "  N",
                    0.0,  0.0,     -2.0, -5.0, 0,    0,  0.0,  0.0,    0.0, 2.5}},
    {"2011", "12", {"31", "00:30", -1.0, -0.8, -2.0, 82, -3.5, 1011.5, 8.0, 16.0, "NNE",
                    0.2,  1.2,     -1.0, -4.0, 0,    0,  0.0,  0.0,    0.0, 4.0}},
    {"2011", "12", {"31", "01:00", 0.5, 0.9,  -1.0, 85, -2.0, 1011.0, 14.0, 25.0, "  E",
                    0.4,  2.4,     0.5, -2.5, 10,   25, 0.1,  0.5,    0.8,  7.0}},
    {"2011", "12", {"31", "01:30", 1.5, 1.6, 0.4, 88, -1.0, 1010.2, 0.0, 3.0, "  E",
                    0.0,  0.0,     1.5, 1.5, 40,  55, 0.1,  1.0,    1.4, 0.0}},
    {"2012", "01", {"02", "12:00", 4.0, 4.5, 3.5, 70,  0.5, 1008.0, 22.0, 35.0, " SW",
                    1.0,  6.0,     4.0, 0.0, 300, 420, 0.3, 2.0,    2.5,  11.0}},
    {"2012", "01", {"02", "12:30", 5.0, 5.2, 4.0, 65,  0.8, 1007.5, 32.0, 48.0, "WSW",
                    0.0,  0.0,     5.0, 1.0, 350, 400, 0.3, 2.5,    3.0,  16.0}},
};

class Charts : public testing::Test {
protected:
    void SetUp() override
    {
        st.all_columns();
        u = UnitConvert(st.settings);
    }
    Db db() { return *Db::open(&st.owner, st.db_path()); }
    Series series(ChartKind kind, const ChartSpan& span, std::optional<Resolution> at = {})
    {
        Db d = db();
        Series s;
        EXPECT_TRUE(read_series(&st.owner, d, st.settings, u, kind, span, s, at));
        return s;
    }

    ReportStation st;
    Units u;
};

// Each kind drawn from the hand-made days, byte for byte, and well-formed.
TEST_F(Charts, GoldenPerKindAcrossYearEnd)
{
    st.insert(kDays);
    const ChartSpan span{{2011, 12, 31}, {2012, 1, 2}};
    for (std::size_t k = 0; k < kChartKinds.size(); ++k) {
        const auto kind = static_cast<ChartKind>(k);
        const Series s = series(kind, span);
        if (kind != ChartKind::windrose) {
            EXPECT_EQ(s.resolution, Resolution::record);
            ASSERT_EQ(s.points.size(), 6u) << kChartKinds[k];
            // The records are 30 minutes apart; the missing day breaks the line.
            EXPECT_EQ(s.bucket, 30);
            for (std::size_t i = 0; i < 6; ++i)
                EXPECT_EQ(s.points[i].gap_before, i == 4) << kChartKinds[k] << " " << i;
        }
        const std::string svg = chart_svg(s, u);
        const std::string name = std::string("chart_") + kChartKinds[k] + ".svg";
        EXPECT_TRUE(well_formed(st.dir, name, svg)) << name;
        if (std::getenv("NIMBORA_WRITE_CHART_GOLDEN"))
            std::ofstream(fs::path(std::getenv("NIMBORA_WRITE_CHART_GOLDEN")) / name,
                          std::ios::binary)
                << svg;
        EXPECT_TRUE(matches_golden("charts/" + name, svg));
        EXPECT_EQ(svg, chart_svg(s, u)) << "the same series, other bytes";
    }
}

// The degree sign in UTF-8, every point titled, the line broken at the gap.
TEST_F(Charts, TemperatureSvgDetails)
{
    st.insert(kDays);
    const std::string svg =
        chart_svg(series(ChartKind::temperature, {{2011, 12, 31}, {2012, 1, 2}}), u);
    EXPECT_NE(svg.find("Temperature (\xC2\xB0"
                       "C)"),
              std::string::npos);
    EXPECT_EQ(svg.find('\xB0' + std::string("C")), svg.find("\xC2\xB0"
                                                            "C") +
                                                       1);
    EXPECT_NE(svg.find("<title>31/12/2011 01:00: temperature 0.5 \xC2\xB0"
                       "C, dew point -2.0 "
                       "\xC2\xB0"
                       "C</title>"),
              std::string::npos);
    EXPECT_EQ(svg.find("style"), std::string::npos);
    EXPECT_EQ(svg.find("filter"), std::string::npos);
    const std::size_t path = svg.find("<path d=\"");
    ASSERT_NE(path, std::string::npos);
    const std::string d = svg.substr(path, svg.find('"', path + 9) - path);
    EXPECT_EQ(std::count(d.begin(), d.end(), 'M'), 2) << d;
}

// The station's other units: in the axes, the titles and their decimals.
TEST_F(Charts, OtherUnits)
{
    st.insert(kDays);
    st.settings.UnitTemp = 1;
    st.settings.UnitRain = 1;
    st.settings.UnitWind = 1;
    st.settings.UnitBar = 3;
    u = UnitConvert(st.settings);
    const ChartSpan span{{2011, 12, 31}, {2012, 1, 2}};
    const auto svg = [&](ChartKind kind) { return chart_svg(series(kind, span), u); };
    const std::string t = svg(ChartKind::temperature);
    EXPECT_NE(t.find(">Temperature (\xC2\xB0"
                     "F)</text>"),
              std::string::npos);
    EXPECT_NE(t.find("<title>31/12/2011 01:00: temperature 32.9 \xC2\xB0"
                     "F, dew point 28.4 "
                     "\xC2\xB0"
                     "F</title>"),
              std::string::npos);
    const std::string p = svg(ChartKind::pressure);
    EXPECT_NE(p.find(">Pressure (inHg)</text>"), std::string::npos);
    EXPECT_NE(p.find("<title>31/12/2011 01:00: pressure 29.855 inHg</title>"), std::string::npos);
    const std::string r = svg(ChartKind::rain);
    EXPECT_NE(r.find("<title>31/12/2011 01:00: rain 0.02 in, total 0.02 in</title>"),
              std::string::npos);
    const std::string w = svg(ChartKind::wind);
    EXPECT_NE(w.find("<title>31/12/2011 01:00: average speed 8.7 mph, highest gust 15.5 "
                     "mph</title>"),
              std::string::npos);
    // The wind rose in miles an hour: one of the six records blows from E at 8.7 mph, in 8-13.
    const std::string rose = svg(ChartKind::windrose);
    EXPECT_NE(rose.find(">8\xE2\x80\x93"
                        "13 mph</text>"),
              std::string::npos);
    EXPECT_NE(rose.find("<title>E, 8\xE2\x80\x93"
                        "13 mph: 16.7 % (E: 16.7 %)</title>"),
              std::string::npos)
        << rose;
    for (const auto& [kind, text] : {std::pair{ChartKind::temperature, t},
                                     {ChartKind::pressure, p},
                                     {ChartKind::rain, r},
                                     {ChartKind::wind, w},
                                     {ChartKind::windrose, rose}})
        EXPECT_TRUE(well_formed(st.dir, "units.svg", text)) << static_cast<int>(kind);
}

// The wind rose's classes and the pressure's decimals in the remaining units.
TEST_F(Charts, WindAndPressureUnits)
{
    st.insert(kDays);
    const ChartSpan span{{2011, 12, 31}, {2012, 1, 2}};
    struct Case {
        int wind, bar;
        const char* rose_class;  // the class of the E record (14 Km/h)
        const char* pressure;    // 1011.0 hPa
    };
    for (const Case& c : {Case{0, 0,
                               "12\xE2\x80\x93"
                               "20 Km/h",
                               "1011.0 hPa"},
                          Case{2, 1,
                               "7\xE2\x80\x93"
                               "11 knot",
                               "1011.0 mb"},
                          Case{3, 2,
                               "3.5\xE2\x80\x93"
                               "5.5 m/s",
                               "758.3 mmHg"}}) {
        st.settings.UnitWind = static_cast<signed char>(c.wind);
        st.settings.UnitBar = static_cast<signed char>(c.bar);
        u = UnitConvert(st.settings);
        const std::string rose = chart_svg(series(ChartKind::windrose, span), u);
        EXPECT_NE(rose.find(std::string("<title>E, ") + c.rose_class + ": 16.7 %"),
                  std::string::npos)
            << c.rose_class;
        const std::string p = chart_svg(series(ChartKind::pressure, span), u);
        EXPECT_NE(
            p.find(std::string("<title>31/12/2011 01:00: pressure ") + c.pressure + "</title>"),
            std::string::npos)
            << c.pressure;
    }
}

// Daily figures are the day's figures; the missing day is a gap; hourly buckets average.
TEST_F(Charts, DailyAndHourlyFigures)
{
    st.insert(kDays);
    const ChartSpan span{{2011, 12, 31}, {2012, 1, 2}};
    const Series daily = series(ChartKind::temperature, span, Resolution::daily);
    ASSERT_EQ(daily.points.size(), 2u);
    EXPECT_EQ(daily.points[0].when, "31/12/2011");
    EXPECT_DOUBLE_EQ(daily.points[0].v[1], -2.5);  // lowest of the low temperatures
    EXPECT_DOUBLE_EQ(daily.points[0].v[2], 1.6);
    EXPECT_DOUBLE_EQ(daily.points[0].v[0], -0.25);
    EXPECT_TRUE(daily.points[1].gap_before);
    const Series rain = series(ChartKind::rain, span, Resolution::daily);
    EXPECT_NEAR(rain.points[1].v[1], 1.6, 1e-9);  // running total
    const Series hourly = series(ChartKind::wind, span, Resolution::hourly);
    ASSERT_EQ(hourly.points.size(), 3u);
    EXPECT_EQ(hourly.points[0].when, "31/12/2011 00:00");
    EXPECT_DOUBLE_EQ(hourly.points[0].v[0], 6.5);
    EXPECT_DOUBLE_EQ(hourly.points[0].v[1], 16.0);
    EXPECT_TRUE(hourly.points[2].gap_before);
    EXPECT_FALSE(hourly.points[1].gap_before);
}

// Spans of several years are drawn a point a month; a month without records is a gap.
TEST_F(Charts, MonthlyAcrossYears)
{
    const DatedRec rows[] = {{"2008", "01", kDays[0].rec},
                             {"2008", "01", kDays[2].rec},
                             {"2008", "02", kDays[4].rec},
                             {"2012", "03", kDays[5].rec}};
    st.insert(rows);
    EXPECT_EQ(resolution_for(kMaxPoints, 0), Resolution::daily);
    EXPECT_EQ(resolution_for(kMaxPoints + 1, 0), Resolution::monthly);
    EXPECT_EQ(resolution_for(kRecordDays, kMaxPoints), Resolution::record);
    EXPECT_EQ(resolution_for(kRecordDays, kMaxPoints + 1), Resolution::hourly);
    const Series s = series(ChartKind::temperature, {{2008, 1, 15}, {2012, 12, 31}});
    EXPECT_EQ(s.resolution, Resolution::monthly);
    ASSERT_EQ(s.points.size(), 3u);
    EXPECT_EQ(s.points[0].when, "01/2008");
    EXPECT_DOUBLE_EQ(s.points[0].v[0], -0.75);  // the one day's mean
    EXPECT_DOUBLE_EQ(s.points[0].v[1], -2.5);
    EXPECT_DOUBLE_EQ(s.points[0].v[2], 0.9);
    EXPECT_FALSE(s.points[1].gap_before);
    EXPECT_EQ(s.points[2].when, "03/2012");
    EXPECT_TRUE(s.points[2].gap_before);
    const std::string svg = chart_svg(s, u);
    EXPECT_TRUE(well_formed(st.dir, "monthly.svg", svg));
    EXPECT_TRUE(matches_golden("charts/chart_temperature_monthly.svg", svg));
    if (std::getenv("NIMBORA_WRITE_CHART_GOLDEN"))
        std::ofstream(fs::path(std::getenv("NIMBORA_WRITE_CHART_GOLDEN")) /
                          "chart_temperature_monthly.svg",
                      std::ios::binary)
            << svg;
}

// An hour without records is a gap in the hourly series; a late record is not one in the
// record series.
TEST_F(Charts, MissingHourAndLateRecord)
{
    const DatedRec rows[] = {{"2012", "03", {"01", "00:10", 1, 1, 1, 50, 0, 1000, 1, 1, "  N",
                                             0,    0,       1, 1, 0, 0,  0, 0,    0, 0}},
                             {"2012", "03", {"01", "01:10", 2, 2, 2, 50, 0, 1000, 1, 1, "  N",
                                             0,    0,       2, 2, 0, 0,  0, 0,    0, 0}},
                             {"2012", "03", {"01", "02:25", 3, 3, 3, 50, 0, 1000, 1, 1, "  N",
                                             0,    0,       3, 3, 0, 0,  0, 0,    0, 0}},
                             {"2012", "03", {"01", "04:10", 4, 4, 4, 50, 0, 1000, 1, 1, "  N",
                                             0,    0,       4, 4, 0, 0,  0, 0,    0, 0}}};
    st.insert(rows);
    const ChartSpan span{{2012, 3, 1}, {2012, 3, 1}};
    const Series hourly = series(ChartKind::temperature, span, Resolution::hourly);
    ASSERT_EQ(hourly.points.size(), 4u);
    EXPECT_FALSE(hourly.points[1].gap_before);
    EXPECT_FALSE(hourly.points[2].gap_before);
    EXPECT_TRUE(hourly.points[3].gap_before);  // 03:00 to 04:00 holds nothing
    const Series records = series(ChartKind::temperature, span);
    EXPECT_EQ(records.bucket, 75);  // the median of 60, 75 and 105 minutes
    EXPECT_FALSE(records.points[2].gap_before);
    EXPECT_FALSE(records.points[3].gap_before);
}

// The last hours count back from the latest record, not from the clock.
TEST_F(Charts, LastHoursFromLatestRecord)
{
    st.insert(kDays);
    Db d = db();
    bool failed = false;
    const auto span = last_hours_span(&st.owner, d, 24, failed);
    ASSERT_TRUE(span);
    EXPECT_EQ(span->to, (Ymd{2012, 1, 2}));
    EXPECT_EQ(span->to_minute, 12 * 60 + 30);
    EXPECT_EQ(span->from, (Ymd{2012, 1, 1}));
    EXPECT_EQ(span->from_minute, 12 * 60 + 31);
    EXPECT_EQ(series(ChartKind::temperature, *span).points.size(), 2u);
    EXPECT_EQ(span_label(*span), "01/01/2012 12:31 \xE2\x80\x93 02/01/2012 12:30");
}

// Records: every column in the station's units, an empty cell for a missing value.
TEST_F(Charts, RecordExportInStationUnits)
{
    st.insert(kDays);
    st.settings.UnitTemp = 1;
    st.settings.UnitRain = 1;
    u = UnitConvert(st.settings);
    Db d = db();
    std::ostringstream out;
    long rows = 0;
    ASSERT_TRUE(
        export_csv(&st.owner, d, st.settings, u, {{2012, 1, 1}, {2012, 1, 2}}, false, out, rows));
    EXPECT_EQ(rows, 2);
    const std::vector<std::string> lines = crlf_lines(out.str());
    EXPECT_EQ(lines[0], kRecordHeader);
    EXPECT_EQ(lines[1],
              "2012-01-02,12:00,39.2,40.1,38.3,70,32.9,1008.0,22.0,35.0,SW,0.04,0.24,39.2,32.0,"
              "300,420,0.012,2.0,2.5,11.00");
}

// The real month: the daily series and the --daily export are the monthly report's day rows,
// the wind rose's shares its wind table.
TEST_F(Charts, RealMonthMatchesMonthlyReport)
{
    const fs::path fixture = fs::path(NIMBORA_FIXTURES) / "2012-02.wlk";
    if (!fs::exists(fixture)) GTEST_SKIP() << "the real archive is not here: " << fixture;
    fs::copy_file(fixture, st.dir.path() / "2012-02.wlk");
    {
        ReportJob import;
        import.settings = st.settings;
        import.Files = {"2012-02.wlk"};
        import.busy = BusyClaim::try_claim(ThActive);
        ASSERT_EQ(load_db(import).RecErr, 0);
    }
    st.columns({kTemperature, kRain, kWind});
    ReportJob job;
    job.Table = "DatiMeteo";
    job.year = 2012;
    job.month = 2;
    ASSERT_EQ(st.run_job(MonthReport, job), 0);
    const std::vector<std::string> lines = st.lines("February_2012.txt");

    const ChartSpan span{{2012, 2, 1}, {2012, 2, 29}};
    EXPECT_EQ(series(ChartKind::temperature, span).resolution, Resolution::hourly);
    const Series t = series(ChartKind::temperature, span, Resolution::daily);
    const Series r = series(ChartKind::rain, span, Resolution::daily);
    const Series w = series(ChartKind::wind, span, Resolution::daily);
    ASSERT_EQ(t.points.size(), 29u);
    Db d = db();
    std::ostringstream csv;
    long rows = 0;
    ASSERT_TRUE(export_csv(&st.owner, d, st.settings, u, span, true, csv, rows));
    const std::vector<std::string> exported = crlf_lines(csv.str());
    ASSERT_EQ(exported.size(), 31u);  // header, 29 days, the empty text after the last CR LF
    const std::vector<std::string> header = split(exported[0], ',');
    const auto col = [&header](const char* name) {
        return static_cast<std::size_t>(std::find(header.begin(), header.end(), name) -
                                        header.begin());
    };

    std::size_t first = 0;
    while (first < lines.size() && lines[first].substr(0, 4) != " 1  ") ++first;
    ASSERT_LT(first, lines.size());
    for (int day = 1; day <= 29; ++day) {
        const std::vector<std::string> row =
            words(lines[first + static_cast<std::size_t>(day) - 1]);
        // day, avg, min, time, max, time, rain, wind avg, max, gust, direction
        ASSERT_EQ(row.size(), 11u) << lines[first + static_cast<std::size_t>(day) - 1];
        ASSERT_EQ(row[0], std::to_string(day));
        const Point& p = t.points[static_cast<std::size_t>(day) - 1];
        EXPECT_EQ(p.when, strf("%02d/02/2012", day));
        EXPECT_EQ(fixed(p.v[0], 1), row[1]) << day;
        EXPECT_EQ(fixed(p.v[1], 1), row[2]) << day;
        EXPECT_EQ(p.time_min, row[3]) << day;
        EXPECT_EQ(fixed(p.v[2], 1), row[4]) << day;
        EXPECT_EQ(fixed(r.points[static_cast<std::size_t>(day) - 1].v[0], 1), row[6]) << day;
        EXPECT_EQ(fixed(w.points[static_cast<std::size_t>(day) - 1].v[0], 1), row[7]) << day;
        EXPECT_EQ(fixed(w.points[static_cast<std::size_t>(day) - 1].v[1], 1), row[9]) << day;

        const std::vector<std::string> e = split(exported[static_cast<std::size_t>(day)], ',');
        ASSERT_EQ(e.size(), header.size());
        EXPECT_EQ(e[0], strf("2012-02-%02d", day));
        EXPECT_EQ(e[col("temperature_avg")], row[1]) << day;
        EXPECT_EQ(e[col("temperature_min")], row[2]) << day;
        EXPECT_EQ(e[col("temperature_min_time")], row[3]) << day;
        EXPECT_EQ(e[col("temperature_max")], row[4]) << day;
        EXPECT_EQ(e[col("temperature_max_time")], row[5]) << day;
        EXPECT_EQ(e[col("rain")], row[6]) << day;
        EXPECT_EQ(e[col("wind_speed_avg")], row[7]) << day;
        EXPECT_EQ(e[col("wind_speed_max")], row[8]) << day;
        EXPECT_EQ(e[col("gust_max")], row[9]) << day;
        EXPECT_EQ(e[col("direction")], row[10]) << day;
    }

    // The monthly series is the annual report's month row.
    job.year = 2012;
    ASSERT_EQ(st.run_job(YearReport, job), 0);
    const std::vector<std::string> year = st.lines("Year2012.txt");
    const auto month_row = std::find_if(
        year.begin(), year.end(), [](const std::string& l) { return l.substr(0, 3) == " 2 "; });
    ASSERT_NE(month_row, year.end());
    // month, avg, min, date, max, date, rain, wind avg, max, gust, direction
    const std::vector<std::string> m = words(*month_row);
    ASSERT_EQ(m.size(), 11u) << *month_row;
    const ChartSpan whole{{2012, 1, 1}, {2012, 12, 31}};
    const Series mt = series(ChartKind::temperature, whole, Resolution::monthly);
    const Series mr = series(ChartKind::rain, whole, Resolution::monthly);
    const Series mw = series(ChartKind::wind, whole, Resolution::monthly);
    ASSERT_EQ(mt.points.size(), 1u);
    EXPECT_EQ(fixed(mt.points[0].v[0], 1), m[1]);
    EXPECT_EQ(fixed(mt.points[0].v[1], 1), m[2]);
    EXPECT_EQ(fixed(mt.points[0].v[2], 1), m[4]);
    EXPECT_EQ(fixed(mr.points[0].v[0], 1), m[6]);
    EXPECT_EQ(fixed(mw.points[0].v[0], 1), m[7]);
    EXPECT_EQ(fixed(mw.points[0].v[1], 1), m[9]);

    // The wind table's percentages: the first row of numbers after its title.
    const Series rose = series(ChartKind::windrose, span);
    auto at = std::find_if(lines.begin(), lines.end(), [](const std::string& l) {
        return l.find("PREVAILING WIND DIRECTION (%)") != std::string::npos;
    });
    ASSERT_NE(at, lines.end());
    at = std::find_if(at + 1, lines.end(), [](const std::string& l) {
        const auto ws = words(l);
        return ws.size() >= kDirections + 1 &&
               std::isdigit(static_cast<unsigned char>(ws.back()[0]));
    });
    ASSERT_NE(at, lines.end());
    const std::vector<std::string> cells = words(*at);
    const std::size_t skip = cells.size() - (kDirections + 1);
    for (std::size_t i = 0; i <= kDirections; ++i) {
        double split = 0;
        for (double v : rose.rose[i]) split += v;
        EXPECT_NEAR(split, rose.shares[i], 1e-9) << kPrevalWind[i];
        const std::string& printed = cells[skip + i];
        const int decimals = static_cast<int>(printed.size() - printed.find('.') - 1);
        EXPECT_EQ(fixed(rose.shares[i], decimals), printed) << kPrevalWind[i];
    }
    const std::string svg = chart_svg(rose, u);
    EXPECT_TRUE(well_formed(st.dir, "rose.svg", svg));
    EXPECT_TRUE(well_formed(st.dir, "t.svg", chart_svg(series(ChartKind::temperature, span), u)));
}

}  // namespace
}  // namespace nimbora::test
