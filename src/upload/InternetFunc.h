// SPDX-License-Identifier: GPL-3.0-or-later
// InternetFunc.h: the rules of the Internet Settings dialog (upload switch, FTP server,
// interval and start time, current month's report, upload list) and of the FTP Log viewer.
// The dialogs only move values between these functions and their widgets.
#pragma once

#include "config/Settings.h"
#include "config/settings_edit.h"
#include "upload/server_identity.h"

#include <array>
#include <chrono>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nimbora {

// What the Internet Settings dialog shows and edits, as plain values.
struct InternetForm {
    bool on = false;  // the ON/OFF button says "ON"
    std::string host, port, folder, user, password;
    bool passive = false;
    int protocol = 0;                // row of kProtocolChoices selected in "Protocol"
    std::string key_file;            // "Key file:" (SFTP)
    std::string pinned_key;          // not shown: kept, or set by "Check server..."
    bool current_month = false;      // "Current Month": regenerate and upload the month's report
    bool decades = false;            // "Subdivision by decade"
    int interval = 0;                // row of TimeInterval selected in "Upload every"
    std::string time_start;          // "Starting at:"
    std::vector<std::string> files;  // the upload list, in list order
    bool web_upload = false;         // "Web pages": regenerate the site and send what changed
    std::string web_folder;          // "Web folder:" (relative to Folder unless it begins with '/')
};

// The form as the dialog opens on `s`. An Interval that is not one of the labels selects
// the first one, "1 min."; the upload list stops at its first empty entry.
InternetForm internet_form(const Settings& s);

// Row of TimeInterval whose label equals `Interval` exactly; 0 ("1 min.") when none does.
int interval_index(std::string_view Interval);

// "Starting at:" is editable unless the interval is "on file change".
bool start_time_enabled(int interval);

// "Subdivision by decade" is enabled only while "Current Month" is ticked; unticking
// "Current Month" also unticks it.
bool decades_enabled(bool current_month);

// "Web folder:" is editable only while "Web pages" is ticked.
bool web_folder_enabled(bool web_upload);

// The refusal of the web folder (a value the settings file cannot hold, or too long), if any.
std::optional<SettingCheck> check_web_folder(const InternetForm& f);

// ReportUpload for the two boxes: 0 without "Current Month", 1 with it, 2 with both.
int report_upload(bool current_month, bool decades);

// The counter beside the upload list: "%2d/%d" (" 3/10"); after "Clear" it reads "0/10".
std::string file_counter(std::size_t count);
std::string cleared_counter();

// True while the list has room: "Add" does nothing when it already holds 10 files.
bool can_add_file(std::size_t count);

// True when `path` is already listed, letter case aside.
bool in_upload_list(const std::vector<std::string>& files, std::string_view path);

enum class AddFile { added, duplicate, full };

// Appends `path` unless the list is full or already holds it (letter case aside).
AddFile add_upload_file(std::vector<std::string>& files, std::string_view path);

// Removes the entries at `rows` (any order; rows outside the list are ignored).
void remove_upload_files(std::vector<std::string>& files, std::vector<int> rows);

// The protocols "Protocol" offers, in its order.
inline constexpr std::array<const char*, 3> kProtocolChoices = {kProtocolFtp, kProtocolFtps,
                                                                kProtocolSftp};
inline constexpr std::array<const char*, 3> kProtocolLabels = {"FTP", "FTPS (FTP over TLS)",
                                                               "SFTP (SSH)"};

// Row of kProtocolChoices naming `Protocol`; 0 (FTP) for any other text.
int protocol_index(std::string_view Protocol);

// "Passive Mode" applies to FTP and FTPS; "Key file" and its picker to SFTP; "Check server..."
// to the two that have a server identity (FTPS and SFTP).
bool passive_enabled(int protocol);
bool key_file_enabled(int protocol);
bool check_server_enabled(int protocol);

// The hint under the fields for `protocol`: where the folder is, which port, what to check.
std::string protocol_hint(int protocol);

enum class FtpField { host, port, folder, user, password, key_file };

struct FtpFieldCheck {
    FtpField field;
    SettingCheck check;  // confirm: a Yes/No question; otherwise a refusal
};

// What OK says about the FTP fields, in the order it asks: host, port, folder, user name,
// password, and the key file (SFTP, when one is given: it must be readable). An empty field is a
// question ("Invalid FTP Host!\nContinue anyway?"); a value the setting cannot hold is refused.
// Empty when every field is fine.
std::vector<FtpFieldCheck> check_ftp_fields(const Settings& s, const InternetForm& f);

// The refusal of the start time ("Invalid Starting Time!"), if any. With "on file change"
// the start time is not used and any text is kept as typed.
std::optional<SettingCheck> check_start_time(const InternetForm& f);

// The settings after a confirmed OK: `s` with everything the dialog edits taken from `f`.
// Interval and IntervMin follow the selected row; the upload list is replaced in order.
Settings apply_internet_form(const Settings& s, const InternetForm& f);

// What "Check server..." found, for its box.
struct ServerCheck {
    std::string text;  // the identity, then what is asked or why nothing can be done
    Icon icon = Icon::information;
    bool ask = false;   // a Yes/No question: record_server on Yes
    Settings settings;  // the settings checked (the dialog's current values)
    ServerIdentity id;
};

// Connects with `s` (the dialog's values applied) and learns the server's identity without
// logging in; known_hosts is the station folder's. Waits at most `timeout` for each step.
ServerCheck check_server(const Settings& s, const std::string& DocPath,
                         std::chrono::milliseconds timeout);

// Records what check_server found after the keeper's Yes: the SFTP host key appended to the
// station's known_hosts, or the FTPS pin put in check.settings.PinnedKey (the dialog saves it
// on OK). Empty on success, else what went wrong.
std::string record_server(ServerCheck& check, const std::string& DocPath);

// Help topic of the Internet Settings dialog while `tab` is current (0 "Ftp", 1 "File").
const char* internet_help_page(int tab);
inline constexpr const char* kFtpLogHelpPage = "Nimbora.chm::/view-ftp-log.html";

// The upload log of the station folder `DocPath` (ending with a separator).
std::string ftp_log_path(const std::string& DocPath);

// The whole log, byte for byte; empty when it is missing, unreadable or too large to hold.
std::optional<std::string> read_ftp_log(const std::string& DocPath);

// The question "Clear" asks before the log is deleted.
SettingCheck clear_log_question();

// Deletes the log. Returns the error to show when it exists and could not be deleted; a
// log that is already gone counts as cleared.
std::optional<SettingCheck> clear_ftp_log(const std::string& DocPath);

}  // namespace nimbora
