// SPDX-License-Identifier: GPL-3.0-or-later
// db_helpers.h: what the dialogs list from a station database: its years, the months of a
// year, and its first and last record.
#pragma once

#include "jobs/Owner.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace nimbora {

// Each opens `db_path` itself. Empty when it cannot be opened ("Can't open database: %s\n",
// caption "Error"); a failed query is told (caption "Database") and gives what arrived.

// Every year held, in order ("2008", "2009", ...).
std::optional<std::vector<std::string>> GetYear(Owner* owner, const std::string& db_path);
// The first and the last year held; both empty when there is none.
std::optional<std::pair<std::string, std::string>> GetYear2(Owner* owner,
                                                            const std::string& db_path);
// The English names of the months held in `year`, in month order.
std::optional<std::vector<std::string>> GetMonth(Owner* owner, const std::string& db_path,
                                                 const std::string& year);
// The first and the last record as "%s/%s/%s %s" (day, month, year, time: 01/05/2008 00:05);
// empty texts when there is none.
std::optional<std::pair<std::string, std::string>> GetFLRecord(Owner* owner,
                                                               const std::string& db_path);

}  // namespace nimbora
