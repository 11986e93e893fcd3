// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/db_helpers.h"

#include "config/Db.h"
#include "config/function.h"

#include <cstdlib>

namespace nimbora {
namespace {

constexpr const char* kYears = "select distinct(year) from datimeteo order by year";

std::string record_text(const Rows& rows)
{
    if (rows.empty() || rows[0].size() < 4) return {};
    const auto& r = rows[0];
    return r[0] + "/" + r[1] + "/" + r[2] + " " + r[3];
}

}  // namespace

std::optional<std::vector<std::string>> GetYear(Owner* owner, const std::string& db_path)
{
    auto db = Db::open(owner, db_path);
    if (!db) return std::nullopt;
    std::vector<std::string> years;
    for (const auto& row : db->query(owner, kYears).rows) years.push_back(row[0]);
    return years;
}

std::optional<std::pair<std::string, std::string>> GetYear2(Owner* owner,
                                                            const std::string& db_path)
{
    auto years = GetYear(owner, db_path);
    if (!years) return std::nullopt;
    if (years->empty()) return std::make_pair(std::string(), std::string());
    return std::make_pair(years->front(), years->back());
}

std::optional<std::vector<std::string>> GetMonth(Owner* owner, const std::string& db_path,
                                                 const std::string& year)
{
    auto db = Db::open(owner, db_path);
    if (!db) return std::nullopt;
    std::vector<std::string> months;
    const auto result = db->query(
        owner, "select distinct(month) from datimeteo where year = ? order by month", {year});
    for (const auto& row : result.rows) {
        const int m = std::atoi(row[0].c_str());
        if (m >= 1 && m <= 12) months.emplace_back(mesi[static_cast<std::size_t>(m - 1)]);
    }
    return months;
}

std::optional<std::pair<std::string, std::string>> GetFLRecord(Owner* owner,
                                                               const std::string& db_path)
{
    auto db = Db::open(owner, db_path);
    if (!db) return std::nullopt;
    const auto first = db->query(
        owner, "select day,month,year,time from datimeteo order by year,month,day,time limit 1");
    const auto last = db->query(owner, "select day,month,year,time from datimeteo order by year "
                                       "desc, month desc, day desc, time desc limit 1");
    return std::make_pair(record_text(first.rows), record_text(last.rows));
}

}  // namespace nimbora
