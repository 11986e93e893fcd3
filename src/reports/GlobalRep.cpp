// SPDX-License-Identifier: GPL-3.0-or-later
#include "reports/GlobalRep.h"

#include "config/format.h"
#include "config/stations.h"
#include "reports/frame.h"
#include "reports/layout.h"
#include "reports/monthly.h"
#include "reports/wind.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace nimbora {
namespace {

constexpr const char* kReportName = "Global.txt";

// One row of the report, and its day counts.
struct YearRow {
    int year = 0;
    Figures f;
};

void advance(Owner* owner)
{
    if (owner) owner->progress_step(1);
}

// A year's row from its figures. The days add to the year's run one by one, not as month
// sums like the annual report's: the last digit of a mean can depend on that order. The
// first month holding the year's extreme names its date.
YearRow year_row(const YearFigures& data, const Settings& s, const Units& u, int year)
{
    YearRow r;
    r.year = year;
    for (const MonthFigures& m : data.months) {
        for (const DayFigures& d : m.days) add_day(r.f.run, d, s, u);
        r.f.widen(m.f);
    }
    r.f.direction = data.direction;
    return r;
}

}  // namespace

int GlobalReport(ReportJob& job)
{
    ReportFrame frame(job, "Report");
    Owner* owner = frame.owner();
    const Settings& s = job.settings;

    // The list of years and their rows come from the frame's one read transaction.
    if (!frame.open()) return frame.end();
    const auto held = frame.has_records(
        "select distinct year,count(distinct month) from datimeteo group by year order by year", {},
        "No data", HeldBy::rows);
    if (!held) return frame.end();
    std::vector<int> years;
    int months = 0;
    for (const auto& r : *held) {
        years.push_back(inum(r[0]));
        months += inum(r[1]);
    }

    TextWriter* file = frame.create(kReportName, "        GLOBAL CLIMATOLOGICAL REPORT\n\n");
    if (!file) return frame.end();
    TextWriter& out = *file;
    Db* db = &frame.db();
    bool& failed = frame.failed();
    {
        const Units u = UnitConvert(s);
        write_units(out, s, u, Layout::monthly);
        write_headings(out, s, Layout::monthly, "      ", "YEAR  ");  // the year rows' label

        const bool wind = s.column(kWind);
        if (owner) owner->progress_range(0, months + 2 * static_cast<int>(years.size()));
        // Every record in one pass, kept as one figure set per day; each year held is then
        // looked up by its number as printed (a year without records reads as empty).
        std::map<std::string, YearFigures> read;
        read_years(
            owner, *db, {},
            [&read](YearFigures&& y) {
                std::string key = y.year;
                read[key] = std::move(y);
            },
            [owner] { advance(owner); }, failed);
        std::vector<YearRow> rows;
        std::vector<WindRow> shares, speeds;
        const YearFigures none;
        for (int year : years) {
            const auto it = read.find(strf("%d", year));
            const YearFigures& data = it == read.end() ? none : it->second;
            rows.push_back(year_row(data, s, u, year));
            if (wind) {
                shares.push_back(data.shares);
                WindRow row{};
                for (std::size_t i = 0; i < data.speeds.size(); ++i)
                    row[i] = static_cast<float>(data.speeds[i]);
                speeds.push_back(row);
            }
        }
        if (wind)
            for (std::size_t i = 0; i < 2 * years.size(); ++i) advance(owner);

        for (const YearRow& y : rows) {
            out.rawf("%4d  ", y.year);
            figures_row(out, s, u, y.f, true);
        }
        out.raw("\n\n");
        if (s.column(kTemperature)) {
            out.raw("\n\n                DAYS WITH TEMP");
            out.raw("\n         MAX      MAX      MIN     MAX");
            out.rawf("\nYEAR   >=%4.1f   >=%4.1f    <%3.1f    <%3.1f", u.temp(25), u.temp(30),
                     u.temp(0), u.temp(0));
            out.raw("\n-----------------------------------------\n");
            for (const YearRow& y : rows)
                out.rawf("%4d    %3d      %3d      %3d     %3d\n", y.year, y.f.run.counts.max25,
                         y.f.run.counts.max30, y.f.run.counts.min0, y.f.run.counts.max0);
        }
        if (s.column(kRain)) {
            out.raw("\n\n         DAYS OF RAIN");
            out.raw(s.UnitRain != 0 ? "\nYEAR   >.01  >=.04   >1" : "\nYEAR   >.2   >=1    >20");
            out.raw("\n-----------------------\n");
            for (const YearRow& y : rows)
                out.rawf("%4d   %3d   %3d   %3d\n", y.year, y.f.run.counts.rain1,
                         y.f.run.counts.rain2, y.f.run.counts.rain3);
        }
        if (wind) {
            out.raw("\n\n\nPREVAILING WIND DIRECTION (%)\n\nYEAR");
            wind_names(out);
            out.raw("  CALM\n" + wind_rule(4, true) + "\n");
            for (std::size_t i = 0; i < years.size(); ++i) {
                out.rawf("%4d", years[i]);
                percent_values(out, shares[i]);
                out.raw("\n");
            }
            out.rawf("\n\n\nAVERAGE WIND SPEED (%s)\n\nYEAR", u.UTitle[2].c_str());
            wind_names(out);
            out.raw("\n" + wind_rule(4, false) + "\n");
            for (std::size_t i = 0; i < years.size(); ++i) {
                out.rawf("%4d", years[i]);
                speed_values(out, speeds[i], u.WindFatt);
                out.raw("\n");
            }
        }
    }
    return frame.end(std::string(kReportName) + " created successfully! ");
}

}  // namespace nimbora
