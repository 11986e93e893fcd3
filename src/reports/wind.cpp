#include "reports/wind.h"

#include "config/function.h"
#include "reports/layout.h"

namespace nimbora {
namespace {

// The slot of a stored direction text (stored right-aligned: "  N"); -1 for none.
int slot(const std::string& direction)
{
    const std::string name = trim(direction);
    for (int i = 0; i < 16; ++i)
        if (name == kPrevalWind[static_cast<std::size_t>(i)]) return i;
    return -1;
}

}  // namespace

WindRow wind_percentages(Owner* owner, Db& db, const WindPeriod& period, bool& failed)
{
    WindRow row{};
    const auto count =
        db.query(owner, ("select count(direction) " + period.from_where).c_str(), period.params);
    failed |= !count.ok;
    const int total = count.rows.empty() ? 0 : inum(count.rows[0][0]);
    const auto by_direction = db.query(owner,
                                       ("select direction,count(direction) " + period.from_where +
                                        " and windspeed > 0 group by direction")
                                           .c_str(),
                                       period.params);
    failed |= !by_direction.ok;
    // A period without a single direction has no shares to speak of: zeros, never NaN.
    if (total == 0) return row;
    int windy = 0;
    for (const auto& r : by_direction.rows) {
        const int n = inum(r[1]);
        windy += n;
        if (const int i = slot(r[0]); i >= 0)
            row[static_cast<std::size_t>(i)] =
                static_cast<float>(n) / static_cast<float>(total) * 100.0f;
    }
    row[16] = static_cast<float>(total - windy) / static_cast<float>(total) * 100.0f;
    return row;
}

WindRow wind_speeds(Owner* owner, Db& db, const WindPeriod& period, bool& failed)
{
    WindRow row{};
    const auto speeds = db.query(owner,
                                 ("select direction,avg(windspeed) " + period.from_where +
                                  " and windspeed > 0 group by direction")
                                     .c_str(),
                                 period.params);
    failed |= !speeds.ok;
    for (const auto& r : speeds.rows)
        if (const int i = slot(r[0]); i >= 0)
            row[static_cast<std::size_t>(i)] = static_cast<float>(num(r[1]));
    return row;
}

}  // namespace nimbora
