// SPDX-License-Identifier: GPL-3.0-or-later
// The station's static web site. The tables are the text reports' own lines, printed into
// memory by the reports' row functions and cut into cells, so a page can never show a figure
// the reports would print differently.
#include "web/site.h"

#include "charts/csv.h"
#include "charts/series.h"
#include "charts/svg.h"
#include "config/TextWriter.h"
#include "config/UnitConvert.h"
#include "config/format.h"
#include "config/function.h"
#include "config/schema.h"
#include "jobs/JobEnd.h"
#include "jobs/ReportJob.h"
#include "reports/current_month.h"
#include "reports/daily.h"
#include "reports/layout.h"
#include "reports/monthly.h"
#include "reports/summary.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <optional>
#include <sstream>

namespace nimbora {
namespace {

namespace fs = std::filesystem;

// The past years' records kept between runs, in the database folder.
constexpr const char* kRecordsCache = "NimboWebRecords.cache";

// What `write` prints through a TextWriter, with the line ends as "\n" again.
std::string captured(const std::function<void(TextWriter&)>& write)
{
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* f = open_memstream(&buffer, &size);
    {
        TextWriter out{FilePtr(f)};
        write(out);
        (void)out.close();
    }
    std::string text;
    if (buffer) {
        text.assign(buffer, size);
        std::free(buffer);
    }
    std::erase(text, '\r');
    return text;
}

// A file name as UTF-8: as it is when it is UTF-8 already, else read as Latin-1.
std::string keeper_text(std::string_view name)
{
    std::size_t i = 0;
    bool utf8 = true;
    while (i < name.size() && utf8) {
        const auto c = static_cast<unsigned char>(name[i]);
        const std::size_t n = c < 0x80         ? 1
                              : (c >> 5) == 6  ? 2
                              : (c >> 4) == 14 ? 3
                              : (c >> 3) == 30 ? 4
                                               : 0;
        if (n == 0 || i + n > name.size()) {
            utf8 = false;
            break;
        }
        for (std::size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(name[i + k]) & 0xC0) != 0x80) utf8 = false;
        i += n;
    }
    return utf8 ? std::string(name) : utf8_of_latin1(name);
}

std::vector<std::string> lines_of(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

// A keeper's or a report's 8-bit text, escaped for a page.
std::string text(std::string_view latin1)
{
    return html_escape(utf8_of_latin1(latin1));
}

// A figure in a unit format chosen at run time, as the reports print it, without its blanks.
std::string figure(const std::string& spec, double v)
{
    return trimmed(captured([&](TextWriter& out) { out.value(bare_spec(spec), v); }));
}

constexpr const char* kStyle = R"(:root {
  color-scheme: light dark;
  --bg: #fdfdfb; --fg: #1d2329; --muted: #56616b; --line: #d5d9dd; --head: #eef1f4;
  --link: #0b5cad; --stripe: #f6f7f9;
}
@media (prefers-color-scheme: dark) {
  :root {
    --bg: #14181c; --fg: #e4e8ec; --muted: #a3adb7; --line: #39424b; --head: #1f262d;
    --link: #8cc4ff; --stripe: #191e23;
  }
  img.chart { background: #fff; border-radius: 4px; }
}
* { box-sizing: border-box; }
html { -webkit-text-size-adjust: 100%; text-size-adjust: 100%; }
body {
  margin: 0 auto; padding: 1rem; max-width: 80rem;
  background: var(--bg); color: var(--fg);
  font: 1rem/1.45 system-ui, -apple-system, "Segoe UI", Roboto, sans-serif;
}
a { color: var(--link); }
header { border-bottom: 1px solid var(--line); margin-bottom: 1rem; }
header p { margin: 0; color: var(--muted); }
h1 { font-size: 1.6rem; margin: .2rem 0 .6rem; }
h2 { font-size: 1.25rem; margin: 1.6rem 0 .6rem; }
.scroll { overflow-x: auto; border: 1px solid var(--line); border-radius: 4px; }
table { border-collapse: collapse; font-variant-numeric: tabular-nums; font-size: .9rem; }
caption { text-align: left; padding: .4rem .5rem; color: var(--muted); position: sticky; left: 0;
  max-width: calc(100vw - 3rem); }
th, td { padding: .25rem .5rem; text-align: right; white-space: nowrap; }
thead th { background: var(--head); border-bottom: 1px solid var(--line); }
thead tr:first-child th { text-align: center; border-left: 1px solid var(--line); }
tbody tr:nth-child(even) { background: var(--stripe); }
tbody th, tfoot th, thead tr:last-child th:first-child { text-align: left; }
tbody th, tfoot th, thead tr:last-child th:first-child {
  position: sticky; left: 0; background: var(--bg); }
tfoot tr:first-child > * { border-top: 2px solid var(--line); }
tfoot { font-weight: 600; }
dl.latest { display: grid; grid-template-columns: max-content 1fr; gap: .2rem 1rem; margin: 0; }
dl.latest dt { color: var(--muted); }
dl.latest dd { margin: 0; font-variant-numeric: tabular-nums; }
ul.months { list-style: none; padding: 0; margin: 0; }
ul.months li { margin: .3rem 0; }
ul.months li a { display: inline-block; padding: .15rem .3rem; }
ul.months li a:first-child { padding-left: 0; min-width: 3.4rem; }
.charts { display: grid; grid-template-columns: repeat(auto-fit, minmax(min(100%, 30rem), 1fr));
  gap: 1rem; }
figure { margin: 0; }
img.chart { width: 100%; height: auto; display: block; }
figcaption { color: var(--muted); font-size: .9rem; }
footer { margin-top: 2rem; color: var(--muted); font-size: .85rem; }
)";

// A whole page around `body`.
std::string page(const Settings& s, const std::string& title, const std::string& body)
{
    std::string p = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                    "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
                    "<title>";
    p += title;
    if (!s.Rep_Name.empty()) p += " \xE2\x80\x93 " + text(s.Rep_Name);
    p += "</title>\n<link rel=\"stylesheet\" href=\"style.css\">\n</head>\n<body>\n";
    p += body;
    p += "</body>\n</html>\n";
    return p;
}

std::string station_header(const Settings& s, const std::string& h1)
{
    std::string name = s.Rep_Name.empty() ? std::string("Weather station") : text(s.Rep_Name);
    return "<header>\n<p><a href=\"index.html\">" + name + "</a></p>\n<h1>" + h1 +
           "</h1>\n</header>\n";
}

std::string table_html(const TextTable& t, const std::string& caption, std::size_t body_rows,
                       const std::vector<std::string>& row_links)
{
    std::string h =
        "<div class=\"scroll\">\n<table>\n<caption>" + caption + "</caption>\n<thead>\n<tr>";
    for (const auto& [name, span] : t.groups) {
        if (name.empty())
            h += span > 1 ? strf("<td colspan=\"%d\"></td>", span) : std::string("<td></td>");
        else if (span > 1)
            h += strf("<th scope=\"colgroup\" colspan=\"%d\">", span) + text(name) + "</th>";
        else
            h += "<th scope=\"col\">" + text(name) + "</th>";
    }
    h += "</tr>\n<tr>";
    for (const std::string& c : t.columns) h += "<th scope=\"col\">" + text(c) + "</th>";
    h += "</tr>\n</thead>\n";
    for (std::size_t r = 0; r < t.rows.size(); ++r) {
        if (r == 0) h += "<tbody>\n";
        if (r == body_rows) h += (r == 0 ? "</tbody>\n<tfoot>\n" : "</tbody>\n<tfoot>\n");
        const auto& row = t.rows[r];
        h += "<tr>";
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (c == 0) {
                const std::string label = text(row[c]);
                h += "<th scope=\"row\">";
                h += r < row_links.size() && !row_links[r].empty()
                         ? "<a href=\"" + percent_encode(row_links[r]) + "\">" + label + "</a>"
                         : label;
                h += "</th>";
            } else {
                h += "<td>" + text(row[c]) + "</td>";
            }
        }
        h += "</tr>\n";
    }
    if (body_rows >= t.rows.size())
        h += "</tbody>\n";
    else
        h += "</tfoot>\n";
    h += "</table>\n</div>\n";
    return h;
}

// What one run of the site writes with, and where it stands. While `scoped`, a temporary view
// named as the station table shadows it on the run's connection (SQLite looks names up in the
// temporary schema first), so the reports' and the charts' own statements read through it.
struct Site {
    Owner* owner;
    Db& db;
    const Settings& s;
    Units u;
    std::string folder;
    SiteCounts& counts;
    bool ok = true;
    std::string source = "main.datimeteo";  // the table or view the pages read
    bool scoped = false;

    ~Site() { (void)scope({}); }

    // The records the statements read from now on: those of `source` that `where` selects (an
    // SQL condition), or all of them when it is empty. A page's charts and export read their
    // span with a condition on the year alone, which would walk the whole year for a month:
    // the page's own records are read through the index instead. False (site.ok cleared, the
    // owner told) when a statement failed.
    bool scope(const std::string& where)
    {
        if (scoped) {
            if (!db.exec(owner, "DROP VIEW temp.datimeteo")) return ok = false;
            scoped = false;
        }
        if (where.empty() && source == "main.datimeteo") return true;
        const std::string sql = "CREATE TEMP VIEW datimeteo AS SELECT * FROM " + source +
                                (where.empty() ? std::string() : " WHERE " + where);
        if (!db.exec(owner, sql.c_str())) return ok = false;
        scoped = true;
        return true;
    }
    std::map<int, std::vector<int>> months;  // year: its months held
    // The text reports copied into reports/, by name.
    std::vector<std::string> reports;
    // The latest month's table and the latest year's, kept for the index.
    TextTable latest_month, latest_year;
    std::size_t latest_month_days = 0, latest_year_months = 0;
    std::vector<Day> latest_days;  // the latest month's days as read for its page

    void put(const std::string& name, const std::string& bytes)
    {
        bool written = false;
        if (!write_if_changed(folder + name, bytes, written)) {
            tell(owner, "Web pages", "Can't write " + folder + name, Icon::error);
            ok = false;
            return;
        }
        ++(written ? counts.written : counts.kept);
    }
    bool has_report(const std::string& name) const
    {
        return std::find(reports.begin(), reports.end(), name) != reports.end();
    }
    // One chart of `kind` over `span` written as charts/<kind>_<suffix>.svg, and its figure.
    // `days`, when given, are the span's days as read_days handed them over: a day chart is
    // drawn from them at daily resolution (the wind rose still reads its records).
    std::string chart(ChartKind kind, const ChartSpan& span, std::optional<Resolution> at,
                      const std::string& suffix, const std::string& alt,
                      const std::vector<Day>* days = nullptr)
    {
        Series series;
        if (days && kind != ChartKind::windrose)
            daily_series(s, u, kind, span, *days, series);
        else if (!read_series(owner, db, s, u, kind, span, series, at)) {
            ok = false;
            return {};
        }
        const std::string name = std::string("charts/") +
                                 kChartKinds[static_cast<std::size_t>(kind)] + "_" + suffix +
                                 ".svg";
        put(name, chart_svg(series, u));
        return "<figure><img class=\"chart\" src=\"" + percent_encode(name) + "\" alt=\"" +
               html_escape(alt) + "\" width=\"800\" height=\"400\"><figcaption>" +
               html_escape(alt) + "</figcaption></figure>\n";
    }
};

// The month's charts; the day charts at daily resolution, as the table's figures.
constexpr std::array<std::pair<ChartKind, const char*>, 5> kMonthCharts = {{
    {ChartKind::temperature, "Temperature: the average, lowest and highest of each day"},
    {ChartKind::pressure, "Pressure: the average, lowest and highest of each day"},
    {ChartKind::rain, "Rain: each day's rain and the month's running total"},
    {ChartKind::wind, "Wind: each day's average speed and highest gust"},
    {ChartKind::windrose, "Wind rose: the share of each direction by speed class"},
}};
constexpr std::array<std::pair<ChartKind, const char*>, 5> kYearCharts = {{
    {ChartKind::temperature, "Temperature: the average, lowest and highest of each day"},
    {ChartKind::pressure, "Pressure: the average, lowest and highest of each day"},
    {ChartKind::rain, "Rain: each day's rain and the year's running total"},
    {ChartKind::wind, "Wind: each day's average speed and highest gust"},
    {ChartKind::windrose, "Wind rose: the share of each direction by speed class"},
}};
// The index's charts: the last 24 hours record by record, the month so far day by day.
constexpr std::array<std::pair<ChartKind, const char*>, 4> kRecentCharts = {{
    {ChartKind::temperature, "Temperature"},
    {ChartKind::pressure, "Pressure"},
    {ChartKind::rain, "Rain and its running total"},
    {ChartKind::wind, "Wind: average speed and highest gust"},
}};

// The condition selecting the records of one month, as its pages read them.
std::string month_where(int year, int month)
{
    return "year='" + year_text(year) + "' AND month='" + strf("%02d", month) + "'";
}

Ymd last_day_of(int year, int month)
{
    const Ymd next = month == 12 ? Ymd{year + 1, 1, 1} : Ymd{year, month + 1, 1};
    return date_of_index(day_index(next) - 1);
}

// The month's day table as the monthly report prints it: its day rows, then AVG, MIN, MAX and
// SUM. `day_rows` receives the number of day rows, `days` the days read. False (site.ok cleared)
// when a statement failed.
bool month_table(Site& site, int year, int month, TextTable& t, std::size_t& day_rows,
                 std::vector<Day>& days)
{
    const Settings& s = site.s;
    const Units& u = site.u;
    const std::string year_s = year_text(year), month_s = strf("%02d", month);
    SpanWind wind;
    bool failed = false;
    read_days(
        site.owner, site.db, "datimeteo", "year=? and month=?", {year_s, month_s}, u, wind,
        [&](Day&& d, const WindTally&) { days.push_back(std::move(d)); }, failed);
    if (failed) {
        site.ok = false;
        return false;
    }
    DayTotals totals(1, month, year);
    std::vector<std::string> lines;
    for (const Day& d : days) {
        totals.add(d, s, u);
        lines.push_back(captured([&](TextWriter& out) {
            out.rawf("%2d  ", inum(d.day));
            day_cells(out, s, u, d);
        }));
    }
    day_rows = lines.size();
    for (const std::string& l : lines_of(captured([&](TextWriter& out) {
             total_rows(out, s, u, totals, wind.all.dominant(), Span::month);
         })))
        lines.push_back(l);
    const auto heads =
        lines_of(captured([&](TextWriter& out) { write_headings(out, s, Layout::daily); }));
    std::vector<std::string> rows;
    for (const std::string& l : lines)
        for (const std::string& one : lines_of(l))
            if (!trimmed(one).empty()) rows.push_back(one);
    t = cut_table(s, false, heads.at(0), heads.at(1), rows);
    return true;
}

std::string units_line(const Site& site, Layout layout)
{
    return trimmed(lines_of(captured([&](TextWriter& out) {
                       write_units(out, site.s, site.u, layout);
                   })).at(0));
}

std::string month_page(Site& site, int year, int month, bool latest)
{
    const Settings& s = site.s;
    const std::string year_s = year_text(year), month_s = strf("%02d", month);
    const std::string title = month_name(month) + " " + year_s;
    TextTable t;
    std::size_t day_rows = 0;
    if (!site.scope(month_where(year, month))) return {};
    std::vector<Day> days;
    if (!month_table(site, year, month, t, day_rows, days)) return {};

    // The month's daily figures as CSV, beside the page: the export's own rows, of the days
    // the table shows.
    const ChartSpan span{{year, month, 1}, last_day_of(year, month)};
    std::ostringstream csv;
    csv << kDailyHeader << "\r\n";
    for (const Day& d : days) (void)daily_csv_row(csv, site.u, d);
    const std::string csv_name = strf("%04d-%02d.csv", year, month);
    site.put(csv_name, csv.str());

    std::string body = station_header(s, html_escape(title));
    body += "<main>\n<ul class=\"links\">\n<li><a href=\"" + percent_encode(year_s + ".html") +
            "\">The year " + year_s + "</a></li>\n";
    body += "<li><a href=\"" + percent_encode(csv_name) + "\">The days as CSV</a></li>\n";
    const std::string report = month_name(month) + "_" + year_s + ".txt";
    if (site.has_report(report))
        body += "<li><a href=\"" + percent_encode("reports/" + report) +
                "\">The monthly report (text)</a></li>\n";
    body += "</ul>\n<h2>Days</h2>\n<p>Units: " + text(units_line(site, Layout::daily)) + "</p>\n";
    body += table_html(t,
                       "The days of " + html_escape(title) +
                           ", then the month's average, "
                           "lowest, highest and totals",
                       day_rows, {});
    body += "<h2>Charts</h2>\n<div class=\"charts\">\n";
    for (const auto& [kind, alt] : kMonthCharts) {
        // The day figures, the table's own, whatever the span's records would allow.
        body += site.chart(kind, span, std::nullopt, year_s + "-" + month_s,
                           std::string(alt) + ", " + title, &days);
        if (!site.ok) return {};
    }
    body += "</div>\n</main>\n";
    if (!site.scope({})) return {};
    if (latest) {
        site.latest_days = std::move(days);
        site.latest_month = std::move(t);
        site.latest_month_days = day_rows;
    }
    return page(s, html_escape(title), body);
}

std::string year_page(Site& site, int year, bool latest)
{
    const Settings& s = site.s;
    const Units& u = site.u;
    const std::string year_s = year_text(year);
    const std::vector<int>& months_held = site.months[year];
    YearFigures data;
    bool failed = false;
    read_years(
        site.owner, site.db, year_s, [&data](YearFigures&& y) { data = std::move(y); }, {}, failed);
    if (failed) {
        site.ok = false;
        return {};
    }
    // The month rows and the year row as the annual report prints them.
    Figures y;
    std::vector<std::string> rows, links;
    for (MonthFigures& m : data.months) {
        DayRun days;
        for (const DayFigures& d : m.days) add_day(days, d, s, u);
        m.f.run = days;
        y.run += days;
        y.widen(m.f);
        const int month = inum(m.month);
        rows.push_back(lines_of(captured([&](TextWriter& out) {
                           out.rawf("%2d  ", month);
                           figures_row(out, s, u, m.f, false);
                       })).at(0));
        const bool held =
            std::find(months_held.begin(), months_held.end(), month) != months_held.end();
        links.push_back(held ? strf("%04d-%02d.html", year, month) : std::string());
    }
    y.direction = data.direction;
    const std::size_t month_rows = rows.size();
    rows.push_back(lines_of(captured([&](TextWriter& out) {
                       out.raw("    ");
                       figures_row(out, s, u, y, true);
                   })).at(0));
    const auto heads =
        lines_of(captured([&](TextWriter& out) { write_headings(out, s, Layout::monthly); }));
    TextTable t = cut_table(s, true, heads.at(0), heads.at(1), rows);
    for (std::size_t r = 0; r < month_rows; ++r)
        t.rows[r][0] = month_name(inum(data.months[r].month));
    t.rows[month_rows][0] = year_s;
    t.columns[0] = "MONTH";

    std::string body = station_header(s, year_s);
    body += "<main>\n";
    const std::string report = "Year" + year_s + ".txt";
    if (site.has_report(report))
        body += "<ul class=\"links\">\n<li><a href=\"" + percent_encode("reports/" + report) +
                "\">The annual report (text)</a></li>\n</ul>\n";
    body += "<h2>Months</h2>\n<p>Units: " + text(units_line(site, Layout::monthly)) + "</p>\n";
    body += table_html(t, "The months of " + year_s + ", then the year", month_rows, links);
    body += "<h2>Charts</h2>\n<div class=\"charts\">\n";
    const ChartSpan span{{year, 1, 1}, {year, 12, 31}};
    if (!site.scope("year='" + year_s + "'")) return {};
    // The year's days, read once for its four day charts.
    std::vector<Day> days;
    {
        SpanWind wind;
        bool days_failed = false;
        const SpanWhere w = span_where(span);
        read_days(
            site.owner, site.db, "datimeteo", kSpanWhere,
            {w.from_year, w.to_year, w.from_key, w.to_key}, u, wind,
            [&days](Day&& d, const WindTally&) { days.push_back(std::move(d)); }, days_failed);
        if (days_failed) {
            site.ok = false;
            return {};
        }
    }
    for (const auto& [kind, alt] : kYearCharts) {
        body +=
            site.chart(kind, span, std::nullopt, year_s, std::string(alt) + ", " + year_s, &days);
        if (!site.ok) return {};
    }
    body += "</div>\n</main>\n";
    if (!site.scope({})) return {};
    if (latest) {
        site.latest_year = std::move(t);
        site.latest_year_months = month_rows;
    }
    return page(s, year_s, body);
}

// The latest record: its date and time and each quantity whose column is on. `last` receives
// the record's date and time texts.
std::string latest_block(Site& site)
{
    const Settings& s = site.s;
    const Units& u = site.u;
    const auto r = site.db.query(
        site.owner,
        "select year, month, day, time, Temperature, Humidity, Dewpoint, Pressure, Windspeed,"
        " Gustspeed, Direction, RainRate, SolarRad, UV from datimeteo"
        " order by year desc, month desc, day desc, time desc limit 1");
    if (!r.ok) {
        site.ok = false;
        return {};
    }
    if (r.rows.empty()) return "<p>No records yet.</p>\n";
    const auto& row = r.rows[0];
    const auto rain = site.db.query(
        site.owner, "select total(Rain) from datimeteo where year=? and month=? and day=?",
        {row[0], row[1], row[2]});
    if (!rain.ok) {
        site.ok = false;
        return {};
    }
    const auto cell = [&row](std::size_t i) { return row.size() > i ? row[i] : std::string(); };
    std::string h = "<dl class=\"latest\">\n";
    const auto item = [&h](const std::string& name, const std::string& value) {
        h += "<dt>" + name + "</dt><dd>" + value + "</dd>\n";
    };
    // The record's own time: a record of "24:00" closes its day, and shown as "00:00" it would
    // read as the start of that day.
    item("Date and time", text(cell(2) + "/" + cell(1) + "/" + cell(0) + " " + cell(3)));
    const auto with = [&cell](std::size_t i, const std::function<std::string(double)>& f) {
        return cell(i).empty() ? std::string("---") : f(num(cell(i)));
    };
    const std::string deg = text(u.UTitle[0]);
    if (s.column(kTemperature))
        item("Temperature", with(4, [&](double v) { return strf("%.1f ", u.temp(v)) + deg; }));
    if (s.column(kHumidity)) item("Humidity", with(5, [](double v) { return strf("%.0f %%", v); }));
    if (s.column(kDewPoint))
        item("Dew point", with(6, [&](double v) { return strf("%.1f ", u.temp(v)) + deg; }));
    if (s.column(kPressure))
        item("Pressure", with(7, [&](double v) {
                 return figure(u.PSpec, v * u.BarFatt) + " " + text(u.UTitle[3]);
             }));
    if (s.column(kWind)) {
        const std::string unit = " " + text(u.UTitle[2]);
        item("Wind speed", with(8, [&](double v) { return strf("%.1f", v * u.WindFatt) + unit; }));
        item("Gust", with(9, [&](double v) { return strf("%.1f", v * u.WindFatt) + unit; }));
        item("Direction", trimmed(cell(10)).empty() ? std::string("---") : text(trimmed(cell(10))));
    }
    if (s.column(kRain))
        item("Rain today",
             figure(u.RSpec, num(rain.rows.at(0).at(0)) * u.RainFatt) + " " + text(u.UTitle[1]));
    if (s.column(kRainRate))
        item("Rain rate", with(11, [&](double v) {
                 return figure(u.RSpec, v * u.RainFatt) + " " + text(u.UTitle[1]) + "/h";
             }));
    if (s.column(kSolarRad))
        item("Solar radiation", with(12, [](double v) { return strf("%.0f W/m\xC2\xB2", v); }));
    if (s.column(kUV)) item("UV index", with(13, [](double v) { return strf("%.1f", v); }));
    h += "</dl>\n";
    return h;
}

// The first column of the group headed `name`, or the first column named `name` when no group
// is; npos when neither.
std::size_t column_of(const TextTable& t, std::string_view name)
{
    std::size_t at = 0;
    for (const auto& [group, span] : t.groups) {
        if (group == name) return at;
        at += static_cast<std::size_t>(span);
    }
    for (std::size_t c = 0; c < t.columns.size(); ++c)
        if (t.columns[c] == name) return c;
    return std::string::npos;
}

// Today's row of the day table, and today, this month and this year so far: the average
// temperature, its extremes with their times or dates, and the rain, each the reports' own
// figure (the day table's, the annual report's month row and year row).
std::string so_far_block(Site& site)
{
    const TextTable& m = site.latest_month;
    const TextTable& y = site.latest_year;
    if (site.latest_month_days == 0 || m.rows.empty() || y.rows.empty()) return {};
    const std::vector<std::string>& today = m.rows[site.latest_month_days - 1];
    std::string h = "<h2>Today</h2>\n";
    TextTable one = m;
    one.rows = {today};
    h += table_html(one, "The day table's row of today (the day of the latest record)", 1, {});

    const std::size_t tm = column_of(m, "TEMPERATURE"), ty = column_of(y, "TEMPERATURE");
    const std::size_t rm = column_of(m, "RAIN"), ry = column_of(y, "RAIN");
    const bool temp = tm != std::string::npos && ty != std::string::npos &&
                      tm + 4 < m.columns.size() && ty + 4 < y.columns.size();
    const bool rain = rm != std::string::npos && ry != std::string::npos;
    if (!temp && !rain) return h;
    const auto at = [](const std::vector<std::string>& row, std::size_t c) {
        return c < row.size() ? text(row[c]) : std::string();
    };
    const auto extreme = [&](const std::vector<std::string>& row, std::size_t c) {
        const std::string when = at(row, c + 1);
        return at(row, c) + (when.empty() ? std::string() : " (" + when + ")");
    };
    h += "<h2>So far</h2>\n<div class=\"scroll\">\n<table>\n<caption>Units: " +
         text(units_line(site, Layout::daily)) +
         "; the times of today's extremes, the dates "
         "(day/month) of the month's and the year's</caption>\n<thead>\n<tr><td></td>";
    if (temp)
        h += "<th scope=\"col\">Average temperature</th><th scope=\"col\">Lowest</th>"
             "<th scope=\"col\">Highest</th>";
    if (rain) h += "<th scope=\"col\">Rain</th>";
    h += "</tr>\n</thead>\n<tbody>\n";
    const auto row = [&](const std::string& label, const std::vector<std::string>& r,
                         std::size_t t0, std::size_t r0) {
        h += "<tr><th scope=\"row\">" + label + "</th>";
        if (temp)
            h += "<td>" + at(r, t0) + "</td><td>" + extreme(r, t0 + 1) + "</td><td>" +
                 extreme(r, t0 + 3) + "</td>";
        if (rain) h += "<td>" + at(r, r0) + "</td>";
        h += "</tr>\n";
    };
    row("Today", today, tm, rm);
    if (site.latest_year_months > 0) {
        row("This month", y.rows[site.latest_year_months - 1], ty, ry);
        row("This year", y.rows[site.latest_year_months], ty, ry);
    }
    h += "</tbody>\n</table>\n</div>\n";
    return h;
}

// The index's charts: the last 24 hours up to the latest record, and its month so far.
std::string recent_charts(Site& site, int year, int month)
{
    bool failed = false;
    const auto day = last_hours_span(site.owner, site.db, 24, failed);
    if (failed) {
        site.ok = false;
        return {};
    }
    if (!day) return {};
    // The 24 hours lie in the latest record's month and perhaps the one before.
    if (!site.scope("(" + month_where(day->from.year, day->from.month) + ") OR (" +
                    month_where(year, month) + ")"))
        return {};
    std::string h = "<h2>The last 24 hours</h2>\n<div class=\"charts\">\n";
    for (const auto& [kind, alt] : kRecentCharts) {
        h += site.chart(kind, *day, std::nullopt, "24h",
                        std::string(alt) + ", the 24 hours up to the latest record");
        if (!site.ok) return {};
    }
    h += "</div>\n<h2>The month so far</h2>\n<div class=\"charts\">\n";
    // The latest month's days, as its page read them.
    const ChartSpan month_span{{year, month, 1}, day->to};
    const std::string title = month_name(month) + " " + year_text(year);
    for (const auto& [kind, alt] : kRecentCharts) {
        h += site.chart(kind, month_span, Resolution::daily, "month",
                        std::string(alt) + ", each day of " + title + " so far", &site.latest_days);
        if (!site.ok) return {};
    }
    h += "</div>\n";
    if (!site.scope({})) return {};
    return h;
}

std::string index_page(Site& site)
{
    const Settings& s = site.s;
    std::string place;
    for (const std::string* part : {&s.Rep_City, &s.Rep_State})
        if (!trimmed(*part).empty()) place += (place.empty() ? "" : ", ") + trimmed(*part);
    std::string body = "<header>\n";
    if (!place.empty()) body += "<p>" + text(place) + "</p>\n";
    body += "<h1>" + (s.Rep_Name.empty() ? std::string("Weather station") : text(s.Rep_Name)) +
            "</h1>\n</header>\n<main>\n<h2>Latest record</h2>\n";
    body += latest_block(site);
    if (!site.ok) return {};
    body += so_far_block(site);
    if (!site.months.empty()) {
        const auto& [year, list] = *site.months.rbegin();
        body += recent_charts(site, year, list.back());
        if (!site.ok) return {};
    }
    body += "<h2>Months and years</h2>\n";
    if (site.months.empty())
        body += "<p>No months held yet.</p>\n";
    else
        body += "<ul class=\"months\">\n";
    for (auto it = site.months.rbegin(); it != site.months.rend(); ++it) {
        const auto& [year, list] = *it;
        body += "<li><a href=\"" + percent_encode(strf("%04d.html", year)) + "\"><strong>" +
                strf("%04d", year) + "</strong></a>";
        for (int month : list)
            body += " <a href=\"" + percent_encode(strf("%04d-%02d.html", year, month)) + "\">" +
                    month_name(month).substr(0, 3) + "</a>";
        body += "</li>\n";
    }
    if (!site.months.empty())
        body += "</ul>\n<p><a href=\"records.html\">Records of all time and of each year</a></p>\n";
    if (!site.reports.empty()) {
        body += "<h2>Text reports</h2>\n<ul class=\"reports\">\n";
        for (const std::string& name : site.reports)
            body += "<li><a href=\"" + percent_encode("reports/" + name) + "\">" +
                    html_escape(keeper_text(name)) + "</a></li>\n";
        body += "</ul>\n";
    }
    body += "</main>\n";
    return page(s, "Weather", body);
}

// The text reports of the report folder (*.txt), copied into reports/ under their own names.
void copy_reports(Site& site)
{
    std::error_code ec;
    std::vector<std::string> names;
    for (fs::directory_iterator it(site.s.InitPathRep, ec), end; !ec && it != end;
         it.increment(ec)) {
        std::string ext = it->path().extension().string();
        for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        std::error_code file_ec;
        if (ext == ".txt" && it->is_regular_file(file_ec))
            names.push_back(it->path().filename().string());
    }
    std::sort(names.begin(), names.end());
    if (names.empty()) return;
    fs::create_directories(site.folder + "reports", ec);
    for (const std::string& name : names) {
        std::ifstream in(fs::path(site.s.InitPathRep) / name, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
        if (!in.eof() && in.fail()) {
            tell(site.owner, "Web pages", "Can't read " + site.s.InitPathRep + name, Icon::error);
            site.ok = false;
            return;
        }
        site.put("reports/" + name, bytes);
        if (!site.ok) return;
        site.reports.push_back(name);
    }
}

// The records page: the statistics report's rows of all time, then of each year, newest
// first. A past year's section is kept in `cache` between runs (a year before the latest one
// held changes only by an import into it, which its fingerprint then shows).
struct RecordsCache {
    std::map<std::string, std::string> sections;  // fingerprint: section

    static RecordsCache load(const std::string& path)
    {
        RecordsCache c;
        std::ifstream in(path, std::ios::binary);
        std::string key, size;
        while (std::getline(in, key) && std::getline(in, size)) {
            char* end = nullptr;
            const unsigned long long n = std::strtoull(size.c_str(), &end, 10);
            if (size.empty() || *end != '\0' || n > (64u << 20)) break;
            std::string body(static_cast<std::size_t>(n), '\0');
            if (!in.read(body.data(), static_cast<std::streamsize>(n))) break;
            c.sections[key] = std::move(body);
        }
        return c;
    }
    std::string bytes() const
    {
        std::string out;
        for (const auto& [key, body] : sections)
            out += key + "\n" + std::to_string(body.size()) + "\n" + body;
        return out;
    }
};

// The statistics rows of `year` (empty: all time) as a table.
std::string stats_table(Site& site, const std::string& year, const std::string& caption)
{
    const bool averages = !year.empty();
    const StatsScope scope{year, {}};
    bool failed = false;
    const StatsAverages avg =
        averages ? stats_averages(site.owner, site.db, site.u, scope, failed) : StatsAverages{};
    if (failed) {
        site.ok = false;
        return {};
    }
    const std::string printed = captured([&](TextWriter& out) {
        write_stats_heading(out, averages);
        write_stats_rows(
            out, site.owner, site.db, site.s, site.u, scope, avg, [](int) {}, failed);
    });
    if (failed) {
        site.ok = false;
        return {};
    }
    // Fields are at least two blanks apart; a figure and its unit one.
    const auto fields = [](const std::string& line) {
        std::vector<std::string> out;
        std::size_t i = 0;
        while (i < line.size()) {
            while (i < line.size() && line[i] == ' ') ++i;
            if (i >= line.size()) break;
            std::size_t j = i;
            while (j < line.size() &&
                   !(line[j] == ' ' && (j + 1 >= line.size() || line[j + 1] == ' ')))
                ++j;
            out.push_back(line.substr(i, j - i));
            i = j;
        }
        return out;
    };
    const auto lines = lines_of(printed);
    if (lines.empty()) return {};
    const std::vector<std::string> heads = fields(lines[0]);
    std::string h = "<div class=\"scroll\">\n<table>\n<caption>" + caption +
                    "</caption>\n<thead>\n<tr><td></td>";
    for (const std::string& c : heads) h += "<th scope=\"col\">" + text(c) + "</th>";
    h += "</tr>\n</thead>\n<tbody>\n";
    std::string dry;
    bool rows = false, split = false;  // rows in the table; a row group to start
    for (std::size_t l = 1; l < lines.size(); ++l) {
        const std::vector<std::string> f = fields(lines[l]);
        if (f.empty()) continue;
        if (f[0] == "===") {
            split = rows;  // a new row group, once a row follows
            continue;
        }
        if (f[0] == "Consecutive Dry Days") {
            // "days  From  dd/mm/yyyy"
            dry = "<p>Longest run of dry days: " + text(f.size() > 1 ? f[1] : "") +
                  (f.size() > 3 ? ", from " + text(f[3]) : std::string()) + "</p>\n";
            continue;
        }
        if (split) h += "</tbody>\n<tbody>\n";
        rows = true;
        split = false;
        h += "<tr><th scope=\"row\">" + text(f[0]) + "</th>";
        for (std::size_t c = 1; c <= heads.size(); ++c)
            h += "<td>" + (c < f.size() ? text(f[c]) : std::string()) + "</td>";
        h += "</tr>\n";
    }
    h += "</tbody>\n</table>\n</div>\n" + dry;
    return h;
}

// What a past year's section depends on besides its records: the units and the columns.
std::string settings_fingerprint(const Site& site)
{
    const Units& u = site.u;
    std::string f = strf("v1|%.17g|%.17g|%.17g|%.17g|%.17g|%.17g|", u.TempFatt[0], u.TempFatt[1],
                         u.RainFatt, u.WindFatt, u.WindRunFatt, u.BarFatt);
    for (const std::string& t : u.UTitle) f += t + "|";
    f += u.RSpec + "|" + u.ETSpec + "|" + u.PSpec + "|";
    for (int c = 0; c < kReportColumns; ++c) f += site.s.column(c) ? '1' : '0';
    return f;
}

std::string records_page(Site& site, const std::string& cache_path)
{
    const Settings& s = site.s;
    std::string body = station_header(s, "Records");
    body += "<main>\n<p>Units: " + text(units_line(site, Layout::monthly)) + "</p>\n";
    if (site.months.empty()) {
        body += "<p>No records yet.</p>\n</main>\n";
        return page(s, "Records", body);
    }
    body += "<h2>All time</h2>\n";
    body += stats_table(site, {},
                        "The highest and lowest of every record held, with their times "
                        "and dates");
    if (!site.ok) return {};

    // Each year's fingerprint: its count of records, read from the key's index alone. An import
    // only adds records (a second record of a minute held is dropped), so a year that changed
    // counts differently.
    const auto held = site.db.query(
        site.owner, "select year, count(*) from datimeteo where year is not null group by year");
    if (!held.ok) {
        site.ok = false;
        return {};
    }
    std::map<int, std::string> prints;
    const std::string settings = settings_fingerprint(site);
    for (const auto& row : held.rows) {
        std::string key = settings;
        for (const std::string& cell : row) key += "|" + cell;
        prints[inum(row.at(0))] = key;
    }
    RecordsCache cache = RecordsCache::load(cache_path);
    RecordsCache next;
    const int latest_year = site.months.rbegin()->first;
    for (auto it = site.months.rbegin(); it != site.months.rend(); ++it) {
        const int year = it->first;
        const std::string year_s = year_text(year);
        const std::string key = prints[year];
        std::string section;
        const auto hit = cache.sections.find(key);
        if (year != latest_year && hit != cache.sections.end()) {
            section = hit->second;
        } else {
            section = "<h2 id=\"y" + year_s + "\">" + year_s + "</h2>\n" +
                      stats_table(site, year_s,
                                  "The highest and lowest of " + year_s +
                                      " with their times and dates, and the year's averages");
            if (!site.ok) return {};
        }
        if (year != latest_year) next.sections[key] = section;
        body += section;
    }
    bool written = false;
    (void)write_if_changed(cache_path, next.bytes(),
                           written);  // only a cache: a failure costs time
    body += "</main>\n";
    return page(s, "Records", body);
}

// The station's current month read from its WLK file in place of the database's records of
// that month, for as long as it lives: a temporary table, and a temporary view of the station
// table with that month replaced (Site::scope names it "datimeteo" for the statements).
class LiveMonth {
public:
    LiveMonth(Owner* owner, Db& db) : owner_(owner), db_(db) {}
    ~LiveMonth()
    {
        if (view_) (void)db_.exec(nullptr, "DROP VIEW temp.live_meteo");
        if (table_) (void)db_.exec(nullptr, "DROP TABLE temp.TempMeteo");
    }
    LiveMonth(const LiveMonth&) = delete;
    LiveMonth& operator=(const LiveMonth&) = delete;

    // False when a statement failed; no file (or an empty one) reads as nothing to add.
    bool open(const Settings& s, int year, int month)
    {
        if (year < 1 || year > 9999 || month < 1 || month > 12) return true;
        const std::string name = strf("%04d-%02d.wlk", year, month);
        std::error_code ec;
        if (!fs::is_regular_file(s.InitPathWLK + name, ec)) return true;
        if (!db_.exec(owner_, "PRAGMA temp_store=MEMORY") || !db_.exec(owner_, kCreateTempMeteo))
            return false;
        table_ = true;
        if (!db_.exec(owner_, "SAVEPOINT live_month")) return false;
        const int n = carica_wlk2(owner_, db_, s.InitPathWLK, name);
        if (!db_.exec(owner_, "RELEASE live_month") || n < 0) return false;
        if (n == 0) return true;
        const std::string sql = strf(
            "CREATE TEMP VIEW live_meteo AS SELECT * FROM main.datimeteo"
            " WHERE year IS NOT '%04d' OR month IS NOT '%02d' UNION ALL SELECT * FROM temp.TempMeteo",
            year, month);
        if (!db_.exec(owner_, sql.c_str())) return false;
        view_ = true;
        return true;
    }
    // What the pages read: the station table, or it with the month from its file.
    const char* source() const { return view_ ? "temp.live_meteo" : "main.datimeteo"; }

private:
    Owner* owner_;
    Db& db_;
    bool table_ = false, view_ = false;
};

enum class Pages { all, current, current_no_records, records };

bool write_pages(Owner* owner, Db& db, const Settings& s, const std::string& folder,
                 SiteCounts& counts, Pages pages, const LiveMonthAt& live)
{
    std::string dir = folder;
    if (!dir.empty() && dir.back() != '/') dir += '/';
    std::error_code ec;
    fs::create_directories(dir + "charts", ec);
    if (ec) {
        tell(owner, "Web pages", "Can't create " + dir + "charts", Icon::error);
        return false;
    }
    LiveMonth month_file(owner, db);
    if (!month_file.open(s, live.year, live.month)) return false;
    Site site{
        owner, db, s, UnitConvert(s), dir, counts, true, month_file.source(), false, {}, {}, {}, {},
        0,     0,  {}};
    if (!site.scope({})) return false;

    // The months held, each found by a seek in the key's index from the one before, not by a
    // walk over every record: the next month of the same year, else the first of a later year
    // (a row value "(year, month) > (?, ?)" would step through the whole month before it).
    // Texts of one number ("7", "07") make one month.
    constexpr const char* kNextInYear =
        "select year, month from datimeteo where year = ? and month > ?"
        " order by year, month limit 1";
    constexpr const char* kNextYear =
        "select year, month from datimeteo where year > ? and month is not null"
        " order by year, month limit 1";
    auto held = db.query(owner, "select year, month from datimeteo where year is not null and"
                                " month is not null order by year, month limit 1");
    while (held.ok && !held.rows.empty()) {
        const std::vector<std::string> row = held.rows.at(0);
        const int y = inum(row.at(0)), m = inum(row.at(1));
        std::vector<int>& list = site.months[y];
        if (y > 0 && m >= 1 && m <= 12 && std::find(list.begin(), list.end(), m) == list.end())
            list.push_back(m);
        if (list.empty()) site.months.erase(y);
        held = db.query(owner, kNextInYear, {row.at(0), row.at(1)});
        if (held.ok && held.rows.empty()) held = db.query(owner, kNextYear, {row.at(0)});
    }
    if (!held.ok) return false;
    for (auto& [year, list] : site.months) std::sort(list.begin(), list.end());

    if (pages == Pages::records) {
        const std::string records = records_page(site, s.InitPathDB + kRecordsCache);
        if (site.ok) site.put("records.html", records);
        return site.ok;
    }
    const bool current_only = pages == Pages::current || pages == Pages::current_no_records;
    site.put("style.css", kStyle);
    copy_reports(site);
    if (!site.ok) return false;
    // The current pages: the latest month and the one before it (its last records may have
    // arrived after the month ended), and their years.
    std::vector<std::pair<int, int>> all;
    for (const auto& [year, list] : site.months)
        for (int month : list) all.emplace_back(year, month);
    const std::size_t first = current_only && all.size() > 2 ? all.size() - 2 : 0;
    // A step per month page, then the records page and the index.
    if (owner) owner->progress_range(0, static_cast<int>(all.size() - first) + 2);
    for (std::size_t i = first; i < all.size(); ++i) {
        const auto [year, month] = all[i];
        const std::string p = month_page(site, year, month, i + 1 == all.size());
        if (!site.ok) return false;
        site.put(strf("%04d-%02d.html", year, month), p);
        if (i + 1 == all.size() || all[i + 1].first != year) {
            const std::string y = year_page(site, year, i + 1 == all.size());
            if (!site.ok) return false;
            site.put(strf("%04d.html", year), y);
        }
        if (owner) owner->progress_step(1);
    }
    if (pages != Pages::current_no_records) {
        const std::string records = records_page(site, s.InitPathDB + kRecordsCache);
        if (!site.ok) return false;
        site.put("records.html", records);
    }
    if (owner) owner->progress_step(1);
    const std::string index = index_page(site);
    if (!site.ok) return false;
    site.put("index.html", index);
    if (owner) owner->progress_step(1);
    return site.ok;
}

}  // namespace

std::string html_escape(std::string_view in)
{
    std::string out;
    out.reserve(in.size());
    for (char c : in) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string percent_encode(std::string_view path)
{
    std::string out;
    for (unsigned char c : path) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
            c == '-' || c == '_' || c == '.' || c == '~' || c == '/')
            out += static_cast<char>(c);
        else
            out += strf("%%%02X", c);
    }
    return out;
}

TextTable cut_table(const Settings& s, bool monthly, const std::string& head1,
                    const std::string& head2, const std::vector<std::string>& lines)
{
    const Layout layout = monthly ? Layout::monthly : Layout::daily;
    // The column groups: the row label, then each column that is on at its width.
    struct Group {
        std::size_t from, to;                               // [from, to)
        std::vector<std::pair<double, std::string>> heads;  // centre, heading
    };
    std::vector<Group> groups{{0, 4, {}}};
    std::size_t at = 4;
    for (int c : kColumnOrder) {
        const std::size_t w = column_width(c, layout);
        if (!s.column(c) || w == 0) continue;
        groups.push_back({at, at + w, {}});
        at += w;
    }
    const auto words = [](const std::string& line, std::size_t from, std::size_t to) {
        std::vector<std::pair<double, std::string>> out;
        std::size_t i = from;
        while (i < to && i < line.size()) {
            if (line[i] == ' ') {
                ++i;
                continue;
            }
            std::size_t j = i;
            while (j < line.size() && line[j] != ' ') ++j;
            out.push_back(
                {(static_cast<double>(i) + static_cast<double>(j - 1)) / 2, line.substr(i, j - i)});
            i = j;
        }
        return out;
    };
    TextTable t;
    std::vector<std::size_t> first;  // each group's first column
    for (Group& g : groups) {
        g.heads = words(head2, g.from, g.to);
        if (g.heads.empty()) g.heads.push_back({static_cast<double>(g.from + g.to - 1) / 2, ""});
        first.push_back(t.columns.size());
        for (const auto& h : g.heads) t.columns.push_back(h.second);
        t.groups.push_back(
            {trimmed(head1.size() > g.from ? std::string_view(head1).substr(g.from, g.to - g.from)
                                           : std::string_view()),
             static_cast<int>(g.heads.size())});
    }
    for (const std::string& line : lines) {
        std::vector<std::string> row(t.columns.size());
        for (std::size_t k = 0; k < groups.size(); ++k) {
            const Group& g = groups[k];
            // The last group takes what runs past its width too.
            const std::size_t to = k + 1 == groups.size() ? line.size() : g.to;
            for (const auto& [centre, word] : words(line, g.from, to)) {
                std::size_t best = 0;
                for (std::size_t h = 1; h < g.heads.size(); ++h)
                    if (std::abs(g.heads[h].first - centre) <
                        std::abs(g.heads[best].first - centre))
                        best = h;
                std::string& cell = row[first[k] + best];
                cell += cell.empty() ? word : " " + word;
            }
        }
        t.rows.push_back(std::move(row));
    }
    return t;
}

bool write_if_changed(const std::string& path, const std::string& bytes, bool& written)
{
    written = false;
    {
        std::ifstream in(path, std::ios::binary);
        if (in) {
            const std::string old((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
            if (old == bytes) return true;
        }
    }
    const std::string part = path + ".part";
    std::error_code ec;
    {
        std::ofstream f(part, std::ios::binary | std::ios::trunc);
        if (f && f.write(bytes.data(), static_cast<std::streamsize>(bytes.size())) && f.flush()) {
            f.close();
            if (!f.fail()) {
                fs::rename(part, path, ec);
                if (!ec) {
                    written = true;
                    return true;
                }
            }
        }
    }
    fs::remove(part, ec);
    return false;
}

LiveMonthAt live_month_now()
{
    const LocalTime now = local_now();
    return {now.year, now.month};
}

bool write_site(Owner* owner, Db& db, const Settings& s, const std::string& folder,
                SiteCounts& counts, const LiveMonthAt& live)
{
    return write_pages(owner, db, s, folder, counts, Pages::all, live);
}

bool write_current_pages(Owner* owner, Db& db, const Settings& s, const std::string& folder,
                         SiteCounts& counts, const LiveMonthAt& live, bool records)
{
    return write_pages(owner, db, s, folder, counts,
                       records ? Pages::current : Pages::current_no_records, live);
}

bool write_records_page(Owner* owner, Db& db, const Settings& s, const std::string& folder,
                        SiteCounts& counts, const LiveMonthAt& live)
{
    return write_pages(owner, db, s, folder, counts, Pages::records, live);
}

bool write_site(Owner* owner, Db& db, const Settings& s, const std::string& folder,
                SiteCounts& counts)
{
    return write_site(owner, db, s, folder, counts, live_month_now());
}

bool write_current_pages(Owner* owner, Db& db, const Settings& s, const std::string& folder,
                         SiteCounts& counts)
{
    return write_current_pages(owner, db, s, folder, counts, live_month_now());
}

int WebPages(ReportJob& job)
{
    JobEnd end(job);
    Owner* owner = end.owner();
    const std::string folder = default_site_folder(job.DocPath);
    auto db = Db::open(owner, job.settings.InitPathDB + kDbFile);
    if (!db) return end.finish(1);
    SiteCounts counts;
    if (!write_site(owner, *db, job.settings, folder, counts)) return end.finish(1);
    show_status(owner,
                strf("Web pages: %d file(s) written, %d unchanged", counts.written, counts.kept));
    return end.finish(0);
}

std::string default_site_folder(const std::string& doc_path)
{
    return doc_path + "web";
}

}  // namespace nimbora
