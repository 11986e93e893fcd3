// SPDX-License-Identifier: GPL-3.0-or-later
#include "reports/wind.h"

#include "config/function.h"
#include "reports/layout.h"

namespace nimbora {

int direction_slot(std::string_view direction)
{
    const std::string name = trim(direction);
    for (std::size_t i = 0; i < kDirections; ++i)
        if (name == kPrevalWind[i]) return static_cast<int>(i);
    return -1;
}

std::string wind_rule(std::size_t label, bool calm)
{
    return std::string(label + (kDirections + (calm ? 1 : 0)) * kWindCell, '-');
}

void wind_names(TextWriter& out)
{
    for (std::size_t i = 0; i < kDirections; ++i) out.rawf("   %-3s ", kPrevalWind[i]);
}

void percent_values(TextWriter& out, const WindRow& row)
{
    for (float v : row) out.rawf(" %5.2f ", static_cast<double>(v));
}

void speed_values(TextWriter& out, const WindRow& row, double factor)
{
    for (std::size_t i = 0; i < kDirections; ++i)
        out.rawf(" %5.1f ", static_cast<double>(row[i]) * factor);
}

}  // namespace nimbora
