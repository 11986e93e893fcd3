// SPDX-License-Identifier: GPL-3.0-or-later
// settings_edit.h: each setting a dialog edits, by its own name, with the dialog's checks.
// The command line's "config show" and "config set" are built on these.
#pragma once

#include "config/Settings.h"
#include "jobs/Owner.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nimbora {

// What a dialog would say about a value. With `confirm` the value may still be stored when
// the user answers Yes to the question; otherwise it is refused.
struct SettingCheck {
    std::string caption;
    std::string text;
    Icon icon = Icon::error;
    bool confirm = false;
};

// Every editable setting, in the order "config show" lists them.
const std::vector<std::string>& setting_keys();

bool is_setting_key(std::string_view key);

// The setting as text: folders and texts as stored, ReportChk as 15 characters '0'/'1'
// (byte order 0..14), unit codes as numbers. Empty for an unknown key.
std::string setting_text(const Settings& s, std::string_view key);

// The check of the dialog that edits `key`, for `value`; empty when the value is fine.
std::optional<SettingCheck> check_setting(const Settings& s, std::string_view key,
                                          std::string_view value);

// Stores a value that passed its check, as the dialog stores it: a folder gains its final
// separator, Interval sets IntervMin, a unit may be given by its label ("mph"), and the
// upload list closes up behind an emptied entry.
void apply_setting(Settings& s, std::string_view key, std::string_view value);

// The protocol `value` names, in lower case ("FTPS" is "ftps"); empty for anything but ftp,
// ftps and sftp.
std::optional<std::string> protocol_name(std::string_view value);

// Whether `pins` is one or more public-key pins as libcurl takes them, separated by ';':
// "sha256//" and the base64 of a SHA-256 hash (44 characters, the last '=').
bool valid_pin(std::string_view pins);

// The warning of the Internet settings when nothing would be uploaded: no listed file, no
// current month's report and no web pages.
std::optional<SettingCheck> check_upload_list(const Settings& s);

// The first step of moving the database to a changed database folder: a copy, so that the
// settings can be saved before the old file goes.
struct DatabaseCopy {
    enum Outcome {
        copied,         // the new folder holds a copy; the old file is still there
        nothing,        // the old folder holds no database: nothing to move
        already_there,  // the new folder already holds one: that one is used, the old one stays
        failed,         // not copied (a full disk, say): no part of a copy is left behind
    } outcome = nothing;
    std::string problem;  // for already_there and failed: what to tell, naming both files
};
DatabaseCopy copy_database(const std::string& old_folder, const std::string& new_folder);

// The database follows a changed database folder: copied when the new folder has none, and
// the old file deleted only after a successful copy. Returns why the database did not move
// (the new folder already holds one, the copy failed, or the old file could not be deleted);
// empty when it moved or there was none.
std::optional<std::string> move_database(const std::string& old_folder,
                                         const std::string& new_folder);

}  // namespace nimbora
