#include "reports/ReportRange.h"

#include "config/format.h"
#include "config/function.h"
#include "config/stations.h"
#include "reports/daily.h"
#include "reports/frame.h"
#include "reports/layout.h"
#include "reports/wind.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <span>

namespace nimbora {
namespace {

// The span's records; both ends included. The dates are compared as texts, which orders
// "YYYYMMDD" correctly.
// The span's days, both ends included. The bounds on the year add nothing to what the
// concatenated date selects, but let the table's key find the span instead of a full scan.
constexpr const char* kSpan = "year>=? and year<=? and year||month||day>=? and year||month||day<=?";

bool is_date(const std::string& date)
{
    return date.size() == 8 && std::all_of(date.begin(), date.end(), [](char c) {
               return std::isdigit(static_cast<unsigned char>(c)) != 0;
           });
}

// A "YYYYMMDD" date's day, month and year texts.
struct Date {
    explicit Date(const std::string& yyyymmdd)
        : day(yyyymmdd.substr(6, 2)), month(yyyymmdd.substr(4, 2)), year(yyyymmdd.substr(0, 4))
    {
    }
    std::string day, month, year;
};

// The separator of this report: its row label is 12 characters wide.
void StampaRigaR(TextWriter& out, const Settings& s)
{
    out.raw("--------");  // with the four StampaRiga begins with, twelve
    StampaRiga(out, s);
}

}  // namespace

int ReportRange(ReportJob& job)
{
    ReportFrame frame(job, "Report", FrameProgress::bar);
    Owner* owner = frame.owner();
    const Settings& s = job.settings;

    const auto table = report_table(job.Table);
    if (!table) {
        tell(owner, "Report", "Not a weather table: " + job.Table, Icon::error);
        return frame.end();
    }
    const std::string from = ymd_digits(job.from);
    const std::string to = ymd_digits(job.to);
    if (!is_date(from) || !is_date(to)) {
        tell(owner, "Report", "Not a date (YYYYMMDD): " + (is_date(from) ? to : from), Icon::error);
        return frame.end();
    }
    const Date first(from), last(to);
    const std::string from_year = from.substr(0, 4), to_year = to.substr(0, 4);

    // A span without records has nothing to average: say so, and leave no file behind.
    if (!frame.open() ||
        !frame.has_records(
            "select count(*) from " + *table + " where " + kSpan, {from_year, to_year, from, to},
            strf("No data from %s/%s/%s to %s/%s/%s", first.day.c_str(), first.month.c_str(),
                 first.year.c_str(), last.day.c_str(), last.month.c_str(), last.year.c_str())))
        return frame.end();
    Db& db = frame.db();

    const std::string report_name = range_file_name(from, to);
    TextWriter* file =
        frame.create(report_name, strf("        CLIMATOLOGICAL REPORT   %s/%s/%s - %s/%s/%s\n\n",
                                       first.day.c_str(), first.month.c_str(), first.year.c_str(),
                                       last.day.c_str(), last.month.c_str(), last.year.c_str()));
    if (!file) return frame.end();
    TextWriter& out = *file;
    bool& failed = frame.failed();
    {
        const Units u = UnitConvert(s);
        write_units(out, s, u, Layout::daily);
        write_headings(out, s, Layout::daily, "            ", "   DATE     ");

        const auto main =
            db.query(owner,
                     ("select day,month,year, " + std::string(kDayAggregates) + " from " + *table +
                      " where " + kSpan + " group by year,month,day order by year,month,day")
                         .c_str(),
                     {from_year, to_year, from, to});
        failed |= !main.ok;

        DayTotals totals(inum(first.day), inum(first.month), inum(first.year));
        owner->progress_range(0, static_cast<int>(main.rows.size()));
        for (const auto& r : main.rows) {
            Day d = read_day(std::span(r).subspan(3), u);
            d.day = r[0];
            d.month = r[1];
            d.year = r[2];
            owner->progress_step(1);
            failed |= !query_day(owner, db, *table, d);
            totals.add(d, s, u);
            out.rawf("%2s/%2s/%4s  ", d.day.c_str(), d.month.c_str(), d.year.c_str());
            day_cells(out, s, u, d);
        }
        const std::string span_direction =
            dominant_direction(owner, db, *table, kSpan, {from_year, to_year, from, to}, failed);

        StampaRigaR(out, s);
        total_rows(out, s, u, totals, span_direction, Span::range);

        day_counts(out, s, u, totals, Span::range);

        if (s.column(kWind)) {
            out.raw("\n\n\nPREVAILING WIND DIRECTION (%)\n\n");
            wind_names(out, 16);
            out.raw("  CALM\n" + std::string(119, '-') + "\n");
            const std::string span_where = "from " + *table + " where " + kSpan;
            percent_values(
                out,
                wind_percentages(owner, db, {span_where, {from_year, to_year, from, to}}, failed));

            out.rawf("\n\n\nAVERAGE WIND SPEED (%s)\n\n", u.UTitle[2].c_str());
            wind_names(out, 16);
            out.raw("\n" + std::string(112, '-') + "\n");
            for (double speed :
                 average_speeds(owner, db, {span_where, {from_year, to_year, from, to}}, failed))
                out.rawf(" %5.1f ", speed * u.WindFatt);
        }
    }
    return frame.end(report_name + " created successfully!");
}

std::string range_file_name(const std::string& from, const std::string& to)
{
    const auto ddmmyyyy = [](const std::string& d) {
        return d.size() == 8 ? d.substr(6, 2) + d.substr(4, 2) + d.substr(0, 4) : d;
    };
    return "Report " + ddmmyyyy(from) + "-" + ddmmyyyy(to) + ".txt";
}

std::optional<std::string> check_date_range(const std::string& first, const std::string& last,
                                            const std::string& start, const std::string& end)
{
    if (start < first || start > last) return "Start Date out of range!";
    if (end < first || end > last) return "End Date out of range!";
    if (end < start) return "End Date minor of Start Date!";
    return std::nullopt;
}

}  // namespace nimbora
