// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/commands.h"

#include "config/format.h"
#include "config/install.h"

#include <CLI/CLI.hpp>

#include <ostream>

namespace nimbora {
namespace {

// New stations copy the templates: say what is missing rather than make a station
// without its database.
bool installation_ready(Session& session, const char* caption)
{
    const auto missing = missing_installation(session.places.HomePath);
    if (missing.empty()) return true;
    std::string text = "The product folder is not installed; missing:";
    for (const std::string& path : missing) text += "\n  " + path;
    text += "\nRun \"nimbora-cli setup\" first.";
    session.owner.message(caption, text, Icon::error);
    return false;
}

}  // namespace

void add_station(CLI::App& app, Args& args)
{
    app.require_subcommand(1);
    auto action = [&args](const char* name) { return [&args, name] { args.action = name; }; };

    CLI::App* make = app.add_subcommand("new", "Create a station (it is not opened)");
    make->add_option("NAME", args.station_args.name, "Station name")->required();
    make->final_callback(action("new"));

    app.add_subcommand("list", "List the stations")->final_callback(action("list"));

    CLI::App* open = app.add_subcommand("open", "Open a station for the next commands");
    open->add_option("NAME", args.station_args.name, "Station name")->required();
    open->final_callback(action("open"));

    CLI::App* del = app.add_subcommand("delete", "Delete a station and its files");
    del->add_option("NAME", args.station_args.name, "Station name")->required();
    del->add_flag("--yes,-y", args.station_args.yes, "Do not ask for confirmation");
    del->final_callback(action("delete"));
}

Exit run_station(Session& session)
{
    const std::string& action = session.args.action;
    const std::string& name = session.args.station_args.name;
    Places& places = session.places;

    if (action == "new") {
        if (!installation_ready(session, "New Station")) return kFailed;
        return create_station(&session.owner, places.HomePath, name) ? kOk : kFailed;
    }
    if (action == "list") {
        for (const std::string& station : list_stations(places.HomePath))
            session.console.out << station << (station == places.StationName ? "  (open)" : "")
                                << '\n';
        return kOk;
    }
    if (action == "open") {
        // Reopening reloads nothing; the store already names it.
        const OpenResult r =
            open_station(&session.owner, session.store, places, session.settings, name, nullptr);
        if (r == OpenResult::already_open) return kOk;
        if (r != OpenResult::opened) return kFailed;
        session.console.out << strf("%s - [%s]", Version, places.StationName.c_str()) << '\n';
        return kOk;
    }
    if (action == "delete") {
        if (!session.args.station_args.yes &&
            !ask_yes_no(session.console, strf("Delete station '%s'", name.c_str()),
                        "Are you sure ?"))
            return kFailed;
        const DeleteResult r =
            delete_station(&session.owner, session.store, places, session.settings, name, nullptr);
        return r == DeleteResult::failed ? kFailed : kOk;
    }
    return kUsage;
}

}  // namespace nimbora
