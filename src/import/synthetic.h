// SPDX-License-Identifier: GPL-3.0-or-later
// synthetic.h: a made-up station with plausible weather, as raw archive records and WLK
// files: for tests, benchmarks and the demo.
#pragma once

#include "import/Wlk.h"
#include "import/WlkWriter.h"

#include <cstdint>
#include <string>
#include <vector>

namespace nimbora {

struct SyntheticDay {
    int day = 0;  // day of the month, 1..31
    std::vector<WlkArchiveRecord> records;
};

// The archive records of every day of `month` (1..12) of `year` (1..9999): one record every
// `interval_minutes` (1..255), timed at the end of its period, from the first interval after
// midnight up to 24:00. A mid-latitude northern station: seasonal and diurnal temperature,
// humidity, pressure, rain in tips of a 0.2 mm collector (type 2), wind with gusts and
// direction (calm gives no direction), solar radiation, UV and ET by daylight, and now and
// then a missing value. The weather runs on across month ends. The same arguments give the
// same records on every platform. Throws std::invalid_argument for arguments out of range.
std::vector<SyntheticDay> synthetic_month(int year, int month, int interval_minutes,
                                          std::uint32_t seed);

// synthetic_month as a file's content, ready to write.
WlkWriter synthetic_wlk(int year, int month, int interval_minutes, std::uint32_t seed);

// Writes synthetic_month as a WLK file at `path`; false when the file cannot be written.
// Throws std::invalid_argument for arguments out of range.
bool write_synthetic_month(const std::string& path, int year, int month, int interval_minutes,
                           std::uint32_t seed);

}  // namespace nimbora
