// SPDX-License-Identifier: GPL-3.0-or-later
// install.h: the installation step: the product folder and its three templates, which
// every new station copies. The programs never make them without being asked.
#pragma once

#include "config/Settings.h"
#include "jobs/Owner.h"

#include <string>
#include <vector>

namespace nimbora {

// The settings of a new station: Temperature, Rain and Wind columns, metric units, upload
// off (passive mode, every "1 hr." from "00:00", port "21", folder "/"); folders empty,
// so that they default to the station's own folder.
Settings template_settings();

// What the product folder lacks: the folder itself or any of the templates. Empty when
// the installation is complete.
std::vector<std::string> missing_installation(const std::string& HomePath);

// Makes the product folder and whichever templates are missing; never replaces a file.
// Returns the paths it made; tells the owner ("Setup", error icon) what failed and then
// returns false in `ok`.
struct InstallResult {
    bool ok = true;
    std::vector<std::string> made;
};
InstallResult install_product(Owner* owner, const std::string& HomePath);

// The demo station's settings: every report column and a header worth reading.
void apply_demo_header(Settings& s);

}  // namespace nimbora
