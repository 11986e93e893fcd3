// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/commands.h"

#include "config/db_helpers.h"
#include "config/format.h"
#include "config/function.h"
#include "config/schema.h"
#include "config/stations.h"
#include "reports/GlobalRep.h"
#include "reports/MonthRep.h"
#include "reports/ReportRange.h"
#include "reports/YearRep.h"
#include "reports/current_month.h"
#include "reports/requests.h"
#include "reports/summary.h"

#include <CLI/CLI.hpp>

#include <cctype>
#include <ostream>

namespace nimbora {

std::optional<int> month_number(const std::string& text)
{
    if (!text.empty() && text.find_first_not_of("0123456789") == std::string::npos) {
        const int m = std::atoi(text.c_str());
        if (m >= 1 && m <= 12 && text.size() <= 2) return m;
        return std::nullopt;
    }
    for (std::size_t i = 0; i < mesi.size(); ++i) {
        const std::string_view n(mesi[i]);
        if (n.size() == text.size() &&
            std::equal(n.begin(), n.end(), text.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) ==
                       std::tolower(static_cast<unsigned char>(b));
            }))
            return static_cast<int>(i) + 1;
    }
    return std::nullopt;
}

std::optional<Ymd> date_of(const std::string& text)
{
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
    const std::string digits = text.substr(0, 4) + text.substr(5, 2) + text.substr(8, 2);
    if (digits.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
    const int y = std::stoi(digits.substr(0, 4)), m = std::stoi(digits.substr(4, 2)),
              d = std::stoi(digits.substr(6, 2));
    static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    if (m < 1 || m > 12 || d < 1 || d > kDays[m - 1] || (m == 2 && d == 29 && !leap))
        return std::nullopt;
    return Ymd{y, m, d};
}

namespace {

ReportJob report_job(Session& session)
{
    ReportJob job;
    job.hOwner = &session.owner;
    job.settings = session.settings;
    job.DocPath = session.places.DocPath;
    job.decades = session.args.report.decades;
    job.wind_detail = session.args.report.wind_detail;
    return job;
}

// The files a monthly report wrote, one path a line.
void print_written(Session& session, const ReportJob& job)
{
    const std::string base =
        job.settings.InitPathRep + month_name(job.month) + "_" + year_text(job.year);
    session.console.out << base << ".txt\n";
    if (job.wind_detail) session.console.out << base << "_wind.txt\n";
}

bool four_digit_year(const std::string& text)
{
    return text.size() == 4 && text.find_first_not_of("0123456789") == std::string::npos;
}

// A GetFLRecord text "DD/MM/YYYY HH:MM" as "YYYYMMDD".
std::string record_date(const std::string& text)
{
    return text.size() < 10 ? std::string()
                            : text.substr(6, 4) + text.substr(3, 2) + text.substr(0, 2);
}

}  // namespace

void add_report(CLI::App& app, Args& args)
{
    app.require_subcommand(1);
    ReportArgs& r = args.report;
    CLI::App* monthly =
        app.add_subcommand("monthly", "The monthly report of a month in the database");
    monthly->add_option("--year", r.year, "Year, four digits")->required();
    monthly->add_option("--month", r.month, "Month: English name or number")->required();
    CLI::App* current =
        app.add_subcommand("current", "The current month's report, from its WLK file");
    for (CLI::App* sub : {monthly, current}) {
        sub->add_flag("--decades", r.decades, "Add the tables by decade");
        sub->add_flag("--wind-detail", r.wind_detail, "Also write the day-by-day wind file");
    }
    monthly->final_callback([&args] { args.action = "monthly"; });
    current->final_callback([&args] { args.action = "current"; });

    CLI::App* annual = app.add_subcommand("annual", "The annual report of a year in the database");
    annual->add_option("--year", r.year, "Year, four digits")->required();
    annual->final_callback([&args] { args.action = "annual"; });
    app.add_subcommand("global", "The global report, a row per year held")->final_callback([&args] {
        args.action = "global";
    });
    CLI::App* range = app.add_subcommand("range", "The daily report over a span of days");
    range->add_option("--from", r.from, "First day, YYYY-MM-DD")->required();
    range->add_option("--to", r.to, "Last day, YYYY-MM-DD")->required();
    range->final_callback([&args] { args.action = "range"; });
    CLI::App* stats =
        app.add_subcommand("stats", "The statistics: the records of all time, or of one year");
    stats->add_option("--year", r.year, "Year, four digits; all time without it");
    stats->add_flag("--monthly-detail", r.monthly_detail,
                    "A section for each month of the year (needs --year)");
    stats->final_callback([&args] { args.action = "stats"; });
}

Exit run_report(Session& session)
{
    const ReportArgs& r = session.args.report;
    std::optional<int> month;
    if (session.args.action == "monthly") {
        month = month_number(r.month);
        if (!month || r.year.size() != 4 ||
            r.year.find_first_not_of("0123456789") != std::string::npos) {
            session.owner.message(
                "Error", month ? "Not a year: " + r.year : "Not a month: " + r.month, Icon::error);
            return kUsage;
        }
    }
    const std::string& action = session.args.action;
    if ((action == "annual" || (action == "stats" && !r.year.empty())) &&
        !four_digit_year(r.year)) {
        session.owner.message("Error", "Not a year: " + r.year, Icon::error);
        return kUsage;
    }
    if (action == "stats" && r.monthly_detail && (r.year.empty() || r.year == "9999")) {
        // As the dialog, which offers the monthly detail only for a year.
        session.owner.message("Error", "--monthly-detail needs --year", Icon::error);
        return kUsage;
    }
    std::optional<Ymd> from, to;
    if (action == "range") {
        from = date_of(r.from);
        to = date_of(r.to);
        if (!from || !to) {
            session.owner.message("Error", "Not a date (YYYY-MM-DD): " + (from ? r.to : r.from),
                                  Icon::error);
            return kUsage;
        }
    }
    if (!session.load_station()) return kFailed;

    ReportJob job = report_job(session);
    const std::string& folder = job.settings.InitPathRep;
    if (action == "annual" || action == "global") {
        const bool annual = action == "annual";
        if (annual) job.year = std::stoi(r.year);
        job.busy = BusyClaim::try_claim(ThActive);
        if ((annual ? YearReport(job) : GlobalReport(job)) != 0) return kFailed;
        session.console.out << folder
                            << (annual ? "Year" + r.year + ".txt" : std::string("Global.txt"))
                            << '\n';
        return kOk;
    }
    if (action == "stats") {
        // "9999" is the statistics' own word for all time, as the dialog sends it.
        const bool all_time = r.year.empty() || r.year == kAllTimeYear;
        job.all_time = all_time;
        job.year = all_time ? 9999 : std::stoi(r.year);
        if (all_time) {
            // As the Statistics dialog sends its first-record and last-record labels.
            const auto span = GetFLRecord(&session.owner, job.settings.InitPathDB + kDbFile);
            if (!span) return kFailed;
            job.first_record_day = span->first.substr(0, 10);
            job.last_record_day = span->second.substr(0, 10);
        }
        job.busy = BusyClaim::try_claim(ThActive);
        if ((r.monthly_detail ? MkSummaryMonth(job) : MkSummary(job)) != 0) return kFailed;
        session.console.out << folder << (all_time ? std::string() : r.year + "_")
                            << (r.monthly_detail ? "Statistics_Dett.txt\n" : "Statistics.txt\n");
        return kOk;
    }
    if (action == "range") {
        // As the Date Range dialog checks the span against the records held.
        const auto span = GetFLRecord(&session.owner, job.settings.InitPathDB + kDbFile);
        if (!span) return kFailed;
        if (auto problem = check_date_range(record_date(span->first), record_date(span->second),
                                            ymd_digits(*from), ymd_digits(*to))) {
            session.owner.message("Error", *problem, Icon::error);
            return kFailed;
        }
        job.Table = "DatiMeteo";
        job.from = *from;
        job.to = *to;
        job.busy = BusyClaim::try_claim(ThActive);
        if (ReportRange(job) != 0) return kFailed;
        session.console.out << folder << range_file_name(ymd_digits(*from), ymd_digits(*to))
                            << '\n';
        return kOk;
    }

    job.busy = BusyClaim::try_claim(ThActive);
    if (session.args.action == "monthly") {
        job.Table = "DatiMeteo";
        job.year = std::stoi(r.year);
        job.month = *month;
        if (MonthReport(job) != 0) return kFailed;
        print_written(session, job);
        return kOk;
    }

    // As the Current Month dialog does: this month of the local clock, from its WLK file.
    const LocalTime now = local_now();
    job.Table = "TempMeteo";
    job.year = now.year;
    job.month = now.month;
    int report = -1;
    const int loaded = LoadTempTable(job, &report);
    if (loaded != 0 || report != 0) {
        // A month file without records: the job itself says nothing of it.
        if (loaded == 0 && report == -1 && !session.owner.failed())
            session.owner.message("Report",
                                  "No records in " + job.settings.InitPathWLK +
                                      strf("%04d-%02d.wlk", now.year, now.month),
                                  Icon::error);
        return kFailed;
    }
    print_written(session, job);
    return kOk;
}

}  // namespace nimbora
