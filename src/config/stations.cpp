// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/stations.h"

#include "config/format.h"
#include "config/function.h"
#include "config/read_conf.h"
#include "config/schema.h"
#include "jobs/busy.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace nimbora {
namespace {

std::string lower(std::string_view text)
{
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool reserved_device_name(std::string_view name)
{
    // Windows refuses these as folder names, with or without an extension.
    std::string base = lower(name.substr(0, name.find('.')));
    static constexpr std::array<const char*, 4> kPlain = {"con", "prn", "aux", "nul"};
    if (std::find(kPlain.begin(), kPlain.end(), base) != kPlain.end()) return true;
    return base.size() == 4 && (base.rfind("com", 0) == 0 || base.rfind("lpt", 0) == 0) &&
           base[3] >= '1' && base[3] <= '9';
}

void stop_running_schedule(Settings& s, const std::function<void()>& stop_schedule)
{
    if (!s.TransferEnabled) return;
    TimerActive = 0;
    s.TransferEnabled = 0;
    if (stop_schedule) stop_schedule();
}

}  // namespace

std::string make_DocPath(const std::string& HomePath, std::string_view station)
{
    if (station.empty()) return HomePath;
    return HomePath + std::string(station) + kSep;
}

Places start_places(UserStore& store, const std::string& HomePath)
{
    Places p;
    p.HomePath = HomePath;
    p.StationName = store.get_string("StationName").value_or("");
    if (p.StationName.size() > kStationNameMax) p.StationName.resize(kStationNameMax);
    p.DocPath = make_DocPath(HomePath, p.StationName);
    return p;
}

Places chosen_places(UserStore& store, const std::string& default_home, std::string home,
                     const std::string& station)
{
    if (home.empty()) {
        home = default_home;
    } else if (home.back() != kSep) {
        home += kSep;
    }
    Places p = start_places(store, home);
    if (!station.empty()) {
        p.StationName = station;
        p.DocPath = make_DocPath(p.HomePath, station);
    }
    return p;
}

std::optional<std::string> check_station_name(std::string_view name)
{
    if (name.empty()) return "Station name is empty";
    if (name.size() > kStationNameMax) return "Station name is longer than 20 characters";
    if (name == "." || name == "..") return "Station name cannot be \".\" or \"..\"";
    if (name.front() == ' ' || name.back() == ' ')
        return "Station name cannot begin or end with a blank";
    if (name.back() == '.') return "Station name cannot end with '.'";
    for (char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 32 || u == 127 || std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos)
            return "Station name cannot contain \\ / : * ? \" < > | or control characters";
    }
    if (reserved_device_name(name))
        return strf("Station name cannot be \"%.*s\": the name is reserved",
                    static_cast<int>(name.size()), name.data());
    return std::nullopt;
}

std::vector<std::string> list_stations(const std::string& HomePath)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(HomePath, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code type_ec;
        if (it->is_directory(type_ec)) names.push_back(it->path().filename().string());
    }
    std::sort(names.begin(), names.end(), list_box_less);
    return names;
}

bool create_station(Owner* owner, const std::string& HomePath, std::string_view name)
{
    if (auto problem = check_station_name(name)) {
        tell(owner, "New Station", *problem, Icon::error);
        return false;
    }
    const std::string folder = HomePath + std::string(name);
    std::error_code ec;
    if (!fs::is_directory(HomePath, ec) || !fs::create_directory(folder, ec)) {
        tell(owner, "New Station", "Could not create station", Icon::error);
        return false;
    }
    for (const char* file : {kDbFile, kConfFile, kDatFile}) {
        std::error_code copy_ec;  // a missing template leaves the station without that file
        fs::copy_file(HomePath + file, folder + kSep + file, fs::copy_options::skip_existing,
                      copy_ec);
    }
    tell(owner, "New Station", "Station created successfully", Icon::information);
    return true;
}

OpenResult open_station(Owner* owner, UserStore& store, Places& places, Settings& s,
                        std::string_view name, const std::function<void()>& stop_schedule)
{
    if (name == places.StationName) {
        tell(owner, "Open Station", "Station already open!", Icon::information);
        return OpenResult::already_open;
    }
    std::error_code ec;
    if (check_station_name(name) || !fs::is_directory(places.HomePath + std::string(name), ec)) {
        tell(owner, "Open Station",
             strf("Station not found: %.*s", static_cast<int>(name.size()), name.data()),
             Icon::error);
        return OpenResult::not_found;
    }
    stop_running_schedule(s, stop_schedule);
    places.StationName = std::string(name);
    if (!store.set_string("StationName", name)) {
        tell(owner, "Error", "Error saving settings to registry", Icon::error);
        return OpenResult::store_failed;
    }
    places.DocPath = make_DocPath(places.HomePath, name);
    read_conf(owner, kConfEntries, places.DocPath, s);
    return OpenResult::opened;
}

DeleteResult delete_station(Owner* owner, UserStore& store, Places& places, Settings& s,
                            std::string_view name, const std::function<void()>& stop_schedule)
{
    auto refuse = [owner] {
        tell(owner, "Delete Station", "Could not delete station", Icon::error);
        return DeleteResult::failed;
    };
    if (check_station_name(name)) return refuse();
    const fs::path folder = places.HomePath + std::string(name);
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) return refuse();

    // Look before deleting anything: a subfolder would stop the removal halfway.
    std::vector<fs::path> files;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code type_ec;
        if (it->is_directory(type_ec) || type_ec) return refuse();
        files.push_back(it->path());
    }
    if (ec) return refuse();
    for (const fs::path& f : files)
        if (!fs::remove(f, ec) || ec) return refuse();
    if (!fs::remove(folder, ec) || ec) return refuse();

    tell(owner, "Delete Station", "Station deleted successfully", Icon::information);
    if (name != places.StationName) return DeleteResult::deleted;
    stop_running_schedule(s, stop_schedule);
    store.remove("StationName");
    places.StationName.clear();
    return DeleteResult::deleted_open;
}

}  // namespace nimbora
