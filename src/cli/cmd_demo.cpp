// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/commands.h"

#include "automation/UserStore.h"
#include "config/db_helpers.h"
#include "config/format.h"
#include "config/function.h"
#include "config/install.h"
#include "config/read_conf.h"
#include "config/schema.h"
#include "config/settings_edit.h"
#include "import/WlkWriter.h"
#include "import/load_db.h"
#include "import/synthetic.h"
#include "reports/GlobalRep.h"
#include "reports/MonthRep.h"
#include "reports/ReportRange.h"
#include "reports/YearRep.h"
#include "reports/current_month.h"
#include "reports/summary.h"

#include <CLI/CLI.hpp>

#include <cstdint>
#include <filesystem>
#include <ostream>

namespace fs = std::filesystem;

namespace nimbora {
namespace {

constexpr const char* kDemoStation = "Demo";
constexpr int kDemoMonths = 13;
constexpr int kDemoInterval = 5;  // minutes

// Thirteen months of the synthetic station, ending with the current month as far as today,
// as the logger would have written them. Returns the file names.
std::vector<std::string> write_demo_archive(const std::string& folder, const LocalTime& today)
{
    std::vector<std::string> names;
    for (int back = kDemoMonths - 1; back >= 0; --back) {
        const int index = today.year * 12 + (today.month - 1) - back;
        const int year = index / 12, month = index % 12 + 1;
        const auto seed = static_cast<std::uint32_t>(year * 100 + month);
        WlkWriter file;
        for (SyntheticDay& day : synthetic_month(year, month, kDemoInterval, seed))
            if (back > 0 || day.day <= today.day) file.add_day(day.day, std::move(day.records));
        const std::string name = strf("%04d-%02d.wlk", year, month);
        if (!file.write(folder + name)) return {};
        names.push_back(name);
    }
    return names;
}

}  // namespace

void add_demo(CLI::App& app, Args& args)
{
    app.add_option("--folder", args.demo.folder, "Folder of the demo (made if missing)")
        ->capture_default_str();
}

// The demo keeps everything, its per-user values included, in its own folder, so it never
// touches the user's real stations or settings.
Exit run_demo(Session& session)
{
    std::error_code ec;
    const fs::path folder = fs::absolute(session.args.demo.folder, ec);
    fs::create_directories(folder, ec);
    const std::string home = (folder / "Nimbora").string() + kSep;
    QtUserStore store((folder / "user.ini").string());
    std::ostream& out = session.console.out;
    out << "Demo folder: " << folder.string() << '\n';

    const InstallResult installed = install_product(&session.owner, home);
    if (!installed.ok) return kFailed;
    for (const std::string& path : installed.made) out << "  installed " << path << '\n';

    Places& places = session.places;
    places = start_places(store, home);
    if (!fs::is_directory(home + kDemoStation, ec)) {
        if (!create_station(&session.owner, home, kDemoStation)) return kFailed;
        out << "  created station " << kDemoStation << '\n';
    }
    Settings& s = session.settings;
    if (places.StationName == kDemoStation) {
        if (read_conf(&session.owner, kConfEntries, places.DocPath, s) != 0) return kFailed;
    } else if (open_station(&session.owner, store, places, s, kDemoStation, nullptr) !=
               OpenResult::opened) {
        return kFailed;
    }

    apply_demo_header(s);
    if (write_conf(&session.owner, places.DocPath, s) != 0) return kFailed;

    out << "Station \"" << places.StationName << "\" is open; its settings:\n";
    print_settings(session, out);

    ReportJob job;
    job.hOwner = &session.owner;
    job.settings = s;
    job.DocPath = places.DocPath;
    job.reload = true;  // a second run replaces its months instead of skipping every record
    job.Files = write_demo_archive(s.InitPathWLK, local_now());
    if (job.Files.empty()) {
        session.owner.message("Error", "Could not write the demo's WLK files in " + s.InitPathWLK,
                              Icon::error);
        return kFailed;
    }
    out << "\nWrote " << job.Files.size() << " months of 5-minute records: " << s.InitPathWLK
        << job.Files.front() << " ... " << job.Files.back() << '\n';
    job.busy = BusyClaim::try_claim(ThActive);
    const ImportResult imported = load_db(job);
    if (imported.code != 0) return kFailed;
    const auto span = GetFLRecord(&session.owner, s.InitPathDB + kDbFile);
    out << "Imported " << imported.RecTot - imported.RecErr << " records into " << s.InitPathDB
        << kDbFile << " (" << (span ? span->first + " to " + span->second : "") << ")\n"
        << "Import logs: " << s.InitPathDB << "log.txt, " << s.InitPathDB << "error.txt\n";

    // Every past month's report, with decades and the detailed wind file, then the current
    // month from its WLK file, as the Current Month dialog writes it (the same file name).
    out << "\nReports in " << s.InitPathRep << ":\n";
    for (const std::string& name :
         std::vector<std::string>(job.Files.begin(), job.Files.end() - 1)) {
        ReportJob report;
        report.hOwner = &session.owner;
        report.settings = s;
        report.Table = "DatiMeteo";
        report.year = std::stoi(name.substr(0, 4));
        report.month = std::stoi(name.substr(5, 2));
        report.decades = report.wind_detail = true;
        report.busy = BusyClaim::try_claim(ThActive);
        if (MonthReport(report) != 0) return kFailed;
        const std::string base = month_name(report.month) + '_' + year_text(report.year);
        out << "  " << base << ".txt, " << base << "_wind.txt\n";
    }
    const LocalTime now = local_now();
    ReportJob current;
    current.hOwner = &session.owner;
    current.settings = s;
    current.Table = "TempMeteo";
    current.year = now.year;
    current.month = now.month;
    current.decades = current.wind_detail = true;
    current.busy = BusyClaim::try_claim(ThActive);
    int report = -1;
    if (LoadTempTable(current, &report) != 0 || report != 0) return kFailed;
    const std::string base = month_name(current.month) + '_' + year_text(current.year);
    out << "  " << base << ".txt, " << base << "_wind.txt (the current month, from "
        << job.Files.back() << ")\n";

    // The annual report of each demo year.
    for (const std::string& year :
         GetYear(&session.owner, s.InitPathDB + kDbFile).value_or(std::vector<std::string>{})) {
        ReportJob annual;
        annual.hOwner = &session.owner;
        annual.settings = s;
        annual.year = std::stoi(year);
        annual.busy = BusyClaim::try_claim(ThActive);
        if (YearReport(annual) != 0) return kFailed;
        out << "  Year" << year << ".txt\n";
    }

    ReportJob global;
    global.hOwner = &session.owner;
    global.settings = s;
    global.busy = BusyClaim::try_claim(ThActive);
    if (GlobalReport(global) != 0) return kFailed;
    out << "  Global.txt\n";

    // Three weeks across the turn of the year the demo began in.
    const std::string year = job.Files.front().substr(0, 4);
    ReportJob range;
    range.hOwner = &session.owner;
    range.settings = s;
    range.Table = "DatiMeteo";
    range.from = {std::stoi(year), 12, 20};
    range.to = {std::stoi(year) + 1, 1, 10};
    range.busy = BusyClaim::try_claim(ThActive);
    if (ReportRange(range) != 0) return kFailed;
    out << "  " << range_file_name(ymd_digits(range.from), ymd_digits(range.to)) << '\n';

    // The statistics: all time (titled as the dialog titles it, with the first and the last
    // record's dates), then the demo year holding more of the thirteen months, alone and
    // month by month.
    const int last_month = std::stoi(job.Files.back().substr(5, 2));
    const std::string stats_year = last_month >= 7 ? job.Files.back().substr(0, 4) : year;
    const auto stats = [&](const std::string& scope, bool monthly) {
        ReportJob job_stats;
        job_stats.hOwner = &session.owner;
        job_stats.settings = s;
        job_stats.all_time = scope.empty();
        if (!scope.empty()) job_stats.year = std::stoi(scope);
        if (span) {
            job_stats.first_record_day = span->first.substr(0, 10);
            job_stats.last_record_day = span->second.substr(0, 10);
        }
        job_stats.busy = BusyClaim::try_claim(ThActive);
        return monthly ? MkSummaryMonth(job_stats) : MkSummary(job_stats);
    };
    if (stats("", false) != 0 || stats(stats_year, false) != 0 || stats(stats_year, true) != 0)
        return kFailed;
    out << "  Statistics.txt, " << stats_year << "_Statistics.txt, " << stats_year
        << "_Statistics_Dett.txt\n";

    out << "\nProduct folder: " << home << '\n'
        << "Station folder: " << places.DocPath << '\n'
        << "Per-user values: " << (folder / "user.ini").string() << '\n';
    return kOk;
}

}  // namespace nimbora
