// SPDX-License-Identifier: GPL-3.0-or-later
// The station's web site: pages from small hand-made stations, their links, their markup.
#include "charts/csv.h"
#include "config/Db.h"
#include "config/schema.h"
#include "import/synthetic.h"
#include "reports/MonthRep.h"
#include "support/report_station.h"
#include "web/site.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>
#include <string>

namespace nimbora {
namespace {

namespace fs = std::filesystem;
using test::Rec;

// Days 5 and 6 of March 2009: the monthly report's documented example (its figures were worked
// out by hand there; day 6's minimum is at "24:00").
// clang-format off
const Rec kExample[] = {
//   day   time     temp  hi    lo    hum dew bar wspd  gust  dir    rain rate heat chill sol hsol et uv huv run
    {"05", "06:30",  2.5,  3.0,  2.1, 0, 0, 0,  0.0,  2.0, "NNE", 0.0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {"05", "10:00",  9.0,  9.5,  8.0, 0, 0, 0,  4.0,  8.0, "NNE", 1.2, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {"05", "14:10", 14.0, 14.6, 13.0, 0, 0, 0, 22.5, 35.4, "NNE", 2.0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {"05", "18:00", 10.5, 11.0, 10.0, 0, 0, 0,  3.0,  6.0, " NE", 0.0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {"05", "22:00",  6.0,  7.0,  5.0, 0, 0, 0,  2.0,  5.0, "NNE", 0.0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {"06", "04:00",  8.0,  8.5,  7.0, 0, 0, 0,  0.0,  3.0, "WNW", 0.0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {"06", "09:00", 11.0, 12.0, 10.0, 0, 0, 0,  3.0,  6.0, "  W", 0.0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {"06", "13:40", 15.5, 16.2, 15.0, 0, 0, 0, 15.0, 24.1, "  W", 0.0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {"06", "19:00", 10.5, 11.0,  9.5, 0, 0, 0,  2.5,  5.0, "  W", 0.0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {"06", "24:00",  5.0,  5.5,  4.3, 0, 0, 0,  0.0,  0.0, "---", 0.0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
};
// The latest day of a second station: rain of 0.4 and 0.2 mm, the last record at 12:30.
const Rec kJuly[] = {
    {"09", "18:00", 25.0, 25.5, 24.0, 40, 10.0, 1010.0, 2.0,  4.0, "  S", 3.0, 0.0, 25, 25, 0, 0, 0, 0, 0, 0},
    {"10", "12:00", 21.0, 21.5, 20.0, 55, 11.9, 1013.0, 4.0,  8.0, "  N", 0.4, 0.8, 21, 21, 0, 0, 0, 0, 0, 0},
    {"10", "12:30", 20.5, 21.0, 20.1, 60, 12.3, 1013.2, 5.0,  9.0, "NNE", 0.2, 1.2, 20, 20, 0, 0, 0, 0, 0, 0},
};
// clang-format on

class WebSite : public testing::Test {
protected:
    // Writes the site into the station's "web" folder; no message told.
    SiteCounts write(bool current = false)
    {
        auto db = Db::open(&st.owner, st.db_path());
        EXPECT_TRUE(db);
        SiteCounts counts;
        if (db) {
            EXPECT_TRUE(current
                            ? write_current_pages(&st.owner, *db, st.settings, site(), counts, live)
                            : write_site(&st.owner, *db, st.settings, site(), counts, live));
        }
        EXPECT_TRUE(st.owner.messages.empty());
        return counts;
    }
    std::string site() const { return st.dir.folder() + "web/"; }
    std::string page(const std::string& name) const { return test::read_file(site() + name); }

    test::ReportStation st;
    LiveMonthAt live;  // none: every month from the database
};

// The text between the first `from` and the `to` after it; empty when either is missing.
std::string between(const std::string& text, const std::string& from, const std::string& to)
{
    const auto a = text.find(from);
    if (a == std::string::npos) return {};
    const auto b = text.find(to, a + from.size());
    return b == std::string::npos ? std::string() : text.substr(a, b + to.size() - a);
}

// The row of the day table that `label` heads.
std::string table_row(const std::string& html, const std::string& label)
{
    return between(html, "<tr><th scope=\"row\">" + label + "</th>", "</tr>");
}

// A day row and the summary rows hold the monthly report's cells (Temperature, Rain, Wind):
// the figures of the documented example, the blank cells of the summary rows left empty.
TEST_F(WebSite, MonthTableHoldsTheReportsFigures)
{
    st.insert("2009", "03", kExample);
    st.columns({kTemperature, kRain, kWind});
    write();
    const std::string html = page("2009-03.html");
    EXPECT_EQ(table_row(html, "5"),
              "<tr><th scope=\"row\">5</th><td>8.4</td><td>2.1</td><td>6:30</td><td>14.6</td>"
              "<td>14:10</td><td>3.2</td><td>6.3</td><td>22.5</td><td>35.4</td><td>NNE</td></tr>");
    EXPECT_EQ(table_row(html, "6"),
              "<tr><th scope=\"row\">6</th><td>10.0</td><td>4.3</td><td>00:00</td><td>16.2</td>"
              "<td>13:40</td><td>0.0</td><td>4.1</td><td>15.0</td><td>24.1</td><td>W</td></tr>");
    EXPECT_EQ(table_row(html, "AVG"),
              "<tr><th scope=\"row\">AVG</th><td>9.2</td><td>3.2</td><td></td><td>15.4</td>"
              "<td></td><td></td><td>5.2</td><td>18.8</td><td>29.8</td><td>NNE</td></tr>");
    EXPECT_EQ(table_row(html, "MAX"),
              "<tr><th scope=\"row\">MAX</th><td>10.0</td><td>4.3</td><td></td><td>16.2</td>"
              "<td></td><td></td><td>6.3</td><td>22.5</td><td>35.4</td><td></td></tr>");
    EXPECT_EQ(table_row(html, "SUM"),
              "<tr><th scope=\"row\">SUM</th><td></td><td></td><td></td><td></td><td></td>"
              "<td>3.2</td><td></td><td></td><td></td><td></td></tr>");
    // Header cells: the groups over the columns.
    EXPECT_NE(html.find("<th scope=\"colgroup\" colspan=\"5\">TEMPERATURE</th>"),
              std::string::npos);
    EXPECT_NE(html.find("<th scope=\"col\">GUST</th>"), std::string::npos);
    // The summary rows are the table's foot.
    EXPECT_LT(html.find("<tfoot>"), html.find("<th scope=\"row\">AVG</th>"));
    EXPECT_GT(html.find("<tfoot>"), html.find("<th scope=\"row\">6</th>"));
}

// The index: the keeper's name and place as typed, never markup; the latest record (its stored
// time) with the quantities whose columns are on, the day's rain so far.
TEST_F(WebSite, IndexShowsTheLatestRecordAndEscapesTheKeepersTexts)
{
    st.insert("2010", "07", kJuly);
    st.columns({kTemperature, kHumidity, kPressure, kRain, kRainRate, kWind});
    st.settings.Rep_Name = "Lake & <b>Hill</b>";
    st.settings.Rep_City = "\"Up\" <there>";
    st.settings.Rep_State = "";
    write();
    const std::string html = page("index.html");
    EXPECT_EQ(html.find("<b>"), std::string::npos);
    EXPECT_NE(html.find("<h1>Lake &amp; &lt;b&gt;Hill&lt;/b&gt;</h1>"), std::string::npos);
    EXPECT_NE(html.find("<p>&quot;Up&quot; &lt;there&gt;</p>"), std::string::npos);
    EXPECT_NE(page("2010-07.html").find("Lake &amp; &lt;b&gt;Hill&lt;/b&gt;</a>"),
              std::string::npos);
    EXPECT_EQ(between(html, "<dl class=\"latest\">", "</dl>"),
              "<dl class=\"latest\">\n"
              "<dt>Date and time</dt><dd>10/07/2010 12:30</dd>\n"
              "<dt>Temperature</dt><dd>20.5 \xC2\xB0"
              "C</dd>\n"
              "<dt>Humidity</dt><dd>60 %</dd>\n"
              "<dt>Pressure</dt><dd>1013.2 hPa</dd>\n"
              "<dt>Wind speed</dt><dd>5.0 Km/h</dd>\n"
              "<dt>Gust</dt><dd>9.0 Km/h</dd>\n"
              "<dt>Direction</dt><dd>NNE</dd>\n"
              "<dt>Rain today</dt><dd>0.6 mm</dd>\n"
              "<dt>Rain rate</dt><dd>1.2 mm/h</dd>\n"
              "</dl>");
    EXPECT_NE(html.find("<a href=\"2010-07.html\">Jul</a>"), std::string::npos);
    EXPECT_NE(html.find("<a href=\"2010.html\">"), std::string::npos);
}

// With every column on, each row of the page holds the monthly report's row, figure by figure
// in the report's order, one figure a cell, one cell a heading: nothing lost, merged or moved
// past a neighbour.
TEST_F(WebSite, EveryColumnCutAsTheReportPrintsIt)
{
    st.insert("2010", "07", kJuly);
    st.all_columns();
    write();
    ReportJob job;
    job.Table = "DatiMeteo";
    job.year = 2010;
    job.month = 7;
    ASSERT_EQ(st.run_job(MonthReport, job), 0);
    const std::string html = page("2010-07.html");
    int rows = 0;
    for (const std::string& line : st.lines("July_2010.txt")) {
        std::istringstream in(line);
        std::vector<std::string> words;
        for (std::string w; in >> w;) words.push_back(w);
        const bool day =
            !words.empty() && words[0].find_first_not_of("0123456789") == std::string::npos;
        if (words.empty() || (!day && words[0] != "AVG" && words[0] != "MIN" && words[0] != "MAX" &&
                              words[0] != "SUM"))
            continue;
        const std::string row = table_row(html, words[0]);
        SCOPED_TRACE(line);
        ASSERT_FALSE(row.empty());
        const std::regex cell("<t[dh][^>]*>([^<]*)</t[dh]>");
        std::vector<std::string> cells;
        int count = 0;
        for (std::sregex_iterator it(row.begin(), row.end(), cell), end; it != end; ++it) {
            ++count;
            if ((*it)[1].length() > 0) cells.push_back((*it)[1]);
        }
        EXPECT_EQ(cells, words);
        // DAY, temperature 5, range, dew point, heat index, wind chill, humidity and pressure
        // 3 each, solar 2, ET, UV, rate, rain, wind 4, run, samples.
        EXPECT_EQ(count, 1 + 5 + 1 + 3 * 5 + 2 + 4 + 4 + 1 + 1);
        ++rows;
    }
    EXPECT_EQ(rows, 2 + 4);  // two days, AVG, MIN, MAX, SUM
}

// The records page: the statistics of all time and of the year, worked out by hand from the
// documented example (the highest and lowest of HiTemp and LowTemp, the average of the two
// days' means); the index's "so far" rows read today's row and the month and year rows.
TEST_F(WebSite, RecordsAndSoFarHoldTheReportsFigures)
{
    st.insert("2009", "03", kExample);
    st.columns({kTemperature, kRain, kWind});
    write();
    const std::string records = page("records.html");
    const std::string all = between(records, "<h2>All time</h2>", "</table>");
    EXPECT_NE(all.find("<tr><th scope=\"row\">Temperature</th><td>16.2 \xC2\xB0"
                       "C</td><td>13:40</td><td>06/03/2009</td><td>2.1 \xC2\xB0"
                       "C</td><td>06:30</td><td>05/03/2009</td></tr>"),
              std::string::npos)
        << all;
    const std::string year = between(records, "<h2 id=\"y2009\">2009</h2>", "</table>");
    EXPECT_NE(year.find("<td>05/03/2009</td><td>9.2 \xC2\xB0"
                        "C</td></tr>"),
              std::string::npos)
        << year;
    EXPECT_NE(records.find("<p>Longest run of dry days: "), std::string::npos);

    const std::string so_far = between(page("index.html"), "<h2>So far</h2>", "</table>");
    // Today is day 6: its mean, its low at "24:00" as the day table prints it, its high.
    EXPECT_NE(so_far.find("<tr><th scope=\"row\">Today</th><td>10.0</td><td>4.3 (00:00)</td>"
                          "<td>16.2 (13:40)</td><td>0.0</td></tr>"),
              std::string::npos)
        << so_far;
    EXPECT_NE(so_far.find("<tr><th scope=\"row\">This month</th><td>9.2</td><td>2.1 (05/03)</td>"
                          "<td>16.2 (06/03)</td><td>3.2</td></tr>"),
              std::string::npos)
        << so_far;
    EXPECT_NE(so_far.find("<tr><th scope=\"row\">This year</th><td>9.2</td>"), std::string::npos);

    // A past year's records come from the cache the second time: a changed cache shows.
    st.insert("2010", "07", kJuly);
    write();
    const std::string cache = st.dir.folder() + "NimboWebRecords.cache";
    std::string bytes = test::read_file(cache);
    const auto at = bytes.find("06/03/2009");
    ASSERT_NE(at, std::string::npos);
    bytes.replace(at, 10, "31/12/1999");
    test::write_file(cache, bytes);
    write();
    EXPECT_NE(page("records.html").find("31/12/1999"), std::string::npos);
    // A year imported again reads afresh: its fingerprint changed.
    st.insert("2009", "04", std::span<const Rec>(kExample, 2));
    write();
    EXPECT_EQ(page("records.html").find("31/12/1999"), std::string::npos);
}

// The text reports of the report folder are copied and linked, their names escaped and
// percent-encoded; the month page links its report and its daily CSV, the CSV being the
// export's.
TEST_F(WebSite, ReportsAndCsvAreLinked)
{
    st.insert("2009", "03", kExample);
    st.columns({kTemperature, kRain});
    test::write_file(st.dir.folder() + "March_2009.txt", "march\r\n");
    test::write_file(st.dir.folder() + "Range 2009 & <b>.txt", "range\r\n");
    write();
    const std::string index = page("index.html");
    EXPECT_NE(index.find("<a href=\"reports/Range%202009%20%26%20%3Cb%3E.txt\">Range 2009 &amp; "
                         "&lt;b&gt;.txt</a>"),
              std::string::npos);
    EXPECT_EQ(test::read_file(site() + "reports/Range 2009 & <b>.txt"), "range\r\n");
    const std::string month = page("2009-03.html");
    EXPECT_NE(month.find("<a href=\"reports/March_2009.txt\">"), std::string::npos);
    EXPECT_NE(month.find("<a href=\"2009-03.csv\">"), std::string::npos);
    const std::string csv = test::read_file(site() + "2009-03.csv");
    EXPECT_EQ(csv.substr(0, csv.find("\r\n")), kDailyHeader);
    EXPECT_NE(csv.find("\r\n2009-03-05,"), std::string::npos) << csv;
}

// The current month is read from its WLK file, in place of the database's records of that
// month; the current pages leave the older months alone.
TEST_F(WebSite, CurrentMonthFromItsFileAndCurrentPagesOnly)
{
    st.insert("2009", "03", kExample);
    st.insert("2010", "06", kJuly);
    st.insert("2010", "07", kJuly);
    // The database's August: one record of 55.5 degrees at a minute the file never has.
    // clang-format off
    const Rec imported[] = {
        {"10", "12:17", 55.5, 55.5, 55.5, 60, 12.3, 1013.2, 5.0, 9.0, "NNE", 0.2, 1.2, 20, 20, 0, 0, 0, 0, 0, 0},
    };
    // clang-format on
    st.insert("2010", "08", imported);
    st.all_columns();
    ASSERT_TRUE(write_synthetic_month(st.dir.folder() + "2010-08.wlk", 2010, 8, 60, 7));
    write();  // no current month: the database only
    EXPECT_NE(page("2010-08.html").find("<td>55.5</td>"), std::string::npos);
    EXPECT_EQ(page("2010-08.html").find("<tr><th scope=\"row\">31</th>"), std::string::npos);

    live = {2010, 8};
    fs::remove(site() + "2009-03.html");
    fs::remove(site() + "2010-06.html");
    write(true);
    EXPECT_FALSE(fs::exists(site() + "2009-03.html"));
    EXPECT_FALSE(fs::exists(site() + "2010-06.html"));
    EXPECT_TRUE(fs::exists(site() + "2010-07.html"));  // the month before the latest
    // The file's month in place of the database's: its days, never the imported record.
    const std::string month = page("2010-08.html");
    EXPECT_NE(month.find("<tr><th scope=\"row\">31</th>"), std::string::npos);
    EXPECT_EQ(month.find("55.5"), std::string::npos);
    const std::string index = page("index.html");
    EXPECT_NE(index.find("<dt>Date and time</dt><dd>31/08/2010 "), std::string::npos);
    EXPECT_NE(index.find("<a href=\"2010-08.html\">Aug</a>"), std::string::npos);
    EXPECT_NE(page("2010.html").find("<a href=\"2010-08.html\">August</a>"), std::string::npos);

    // The station's table is itself again afterwards: the view went with the run.
    auto db = Db::open(&st.owner, st.db_path());
    ASSERT_TRUE(db);
    const auto r = db->query(&st.owner, "select count(*) from datimeteo where month='08'");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.rows.at(0).at(0), "1");
}

// A month stored as "7" beside "07" is one month of the site: one link, one page.
TEST_F(WebSite, AMonthWrittenTwoWaysIsOneMonth)
{
    st.insert("2010", "07", kJuly);
    st.insert("2010", "7", std::span<const Rec>(kJuly, 1));
    st.columns({kTemperature});
    const SiteCounts counts = write();
    const std::string index = page("index.html");
    const std::string link = "<a href=\"2010-07.html\">Jul</a>";
    ASSERT_NE(index.find(link), std::string::npos);
    EXPECT_EQ(index.find(link, index.find(link) + 1), std::string::npos);
    EXPECT_EQ(counts.kept, 0);  // no page written twice
}

TEST(WebText, EscapesAndPercentEncodes)
{
    EXPECT_EQ(html_escape("a&b<c>\"d'"), "a&amp;b&lt;c&gt;&quot;d&#39;");
    EXPECT_EQ(percent_encode("reports/Range 01.txt"), "reports/Range%2001.txt");
    EXPECT_EQ(percent_encode("a&b#c?d%"), "a%26b%23c%3Fd%25");
    EXPECT_EQ(percent_encode("\xC3\xA8.txt"), "%C3%A8.txt");
}

// Every page and chart a page names is a file of the site; no link leaves it.
TEST_F(WebSite, EveryLocalLinkAndImageResolves)
{
    st.insert("2009", "03", kExample);
    st.insert("2010", "07", kJuly);
    st.all_columns();
    write();
    const std::regex target("(href|src)=\"([^\"]*)\"");
    int links = 0;
    for (const auto& entry : fs::directory_iterator(site())) {
        if (entry.path().extension() != ".html") continue;
        const std::string html = test::read_file(entry.path());
        for (std::sregex_iterator it(html.begin(), html.end(), target), end; it != end; ++it) {
            std::string link = (*it)[2];
            SCOPED_TRACE(entry.path().filename().string() + ": " + link);
            EXPECT_EQ(link.find(':'), std::string::npos);  // relative: no scheme
            EXPECT_NE(link.front(), '/');
            std::string path;
            for (std::size_t i = 0; i < link.size(); ++i) {
                if (link[i] == '%' && i + 2 < link.size()) {
                    path += static_cast<char>(std::stoi(link.substr(i + 1, 2), nullptr, 16));
                    i += 2;
                } else {
                    path += link[i];
                }
            }
            EXPECT_TRUE(fs::is_regular_file(site() + path));
            ++links;
        }
    }
    // Per month page: style, index, year, five charts; year pages: style, index, months; index.
    EXPECT_GT(links, 20);
    EXPECT_TRUE(fs::is_regular_file(site() + "charts/windrose_2009-03.svg"));
}

// Each page kind passes the HTML checker without an error or a warning.
TEST_F(WebSite, PagesPassTidy)
{
    if (std::system("tidy -v >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "tidy is not installed (scripts/install-deps.sh --test installs it)";
    st.insert("2009", "03", kExample);
    st.all_columns();
    st.settings.Rep_Name = "Lake & <b>Hill</b>";
    write();
    for (const char* name : {"index.html", "2009-03.html", "2009.html", "records.html"}) {
        SCOPED_TRACE(name);
        const std::string out = st.dir.folder() + "tidy.txt";
        const int rc =
            std::system(("tidy -q -e '" + site() + name + "' >'" + out + "' 2>&1").c_str());
        EXPECT_EQ(rc, 0) << test::read_file(out);
    }
}

// A second run writes nothing and keeps every time stamp; new data rewrites only what shows
// it, and a past month's page keeps its bytes and time.
TEST_F(WebSite, UnchangedFilesAreNotRewritten)
{
    st.insert("2009", "03", kExample);
    st.all_columns();
    const SiteCounts first = write();
    EXPECT_EQ(first.kept, 0);
    // style, index, records, year, month, its CSV, five charts of the month and five of the
    // year, four of the last 24 hours and four of the month so far
    EXPECT_EQ(first.written, 24);
    // Time stamps far in the past, so that any rewrite shows.
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(24 * 400);
    std::map<std::string, fs::file_time_type> times;
    for (const auto& e : fs::recursive_directory_iterator(site()))
        if (e.is_regular_file()) {
            fs::last_write_time(e.path(), old);
            times[e.path().string()] = old;
        }
    const SiteCounts second = write();
    EXPECT_EQ(second.written, 0);
    EXPECT_EQ(second.kept, 24);
    for (const auto& [path, time] : times) EXPECT_EQ(fs::last_write_time(path), time) << path;

    st.insert("2009", "04", std::span<const Rec>(kExample, 2));
    const SiteCounts third = write();
    // index, records, year, the new month, its CSV and five charts, the year's five charts, the
    // eight of the index
    EXPECT_EQ(third.written, 23);
    EXPECT_EQ(fs::last_write_time(site() + "2009-03.html"), old);
    EXPECT_EQ(fs::last_write_time(site() + "charts/temperature_2009-03.svg"), old);
    EXPECT_NE(fs::last_write_time(site() + "2009.html"), old);
    for (const auto& e : fs::recursive_directory_iterator(site()))
        EXPECT_NE(e.path().extension(), ".part") << e.path();
}

}  // namespace
}  // namespace nimbora
