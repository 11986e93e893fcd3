// SPDX-License-Identifier: GPL-3.0-or-later
// stations.h: the product folder and its stations. A station is a folder of `HomePath`
// holding its settings files and, unless moved, its database.
#pragma once

#include "config/Settings.h"
#include "config/UserStore.h"
#include "jobs/Owner.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nimbora {

inline constexpr std::size_t kStationNameMax = 20;
inline constexpr char kSep = static_cast<char>(std::filesystem::path::preferred_separator);

// Where this run keeps its files.
struct Places {
    std::string HomePath;     // the product folder, ending with a separator
    std::string StationName;  // the open station; empty when none is open
    std::string DocPath;      // HomePath + StationName + separator, or HomePath
};

// `HomePath` + `station` + separator, or `HomePath` when no station is given.
std::string make_DocPath(const std::string& HomePath, std::string_view station);

// The places at start-up: the station named by "StationName" in the store.
Places start_places(UserStore& store, const std::string& HomePath);

// The places of a run told `home` (a product folder replacing `default_home`; a separator is
// added when missing) and `station` (used instead of the open one, not remembered), either of
// which may be empty: --home and --station of both programs.
Places chosen_places(UserStore& store, const std::string& default_home, std::string home,
                     const std::string& station);

// What is wrong with `name` as a station name, if anything: it must be 1 to 20 characters,
// not "." or "..", without leading or trailing blanks or a trailing '.', without any of
// \ / : * ? " < > | or control characters, and not a device name that Windows reserves.
std::optional<std::string> check_station_name(std::string_view name);

// The stations of `HomePath`, sorted as a list box sorts them (letter case aside).
std::vector<std::string> list_stations(const std::string& HomePath);

// Makes the station folder and copies the three templates into it (never over an existing
// file). Tells the owner "Station created successfully" or why not. The new station is not
// opened.
bool create_station(Owner* owner, const std::string& HomePath, std::string_view name);

enum class OpenResult { opened, already_open, not_found, store_failed };

// Makes `name` the open station: remembers it in the store and loads its settings into
// `s`. A running upload schedule of the old station is stopped first (`stop_schedule`
// stops the timer or the folder watch; the flags are cleared here). When the store refuses
// the name, the station is open but its settings are not loaded.
OpenResult open_station(Owner* owner, UserStore& store, Places& places, Settings& s,
                        std::string_view name, const std::function<void()>& stop_schedule);

enum class DeleteResult { failed, deleted, deleted_open };

// Deletes the station folder and the files directly in it. A folder that holds a subfolder
// is refused before anything is deleted. Deleting the open station stops its schedule,
// forgets it in the store and empties `places.StationName`; `DocPath` and `s` stay.
DeleteResult delete_station(Owner* owner, UserStore& store, Places& places, Settings& s,
                            std::string_view name, const std::function<void()>& stop_schedule);

}  // namespace nimbora
