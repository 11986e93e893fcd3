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

// Each direction of the period's records with a speed above 0, then `aggregate` over them.
Rows windy_rows(Owner* owner, Db& db, const WindPeriod& period, const char* aggregate, bool& failed)
{
    const auto r = db.query(owner,
                            ("select direction," + std::string(aggregate) + " " +
                             period.from_where + " and windspeed > 0 group by direction")
                                .c_str(),
                            period.params);
    failed |= !r.ok;
    return r.rows;
}

}  // namespace

WindRow wind_percentages(Owner* owner, Db& db, const WindPeriod& period, bool& failed)
{
    WindRow row{};
    const auto count =
        db.query(owner, ("select count(direction) " + period.from_where).c_str(), period.params);
    failed |= !count.ok;
    const int total = count.rows.empty() ? 0 : inum(count.rows[0][0]);
    const Rows by_direction = windy_rows(owner, db, period, "count(direction)", failed);
    // A period without a single direction has no shares to speak of: zeros, never NaN.
    if (total == 0) return row;
    int windy = 0;
    for (const auto& r : by_direction) {
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
    const std::array<double, 16> speeds = average_speeds(owner, db, period, failed);
    for (std::size_t i = 0; i < speeds.size(); ++i) row[i] = static_cast<float>(speeds[i]);
    return row;
}

std::array<double, 16> average_speeds(Owner* owner, Db& db, const WindPeriod& period, bool& failed)
{
    std::array<double, 16> speeds{};
    for (const auto& r : windy_rows(owner, db, period, "avg(windspeed)", failed))
        if (const int i = slot(r[0]); i >= 0) speeds[static_cast<std::size_t>(i)] = num(r[1]);
    return speeds;
}

void wind_names(TextWriter& out, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) out.rawf("   %-3s ", kPrevalWind[i]);
}

void percent_values(TextWriter& out, const WindRow& row)
{
    for (float v : row) out.rawf(" %5.2f ", static_cast<double>(v));
}

void speed_values(TextWriter& out, const WindRow& row, double factor)
{
    for (std::size_t i = 0; i < 16; ++i) out.rawf(" %5.1f ", static_cast<double>(row[i]) * factor);
}

}  // namespace nimbora
