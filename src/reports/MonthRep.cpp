// SPDX-License-Identifier: GPL-3.0-or-later
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

// The rules under the wind tables' names, below the 3-character day or decade labels.
const std::string kPercentRule = wind_rule(3, true), kSpeedRule = wind_rule(3, false);

}  // namespace

int PrevailingWind(ReportJob& job, ReportFrame& frame, const std::vector<DayWind>& days,
                   const SpanWind& wind, const std::array<int, 3>& decade_days, const Units& u,
                   MonthWind& out)
{
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

    write_header(file, s,
                 strf("        MONTHLY CLIMATOLOGICAL REPORT - %s %s\n\n",
                      month_name(job.month).c_str(), year_text(job.year).c_str()));
    file.raw("  PREVAILING WIND DIRECTION (%)\n\nDAY");
    wind_names(file);
    file.raw("  CALM\n" + kPercentRule + "\n");
    for (const DayWind& day : days) {
        file.rawf("%2d ", inum(day.day));
        percent_values(file, day.shares);
        file.raw("\n");
    }
    file.raw(kPercentRule + "\n");
    out.PrevalWindTot[3] = wind.all.percentages();
    file.raw("   ");
    percent_values(file, out.PrevalWindTot[3]);
    if (job.decades) {
        file.raw("\n\nDECADES\n" + kPercentRule + "\n");
        for (std::size_t k = 0; k < 3; ++k) {
            if (decade_days[k] <= 0) continue;
            out.PrevalWindTot[k] = wind.decades[k].percentages();
            file.rawf(" %1d ", static_cast<int>(k + 1));
            percent_values(file, out.PrevalWindTot[k]);
            file.raw("\n");
        }
        file.raw(kPercentRule);
    }

    file.rawf("\n\n\n  AVERAGE WIND SPEED (%s)\n\nDAY", u.UTitle[2].c_str());
    wind_names(file);
    file.raw("\n" + kSpeedRule + "\n");
    for (const DayWind& day : days) {
        file.rawf("%2d ", inum(day.day));
        speed_values(file, day.speeds, u.WindFatt);
        file.raw("\n");
    }
    file.raw(kSpeedRule + "\n");
    const WindRow month = wind.all.speed_row();
    file.raw("   ");
    speed_values(file, month, u.WindFatt);
    for (std::size_t i = 0; i < kDirections; ++i)
        out.AvgWindTot[3][i] = static_cast<float>(month[i] * u.WindFatt);
    if (job.decades) {
        file.raw("\n\nDECADES\n" + kSpeedRule + "\n");
        for (std::size_t k = 0; k < 3; ++k) {
            if (decade_days[k] <= 0) continue;
            const WindRow row = wind.decades[k].speed_row();
            file.rawf(" %1d ", static_cast<int>(k + 1));
            speed_values(file, row, u.WindFatt);
            for (std::size_t i = 0; i < kDirections; ++i)
                out.AvgWindTot[k][i] = static_cast<float>(row[i] * u.WindFatt);
            file.raw("\n");
        }
        file.raw(kSpeedRule + "\n");
    }
    return 0;
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
    const std::string year = year_text(job.year), month = month_name(job.month);

    // A month without records has nothing to average: say so, and leave no file behind.
    if (!frame.open() ||
        !frame.has_records("select count(*) from " + *table + " where year=? and month=?",
                           {year, month_text},
                           strf("No data for %s %s", month.c_str(), year.c_str())))
        return frame.end();
    Db& db = frame.db();

    const std::string report_name = month + "_" + year + ".txt";
    const std::string wind_name = month + "_" + year + "_wind.txt";
    TextWriter* file =
        frame.create(report_name, strf("        MONTHLY CLIMATOLOGICAL REPORT - %s %s\n\n",
                                       month.c_str(), year.c_str()));
    if (!file) return frame.end();
    TextWriter& out = *file;
    bool& failed = frame.failed();

    const Units u = UnitConvert(s);
    write_units(out, s, u, Layout::daily);
    write_headings(out, s, Layout::daily);

    // The month's days, read in one pass; with them the wind of each day (for the detailed
    // file), of each decade and of the month.
    std::vector<Day> days;
    std::vector<DayWind> day_winds;
    SpanWind wind;
    read_days(
        owner, db, *table, "year=? and month=?", {year, month_text}, u, wind,
        [&](Day&& d, const WindTally& day_wind) {
            show_status(owner, strf("Please wait...  Day: %2s", d.day.c_str()));
            if (job.wind_detail)
                day_winds.push_back({d.day, day_wind.percentages(), day_wind.speed_row()});
            days.push_back(std::move(d));
        },
        failed);

    DayTotals totals(1, job.month, job.year);
    std::array<Quantities, 3> decade_sum{};
    std::array<int, 3> decade_days{};

    std::size_t decade = 0;
    if (!days.empty()) {
        const int first = inum(days.front().day);
        decade = (first > 10 ? 1u : 0u) + (first > 20 ? 1u : 0u);
    }
    int decade_count = 0;
    for (const Day& d : days) {
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
    const std::string month_direction = wind.all.dominant();

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

    MonthWind tables;
    if (PrevailingWind(job, frame, day_winds, wind, decade_days, u, tables) != 0)
        return frame.end();
    if (s.column(kWind)) {
        out.raw("\n\n\n\nPREVAILING WIND DIRECTION (%)\n\n   ");
        wind_names(out);
        out.raw("  CALM\n");
        if (job.decades) {
            out.raw(kPercentRule + "\n");
            for (std::size_t k = 0; k < 3; ++k) {
                if (decade_days[k] <= 0) continue;
                out.rawf(" %1d ", static_cast<int>(k + 1));
                percent_values(out, tables.PrevalWindTot[k]);
                out.raw("\n");
            }
        }
        out.raw(kPercentRule + "\n   ");
        percent_values(out, tables.PrevalWindTot[3]);

        out.raw("\n\n\nAVERAGE WIND SPEED\n\n   ");
        wind_names(out);
        out.raw("\n" + kSpeedRule + "\n");
        if (job.decades) {
            for (std::size_t k = 0; k < 3; ++k) {
                if (decade_days[k] <= 0) continue;
                out.rawf(" %1d ", static_cast<int>(k + 1));
                speed_values(out, tables.AvgWindTot[k], 1.0);
                out.raw("\n");
            }
            out.raw(kSpeedRule + "\n");
        }
        out.raw("   ");
        speed_values(out, tables.AvgWindTot[3], 1.0);
    }
    return frame.end(report_name + " " + (job.wind_detail ? "and " + wind_name + " " : "") +
                     "created successfully! ");
}

}  // namespace nimbora
