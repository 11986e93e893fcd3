// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/commands.h"

#include "config/read_conf.h"
#include "upload/FTPConnection.h"
#include "upload/server_identity.h"

#include <CLI/CLI.hpp>

#include <ostream>

namespace nimbora {

void add_trust(CLI::App& app, Args& args)
{
    app.add_flag("--yes", args.trust_yes, "Record a new identity without asking");
}

// Prints the identity of the station's FTPS or SFTP server on stdout, learned without a login,
// and records it on Yes (asked on a terminal; --yes; No otherwise). Succeeds when the server is
// trusted at the end: already, or by what was recorded.
Exit run_trust(Session& session)
{
    if (!session.load_station()) return kFailed;
    Settings& s = session.settings;
    if (s.Protocol != kProtocolFtps && s.Protocol != kProtocolSftp) {
        session.owner.message("Trust",
                              "The station uploads by plain FTP, whose server has no identity to "
                              "check: set Protocol to ftps or sftp first",
                              Icon::error);
        return kFailed;
    }
    const std::string known_hosts = session.places.DocPath + kKnownHostsFile;
    const ServerIdentity id = probe_server(s, known_hosts, ftp_timing().connect_timeout);
    for (const std::string& line : identity_lines(s, id)) session.console.out << line << '\n';
    session.console.out.flush();

    switch (trust_step(s, id)) {
    case TrustStep::unreachable:
    case TrustStep::refuse:
        session.owner.message("Trust", trust_question(s, id), Icon::error);
        return kFailed;
    case TrustStep::nothing:
        session.owner.message("Trust", trust_question(s, id), Icon::information);
        return kOk;
    case TrustStep::record:
        break;
    }
    const bool yes =
        session.args.trust_yes || (session.console.in_is_terminal &&
                                   ask_yes_no(session.console, "Trust", trust_question(s, id)));
    if (!yes) {
        session.owner.message("Trust", "Nothing recorded: the server is not trusted",
                              Icon::warning);
        return kFailed;
    }
    if (const std::string problem = record_trust(s, id, known_hosts); !problem.empty()) {
        session.owner.message("Trust", problem, Icon::error);
        return kFailed;
    }
    if (s.Protocol == kProtocolSftp) {
        session.console.out << "Added to " << known_hosts << '\n';
        return kOk;
    }
    if (write_conf(&session.owner, session.places.DocPath, s) != 0) return kFailed;
    session.console.out << "PinnedKey=" << s.PinnedKey << '\n';
    return kOk;
}

}  // namespace nimbora
