// SPDX-License-Identifier: GPL-3.0-or-later
#include "reports/YearRep.h"

#include "config/format.h"
#include "config/function.h"
#include "config/stations.h"
#include "reports/frame.h"
#include "reports/layout.h"
#include "reports/monthly.h"
#include "reports/wind.h"

#include <vector>

namespace nimbora {
namespace {

// A month's day counts, for the tables under the rows.
struct MonthCounts {
    int month;
    DayCounts days;
};

}  // namespace

int YearReport(ReportJob& job)
{
    ReportFrame frame(job, "Report");
    Owner* owner = frame.owner();
    const Settings& s = job.settings;
    const std::string year = year_text(job.year);

    // A year without records has nothing to average: say so, and leave no file behind.
    if (!frame.open() || !frame.has_records("select count(*) from datimeteo where year=?", {year},
                                            strf("No data for %s", year.c_str())))
        return frame.end();
    Db* db = &frame.db();
    const std::string name = "Year" + year + ".txt";
    TextWriter* file =
        frame.create(name, strf("        ANNUAL CLIMATOLOGICAL REPORT - %s\n\n", year.c_str()));
    if (!file) return frame.end();
    TextWriter& out = *file;
    bool& failed = frame.failed();
    {
        const Units u = UnitConvert(s);
        write_units(out, s, u, Layout::monthly);
        write_headings(out, s, Layout::monthly);

        // The year's records in one pass; the rows print after it.
        YearFigures data;
        read_years(
            owner, *db, year, [&data](YearFigures&& y) { data = std::move(y); }, {}, failed);

        Figures y;
        std::vector<MonthCounts> counts;
        for (MonthFigures& m : data.months) {
            const std::string& month = m.month;
            show_status(owner, strf("Please wait...  Month: %2s", month.c_str()));
            DayRun days;
            for (const DayFigures& d : m.days) add_day(days, d, s, u);
            Figures& f = m.f;
            f.run = days;
            y.run += days;
            y.widen(f);
            counts.push_back({inum(month), days.counts});
            out.rawf("%2d  ", inum(month));
            figures_row(out, s, u, f, false);
        }

        y.direction = data.direction;
        StampaRigaY(out, s);
        out.raw("    ");
        figures_row(out, s, u, y, true);
        out.raw("\n\n");

        if (s.column(kTemperature)) {
            out.raw("\n\n              DAYS WITH TEMP");
            out.raw("\n       MAX      MAX      MIN     MAX");
            out.rawf("\nMO   >=%4.1f   >=%4.1f    <%3.1f    <%3.1f", u.temp(25), u.temp(30),
                     u.temp(0), u.temp(0));
            out.raw("\n" + std::string(39, '-') + "\n");
            for (const auto& [month, c] : counts)
                out.rawf("%2d    %3d      %3d      %3d     %3d\n", month, c.max25, c.max30, c.min0,
                         c.max0);
            const DayCounts& total = y.run.counts;
            out.raw(std::string(39, '-') + "\n");
            out.rawf("      %3d      %3d      %3d     %3d\n", total.max25, total.max30, total.min0,
                     total.max0);
        }
        if (s.column(kRain)) {
            out.raw("\n\n       DAYS OF RAIN");
            out.raw(s.UnitRain == 0 ? "\nMO   >.2   >=1    >20" : "\nMO   >.01  >=.04   >1");
            out.raw("\n" + std::string(21, '-') + "\n");
            for (const auto& [month, c] : counts)
                out.rawf("%2d   %3d   %3d   %3d\n", month, c.rain1, c.rain2, c.rain3);
            const DayCounts& total = y.run.counts;
            out.raw(std::string(21, '-') + "\n");
            out.rawf("     %3d   %3d   %3d", total.rain1, total.rain2, total.rain3);
        }
        if (s.column(kWind)) {
            out.raw("\n\n\nPREVAILING WIND DIRECTION (%)\n\n");
            wind_names(out);
            out.raw("  CALM\n");
            out.raw(wind_rule(0, true) + "\n");
            percent_values(out, data.shares);

            out.rawf("\n\n\nAVERAGE WIND SPEED (%s)\n\n", u.UTitle[2].c_str());
            wind_names(out);
            out.raw("\n" + wind_rule(0, false) + "\n");
            for (double v : data.speeds) out.rawf(" %5.1f ", v * u.WindFatt);
        }
    }
    return frame.end(name + " created successfully! ");
}

}  // namespace nimbora
