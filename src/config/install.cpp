// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/install.h"

#include "config/file_open.h"
#include "config/format.h"
#include "config/handles.h"
#include "config/read_conf.h"
#include "config/schema.h"
#include "config/settings_edit.h"
#include "config/stations.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace nimbora {
namespace {

// The template database: an empty `datimeteo`. Built under a temporary name so that a
// failure never leaves a half-made template behind.
bool make_template_db(Owner* owner, const std::string& path)
{
    const std::string temp = path + ".new";
    std::error_code ec;
    fs::remove(temp, ec);
    bool ok = false;
    {
        sqlite3* raw = nullptr;
        const int rc = sqlite3_open_v2(temp.c_str(), &raw,
                                       SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
        SqliteHandle db(raw);
        char* err = nullptr;
        if (rc == SQLITE_OK &&
            sqlite3_exec(db.get(), kCreateDatiMeteo, nullptr, nullptr, &err) == SQLITE_OK)
            ok = true;
        else
            tell(owner, "Setup", strf("%s: %s", path.c_str(), err ? err : sqlite3_errmsg(db.get())),
                 Icon::error);
        sqlite3_free(err);
    }
    if (ok) fs::rename(temp, path, ec);
    if (!ok || ec) {
        if (ok) tell(owner, "Setup", strf("%s: Error creating file", path.c_str()), Icon::error);
        fs::remove(temp, ec);
        return false;
    }
    return true;
}

}  // namespace

Settings template_settings()
{
    Settings s;
    s.ReportChk.fill(0);
    s.ReportChk[kTemperature] = s.ReportChk[kRain] = s.ReportChk[kWind] = 1;
    s.Passive = 1;
    s.Interval = "1 hr.";
    s.IntervMin = 60;
    s.TimeStart = "00:00";
    s.FtpPort = "21";
    s.RemotePath = "/";
    return s;
}

std::vector<std::string> missing_installation(const std::string& HomePath)
{
    std::vector<std::string> missing;
    std::error_code ec;
    if (!fs::is_directory(HomePath, ec)) missing.push_back(HomePath);
    for (const char* file : {kDbFile, kConfFile, kDatFile})
        if (!fs::is_regular_file(HomePath + file, ec)) missing.push_back(HomePath + file);
    return missing;
}

InstallResult install_product(Owner* owner, const std::string& HomePath)
{
    InstallResult result;
    std::error_code ec;
    if (!fs::is_directory(HomePath, ec)) {
        if (!fs::create_directories(HomePath, ec) || ec) {
            tell(owner, "Setup", strf("%s: Could not create folder", HomePath.c_str()),
                 Icon::error);
            result.ok = false;
            return result;
        }
        result.made.push_back(HomePath);
    }

    Settings s = template_settings();
    auto make = [&](const char* name, auto&& write) {
        const std::string path = HomePath + name;
        if (fs::exists(path, ec)) return;
        if (write(path))
            result.made.push_back(path);
        else
            result.ok = false;
    };
    make(kDbFile, [&](const std::string& path) { return make_template_db(owner, path); });
    make(kConfFile,
         [&](const std::string& path) { return replace_file(owner, path, conf_text(s)); });
    make(kDatFile, [&](const std::string& path) {
        const auto record = dat_record(s);
        return replace_file(
            owner, path,
            std::string_view(reinterpret_cast<const char*>(record.data()), record.size()));
    });
    return result;
}

void apply_demo_header(Settings& s)
{
    apply_setting(s, "ReportChk", "111111111111111");
    apply_setting(s, "Rep_Name", "Nimbora Demo Station");
    apply_setting(s, "Rep_City", "Valley Town");
    apply_setting(s, "Rep_State", "Demo County");
    apply_setting(s, "Rep_Elev", "312 m");
    apply_setting(s, "Rep_Lat", "45.4667 N");
    apply_setting(s, "Rep_Long", "9.1833 E");
}

}  // namespace nimbora
