// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/commands.h"

#include "config/format.h"
#include "jobs/busy.h"
#include "upload/FTPConnection.h"
#include "upload/ftp_log.h"

#include <CLI/CLI.hpp>

#include <ostream>

namespace nimbora {

void add_upload(CLI::App&, Args&) {}

// One upload now with the station's settings. stdout gets the lines the upload added to
// "Ftp.log"; stderr one line of summary. Succeeds only when every attempted file was sent.
Exit run_upload(Session& session)
{
    if (!session.load_station()) return kFailed;
    const BusyClaim uploading = BusyClaim::try_claim(FTPActive);
    if (!uploading) {
        session.owner.message("Upload", "An upload is already running", Icon::error);
        return kFailed;
    }
    ReportJob job;
    job.hOwner = &session.owner;
    job.settings = session.settings;
    job.DocPath = session.places.DocPath;
    const UploadResult r = ftp_upload(job);
    for (const std::string& line : r.lines) session.console.out << line << '\n';
    session.console.out.flush();

    const std::string log = session.places.DocPath + kFtpLogFile;
    if (!r.connected) {
        if (!r.lines.empty())
            session.owner.message("Upload", "Nothing was sent: see " + log, Icon::error);
        return kFailed;
    }
    std::string summary = strf("%d/%d file(s) uploaded", r.sent, r.attempted);
    if (job.settings.WebUpload != 0)
        summary += strf(", %d/%d web file(s)", r.web_sent, r.web_attempted);
    if (r.sent != r.attempted || r.web_sent != r.web_attempted) {
        session.owner.message("Upload", summary + ": see " + log, Icon::error);
        return kFailed;
    }
    session.owner.message("Upload", summary, Icon::information);
    // Every file arrived, but a log that lost lines fails the command (the log said why).
    return r.logged ? kOk : kFailed;
}

}  // namespace nimbora
