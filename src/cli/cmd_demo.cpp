#include "cli/commands.h"

#include "automation/UserStore.h"
#include "config/install.h"
#include "config/read_conf.h"
#include "config/settings_edit.h"

#include <CLI/CLI.hpp>

#include <filesystem>
#include <ostream>

namespace fs = std::filesystem;

namespace nimbora {
namespace {

constexpr const char* kDemoStation = "Demo";

}  // namespace

void add_demo(CLI::App& app, Args& args)
{
    app.add_option("--folder", args.demo.folder, "Folder of the demo (made if missing)")
        ->capture_default_str();
}

// The demo keeps everything, its per-user values included, in its own folder, so it never
// touches the user's real stations or settings.
Exit run_demo(Session& session)
{
    std::error_code ec;
    const fs::path folder = fs::absolute(session.args.demo.folder, ec);
    fs::create_directories(folder, ec);
    const std::string home = (folder / "Nimbora").string() + kSep;
    QtUserStore store((folder / "user.ini").string());
    std::ostream& out = session.console.out;
    out << "Demo folder: " << folder.string() << '\n';

    const InstallResult installed = install_product(&session.owner, home);
    if (!installed.ok) return kFailed;
    for (const std::string& path : installed.made) out << "  installed " << path << '\n';

    Places& places = session.places;
    places = start_places(store, home);
    if (!fs::is_directory(home + kDemoStation, ec)) {
        if (!create_station(&session.owner, home, kDemoStation)) return kFailed;
        out << "  created station " << kDemoStation << '\n';
    }
    Settings& s = session.settings;
    if (places.StationName == kDemoStation) {
        if (read_conf(&session.owner, kConfEntries, places.DocPath, s) != 0) return kFailed;
    } else if (open_station(&session.owner, store, places, s, kDemoStation, nullptr) !=
               OpenResult::opened) {
        return kFailed;
    }

    // Every column, and a header worth reading.
    apply_setting(s, "ReportChk", "111111111111111");
    apply_setting(s, "Rep_Name", "Nimbora Demo Station");
    apply_setting(s, "Rep_City", "Valley Town");
    apply_setting(s, "Rep_State", "Demo County");
    apply_setting(s, "Rep_Elev", "312 m");
    apply_setting(s, "Rep_Lat", "45.4667 N");
    apply_setting(s, "Rep_Long", "9.1833 E");
    if (write_conf(&session.owner, places.DocPath, s) != 0) return kFailed;

    out << "Station \"" << places.StationName << "\" is open; its settings:\n";
    print_settings(session, out);
    out << "\nProduct folder: " << home << '\n'
        << "Station folder: " << places.DocPath << '\n'
        << "Per-user values: " << (folder / "user.ini").string() << '\n';
    return kOk;
}

}  // namespace nimbora
