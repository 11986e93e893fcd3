#include "reports/MonthRep.h"

#include "config/format.h"
#include "config/function.h"
#include "config/stations.h"
#include "reports/daily.h"
#include "reports/frame.h"
#include "reports/layout.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace nimbora {
namespace {

constexpr const char* kDecadeClause[3] = {"and (day >= '01' and day <= '10')",
                                          "and (day >= '11' and day <= '20')",
                                          "and (day >= '21' and day <= '31')"};

const std::string kDashes122(122, '-'), kDashes115(115, '-');

}  // namespace

int PrevailingWind(ReportJob& job, ReportFrame& frame, const std::string& table,
                   const std::string& month_text, const std::vector<std::string>& days,
                   const std::array<int, 3>& decade_days, const Units& u, MonthWind& out)
{
    Owner* owner = frame.owner();
    Db& db = frame.db();
    const Settings& s = job.settings;
    const std::string name = month_name(job.month) + "_" + year_text(job.year) + "_wind.txt";
    TextWriter nowhere;  // without the detailed report, the same text goes nowhere
    TextWriter* detail = &nowhere;
    if (job.wind_detail) {
        detail = frame.create(name);
        if (!detail) return 1;
    } else {
        frame.remove_when_written(name);
    }
    TextWriter& file = *detail;
    out = MonthWind{};
    bool failed = false;
    const std::string from = "from " + table + " where year=? and month=?";
    const std::string year = year_text(job.year);

    write_header(file, s,
                 strf("        MONTHLY CLIMATOLOGICAL REPORT - %s %s\n\n",
                      month_name(job.month).c_str(), year.c_str()));
    file.raw("  PREVAILING WIND DIRECTION (%)\n\nDAY");
    wind_names(file, 16);
    file.raw("  CALM\n" + kDashes122 + "\n");
    for (const std::string& day : days) {
        const WindRow row =
            wind_percentages(owner, db, {from + " and day=?", {year, month_text, day}}, failed);
        file.rawf("%2d ", inum(day));
        percent_values(file, row);
        file.raw("\n");
    }
    file.raw(kDashes122 + "\n");
    out.PrevalWindTot[3] = wind_percentages(owner, db, {from, {year, month_text}}, failed);
    file.raw("   ");
    percent_values(file, out.PrevalWindTot[3]);
    if (job.decades) {
        file.raw("\n\nDECADES\n" + kDashes122 + "\n");
        for (std::size_t k = 0; k < 3; ++k) {
            if (decade_days[k] <= 0) continue;
            out.PrevalWindTot[k] = wind_percentages(
                owner, db, {from + " " + kDecadeClause[k], {year, month_text}}, failed);
            file.rawf(" %1d ", static_cast<int>(k + 1));
            percent_values(file, out.PrevalWindTot[k]);
            file.raw("\n");
        }
        file.raw(kDashes122);
    }

    file.rawf("\n\n\n  AVERAGE WIND SPEED (%s)\n\nDAY", u.UTitle[2].c_str());
    wind_names(file, 16);
    file.raw("\n" + kDashes115 + "\n");
    for (const std::string& day : days) {
        const WindRow row =
            wind_speeds(owner, db, {from + " and day=?", {year, month_text, day}}, failed);
        file.rawf("%2d ", inum(day));
        speed_values(file, row, u.WindFatt);
        file.raw("\n");
    }
    file.raw(kDashes115 + "\n");
    const WindRow month = wind_speeds(owner, db, {from, {year, month_text}}, failed);
    file.raw("   ");
    speed_values(file, month, u.WindFatt);
    for (std::size_t i = 0; i < 16; ++i)
        out.AvgWindTot[3][i] = static_cast<float>(month[i] * u.WindFatt);
    if (job.decades) {
        file.raw("\n\nDECADES\n" + kDashes115 + "\n");
        for (std::size_t k = 0; k < 3; ++k) {
            if (decade_days[k] <= 0) continue;
            const WindRow row =
                wind_speeds(owner, db, {from + " " + kDecadeClause[k], {year, month_text}}, failed);
            file.rawf(" %1d ", static_cast<int>(k + 1));
            speed_values(file, row, u.WindFatt);
            for (std::size_t i = 0; i < 16; ++i)
                out.AvgWindTot[k][i] = static_cast<float>(row[i] * u.WindFatt);
            file.raw("\n");
        }
        file.raw(kDashes115 + "\n");
    }
    frame.failed() |= failed;
    return failed ? 1 : 0;
}

int MonthReport(ReportJob& job)
{
    ReportFrame frame(job, "Report");
    Owner* owner = frame.owner();
    const Settings& s = job.settings;

    const auto table = report_table(job.Table);
    if (!table || job.month < 1 || job.month > 12) {
        tell(owner, "Report",
             table ? strf("Not a month: %d", job.month) : "Not a weather table: " + job.Table,
             Icon::error);
        return frame.end();
    }
    const std::string month_text = strf("%02d", job.month);

    // A month without records has nothing to average: say so, and leave no file behind.
    if (!frame.open() ||
        !frame.has_records(
            "select count(*) from " + *table + " where year=? and month=?",
            {year_text(job.year), month_text},
            strf("No data for %s %s", month_name(job.month).c_str(), year_text(job.year).c_str())))
        return frame.end();
    Db& db = frame.db();

    const std::string report_name = month_name(job.month) + "_" + year_text(job.year) + ".txt";
    const std::string wind_name = month_name(job.month) + "_" + year_text(job.year) + "_wind.txt";
    TextWriter* file =
        frame.create(report_name, strf("        MONTHLY CLIMATOLOGICAL REPORT - %s %s\n\n",
                                       month_name(job.month).c_str(), year_text(job.year).c_str()));
    if (!file) return frame.end();
    TextWriter& out = *file;
    bool& failed = frame.failed();

    const Units u = UnitConvert(s);
    write_units(out, s, u, Layout::daily);
    write_headings(out, s, Layout::daily);

    const auto main = db.query(owner,
                               ("select day, " + std::string(kDayAggregates) + " from " + *table +
                                " where year=? and month=? group by day order by day")
                                   .c_str(),
                               {year_text(job.year), month_text});
    failed |= !main.ok;

    DayTotals totals(1, job.month, job.year);
    std::array<Quantities, 3> decade_sum{};
    std::array<int, 3> decade_days{};
    std::vector<std::string> days;

    std::size_t decade = 0;
    if (!main.rows.empty()) {
        const int first = inum(main.rows[0][0]);
        decade = (first > 10 ? 1u : 0u) + (first > 20 ? 1u : 0u);
    }
    int decade_count = 0;
    for (const auto& r : main.rows) {
        Day d = read_day(std::span(r).subspan(1), u);
        d.year = year_text(job.year);
        d.month = month_text;
        d.day = r[0];
        days.push_back(d.day);
        show_status(owner, strf("Please wait...  Day: %2s", d.day.c_str()));
        failed |= !query_day(owner, db, *table, d);
        totals.add(d, s, u);
        for (std::size_t i = 0; i < kQuantities; ++i) decade_sum[decade][i] += d.q[i];
        const int number = inum(d.day);
        out.rawf("%2d  ", number);
        day_cells(out, s, u, d);

        ++decade_count;
        if ((number == 10 || number == 20) && decade < 2) {
            decade_days[decade] = decade_count;
            ++decade;
            decade_count = 0;
        }
    }
    decade_days[decade] = decade_count;
    const std::string month_direction = dominant_direction(
        owner, db, *table, "year=? and month=?", {year_text(job.year), month_text}, failed);

    StampaRiga(out, s);
    total_rows(out, s, u, totals, month_direction, Span::month);

    if (job.decades) {
        out.raw("\n\nDECADES (AVG)\n");
        StampaRiga(out, s);
        for (std::size_t k = 0; k < 3; ++k) {
            if (decade_days[k] <= 0) continue;
            Summary dec;
            for (std::size_t i = 0; i < kQuantities; ++i)
                dec.q[i] = decade_sum[k][i] / decade_days[k];
            out.rawf(" %1d  ", static_cast<int>(k + 1));
            summary_row(out, s, u, dec, Row::decade);
        }
        StampaRiga(out, s);
    }

    day_counts(out, s, u, totals, Span::month);

    MonthWind wind;
    if (PrevailingWind(job, frame, *table, month_text, days, decade_days, u, wind) != 0)
        return frame.end();
    if (s.column(kWind)) {
        out.raw("\n\n\n\nPREVAILING WIND DIRECTION (%)\n\n   ");
        wind_names(out, 16);
        out.raw("  CALM\n");
        if (job.decades) {
            out.raw(kDashes122 + "\n");
            for (std::size_t k = 0; k < 3; ++k) {
                if (decade_days[k] <= 0) continue;
                out.rawf(" %1d ", static_cast<int>(k + 1));
                percent_values(out, wind.PrevalWindTot[k]);
                out.raw("\n");
            }
        }
        out.raw(kDashes122 + "\n   ");
        percent_values(out, wind.PrevalWindTot[3]);

        out.raw("\n\n\nAVERAGE WIND SPEED\n\n   ");
        wind_names(out, 16);
        out.raw("\n" + kDashes115 + "\n");
        if (job.decades) {
            for (std::size_t k = 0; k < 3; ++k) {
                if (decade_days[k] <= 0) continue;
                out.rawf(" %1d ", static_cast<int>(k + 1));
                speed_values(out, wind.AvgWindTot[k], 1.0);
                out.raw("\n");
            }
            out.raw(kDashes115 + "\n");
        }
        out.raw("   ");
        speed_values(out, wind.AvgWindTot[3], 1.0);
    }
    return frame.end(report_name + " " + (job.wind_detail ? "and " + wind_name + " " : "") +
                     "created successfully! ");
}

}  // namespace nimbora
