#include "reports/GlobalRep.h"

#include "config/format.h"
#include "config/stations.h"
#include "reports/frame.h"
#include "reports/layout.h"
#include "reports/monthly.h"
#include "reports/wind.h"

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

// Reads one year month by month, advancing the progress bar once per month.
YearRow read_year(Owner* owner, Db& db, const Settings& s, const Units& u, int year, bool& failed)
{
    YearRow r;
    r.year = year;
    const std::string y = strf("%d", year);
    const auto months = query_months(owner, db, y);
    failed |= !months.ok;
    // The days add to the year's run one by one, not as month sums like the annual report's:
    // the last digit of a mean can depend on that order. The first month holding the year's
    // extreme names its date.
    for (const auto& m : months.rows) {
        r.f.widen(read_month(owner, db, s, u, y, m, r.f.run, failed));
        advance(owner);
    }
    r.f.direction = dominant_direction(owner, db, "datimeteo", "year=?", {y}, failed);
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
        std::vector<YearRow> rows;
        for (int year : years) rows.push_back(read_year(owner, *db, s, u, year, failed));
        std::vector<WindRow> shares, speeds;
        if (wind) {
            for (int year : years) {
                advance(owner);
                const std::string y = strf("%d", year);
                shares.push_back(
                    wind_percentages(owner, *db, {"from datimeteo where year=?", {y}}, failed));
            }
            for (int year : years) {
                advance(owner);
                const std::string y = strf("%d", year);
                speeds.push_back(
                    wind_speeds(owner, *db, {"from datimeteo where year=?", {y}}, failed));
            }
        }

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
            wind_names(out, 16);
            out.raw("  CALM\n" + std::string(123, '-') + "\n");
            for (std::size_t i = 0; i < years.size(); ++i) {
                out.rawf("%4d", years[i]);
                percent_values(out, shares[i]);
                out.raw("\n");
            }
            out.rawf("\n\n\nAVERAGE WIND SPEED (%s)\n\nYEAR", u.UTitle[2].c_str());
            wind_names(out, 16);
            out.raw("\n" + std::string(116, '-') + "\n");
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
