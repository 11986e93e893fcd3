// SPDX-License-Identifier: GPL-3.0-or-later
// commands.h: the command line's arguments, its session and its commands.
#pragma once

#include "cli/Console.h"
#include "config/Settings.h"
#include "config/UserStore.h"
#include "config/stations.h"
#include "jobs/ReportJob.h"

#include <optional>

#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace nimbora {

enum Exit : int { kOk = 0, kFailed = 1, kUsage = 2 };

struct StationArgs {
    std::string name;
    bool yes = false;
};

struct ConfigArgs {
    std::string key, value;
};

struct ImportArgs {
    bool reload = false;
    bool all = false;
    std::vector<std::string> files;
};

struct ReportArgs {
    std::string year, month;
    std::string from, to;  // YYYY-MM-DD
    bool decades = false;
    bool wind_detail = false;
    bool monthly_detail = false;  // stats: month by month; needs a year
};

struct ChartArgs {
    std::string kind;
    std::string year, month;
    std::string from, to;  // YYYY-MM-DD
    int last_hours = 0;
    bool daily = false;  // export: the day figures
    std::string out;
};

struct WebArgs {
    std::string out;  // the site's folder; empty: the station folder's "web"
};

struct DemoArgs {
    std::string folder = "nimbora-demo";
};

// Everything the command line can say; each command declares and reads its own part.
struct Args {
    std::string home;     // --home: replaces the product folder
    std::string station;  // --station: this station instead of the open one
    StationArgs station_args;
    ConfigArgs config;
    ImportArgs import;
    ReportArgs report;
    ChartArgs chart;
    WebArgs web;
    DemoArgs demo;
    std::string action;      // the chosen command, as "station new" or "config show"
    bool trust_yes = false;  // trust --yes
};

// What the program is run with: its streams, the per-user store, the product folder.
struct CliEnv {
    Console& console;
    UserStore& store;
    std::string default_home;  // the documents folder + "Nimbora" + separator
};

// What every command works with.
struct Session {
    Session(const Args& args, CliEnv& env);

    // Loads the settings of the station named by --station, or of the open one. False, told
    // on stderr, when there is none, it does not exist or its settings cannot be read.
    bool load_station();

    const Args& args;
    Console& console;
    UserStore& store;
    CliOwner owner;
    Places places;
    Settings settings;
};

struct Command {
    const char* name;
    const char* description;
    void (*add)(CLI::App&, Args&);
    Exit (*run)(Session&);
};

void add_setup(CLI::App& app, Args& args);
Exit run_setup(Session& session);
void add_station(CLI::App& app, Args& args);
Exit run_station(Session& session);
void add_config(CLI::App& app, Args& args);
Exit run_config(Session& session);
void add_import(CLI::App& app, Args& args);
Exit run_import(Session& session);
void add_info(CLI::App& app, Args& args);
Exit run_info(Session& session);
void add_report(CLI::App& app, Args& args);
Exit run_report(Session& session);
void add_run(CLI::App& app, Args& args);
Exit run_daemon(Session& session);  // blocks until SIGINT or SIGTERM
void add_upload(CLI::App& app, Args& args);
Exit run_upload(Session& session);  // one upload now
void add_trust(CLI::App& app, Args& args);
Exit run_trust(Session& session);  // the upload server's identity, recorded on Yes
void add_chart(CLI::App& app, Args& args);
Exit run_chart(Session& session);
void add_export(CLI::App& app, Args& args);
Exit run_export(Session& session);
void add_web(CLI::App& app, Args& args);
Exit run_web(Session& session);
void add_demo(CLI::App& app, Args& args);
Exit run_demo(Session& session);

// The month 1..12 of an English month name (any letter case) or of its number; empty for
// anything else.
std::optional<int> month_number(const std::string& text);
// The day of a "YYYY-MM-DD" text; empty for any other text or an impossible date.
std::optional<Ymd> date_of(const std::string& text);

// "config show" of a loaded station, to `out`.
void print_settings(const Session& session, std::ostream& out);

// Parses `argv` (without the program name) and runs the command it names.
Exit run_cli(const std::vector<std::string>& argv, CliEnv& env);

}  // namespace nimbora
