// SPDX-License-Identifier: GPL-3.0-or-later
// arguments.h: the desktop program's command line.
#pragma once

#include <string>
#include <vector>

namespace nimbora {

// What `nimbora [--home DIR] [--station NAME] [--version] [--help]` asked for. Qt's own
// options (-platform, -style, ...) are taken out by QApplication before the arguments are
// read; anything else left is an error.
struct DesktopArgs {
    std::string home;     // replaces the product folder, as nimbora-cli --home
    std::string station;  // opened instead of the remembered station, not remembered
    bool version = false;
    bool help = false;
    std::string error;  // the first thing that could not be read; empty when all could
};

// Reads every argument (without the program's name); "--home=DIR" works as "--home DIR".
// A --version or --help is seen even when other arguments are wrong.
DesktopArgs parse_desktop_args(const std::vector<std::string>& args);

// The --help text, ending with a line end.
std::string desktop_usage();

}  // namespace nimbora
