// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/commands.h"

#include "config/db_helpers.h"
#include "config/schema.h"
#include "config/stations.h"
#include "import/load_db.h"

#include <CLI/CLI.hpp>

#include <ostream>

namespace nimbora {

void add_import(CLI::App& app, Args& args)
{
    app.add_flag("--reload", args.import.reload, "Delete each file's month before loading it");
    app.add_flag("--all", args.import.all, "Every *.wlk file of the station's WLK folder");
    app.add_option("FILE", args.import.files, "WLK files: names in the WLK folder, or paths");
}

Exit run_import(Session& session)
{
    const ImportArgs& a = session.args.import;
    if (a.all == !a.files.empty()) {
        session.owner.message("Error", "Name the WLK files to import, or --all for every one",
                              Icon::error);
        return kUsage;
    }
    if (!session.load_station()) return kFailed;

    ReportJob job;
    job.hOwner = &session.owner;
    job.settings = session.settings;
    job.DocPath = session.places.DocPath;
    job.reload = a.reload;
    job.Files = a.all ? list_wlk_files(session.settings.InitPathWLK) : a.files;
    if (job.Files.empty()) {
        session.owner.message("Error", "Wlk file(s) not found", Icon::error);
        return kFailed;
    }
    job.busy = BusyClaim::try_claim(ThActive);
    return load_db(job).code == 0 ? kOk : kFailed;
}

void add_info(CLI::App&, Args&) {}

Exit run_info(Session& session)
{
    if (!session.load_station()) return kFailed;
    const std::string db_path = session.settings.InitPathDB + kDbFile;
    const auto span = GetFLRecord(&session.owner, db_path);
    if (!span) return kFailed;
    std::ostream& out = session.console.out;
    out << "First record: " << span->first << '\n' << "Last record:  " << span->second << '\n';
    for (const std::string& year :
         GetYear(&session.owner, db_path).value_or(std::vector<std::string>{})) {
        out << year << ':';
        for (const std::string& month :
             GetMonth(&session.owner, db_path, year).value_or(std::vector<std::string>{}))
            out << ' ' << month;
        out << '\n';
    }
    return kOk;
}

}  // namespace nimbora
