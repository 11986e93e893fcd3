// SPDX-License-Identifier: GPL-3.0-or-later
// UnitConvert.h: display units of the reports. The database always holds °C, mm, km/h,
// km and hPa; a report converts a value only when it prints it.
#pragma once

#include "config/Settings.h"

#include <array>
#include <string>

namespace nimbora {

struct Units {
    std::array<double, 2> TempFatt{};  // shown = stored * [0] + [1]
    double RainFatt = 0;               // rain, rain rate and ET
    double WindFatt = 0;               // average speed and gust
    double WindRunFatt = 0;
    double BarFatt = 0;
    // Labels: [0] temperature, [1] rain (and ET), [2] wind speed, [3] pressure, [4] wind run.
    std::array<std::string, 5> UTitle;
    std::string RSpec, ETSpec, PSpec;  // two blanks and a six-wide number

    double temp(double stored) const { return stored * TempFatt[0] + TempFatt[1]; }
};

// The units of `s`. Any nonzero temperature or rain code counts as 1. A wind or barometer
// code outside 0..3 keeps that quantity's factor and labels from `previous` (PSpec becomes
// "  %6.1f" all the same).
Units UnitConvert(const Settings& s, Units previous = {});

}  // namespace nimbora
