// SPDX-License-Identifier: GPL-3.0-or-later
// summaryMonth.cpp: the statistics of one year repeated month by month, each section with
// its own averages, rain windows, range and dry-run state.
#include "config/format.h"
#include "config/function.h"
#include "config/stations.h"
#include "reports/frame.h"
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
    ReportFrame frame(job, "Statistics");
    Owner* owner = frame.owner();
    const Settings& s = job.settings;

    // The month list serves as the test for a year without records: no section, no file.
    if (!frame.open()) return frame.end();
    const auto listed = frame.has_records(
        "select distinct(month) from datimeteo where year = ? order by month",
        {year_text(job.year)}, strf("No data for %s", year_text(job.year).c_str()), HeldBy::rows);
    if (!listed) return frame.end();
    std::vector<std::string> months;
    for (const auto& row : *listed)
        if (!row.empty()) months.push_back(row[0]);

    const std::string name = year_text(job.year) + "_Statistics_Dett.txt";
    TextWriter* file = frame.create(
        name, strf("    Year %s Statistics - Monthly Detail\n\n", year_text(job.year).c_str()));
    if (!file) return frame.end();
    TextWriter& out = *file;
    bool& failed = frame.failed();
    const Units u = UnitConvert(s);
    owner->progress_range(0, kStatsSteps * static_cast<int>(months.size()));
    const auto advance = [owner] { owner->progress_step(1); };
    rule(out);
    for (const std::string& month : months) {
        const int m = inum(month);
        out.rawf("  %s %s\n", m >= 1 && m <= 12 ? mesi[static_cast<std::size_t>(m - 1)] : "",
                 year_text(job.year).c_str());
        rule(out);
        write_stats_heading(out, true);
        const StatsScope scope{year_text(job.year), month};
        const StatsAverages avg = stats_averages(owner, frame.db(), u, scope, failed);
        advance();
        // Steps 1 to 15 run up to Rain (1 day); the rain windows take none here.
        write_stats_rows(
            out, owner, frame.db(), s, u, scope, avg,
            [&advance](int n) {
                if (n <= 15) advance();
            },
            failed);
        out.raw("\n");
        rule(out);
    }
    return frame.end(name + " created successfully! ");
}

}  // namespace nimbora
