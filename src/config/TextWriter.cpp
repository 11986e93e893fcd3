#include "config/TextWriter.h"

#include "config/format.h"

namespace nimbora {

void TextWriter::raw(std::string_view text)
{
    if (!file_ || text.empty()) return;
    if (std::fwrite(text.data(), 1, text.size(), file_.get()) != text.size()) ok_ = false;
}

void TextWriter::vrawf(const char* format, std::va_list args)
{
    raw(vstrf(format, args));
}

void TextWriter::rawf(const char* format, ...)
{
    std::va_list args;
    va_start(args, format);
    raw(vstrf(format, args));
    va_end(args);
}

void TextWriter::line(std::string_view text)
{
    raw(text);
    raw("\r\n");
}

void TextWriter::linef(const char* format, ...)
{
    std::va_list args;
    va_start(args, format);
    raw(vstrf(format, args));
    va_end(args);
    raw("\r\n");
}

bool TextWriter::close()
{
    if (!file_) return false;
    return close_file(file_) && ok_;
}

}  // namespace nimbora
