// SPDX-License-Identifier: GPL-3.0-or-later
// ftp_log.h: the station's upload log "Ftp.log", one time-stamped line per step of an upload.
#pragma once

#include "config/handles.h"
#include "jobs/Owner.h"

#include <string>
#include <vector>

namespace nimbora {

inline constexpr const char* kFtpLogFile = "Ftp.log";

// "Ftp.log" in a station folder, opened for appending: it grows across uploads until the
// keeper clears it. Each line is "DD/MM/YYYY HH:MM " + the text, ended with CR LF and flushed
// at once, so the log viewer sees an upload as it goes and a crash loses no line.
class FtpLog {
public:
    // Opens DocPath + "Ftp.log" for appending. When it cannot be opened the owner hears
    // "%s: Error creating file" (caption "Error") and is_open() is false.
    FtpLog(Owner* owner, const std::string& DocPath);

    bool is_open() const { return file_ != nullptr; }

    // Appends one line: the time stamp, a blank, then `format` filled in. The first line that
    // does not reach the file (a full disk) tells the owner "%s: Error writing file" (caption
    // "Error"); the lines stay in lines() all the same.
    [[gnu::format(printf, 2, 3)]] void linef(const char* format, ...);

    // The lines written by this log, as written but without their CR LF.
    const std::vector<std::string>& lines() const { return lines_; }

    // Closes the file; false when any line did not reach it (or it could not be opened).
    bool close();

private:
    Owner* owner_;
    std::string path_;
    bool failed_ = false;
    FilePtr file_;
    std::vector<std::string> lines_;
};

}  // namespace nimbora
