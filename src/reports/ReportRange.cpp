// SPDX-License-Identifier: GPL-3.0-or-later
#include "reports/ReportRange.h"

#include "config/format.h"
#include "config/function.h"
#include "config/stations.h"
#include "reports/daily.h"
#include "reports/frame.h"
#include "reports/layout.h"
#include "reports/pass.h"
#include "reports/wind.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <optional>

namespace nimbora {
namespace {

// The span's days, both ends included: "year||month||day >= ? and year||month||day <= ?",
// through in_span. The bounds on the year add nothing to what the dates select, but let the
// table's key find the span instead of a full scan.
constexpr const char* kSpan = "year>=? and year<=? and in_span(year,month,day,?,?)";

bool is_date(const std::string& date)
{
    return date.size() == 8 && std::all_of(date.begin(), date.end(), [](char c) {
               return std::isdigit(static_cast<unsigned char>(c)) != 0;
           });
}

// The days from 1 March of year 0 to a date of the Gregorian calendar; a day or month beyond
// its end counts on into the next.
long day_number(int year, int month, int day)
{
    const long y = year - (month <= 2 ? 1 : 0);
    const long era = (y >= 0 ? y : y - 399) / 400;
    const long of_era = y - era * 400;
    const long day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    return era * 146097 + of_era * 365 + of_era / 4 - of_era / 100 + day_of_year;
}

// A "YYYYMMDD" date's day, month and year texts.
struct Date {
    explicit Date(const std::string& yyyymmdd)
        : day(yyyymmdd.substr(6, 2)), month(yyyymmdd.substr(4, 2)), year(yyyymmdd.substr(0, 4))
    {
    }
    long number() const { return day_number(inum(year), inum(month), inum(day)); }
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
    if (!frame.open()) return frame.end();
    if (!frame.has_records(
            "select count(*) from (select 1 from " + *table + " where " + kSpan + " limit 1)",
            {from_year, to_year, from, to},
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

        DayTotals totals(inum(first.day), inum(first.month), inum(first.year));
        // The bar runs over the span's calendar days; a day without records moves it on with
        // the next day that has some.
        const long start = first.number();
        const long days = std::clamp(last.number() - start + 1, 1L, long{INT_MAX});
        owner->progress_range(0, static_cast<int>(days));
        long shown = 0;
        SpanWind wind;
        read_days(
            owner, db, *table, kSpan, {from_year, to_year, from, to}, u, wind,
            [&](Day&& d, const WindTally&) {
                const long at = std::clamp(
                    day_number(inum(d.year), inum(d.month), inum(d.day)) - start + 1, shown, days);
                if (at > shown) owner->progress_step(static_cast<int>(at - shown));
                shown = at;
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
