// wind.h: how often the wind blew from each of the 16 compass directions, and how fast,
// over a period of records; and the cells that print them.
#pragma once

#include "config/Db.h"
#include "config/TextWriter.h"

#include <array>
#include <initializer_list>
#include <string>
#include <string_view>

namespace nimbora {

// The sixteen directions from north clockwise, then "---", whose slot holds the calm share.
inline constexpr std::array<const char*, 17> kPrevalWind = {"N",  "NNE", "NE", "ENE", "E",  "ESE",
                                                            "SE", "SSE", "S",  "SSW", "SW", "WSW",
                                                            "W",  "WNW", "NW", "NNW", "---"};

using WindRow = std::array<float, 17>;

// The period is "from <table> where ..." with its ? parameters in `params`.
struct WindPeriod {
    std::string from_where;
    std::initializer_list<std::string_view> params;
};

// Percent of the period's records (those with a direction) blowing from each direction with
// a speed above 0, and in slot 17 the calm rest. A period without records gives zeros.
// `failed` is set when a statement failed (the owner was told).
WindRow wind_percentages(Owner* owner, Db& db, const WindPeriod& period, bool& failed);

// The average speed (stored units) from each direction over the records with a speed above
// 0; 0 for a direction without one. Slot 17 stays 0.
WindRow wind_speeds(Owner* owner, Db& db, const WindPeriod& period, bool& failed);
// The same in double precision, for the tables that print the period's speeds directly.
std::array<double, 16> average_speeds(Owner* owner, Db& db, const WindPeriod& period, bool& failed);

// The first `count` direction names, each 7 wide.
void wind_names(TextWriter& out, std::size_t count);
// The 17 percentages of a prevailing-direction row, each 7 wide.
void percent_values(TextWriter& out, const WindRow& row);
// The 16 speeds of a row times `factor`, each 7 wide.
void speed_values(TextWriter& out, const WindRow& row, double factor);

}  // namespace nimbora
