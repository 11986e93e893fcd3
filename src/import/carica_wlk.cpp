// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/insert.h"
#include "import/load_db.h"

#include "config/file_open.h"
#include "config/format.h"
#include "config/function.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <system_error>

namespace nimbora {
namespace {

bool all_digits(std::string_view text)
{
    for (char c : text)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    return !text.empty();
}

// Where to read `name`: a path as it stands, a bare name in the WLK folder.
std::string wlk_path(const std::string& InitPathWLK, const std::string& name)
{
    return bare_name(name).size() == name.size() ? InitPathWLK + name : name;
}

}  // namespace

std::string_view bare_name(std::string_view name)
{
    const std::size_t slash = name.find_last_of("/\\");
    return slash == std::string_view::npos ? name : name.substr(slash + 1);
}

std::vector<std::string> list_wlk_files(const std::string& folder)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (name.size() < 4) continue;
        std::string ext = name.substr(name.size() - 4);
        for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (ext == ".wlk") names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end(), list_box_less);
    return names;
}

std::optional<WlkMonth> wlk_file_month(std::string_view name)
{
    if (name.size() != 11) return std::nullopt;
    const std::string_view year = name.substr(0, 4), month = name.substr(5, 2);
    if (!all_digits(year) || !all_digits(month)) return std::nullopt;
    const int y = std::stoi(std::string(year)), m = std::stoi(std::string(month));
    if (y == 0 || m < 1 || m > 12) return std::nullopt;
    return WlkMonth{std::string(year), std::string(month)};
}

int carica_wlk(ImportRun& run, const std::string& name, bool reload)
{
    const std::string bare(bare_name(name));
    const auto month = wlk_file_month(bare);
    if (!month) {
        tell(run.owner, "Load Database", strf("%s: wrong file name ", bare.c_str()), Icon::error);
        return 1;
    }
    const std::string path = wlk_path(run.InitPathWLK, name);
    std::error_code ec;
    FilePtr file;
    if (std::filesystem::is_regular_file(path, ec))
        file = file_open(run.owner, path, "rb");
    else  // a folder named like a WLK file opens, but reads nothing
        tell(run.owner, "Error", strf("%s: Error opening file", path.c_str()), Icon::error);
    if (!file) return 1;
    show_status(run.owner, strf("Load %s: ", bare.c_str()));

    // The identification is checked before a reload deletes anything: a file that is not a
    // WLK file never costs the month its rows.
    WlkReader reader(file.get());
    if (!reader.read_header() || !reader.identified()) {
        tell(run.owner, "Load Database", strf("%s: File invalid", bare.c_str()), Icon::error);
        show_status(run.owner, "");
        return 1;
    }
    if (reload) {
        const auto deleted =
            run.db->query(run.owner, "DELETE FROM datimeteo where year=? and month=?",
                          {month->Year, month->Month});
        (void)deleted;  // a failure is told; the file is still imported
    }

    int read = 0, skipped = 0;
    WeatherData w;
    std::string failure;
    std::snprintf(w.Year, sizeof w.Year, "%s", month->Year.c_str());
    std::snprintf(w.Month, sizeof w.Month, "%s", month->Month.c_str());
    while (reader.next_weather(w)) {
        bind_weather(run.insert, w);
        const int rc = sqlite3_step(run.insert);
        if (rc != SQLITE_DONE) {
            if (skipped == 0) run.fde->line("  " + bare);
            // "%d: %s - %s", put together without printf: a re-import writes this line for
            // every record, and printing it cost as much as the failed insert.
            failure = std::to_string(rc);
            failure += ": ";
            failure += sqlite3_errmsg(run.db->get());
            failure += " - ";
            failure += insert_text("datimeteo", w);
            run.fde->line(failure);
            ++skipped;
            ++run.RecErr;
            // Only a record already present is skipped; anything else (a full disk, a lock,
            // a broken table) ends the import, which is then rolled back whole.
            if ((rc & 0xFF) != SQLITE_CONSTRAINT) {
                tell_database_error(run.owner, sqlite3_errmsg(run.db->get()));
                run.failed = true;
            }
        }
        sqlite3_reset(run.insert);
        ++read;
        ++run.RecTot;
        if (read % 500 == 0) show_status(run.owner, strf("Load %s: %6d", bare.c_str(), read));
        if (run.failed) break;
    }

    run.fdl->line("  " + bare);
    run.fdl->linef("N\xB0 records read:    %5d", read);
    run.fdl->linef("N\xB0 records loaded:  %5d", read - skipped);
    run.fdl->linef("N\xB0 records skipped: %5d", skipped);
    run.fdl->line();
    run.fdl->line();
    if (skipped > 0) run.fde->line();
    show_status(run.owner, "");
    return run.failed ? 1 : 0;
}

}  // namespace nimbora
