// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/UnitConvert.h"

#include "config/TextWriter.h"

namespace nimbora {
namespace {

struct WindUnit {
    const char* label;
    double factor;
    const char* run_label;
    double run_factor;
};
// With m/s the wind run stays in kilometres.
constexpr WindUnit kWindUnits[4] = {
    {"Km/h", 1.0, "Km", 1.0},
    {"mph", 0.62137, "mi", 0.62137},
    {"knot", 0.53996, "nmi", 0.53996},
    {"m/s", 0.27778, "Km", 1.0},
};

struct BarUnit {
    const char* label;
    double factor;
    const char* spec;
};
constexpr BarUnit kBarUnits[4] = {
    {"hPa", 1.0, "  %6.1f"},
    {"mb", 1.0, "  %6.1f"},
    {"mmHg", 0.75006, "  %6.1f"},
    {"inHg", 0.02953, "  %6.3f"},
};

}  // namespace

Units UnitConvert(const Settings& s, Units u)
{
    if (s.UnitTemp == 0) {
        u.UTitle[0] = std::string(kDegree) + "C";
        u.TempFatt = {1.0, 0.0};
    } else {
        u.UTitle[0] = std::string(kDegree) + "F";
        u.TempFatt = {1.8, 32.0};
    }

    if (s.UnitRain == 0) {
        u.UTitle[1] = "mm";
        u.RainFatt = 1.0;
        u.RSpec = "  %6.1f";
        u.ETSpec = "  %6.1f";
    } else {
        u.UTitle[1] = "in";
        u.RainFatt = 0.03937;
        u.RSpec = "  %6.2f";
        u.ETSpec = "  %6.3f";
    }

    if (s.UnitWind >= 0 && s.UnitWind <= 3) {
        const WindUnit& w = kWindUnits[s.UnitWind];
        u.UTitle[2] = w.label;
        u.WindFatt = w.factor;
        u.UTitle[4] = w.run_label;
        u.WindRunFatt = w.run_factor;
    }

    u.PSpec = "  %6.1f";
    if (s.UnitBar >= 0 && s.UnitBar <= 3) {
        const BarUnit& b = kBarUnits[s.UnitBar];
        u.UTitle[3] = b.label;
        u.BarFatt = b.factor;
        u.PSpec = b.spec;
    }
    return u;
}

}  // namespace nimbora
