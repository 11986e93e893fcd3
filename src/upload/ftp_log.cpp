#include "upload/ftp_log.h"

#include "config/file_open.h"
#include "config/format.h"
#include "config/function.h"

#include <cstdarg>
#include <cstdio>

namespace nimbora {

FtpLog::FtpLog(Owner* owner, const std::string& DocPath)
{
    file_ = file_open(owner, DocPath + kFtpLogFile, "a");
}

void FtpLog::linef(const char* format, ...)
{
    std::va_list args;
    va_start(args, format);
    const std::string text = MkDate(local_now()) + " " + vstrf(format, args);
    va_end(args);
    lines_.push_back(text);
    if (!file_) return;
    std::fputs(text.c_str(), file_.get());
    std::fputs("\r\n", file_.get());
    std::fflush(file_.get());
}

bool FtpLog::close()
{
    return close_file(file_);
}

}  // namespace nimbora
