// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/format.h"

#include <algorithm>
#include <cstdio>

namespace nimbora {

std::string vstrf(const char* format, std::va_list args)
{
    char small[256];
    std::va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    if (n < 0) return {};
    if (static_cast<std::size_t>(n) < sizeof small)
        return std::string(small, static_cast<std::size_t>(n));
    std::string out(static_cast<std::size_t>(n) + 1, '\0');
    std::vsnprintf(out.data(), out.size(), format, args);
    out.resize(static_cast<std::size_t>(n));
    return out;
}

std::string strf(const char* format, ...)
{
    std::va_list args;
    va_start(args, format);
    std::string out = vstrf(format, args);
    va_end(args);
    return out;
}

std::string format_value(const std::string& spec, double value)
{
    char out[64];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    const int n = std::snprintf(out, sizeof out, spec.c_str(), value);
#pragma GCC diagnostic pop
    return n < 0 ? std::string()
                 : std::string(out,
                               std::min<std::size_t>(static_cast<std::size_t>(n), sizeof out - 1));
}

}  // namespace nimbora
