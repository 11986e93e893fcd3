// SPDX-License-Identifier: GPL-3.0-or-later
// about.h: what --version prints, the same for both programs.
#pragma once

#include <string>
#include <string_view>

namespace nimbora {

// "PROGRAM VERSION", the copyright line and the licence, each line ending in '\n'.
std::string version_text(std::string_view program);

// The licence in one line, as the About box shows it.
std::string licence_line();

}  // namespace nimbora
