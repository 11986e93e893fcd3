// SPDX-License-Identifier: GPL-3.0-or-later
#include "upload/ftp_log.h"

#include "config/file_open.h"
#include "config/format.h"
#include "config/function.h"

#include <cstdarg>
#include <cstdio>

namespace nimbora {

FtpLog::FtpLog(Owner* owner, const std::string& DocPath)
    : owner_(owner), path_(DocPath + kFtpLogFile)
{
    file_ = file_open(owner, path_, "a");
}

void FtpLog::linef(const char* format, ...)
{
    std::va_list args;
    va_start(args, format);
    const std::string text = MkDate(local_now()) + " " + vstrf(format, args);
    va_end(args);
    lines_.push_back(text);
    if (!file_) return;
    const bool ok = std::fputs(text.c_str(), file_.get()) >= 0 &&
                    std::fputs("\r\n", file_.get()) >= 0 && std::fflush(file_.get()) == 0;
    if (!ok && !failed_)
        tell(owner_, "Error", strf("%s: Error writing file", path_.c_str()), Icon::error);
    failed_ = failed_ || !ok;
}

bool FtpLog::close()
{
    if (!file_) return false;
    return close_file(file_) && !failed_;
}

}  // namespace nimbora
