// SPDX-License-Identifier: GPL-3.0-or-later
#include "upload/InternetFunc.h"

#include "config/format.h"
#include "config/read_conf.h"
#include "upload/ftp_log.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <new>
#include <stdexcept>
#include <system_error>

namespace fs = std::filesystem;

namespace nimbora {
namespace {

bool same_path_nocase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

const char* interval_label(int interval)
{
    if (interval < 0 || interval >= static_cast<int>(TimeInterval.size())) interval = 0;
    return TimeInterval[static_cast<std::size_t>(interval)].label;
}

}  // namespace

InternetForm internet_form(const Settings& s)
{
    InternetForm f;
    f.on = s.TransferEnabled != 0;
    f.host = s.FtpHost;
    f.port = s.FtpPort;
    f.folder = s.RemotePath;
    f.user = s.User;
    f.password = s.Pwd;
    f.passive = s.Passive != 0;
    f.protocol = protocol_index(s.Protocol);
    f.key_file = s.KeyFile;
    f.pinned_key = s.PinnedKey;
    f.current_month = s.ReportUpload > 0;
    f.decades = s.ReportUpload == 2;
    f.interval = interval_index(s.Interval);
    f.time_start = s.TimeStart;
    for (const std::string& file : s.FileList) {
        if (file.empty()) break;
        f.files.push_back(file);
    }
    f.web_upload = s.WebUpload != 0;
    f.web_folder = s.WebFolder;
    return f;
}

bool web_folder_enabled(bool web_upload)
{
    return web_upload;
}

std::optional<SettingCheck> check_web_folder(const InternetForm& f)
{
    return check_setting(Settings{}, "WebFolder", f.web_folder);
}

int interval_index(std::string_view Interval)
{
    for (std::size_t i = 0; i < TimeInterval.size(); ++i)
        if (Interval == TimeInterval[i].label) return static_cast<int>(i);
    return 0;
}

bool start_time_enabled(int interval)
{
    return std::string_view(interval_label(interval)) != kOnFileChange;
}

bool decades_enabled(bool current_month)
{
    return current_month;
}

int report_upload(bool current_month, bool decades)
{
    if (!current_month) return 0;
    return decades ? 2 : 1;
}

std::string file_counter(std::size_t count)
{
    return strf("%2d/%d", static_cast<int>(count), kFileListSize);
}

std::string cleared_counter()
{
    return strf("0/%d", kFileListSize);
}

bool can_add_file(std::size_t count)
{
    return count < static_cast<std::size_t>(kFileListSize);
}

bool in_upload_list(const std::vector<std::string>& files, std::string_view path)
{
    return std::any_of(files.begin(), files.end(),
                       [path](const std::string& f) { return same_path_nocase(f, path); });
}

AddFile add_upload_file(std::vector<std::string>& files, std::string_view path)
{
    if (!can_add_file(files.size())) return AddFile::full;
    if (in_upload_list(files, path)) return AddFile::duplicate;
    files.emplace_back(path);
    return AddFile::added;
}

void remove_upload_files(std::vector<std::string>& files, std::vector<int> rows)
{
    // From the last selected row to the first, so the rows still to go keep their place.
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    for (auto it = rows.rbegin(); it != rows.rend(); ++it)
        if (*it >= 0 && static_cast<std::size_t>(*it) < files.size())
            files.erase(files.begin() + *it);
}

std::vector<FtpFieldCheck> check_ftp_fields(const Settings& s, const InternetForm& f)
{
    const struct {
        FtpField field;
        const char* key;
        const std::string& value;
    } fields[] = {
        {FtpField::host, "FtpHost", f.host},
        {FtpField::port, "FtpPort", f.port},
        {FtpField::folder, "RemotePath", f.folder},
        {FtpField::user, "User", f.user},
        {FtpField::password, "Pwd", f.password},
        {FtpField::key_file, "KeyFile", key_file_enabled(f.protocol) ? f.key_file : std::string()},
    };
    std::vector<FtpFieldCheck> out;
    for (const auto& field : fields)
        if (auto check = check_setting(s, field.key, field.value))
            out.push_back({field.field, std::move(*check)});
    return out;
}

std::optional<SettingCheck> check_start_time(const InternetForm& f)
{
    if (!start_time_enabled(f.interval)) return std::nullopt;
    Settings s;
    s.Interval = interval_label(f.interval);
    return check_setting(s, "TimeStart", f.time_start);
}

Settings apply_internet_form(const Settings& s, const InternetForm& f)
{
    Settings out = s;
    out.TransferEnabled = f.on ? 1 : 0;
    out.Passive = f.passive ? 1 : 0;
    out.ReportUpload = report_upload(f.current_month, f.decades);
    out.Interval = interval_label(f.interval);
    out.IntervMin = *IntervMin(out.Interval);
    out.TimeStart = f.time_start;
    for (std::size_t i = 0; i < out.FileList.size(); ++i)
        out.FileList[i] = i < f.files.size() ? f.files[i] : std::string();
    apply_setting(out, "FtpHost", f.host);
    apply_setting(out, "FtpPort", f.port);
    apply_setting(out, "RemotePath", f.folder);
    apply_setting(out, "User", f.user);
    apply_setting(out, "Pwd", f.password);
    out.Protocol = kProtocolChoices[static_cast<std::size_t>(
        f.protocol >= 0 && f.protocol < static_cast<int>(kProtocolChoices.size()) ? f.protocol
                                                                                  : 0)];
    out.KeyFile = f.key_file;
    out.PinnedKey = f.pinned_key;
    out.WebUpload = f.web_upload ? 1 : 0;
    apply_setting(out, "WebFolder", f.web_folder);
    return out;
}

int protocol_index(std::string_view Protocol)
{
    for (std::size_t i = 0; i < kProtocolChoices.size(); ++i)
        if (Protocol == kProtocolChoices[i]) return static_cast<int>(i);
    return 0;
}

bool passive_enabled(int protocol)
{
    return protocol != 2;
}

bool key_file_enabled(int protocol)
{
    return protocol == 2;
}

bool check_server_enabled(int protocol)
{
    return protocol == 1 || protocol == 2;
}

std::string protocol_hint(int protocol)
{
    switch (protocol) {
    case 1:
        return "FTPS: TLS is required, on port 21 unless Port says otherwise. Check the server "
               "once: a certificate that does not verify must be trusted here.";
    case 2:
        return "SFTP: port 22 while Port is 21. Folder empty or \"/\": your home folder; "
               "\"/path\": from the server's root; anything else: inside your home folder. "
               "With a key file, Password is its passphrase. Check the server once.";
    default:
        return "FTP sends the password and the files in clear: choose FTPS or SFTP when your "
               "host offers them.";
    }
}

ServerCheck check_server(const Settings& s, const std::string& DocPath,
                         std::chrono::milliseconds timeout)
{
    ServerCheck c;
    c.settings = s;
    c.id = probe_server(s, DocPath + kKnownHostsFile, timeout);
    for (const std::string& line : identity_lines(s, c.id)) c.text += line + "\n";
    const TrustStep step = trust_step(s, c.id);
    c.text += "\n" + trust_question(s, c.id);
    c.ask = step == TrustStep::record;
    c.icon = step == TrustStep::record    ? Icon::question
             : step == TrustStep::nothing ? Icon::information
             : step == TrustStep::refuse  ? Icon::warning
                                          : Icon::error;
    return c;
}

std::string record_server(ServerCheck& check, const std::string& DocPath)
{
    return record_trust(check.settings, check.id, DocPath + kKnownHostsFile);
}

const char* internet_help_page(int tab)
{
    return tab == 1 ? "Nimbora.chm::/file-configure.html" : "Nimbora.chm::/internetsettings.html";
}

std::string ftp_log_path(const std::string& DocPath)
{
    return DocPath + kFtpLogFile;
}

std::optional<std::string> read_ftp_log(const std::string& DocPath)
{
    std::ifstream in(ftp_log_path(DocPath), std::ios::binary);
    if (!in) return std::nullopt;
    try {
        // In blocks: a log of a year of uploads runs to a hundred megabytes and more.
        std::string text;
        char block[1 << 16];
        while (in.read(block, sizeof block) || in.gcount() > 0)
            text.append(block, static_cast<std::size_t>(in.gcount()));
        if (in.bad()) return std::nullopt;
        return text;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    } catch (const std::length_error&) {
        return std::nullopt;
    }
}

SettingCheck clear_log_question()
{
    return SettingCheck{"Delete log file", "Are you sure ?", Icon::question, true};
}

std::optional<SettingCheck> clear_ftp_log(const std::string& DocPath)
{
    const std::string path = ftp_log_path(DocPath);
    std::error_code ec;
    if (fs::remove(path, ec) || !ec) return std::nullopt;
    return SettingCheck{"Error", strf("%s: Error deleting file", path.c_str()), Icon::error, false};
}

}  // namespace nimbora
