// The station's static web site. The tables are the text reports' own lines, printed into
// memory by the reports' row functions and cut into cells, so a page can never show a figure
// the reports would print differently.
#include "web/site.h"

#include "charts/series.h"
#include "charts/svg.h"
#include "config/TextWriter.h"
#include "config/UnitConvert.h"
#include "config/format.h"
#include "config/schema.h"
#include "jobs/ReportJob.h"
#include "reports/daily.h"
#include "reports/layout.h"
#include "reports/monthly.h"

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
caption { text-align: left; padding: .4rem .5rem; color: var(--muted); }
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

struct Site {
    Owner* owner;
    Db& db;
    const Settings& s;
    Units u;
    std::string folder;
    SiteCounts& counts;
    bool ok = true;

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
};

constexpr std::array<std::pair<ChartKind, const char*>, 5> kMonthCharts = {{
    {ChartKind::temperature, "Temperature: the average, lowest and highest of each day"},
    {ChartKind::pressure, "Pressure: the average, lowest and highest of each day"},
    {ChartKind::rain, "Rain: each day's rain and the month's running total"},
    {ChartKind::wind, "Wind: each day's average speed and highest gust"},
    {ChartKind::windrose, "Wind rose: the share of each direction by speed class"},
}};

std::string month_page(Site& site, int year, int month)
{
    const Settings& s = site.s;
    const Units& u = site.u;
    const std::string year_s = year_text(year), month_s = strf("%02d", month);
    const std::string title = month_name(month) + " " + year_s;

    std::vector<Day> days;
    SpanWind wind;
    bool failed = false;
    read_days(
        site.owner, site.db, "datimeteo", "year=? and month=?", {year_s, month_s}, u, wind,
        [&](Day&& d, const WindTally&) { days.push_back(std::move(d)); }, failed);
    if (failed) {
        site.ok = false;
        return {};
    }
    DayTotals totals(1, month, year);
    std::vector<std::string> lines;
    std::vector<std::string> links;
    for (const Day& d : days) {
        totals.add(d, s, u);
        lines.push_back(captured([&](TextWriter& out) {
            out.rawf("%2d  ", inum(d.day));
            day_cells(out, s, u, d);
        }));
    }
    const std::size_t day_rows = lines.size();
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
    const TextTable t = cut_table(s, false, heads.at(0), heads.at(1), rows);
    const std::string units = trimmed(
        lines_of(captured([&](TextWriter& out) { write_units(out, s, u, Layout::daily); })).at(0));

    std::string body = station_header(s, html_escape(title));
    body += "<main>\n<p><a href=\"" + percent_encode(year_s + ".html") + "\">The year " + year_s +
            "</a></p>\n";
    body += "<h2>Days</h2>\n<p>Units: " + text(units) + "</p>\n";
    body += table_html(t,
                       "The days of " + html_escape(title) +
                           ", then the month's average, "
                           "lowest, highest and totals",
                       day_rows, {});

    // The charts of the month, drawn from the same day figures.
    const Ymd next = month == 12 ? Ymd{year + 1, 1, 1} : Ymd{year, month + 1, 1};
    const ChartSpan span{{year, month, 1}, date_of_index(day_index(next) - 1)};
    body += "<h2>Charts</h2>\n<div class=\"charts\">\n";
    for (const auto& [kind, alt] : kMonthCharts) {
        Series series;
        // The day figures, as the table's, whatever the span's records would allow.
        const auto at = kind == ChartKind::windrose ? std::nullopt
                                                    : std::optional<Resolution>(Resolution::daily);
        if (!read_series(site.owner, site.db, s, u, kind, span, series, at)) {
            site.ok = false;
            return {};
        }
        const std::string name = std::string("charts/") +
                                 kChartKinds[static_cast<std::size_t>(kind)] + "_" + year_s + "-" +
                                 month_s + ".svg";
        site.put(name, chart_svg(series, u));
        body += "<figure><img class=\"chart\" src=\"" + percent_encode(name) + "\" alt=\"" +
                html_escape(std::string(alt) + ", " + title) +
                "\" width=\"800\" height=\"400\"><figcaption>" + html_escape(alt) +
                "</figcaption></figure>\n";
    }
    body += "</div>\n</main>\n";
    return page(s, html_escape(title), body);
}

std::string year_page(Site& site, int year, const std::vector<int>& months_held)
{
    const Settings& s = site.s;
    const Units& u = site.u;
    const std::string year_s = year_text(year);
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
    const std::string units = trimmed(lines_of(captured([&](TextWriter& out) {
                                          write_units(out, s, u, Layout::monthly);
                                      })).at(0));

    std::string body = station_header(s, year_s);
    body += "<main>\n<h2>Months</h2>\n<p>Units: " + text(units) + "</p>\n";
    body += table_html(t, "The months of " + year_s + ", then the year", month_rows, links);
    body += "</main>\n";
    return page(s, year_s, body);
}

// The latest record: its date and time and each quantity whose column is on.
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

bool write_site(Owner* owner, Db& db, const Settings& s, const std::string& folder,
                SiteCounts& counts)
{
    std::string dir = folder;
    if (!dir.empty() && dir.back() != '/') dir += '/';
    std::error_code ec;
    fs::create_directories(dir + "charts", ec);
    if (ec) {
        tell(owner, "Web pages", "Can't create " + dir + "charts", Icon::error);
        return false;
    }
    Site site{owner, db, s, UnitConvert(s), dir, counts};

    const auto held = db.query(owner, "select distinct year, month from datimeteo"
                                      " where year is not null and month is not null"
                                      " order by year, month");
    if (!held.ok) return false;
    std::map<int, std::vector<int>> months;  // year: its months held
    for (const auto& row : held.rows) {
        const int y = inum(row.at(0)), m = inum(row.at(1));
        if (y > 0 && m >= 1 && m <= 12) months[y].push_back(m);
    }

    site.put("style.css", kStyle);
    for (const auto& [year, list] : months) {
        for (int month : list) {
            const std::string p = month_page(site, year, month);
            if (!site.ok) return false;
            site.put(strf("%04d-%02d.html", year, month), p);
        }
        const std::string p = year_page(site, year, list);
        if (!site.ok) return false;
        site.put(strf("%04d.html", year), p);
    }

    // The index: the station, its latest record, every month and year.
    std::string place;
    for (const std::string* part : {&s.Rep_City, &s.Rep_State})
        if (!trimmed(*part).empty()) place += (place.empty() ? "" : ", ") + trimmed(*part);
    std::string body = "<header>\n";
    if (!place.empty()) body += "<p>" + text(place) + "</p>\n";
    body += "<h1>" + (s.Rep_Name.empty() ? std::string("Weather station") : text(s.Rep_Name)) +
            "</h1>\n</header>\n<main>\n<h2>Latest record</h2>\n";
    body += latest_block(site);
    if (!site.ok) return false;
    body += "<h2>Months and years</h2>\n";
    if (months.empty())
        body += "<p>No months held yet.</p>\n";
    else
        body += "<ul class=\"months\">\n";
    for (auto it = months.rbegin(); it != months.rend(); ++it) {
        const auto& [year, list] = *it;
        body += "<li><a href=\"" + percent_encode(strf("%04d.html", year)) + "\"><strong>" +
                strf("%04d", year) + "</strong></a>";
        for (int month : list)
            body += " <a href=\"" + percent_encode(strf("%04d-%02d.html", year, month)) + "\">" +
                    month_name(month).substr(0, 3) + "</a>";
        body += "</li>\n";
    }
    if (!months.empty()) body += "</ul>\n";
    body += "</main>\n";
    site.put("index.html", page(s, "Weather", body));
    return site.ok;
}

// For now the whole site: unchanged files are not rewritten, so only the time differs.
bool write_current_pages(Owner* owner, Db& db, const Settings& s, const std::string& folder,
                         SiteCounts& counts)
{
    return write_site(owner, db, s, folder, counts);
}

std::string default_site_folder(const std::string& doc_path)
{
    return doc_path + "web";
}

}  // namespace nimbora
