// summaryMonth.cpp: the statistics of one year repeated month by month, each section with
// its own averages, rain windows, range and dry-run state.
#include "config/file_open.h"
#include "config/format.h"
#include "config/function.h"
#include "config/stations.h"
#include "reports/layout.h"
#include "reports/summary.h"

#include <cstddef>
#include <string>
#include <vector>

namespace nimbora {
namespace {

// The rule above and below each month's name, and after each section.
void rule(TextWriter& out)
{
    out.raw(std::string(110, '-'));
    out.raw("\n");
}

}  // namespace

int MkSummaryMonth(ReportJob& job)
{
    BusyClaim busy = std::move(job.busy);
    Owner* owner = job.hOwner;
    const Settings& s = job.settings;

    auto db = Db::open(owner, s.InitPathDB + kDbFile);
    if (!db) return 1;
    bool failed = false;
    // The month list serves as the test for a year without records: no section, no file.
    const auto listed = db->query(
        owner, "select distinct(month) from datimeteo where year = ? order by month", {job.Year});
    failed |= !listed.ok;
    if (listed.ok && listed.rows.empty()) {
        tell(owner, "Statistics", strf("No data for %s", job.Year.c_str()), Icon::error);
        return 1;
    }
    std::vector<std::string> months;
    for (const auto& row : listed.rows)
        if (!row.empty()) months.push_back(row[0]);

    const std::string name = job.Year + "_Statistics_Dett.txt";
    FilePtr file = file_open(owner, s.InitPathRep + name, "w");
    if (!file) return 1;
    TextWriter out(std::move(file));
    {
        ReportProgress progress(owner);
        const Units u = UnitConvert(s);
        db->exec(owner, "BEGIN");
        if (owner) owner->progress_range(0, 16 * static_cast<int>(months.size()));
        const auto advance = [owner] {
            if (owner) owner->progress_step(1);
        };
        write_header(out, s, strf("    Year %s Statistics - Monthly Detail\n\n", job.Year.c_str()));
        rule(out);
        for (const std::string& month : months) {
            const int m = inum(month);
            out.rawf("  %s %s\n", m >= 1 && m <= 12 ? mesi[static_cast<std::size_t>(m - 1)] : "",
                     job.Year.c_str());
            rule(out);
            write_stats_heading(out, true);
            const StatsScope scope{job.Year, month};
            const StatsAverages avg = stats_averages(owner, *db, u, scope, failed);
            advance();
            // Steps 1 to 15 run up to Rain (1 day); the rain windows take none here.
            write_stats_rows(
                out, owner, *db, s, u, scope, avg,
                [&advance](int n) {
                    if (n <= 15) advance();
                },
                failed);
            out.raw("\n");
            rule(out);
        }
        db->exec(owner, "COMMIT");
        if (owner) owner->progress_reset();
    }
    if (!close_report(out, owner, s.InitPathRep + name)) return 1;
    if (!failed) tell(owner, "Statistics", name + " created successfully! ", Icon::information);
    return 0;
}

}  // namespace nimbora
