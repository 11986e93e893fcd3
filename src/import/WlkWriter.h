// SPDX-License-Identifier: GPL-3.0-or-later
// WlkWriter.h: builds WLK archive files, the inverse of the reader: for tests, benchmarks and
// the demo station.
#pragma once

#include "import/Wlk.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nimbora {

// Collects day blocks and writes them as one file: the header ("WDAT5" and zeros, the 4-byte
// field, the day index), then for each day in index order its two leading records (types 2
// and 3) and its archive records.
class WlkWriter {
public:
    // The most archive records one day can hold: the index count is a signed 16-bit number
    // that includes the two leading records.
    static constexpr int kMaxDayRecords = 32767 - kWlkLeadingRecords;

    // Sets day `day` (0..31) to `records`, replacing what the day held; an empty list still
    // writes the day's two leading records. Throws std::invalid_argument for a day outside
    // 0..31 or more than kMaxDayRecords records.
    WlkWriter& add_day(int day, std::vector<WlkArchiveRecord> records);

    // For damaged files: writes `count` in the day's index entry instead of the true one; the
    // blocks are written as added, so the index and the blocks disagree.
    WlkWriter& set_index_count(int day, std::int16_t count);

    // For foreign files: the first 16 bytes of the file (`text` cut or padded with zeros).
    WlkWriter& set_identification(std::string_view text);

    // The whole file.
    std::string bytes() const;

    // Writes the file at `path`, replacing it whole; false when that fails.
    bool write(const std::string& path) const;

private:
    struct Day {
        bool present = false;
        std::vector<WlkArchiveRecord> records;
        std::optional<std::int16_t> count;
    };

    std::array<Day, kWlkIndexDays> days_;
    std::string identification_ = std::string(kWlkIdentification);
};

}  // namespace nimbora
