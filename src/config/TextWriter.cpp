// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/TextWriter.h"

#include "config/format.h"

namespace nimbora {

void TextWriter::raw(std::string_view text)
{
    if (!file_) return;
    while (!text.empty()) {
        const std::size_t n = text.find('\n');
        const std::string_view piece = text.substr(0, n);
        if (!piece.empty() &&
            std::fwrite(piece.data(), 1, piece.size(), file_.get()) != piece.size())
            ok_ = false;
        if (n == std::string_view::npos) break;
        if (std::fwrite("\r\n", 1, 2, file_.get()) != 2) ok_ = false;
        text.remove_prefix(n + 1);
    }
}

void TextWriter::value(const std::string& spec, double v)
{
    raw(format_value(spec, v));
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
    raw("\n");
}

void TextWriter::linef(const char* format, ...)
{
    std::va_list args;
    va_start(args, format);
    raw(vstrf(format, args));
    va_end(args);
    raw("\n");
}

bool TextWriter::close()
{
    if (!file_) return ok_;
    return close_file(file_) && ok_;
}

}  // namespace nimbora
