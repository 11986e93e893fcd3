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
    if (!is_date(job.DateFrom) || !is_date(job.DateTo)) {
        tell(owner, "Report",
             "Not a date (YYYYMMDD): " + (is_date(job.DateFrom) ? job.DateTo : job.DateFrom),
             Icon::error);
        return frame.end();
    }
    const std::string& from = job.DateFrom;
    const std::string& to = job.DateTo;
    const Date first(from), last(to);
    const std::string from_year = from.substr(0, 4), to_year = to.substr(0, 4);

    // A span without records has nothing to average: say so, and leave no file behind. Its
    // days are counted first, for the progress bar.
    if (!frame.open()) return frame.end();
    const auto day_count = frame.has_records(
        "select count(*) from (select 1 from " + *table + " where " + kSpan +
            " group by year,month,day)",
        {from_year, to_year, from, to},
        strf("No data from %s/%s/%s to %s/%s/%s", first.day.c_str(), first.month.c_str(),
             first.year.c_str(), last.day.c_str(), last.month.c_str(), last.year.c_str()));
    if (!day_count) return frame.end();
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

        DayTotals totals(inum(first.day), inum(first.month), inum(first.year));
        owner->progress_range(0, inum((*day_count)[0][0]));
        SpanWind wind;
        read_days(
            owner, db, *table, kSpan, {from_year, to_year, from, to}, u, wind,
            [&](Day&& d, const WindTally&) {
                owner->progress_step(1);
                totals.add(d, s, u);
                out.rawf("%2s/%2s/%4s  ", d.day.c_str(), d.month.c_str(), d.year.c_str());
                day_cells(out, s, u, d);
            },
            failed);
        const std::string span_direction = wind.all.dominant();

        StampaRigaR(out, s);
        total_rows(out, s, u, totals, span_direction, Span::range);

        day_counts(out, s, u, totals, Span::range);

        if (s.column(kWind)) {
            out.raw("\n\n\nPREVAILING WIND DIRECTION (%)\n\n");
            wind_names(out);
            out.raw("  CALM\n" + wind_rule(0, true) + "\n");
            percent_values(out, wind.all.percentages());

            out.rawf("\n\n\nAVERAGE WIND SPEED (%s)\n\n", u.UTitle[2].c_str());
            wind_names(out);
            out.raw("\n" + wind_rule(0, false) + "\n");
            for (double speed : wind.all.speeds()) out.rawf(" %5.1f ", speed * u.WindFatt);
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
