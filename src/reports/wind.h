// SPDX-License-Identifier: GPL-3.0-or-later
// wind.h: the 16 compass directions of the wind tables and the cells that print them; the
// tables themselves are tallied in the reports' pass (reports/pass.h).
#pragma once

#include "config/TextWriter.h"

#include <array>
#include <string>
#include <string_view>

namespace nimbora {

// The directions of the wind tables, from north clockwise.
inline constexpr std::size_t kDirections = 16;
// Their names, then "---", whose slot (kCalm) holds the calm share in a row of percentages.
inline constexpr std::size_t kCalm = kDirections;
inline constexpr std::array<const char*, kDirections + 1> kPrevalWind = {
    "N",   "NNE", "NE",  "ENE", "E",   "ESE", "SE",  "SSE", "S",
    "SSW", "SW",  "WSW", "W",   "WNW", "NW",  "NNW", "---"};

// A row of a wind table: the percentage (and the calm share) or the average speed of each
// direction, in single precision as the monthly tables hold them.
using WindRow = std::array<float, kDirections + 1>;
// The average speed of each direction in double precision.
using WindSpeeds = std::array<double, kDirections>;

// Every cell of a wind table is this wide: a direction's name, its percentage, its speed.
inline constexpr std::size_t kWindCell = 7;
// The dashes under a wind table's names: `label` over the row labels, then a cell for each
// direction and, with `calm`, one for the calm share.
std::string wind_rule(std::size_t label, bool calm);

// The slot of a stored direction text (stored right-aligned: "  N"); -1 for none.
int direction_slot(std::string_view direction);

// The direction names, a cell each.
void wind_names(TextWriter& out);
// The percentages and the calm share of a prevailing-direction row, a cell each.
void percent_values(TextWriter& out, const WindRow& row);
// The speeds of a row times `factor`, a cell each.
void speed_values(TextWriter& out, const WindRow& row, double factor);

}  // namespace nimbora
