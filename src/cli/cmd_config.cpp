// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/commands.h"

#include "config/format.h"
#include "config/read_conf.h"
#include "config/schema.h"
#include "config/settings_edit.h"
#include "config/stations.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <filesystem>
#include <ostream>

namespace fs = std::filesystem;

namespace nimbora {
namespace {

// What a dialog's message box would show; a question is put on the terminal.
bool accepted(Session& session, const std::optional<SettingCheck>& check)
{
    if (!check) return true;
    if (check->confirm) return ask_yes_no(session.console, check->caption, check->text);
    session.owner.message(check->caption, check->text, check->icon);
    return false;
}

bool internet_key(std::string_view key)
{
    return key == "TransferEnabled" || key == "ReportUpload" || key.substr(0, 4) == "File";
}

}  // namespace

void add_config(CLI::App& app, Args& args)
{
    app.require_subcommand(1);
    app.add_subcommand("show", "Show every setting (the password masked)")->final_callback([&args] {
        args.action = "show";
    });
    CLI::App* set =
        app.add_subcommand("set", "Change one setting, checked as its dialog checks it");
    set->add_option("KEY", args.config.key,
                    "Setting name, as InitPathRep, Rep_Name, UnitWind, File1")
        ->required();
    set->add_option("VALUE", args.config.value,
                    "New value (\"\" for empty); for Pwd only \"-\": read from standard input, "
                    "without echo on a terminal")
        ->required();
    set->final_callback([&args] { args.action = "set"; });
}

void print_settings(const Session& session, std::ostream& out)
{
    const Settings& s = session.settings;
    const std::vector<std::string>& keys = setting_keys();
    std::size_t width = std::string_view("StationName").size();
    for (const std::string& key : keys) width = std::max(width, key.size());
    auto row = [&](const std::string& key, const std::string& value) {
        out << key << std::string(width + 2 - key.size(), ' ') << value << '\n';
    };
    row("StationName", session.places.StationName);
    row("DocPath", session.places.DocPath);
    for (const std::string& key : keys) {
        std::string value = setting_text(s, key);
        if (key == "Pwd" && !value.empty()) value = "********";
        row(key, value);
        if (key == "Interval") row("IntervMin", std::to_string(s.IntervMin));
    }
}

Exit run_config(Session& session)
{
    if (!session.load_station()) return kFailed;
    if (session.args.action == "show") {
        print_settings(session, session.console.out);
        return kOk;
    }

    const std::string& key = session.args.config.key;
    std::string value = session.args.config.value;
    if (!is_setting_key(key)) {
        std::string list;
        for (const std::string& k : setting_keys()) list += (list.empty() ? "" : " ") + k;
        session.owner.message("Error", "Unknown setting: " + key + "\nSettings: " + list,
                              Icon::error);
        return kUsage;
    }
    // The password stays off command lines, where other users and shell histories see it.
    if (key == "Pwd" && value == "-") {
        auto typed = read_secret(session.console, "Pwd", "Password (or key passphrase):");
        if (!typed) {
            session.owner.message("Error", "Pwd: no password on standard input", Icon::error);
            return kFailed;
        }
        value = std::move(*typed);
    }
    if (!accepted(session, check_setting(session.settings, key, value))) return kFailed;

    const std::string old_db_folder = session.settings.InitPathDB;
    apply_setting(session.settings, key, value);
    if (internet_key(key))
        if (auto warning = check_upload_list(session.settings))
            session.owner.message(warning->caption, warning->text, warning->icon);

    // The database moves with its folder: copied before the settings name the new folder,
    // the old file deleted only once they do. Whatever keeps it from moving fails the command.
    const std::string& new_db_folder = session.settings.InitPathDB;
    DatabaseCopy copy;
    if (key == "InitPathDB" && new_db_folder != old_db_folder) {
        copy = copy_database(old_db_folder, new_db_folder);
        if (copy.outcome == DatabaseCopy::failed) {
            session.owner.message("Error", copy.problem, Icon::error);
            return kFailed;
        }
    }
    if (write_conf(&session.owner, session.places.DocPath, session.settings) != 0) {
        std::error_code ec;
        if (copy.outcome == DatabaseCopy::copied) fs::remove(new_db_folder + kDbFile, ec);
        return kFailed;
    }
    Exit code = kOk;
    if (copy.outcome == DatabaseCopy::copied) {
        std::error_code ec;
        if (!fs::remove(old_db_folder + kDbFile, ec) && ec) {
            session.owner.message("Error",
                                  old_db_folder + kDbFile + " was copied to " + new_db_folder +
                                      " but could not be deleted: " + ec.message(),
                                  Icon::error);
            code = kFailed;
        }
    } else if (copy.outcome == DatabaseCopy::already_there) {
        session.owner.message("Error", copy.problem, Icon::error);
        code = kFailed;
    }
    session.console.out << key << '='
                        << (key == "Pwd" ? std::string("********")
                                         : setting_text(session.settings, key))
                        << '\n';
    return code;
}

}  // namespace nimbora
