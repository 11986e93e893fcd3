// SPDX-License-Identifier: GPL-3.0-or-later
// format.h: printf into a std::string, the one way we format text.
#pragma once

#include <cstdarg>
#include <string>

namespace nimbora {

[[gnu::format(printf, 1, 2)]] std::string strf(const char* format, ...);
[[gnu::format(printf, 1, 0)]] std::string vstrf(const char* format, std::va_list args);

// One number in a format chosen at run time, such as a unit's "  %6.2f".
std::string format_value(const std::string& spec, double value);

}  // namespace nimbora
