// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/commands.h"

#include "config/install.h"

#include <CLI/CLI.hpp>

#include <ostream>

namespace nimbora {

void add_setup(CLI::App&, Args&) {}

Exit run_setup(Session& session)
{
    const InstallResult result = install_product(&session.owner, session.places.HomePath);
    for (const std::string& path : result.made) session.console.out << "created " << path << '\n';
    if (result.ok && result.made.empty())
        session.console.out << "already installed in " << session.places.HomePath << '\n';
    return result.ok ? kOk : kFailed;
}

}  // namespace nimbora
