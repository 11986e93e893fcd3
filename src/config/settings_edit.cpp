// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/settings_edit.h"

#include "config/format.h"
#include "config/function.h"
#include "config/read_conf.h"
#include "config/schema.h"
#include "config/stations.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <system_error>

namespace fs = std::filesystem;

namespace nimbora {
namespace {

using Check = std::optional<SettingCheck>;

SettingCheck refuse(std::string text)
{
    return SettingCheck{"Error", std::move(text), Icon::error, false};
}

SettingCheck ask(const char* text)
{
    return SettingCheck{"Error", text, Icon::error, true};
}

std::string key_s(std::string_view key)
{
    return std::string(key);
}

Check too_long(std::string_view key, std::string_view value, std::size_t max)
{
    if (value.size() <= max) return std::nullopt;
    return refuse(strf("%s: at most %zu characters", key_s(key).c_str(), max));
}

bool equal_nocase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// A unit given by its code or by its label; -1 when neither.
int unit_code(std::string_view value, const std::vector<std::vector<std::string_view>>& labels)
{
    if (value.size() == 1 && value[0] >= '0' && value[0] < '0' + static_cast<int>(labels.size()))
        return value[0] - '0';
    for (std::size_t code = 0; code < labels.size(); ++code)
        for (std::string_view label : labels[code])
            if (equal_nocase(value, label)) return static_cast<int>(code);
    return -1;
}

const std::vector<std::vector<std::string_view>> kTempLabels = {{"C",
                                                                 "\xB0"
                                                                 "C",
                                                                 "°C"},
                                                                {"F",
                                                                 "\xB0"
                                                                 "F",
                                                                 "°F"}};
const std::vector<std::vector<std::string_view>> kRainLabels = {{"mm"}, {"inch", "in"}};
const std::vector<std::vector<std::string_view>> kWindLabels = {
    {"Km/h"}, {"mph"}, {"knot"}, {"m/s"}};
const std::vector<std::vector<std::string_view>> kBarLabels = {{"hPa"}, {"mb"}, {"mmHg"}, {"inHg"}};

std::string unit_choices(const std::vector<std::vector<std::string_view>>& labels)
{
    std::string out;
    for (std::size_t code = 0; code < labels.size(); ++code)
        out += strf("%s%zu (%s)", code ? ", " : "", code, std::string(labels[code][0]).c_str());
    return out;
}

Check check_choice(std::string_view key, std::string_view value, std::string_view allowed)
{
    if (value.size() == 1 && allowed.find(value[0]) != std::string_view::npos) return std::nullopt;
    std::string list;
    for (char c : allowed) list += strf("%s%c", list.empty() ? "" : ", ", c);
    return refuse(strf("%s: one of %s", key_s(key).c_str(), list.c_str()));
}

// Folders, the description and the upload list live in "nimbrep.conf", whose reader would
// lose a value with '<' and take a line break for the start of another setting.
Check conf_text_check(std::string_view key, std::string_view value)
{
    if (conf_can_hold(value)) return std::nullopt;
    return refuse(
        strf("%s: the settings file cannot hold '<' or a line break", key_s(key).c_str()));
}

Check check_folder(std::string_view value, const char* message)
{
    if (auto problem = too_long("folder", value, kPathMax)) return problem;
    if (ChkDir(std::string(value))) return refuse(message);
    return std::nullopt;
}

std::string with_separator(std::string_view folder)
{
    std::string out(folder);
    if (out.empty() || out.back() != kSep) out += kSep;
    return out;
}

struct Def {
    const char* key;
    std::function<std::string(const Settings&)> get;
    std::function<Check(const Settings&, std::string_view)> check;
    std::function<void(Settings&, std::string_view)> set;
};

// A text setting with its edit's limit and, for the FTP fields, the question asked when it
// is left empty.
Def text_def(const char* key, std::string Settings::*field, std::size_t max,
             const char* if_empty = nullptr)
{
    return Def{key, [field](const Settings& s) { return s.*field; },
               [key, max, if_empty](const Settings&, std::string_view v) -> Check {
                   if (auto problem = too_long(key, v, max)) return problem;
                   if (v.empty() && if_empty) return ask(if_empty);
                   return std::nullopt;
               },
               [field](Settings& s, std::string_view v) { s.*field = std::string(v); }};
}

Def folder_def(const char* key, std::string Settings::*field, const char* message)
{
    return Def{key, [field](const Settings& s) { return s.*field; },
               [key, message](const Settings&, std::string_view v) {
                   if (auto problem = conf_text_check(key, v)) return problem;
                   return check_folder(v, message);
               },
               [field](Settings& s, std::string_view v) { s.*field = with_separator(v); }};
}

// A file the upload reads (a key, a CA bundle): empty, or a regular file we can open now.
Def readable_file_def(const char* key, std::string Settings::*field)
{
    return Def{key, [field](const Settings& s) { return s.*field; },
               [key](const Settings&, std::string_view v) -> Check {
                   if (v.empty()) return std::nullopt;
                   if (auto problem = too_long(key, v, kPathMax)) return problem;
                   if (auto problem = conf_text_check(key, v)) return problem;
                   const std::string path(v);
                   std::error_code ec;
                   std::FILE* f =
                       fs::is_regular_file(path, ec) ? std::fopen(path.c_str(), "rb") : nullptr;
                   if (!f) return refuse(strf("%s: cannot read %s", key, path.c_str()));
                   std::fclose(f);
                   return std::nullopt;
               },
               [field](Settings& s, std::string_view v) { s.*field = std::string(v); }};
}

Def unit_def(const char* key, signed char Settings::*field,
             const std::vector<std::vector<std::string_view>>& labels)
{
    return Def{key, [field](const Settings& s) { return std::to_string(s.*field); },
               [key, &labels](const Settings&, std::string_view v) -> Check {
                   if (unit_code(v, labels) >= 0) return std::nullopt;
                   return refuse(strf("%s: one of %s", key, unit_choices(labels).c_str()));
               },
               [field, &labels](Settings& s, std::string_view v) {
                   s.*field = static_cast<signed char>(unit_code(v, labels));
               }};
}

Def flag_def(const char* key, std::int32_t Settings::*field)
{
    return Def{key, [field](const Settings& s) { return std::to_string(s.*field); },
               [key](const Settings&, std::string_view v) { return check_choice(key, v, "01"); },
               [field](Settings& s, std::string_view v) { s.*field = v == "1" ? 1 : 0; }};
}

std::vector<Def> make_defs()
{
    std::vector<Def> defs;
    defs.push_back(
        folder_def("InitPathRep", &Settings::InitPathRep, "Report directory is invalid!"));
    defs.push_back(
        folder_def("InitPathDB", &Settings::InitPathDB, "Database directory is invalid!"));
    defs.push_back(folder_def("InitPathWLK", &Settings::InitPathWLK, "Wlk Directory is invalid!"));
    for (Def d : {text_def("Rep_Name", &Settings::Rep_Name, kRepNameMax),
                  text_def("Rep_City", &Settings::Rep_City, kRepCityMax),
                  text_def("Rep_State", &Settings::Rep_State, kRepStateMax),
                  text_def("Rep_Elev", &Settings::Rep_Elev, kRepElevMax),
                  text_def("Rep_Lat", &Settings::Rep_Lat, kRepLatMax),
                  text_def("Rep_Long", &Settings::Rep_Long, kRepLongMax)}) {
        d.check = [key = d.key, inner = d.check](const Settings& s, std::string_view v) -> Check {
            if (auto problem = conf_text_check(key, v)) return problem;
            return inner(s, v);
        };
        defs.push_back(std::move(d));
    }
    defs.push_back(Def{
        "ReportChk",
        [](const Settings& s) {
            std::string out;
            for (int i = 0; i < kReportColumns; ++i) out += s.column(i) ? '1' : '0';
            return out;
        },
        [](const Settings&, std::string_view v) -> Check {
            if (v.size() == kReportColumns && v.find_first_not_of("01") == std::string_view::npos)
                return std::nullopt;
            return refuse(
                "ReportChk: 15 characters '0' or '1' for Temperature, Dew Point, Heat Index, "
                "Wind Chill, Rel. Humidity, Pressure, Solar Radiation, ET, UV, Rain Rate, "
                "Rain, Wind, Wind Run, N. Samples, Temperature Range");
        },
        [](Settings& s, std::string_view v) {
            s.ReportChk.fill(0);
            for (std::size_t i = 0; i < v.size(); ++i) s.ReportChk[i] = v[i] == '1' ? 1 : 0;
        }});
    defs.push_back(unit_def("UnitTemp", &Settings::UnitTemp, kTempLabels));
    defs.push_back(unit_def("UnitRain", &Settings::UnitRain, kRainLabels));
    defs.push_back(unit_def("UnitWind", &Settings::UnitWind, kWindLabels));
    defs.push_back(unit_def("UnitBar", &Settings::UnitBar, kBarLabels));
    defs.push_back(flag_def("TransferEnabled", &Settings::TransferEnabled));
    defs.push_back(text_def("FtpHost", &Settings::FtpHost, kFtpHostMax,
                            "Invalid FTP Host!\nContinue anyway?"));
    // Servers often listen above 99: any port 1..65535, stored without leading zeros so that
    // the binary field holds it whenever it can.
    Def port = text_def("FtpPort", &Settings::FtpPort, kFtpPortDigits,
                        "Invalid FTP port!\nContinue anyway?");
    port.check = [inner = port.check](const Settings& s, std::string_view v) -> Check {
        if (v.find_first_not_of("0123456789") != std::string_view::npos)
            return refuse("FtpPort: digits only");
        if (auto problem = inner(s, v)) return problem;
        const int n = std::atoi(std::string(v).c_str());
        if (!v.empty() && (n < 1 || n > kFtpPortLast))
            return refuse(strf("FtpPort: a port from 1 to %d", kFtpPortLast));
        return std::nullopt;
    };
    port.set = [](Settings& s, std::string_view v) {
        s.FtpPort = v.empty() ? std::string() : std::to_string(std::atoi(std::string(v).c_str()));
    };
    defs.push_back(port);
    defs.push_back(
        text_def("User", &Settings::User, kUserMax, "Invalid User Name!\nContinue anyway?"));
    defs.push_back(text_def("Pwd", &Settings::Pwd, kPwdMax, "Invalid Password!\nContinue anyway?"));
    defs.push_back(text_def("RemotePath", &Settings::RemotePath, kRemotePathMax,
                            "Invalid Folder!\nContinue anyway?"));
    defs.push_back(flag_def("Passive", &Settings::Passive));
    defs.push_back(Def{"Protocol", [](const Settings& s) { return s.Protocol; },
                       [](const Settings&, std::string_view v) -> Check {
                           if (protocol_name(v)) return std::nullopt;
                           return refuse(strf("Protocol: one of %s, %s, %s (not \"%s\")",
                                              kProtocolFtp, kProtocolFtps, kProtocolSftp,
                                              std::string(v).c_str()));
                       },
                       [](Settings& s, std::string_view v) {
                           s.Protocol = protocol_name(v).value_or(kProtocolFtp);
                       }});
    defs.push_back(readable_file_def("KeyFile", &Settings::KeyFile));
    defs.push_back(readable_file_def("CaFile", &Settings::CaFile));
    defs.push_back(Def{"PinnedKey", [](const Settings& s) { return s.PinnedKey; },
                       [](const Settings&, std::string_view v) -> Check {
                           if (v.empty() || valid_pin(v)) return std::nullopt;
                           return refuse(
                               "PinnedKey: \"sha256//\" and the base64 of the certificate's "
                               "public-key hash (44 characters), as \"nimbora-cli trust\" "
                               "prints it; several are separated by ';'");
                       },
                       [](Settings& s, std::string_view v) { s.PinnedKey = std::string(v); }});
    Def atomic{
        "AtomicUpload", [](const Settings& s) { return std::to_string(s.AtomicUpload); },
        [](const Settings&, std::string_view v) { return check_choice("AtomicUpload", v, "01"); },
        [](Settings& s, std::string_view v) { s.AtomicUpload = v == "0" ? 0 : 1; }};
    defs.push_back(atomic);
    defs.push_back(
        Def{"WebUpload", [](const Settings& s) { return std::to_string(s.WebUpload); },
            [](const Settings&, std::string_view v) { return check_choice("WebUpload", v, "01"); },
            [](Settings& s, std::string_view v) { s.WebUpload = v == "1" ? 1 : 0; }});
    defs.push_back(Def{"WebFolder", [](const Settings& s) { return s.WebFolder; },
                       [](const Settings&, std::string_view v) -> Check {
                           if (auto problem = too_long("WebFolder", v, kRemotePathMax))
                               return problem;
                           return conf_text_check("WebFolder", v);
                       },
                       [](Settings& s, std::string_view v) { s.WebFolder = std::string(v); }});
    defs.push_back(Def{"Interval", [](const Settings& s) { return s.Interval; },
                       [](const Settings&, std::string_view v) -> Check {
                           if (IntervMin(v)) return std::nullopt;
                           std::string list;
                           for (const auto& entry : TimeInterval)
                               list += strf("%s\"%s\"", list.empty() ? "" : ", ", entry.label);
                           return refuse("Interval: one of " + list);
                       },
                       [](Settings& s, std::string_view v) {
                           s.Interval = std::string(v);
                           s.IntervMin = IntervMin(v).value_or(s.IntervMin);
                       }});
    defs.push_back(Def{"TimeStart", [](const Settings& s) { return s.TimeStart; },
                       [](const Settings& s, std::string_view v) -> Check {
                           if (auto problem = too_long("TimeStart", v, kTimeStartMax))
                               return problem;
                           // With uploads on file change the start time is not used, and kept as
                           // typed.
                           if (CheckTime(v) && s.Interval != kOnFileChange)
                               return refuse("Invalid Starting Time!");
                           return std::nullopt;
                       },
                       [](Settings& s, std::string_view v) { s.TimeStart = std::string(v); }});
    defs.push_back(Def{
        "ReportUpload", [](const Settings& s) { return std::to_string(s.ReportUpload); },
        [](const Settings&, std::string_view v) { return check_choice("ReportUpload", v, "012"); },
        [](Settings& s, std::string_view v) { s.ReportUpload = v[0] - '0'; }});
    for (int i = 0; i < kFileListSize; ++i) {
        const std::string key = strf("File%d", i + 1);
        defs.push_back(
            Def{nullptr, [i](const Settings& s) { return s.FileList[static_cast<std::size_t>(i)]; },
                [key, i](const Settings& s, std::string_view v) -> Check {
                    if (v.empty()) return std::nullopt;
                    if (auto problem = too_long(key, v, kPathMax)) return problem;
                    if (auto problem = conf_text_check(key, v)) return problem;
                    std::error_code ec;
                    if (!fs::is_regular_file(std::string(v), ec))
                        return refuse(
                            strf("%s: no such file: %s", key.c_str(), std::string(v).c_str()));
                    for (int j = 0; j < kFileListSize; ++j)
                        if (j != i && equal_nocase(s.FileList[static_cast<std::size_t>(j)], v))
                            return refuse(strf("%s: already in the upload list: %s", key.c_str(),
                                               std::string(v).c_str()));
                    return std::nullopt;
                },
                [i](Settings& s, std::string_view v) {
                    s.FileList[static_cast<std::size_t>(i)] = std::string(v);
                    // The list ends at its first empty entry: close up the gaps.
                    std::stable_partition(s.FileList.begin(), s.FileList.end(),
                                          [](const std::string& f) { return !f.empty(); });
                }});
    }
    return defs;
}

const std::vector<Def>& defs()
{
    static const std::vector<Def> kDefs = make_defs();
    return kDefs;
}

const Def* find_def(std::string_view key)
{
    const auto& keys = setting_keys();
    for (std::size_t i = 0; i < keys.size(); ++i)
        if (keys[i] == key) return &defs()[i];
    return nullptr;
}

}  // namespace

std::optional<std::string> protocol_name(std::string_view value)
{
    for (const char* name : {kProtocolFtp, kProtocolFtps, kProtocolSftp})
        if (equal_nocase(value, name)) return std::string(name);
    return std::nullopt;
}

bool valid_pin(std::string_view pins)
{
    constexpr std::string_view kPrefix = "sha256//";
    constexpr std::size_t kHashBase64 = 44;  // 32 bytes: 43 characters and one '='
    for (std::size_t begin = 0;;) {
        std::size_t end = pins.find(';', begin);
        if (end == std::string_view::npos) end = pins.size();
        const std::string_view pin = pins.substr(begin, end - begin);
        if (pin.substr(0, kPrefix.size()) != kPrefix) return false;
        const std::string_view hash = pin.substr(kPrefix.size());
        if (hash.size() != kHashBase64 || hash.back() != '=') return false;
        for (std::size_t i = 0; i + 1 < hash.size(); ++i) {
            const auto c = static_cast<unsigned char>(hash[i]);
            if (!std::isalnum(c) && c != '+' && c != '/') return false;
        }
        if (end == pins.size()) return true;
        begin = end + 1;
    }
}

const std::vector<std::string>& setting_keys()
{
    static const std::vector<std::string> kKeys = [] {
        std::vector<std::string> keys;
        int file = 0;
        for (const Def& d : defs()) keys.push_back(d.key ? d.key : strf("File%d", ++file));
        return keys;
    }();
    return kKeys;
}

bool is_setting_key(std::string_view key)
{
    return find_def(key) != nullptr;
}

std::string setting_text(const Settings& s, std::string_view key)
{
    const Def* d = find_def(key);
    return d ? d->get(s) : std::string();
}

std::optional<SettingCheck> check_setting(const Settings& s, std::string_view key,
                                          std::string_view value)
{
    const Def* d = find_def(key);
    if (!d) return refuse(strf("Unknown setting: %s", key_s(key).c_str()));
    return d->check(s, value);
}

void apply_setting(Settings& s, std::string_view key, std::string_view value)
{
    if (const Def* d = find_def(key)) d->set(s, value);
}

std::optional<SettingCheck> check_upload_list(const Settings& s)
{
    if (!s.FileList[0].empty() || s.ReportUpload != 0 || s.WebUpload != 0) return std::nullopt;
    return SettingCheck{"Warning", "No files selected!", Icon::warning, false};
}

DatabaseCopy copy_database(const std::string& old_folder, const std::string& new_folder)
{
    const std::string from = old_folder + kDbFile, to = new_folder + kDbFile;
    std::error_code ec;
    if (!fs::exists(from, ec)) return {DatabaseCopy::nothing, {}};
    if (fs::exists(to, ec))
        return {DatabaseCopy::already_there,
                strf("%s already exists and is used from now on; %s was not moved", to.c_str(),
                     from.c_str())};
    if (fs::copy_file(from, to, fs::copy_options::none, ec) && !ec)
        return {DatabaseCopy::copied, {}};
    // A copy cut short (a full disk) must not pass for the database.
    std::error_code ignored;
    fs::remove(to, ignored);
    return {DatabaseCopy::failed, strf("%s could not be copied to %s: %s", from.c_str(),
                                       new_folder.c_str(), ec.message().c_str())};
}

std::optional<std::string> move_database(const std::string& old_folder,
                                         const std::string& new_folder)
{
    const DatabaseCopy copy = copy_database(old_folder, new_folder);
    if (copy.outcome == DatabaseCopy::nothing) return std::nullopt;
    if (copy.outcome != DatabaseCopy::copied) return copy.problem;
    const std::string from = old_folder + kDbFile;
    std::error_code ec;
    if (fs::remove(from, ec) || !ec) return std::nullopt;
    return strf("%s was copied to %s but could not be deleted: %s", from.c_str(),
                new_folder.c_str(), ec.message().c_str());
}

}  // namespace nimbora
