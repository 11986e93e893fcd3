// SPDX-License-Identifier: GPL-3.0-or-later
// The web command: the station's static web site, written from its database.
#include "cli/commands.h"
#include "config/schema.h"
#include "web/site.h"

#include <CLI/CLI.hpp>

#include <ostream>

namespace nimbora {

void add_web(CLI::App& app, Args& args)
{
    app.add_option("--out", args.web.out, "Folder of the site (default: the station's \"web\")");
}

Exit run_web(Session& session)
{
    if (!session.load_station()) return kFailed;
    auto db = Db::open(&session.owner, session.settings.InitPathDB + kDbFile);
    if (!db) return kFailed;
    const std::string folder = session.args.web.out.empty()
                                   ? default_site_folder(session.places.DocPath)
                                   : session.args.web.out;
    SiteCounts counts;
    if (!write_site(&session.owner, *db, session.settings, folder, counts)) return kFailed;
    session.console.out << folder << ": " << counts.written << " file(s) written, " << counts.kept
                        << " unchanged\n";
    return kOk;
}

}  // namespace nimbora
