// format.h: printf into a std::string, the one way we format text.
#pragma once

#include <cstdarg>
#include <string>

namespace nimbora {

[[gnu::format(printf, 1, 2)]] std::string strf(const char* format, ...);
[[gnu::format(printf, 1, 0)]] std::string vstrf(const char* format, std::va_list args);

}  // namespace nimbora
