#include "cli/commands.h"

#include "config/format.h"
#include "config/function.h"
#include "import/load_table.h"
#include "reports/MonthRep.h"

#include <CLI/CLI.hpp>

#include <cctype>
#include <ostream>

namespace nimbora {
namespace {

// An English month name (any letter case) or its number; empty for anything else.
std::optional<std::string> month_name(const std::string& text)
{
    if (!text.empty() && text.find_first_not_of("0123456789") == std::string::npos) {
        const int m = std::atoi(text.c_str());
        if (m >= 1 && m <= 12 && text.size() <= 2)
            return std::string(mesi[static_cast<std::size_t>(m - 1)]);
        return std::nullopt;
    }
    for (const char* name : mesi) {
        const std::string_view n(name);
        if (n.size() == text.size() &&
            std::equal(n.begin(), n.end(), text.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) ==
                       std::tolower(static_cast<unsigned char>(b));
            }))
            return std::string(name);
    }
    return std::nullopt;
}

ReportJob report_job(Session& session)
{
    ReportJob job;
    job.hOwner = &session.owner;
    job.settings = session.settings;
    job.DocPath = session.places.DocPath;
    job.Decades = session.args.report.decades ? 1 : 0;
    job.WindDetail = session.args.report.wind_detail ? 1 : 0;
    return job;
}

// The files a monthly report wrote, one path a line.
void print_written(Session& session, const ReportJob& job)
{
    const std::string base = job.settings.InitPathRep + job.Month + "_" + job.Year;
    session.console.out << base << ".txt\n";
    if (job.WindDetail) session.console.out << base << "_wind.txt\n";
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
}

Exit run_report(Session& session)
{
    const ReportArgs& r = session.args.report;
    std::optional<std::string> month;
    if (session.args.action == "monthly") {
        month = month_name(r.month);
        if (!month || r.year.size() != 4 ||
            r.year.find_first_not_of("0123456789") != std::string::npos) {
            session.owner.message(
                "Error", month ? "Not a year: " + r.year : "Not a month: " + r.month, Icon::error);
            return kUsage;
        }
    }
    if (!session.load_station()) return kFailed;

    ReportJob job = report_job(session);
    job.busy = BusyClaim::try_claim(ThActive);
    if (session.args.action == "monthly") {
        job.Table = "DatiMeteo";
        job.Year = r.year;
        job.Month = *month;
        if (MonthReport(job) != 0) return kFailed;
        print_written(session, job);
        return kOk;
    }

    // As the Current Month dialog does: this month of the local clock, from its WLK file.
    const LocalTime now = local_now();
    job.Table = "TempMeteo";
    job.Year = strf("%d", now.year);
    job.Month = strf("%d", now.month);
    int report = -1;
    if (LoadTempTable(job, &report) != 0 || report != 0) {
        if (report == -1 && !session.owner.failed())
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
