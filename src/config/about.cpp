// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/about.h"

#include "config/version.h"

namespace nimbora {

std::string licence_line()
{
    return std::string("Free software, licence ") + kLicence;
}

std::string version_text(std::string_view program)
{
    std::string text(program);
    text += ' ';
    text += kVersion;
    text += "\nCopyright (C) ";
    text += kCopyrightYears;
    text += " the Nimbora developers\nLicence ";
    text += kLicence;
    text += ": GNU GPL version 3 or later <https://www.gnu.org/licenses/gpl-3.0.html>.\n"
            "This is free software: you are free to change and redistribute it.\n"
            "There is NO WARRANTY, to the extent permitted by law.\n";
    return text;
}

}  // namespace nimbora
