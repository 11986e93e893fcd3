// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/arguments.h"

#include <string_view>

namespace nimbora {

DesktopArgs parse_desktop_args(const std::vector<std::string>& args)
{
    DesktopArgs out;
    auto fail = [&out](std::string text) {
        if (out.error.empty()) out.error = std::move(text);
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (word == "--version") {
            out.version = true;
            continue;
        }
        if (word == "--help" || word == "-h") {
            out.help = true;
            continue;
        }
        bool matched = false;
        for (const auto& [name, target] :
             {std::pair<std::string_view, std::string*>{"--home", &out.home},
              {"--station", &out.station}}) {
            if (word == name) {
                matched = true;
                if (i + 1 >= args.size()) {
                    fail(std::string(name) + " needs a value");
                } else {
                    *target = args[++i];
                    if (target->empty()) fail(std::string(name) + " needs a value");
                }
            } else if (word.size() > name.size() && word.compare(0, name.size(), name) == 0 &&
                       word[name.size()] == '=') {
                matched = true;
                *target = word.substr(name.size() + 1);
                if (target->empty()) fail(std::string(name) + " needs a value");
            }
        }
        if (!matched) fail("unknown argument: " + word);
    }
    return out;
}

std::string desktop_usage()
{
    return "Usage: nimbora [--home DIR] [--station NAME]\n"
           "The desktop program of Nimbora: a weather station's history and reports.\n"
           "\n"
           "  --home DIR      product folder to use instead of Documents/Nimbora\n"
           "  --station NAME  station to open instead of the one open last (not remembered)\n"
           "  --version       print the version and licence and exit\n"
           "  --help          print this text and exit\n"
           "\n"
           "Qt's own options (such as -platform offscreen) are also accepted.\n";
}

}  // namespace nimbora
