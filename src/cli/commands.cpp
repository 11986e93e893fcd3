// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/commands.h"

#include "config/about.h"
#include "config/format.h"
#include "config/read_conf.h"

#include <CLI/CLI.hpp>

#include <filesystem>
#include <ostream>

namespace nimbora {
namespace {

// Every command, in the order --help lists them.
const Command kCommands[] = {
    {"setup", "Make the product folder and the templates that new stations copy", add_setup,
     run_setup},
    {"station", "Create, list, open or delete stations", add_station, run_station},
    {"config", "Show or change the open station's settings", add_config, run_config},
    {"import", "Import WLK files into the station's database", add_import, run_import},
    {"info", "Show the first and last record and the months held", add_info, run_info},
    {"report", "Write a report", add_report, run_report},
    {"chart", "Write a chart of a span as SVG", add_chart, run_chart},
    {"export", "Write the records or the day figures of a span as CSV", add_export, run_export},
    {"web", "Write the station's web pages (static HTML with charts)", add_web, run_web},
    {"run", "Stay running: the open station's scheduled uploads, until SIGINT or SIGTERM", add_run,
     run_daemon},
    {"upload", "Upload the report and the listed files now, as the schedule would", add_upload,
     run_upload},
    {"trust", "Show the FTPS or SFTP server's identity (no login) and trust it", add_trust,
     run_trust},
    {"demo", "Set up a demo station in a folder of its own and show it", add_demo, run_demo},
};

}  // namespace

Session::Session(const Args& a, CliEnv& env)
    : args(a), console(env.console), store(env.store), owner(env.console)
{
    places = chosen_places(store, env.default_home, a.home, a.station);
}

bool Session::load_station()
{
    if (places.StationName.empty()) {
        owner.message("Error",
                      "No station is open: open one with \"station open NAME\" or name it "
                      "with --station NAME",
                      Icon::error);
        return false;
    }
    std::error_code ec;
    if (check_station_name(places.StationName) ||
        !std::filesystem::is_directory(places.DocPath, ec)) {
        owner.message("Error", "Station not found: " + places.StationName, Icon::error);
        return false;
    }
    return read_conf(&owner, kConfEntries, places.DocPath, settings) == 0;
}

Exit run_cli(const std::vector<std::string>& argv, CliEnv& env)
{
    CLI::App app{"Nimbora: a weather station's climatological reports", "nimbora-cli"};
    app.require_subcommand(1);
    // CLI11 ends the text with a line end of its own.
    std::string version_info = version_text("nimbora-cli");
    version_info.pop_back();
    // Printed to stdout with status 0, whatever else the line holds.
    app.set_version_flag("--version", version_info, "Print the version and licence");
    Args args;
    app.add_option("--home", args.home, "Product folder to use instead of Documents/Nimbora");
    app.add_option("--station", args.station, "Station to use instead of the open one");

    const Command* chosen = nullptr;
    for (const Command& c : kCommands) {
        CLI::App* sub = app.add_subcommand(c.name, c.description);
        c.add(*sub, args);
        sub->final_callback([&chosen, &c] { chosen = &c; });
    }

    std::vector<std::string> words{"nimbora-cli"};
    words.insert(words.end(), argv.begin(), argv.end());
    std::vector<const char*> cargs;
    for (const std::string& w : words) cargs.push_back(w.c_str());
    try {
        app.parse(static_cast<int>(cargs.size()), cargs.data());
    } catch (const CLI::ParseError& e) {
        return app.exit(e, env.console.out, env.console.err) == 0 ? kOk : kUsage;
    }
    if (!chosen) return kUsage;

    Session session(args, env);
    const Exit code = chosen->run(session);
    return code == kOk && session.owner.failed() ? kFailed : code;
}

}  // namespace nimbora
