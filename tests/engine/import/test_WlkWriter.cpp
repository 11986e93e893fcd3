// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/WlkWriter.h"

#include "import/Wlk.h"
#include "support/files.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace nimbora {
namespace {

// Records whose every field differs, extremes included, so a field lost or swapped on the
// way through the file shows.
std::vector<WlkArchiveRecord> varied(int n)
{
    std::vector<WlkArchiveRecord> out;
    for (int i = 0; i < n; ++i) {
        auto v = [i](int k) {
            return static_cast<std::int16_t>((i * 7919 + k * 104729) % 65536 - 32768);
        };
        out.push_back({.type = static_cast<std::uint8_t>(i % 3 == 2 ? 2 : 1),
                       .interval = static_cast<std::uint8_t>(i * 31),
                       .time = v(1),
                       .temperature = v(2),
                       .hi_temperature = v(3),
                       .low_temperature = v(4),
                       .barometer = v(5),
                       .humidity = v(6),
                       .rain = static_cast<std::uint16_t>(v(7)),
                       .rain_rate = v(8),
                       .wind_speed = v(9),
                       .hi_wind_speed = v(10),
                       .wind_direction = static_cast<std::uint8_t>(i * 13),
                       .solar_rad = v(11),
                       .hi_solar_rad = v(12),
                       .uv = static_cast<std::uint8_t>(i * 17),
                       .hi_uv = static_cast<std::uint8_t>(i * 19),
                       .et = static_cast<std::uint8_t>(i * 23)});
    }
    return out;
}

TEST(WlkWriter, RoundTripsThroughTheReader)
{
    const std::vector<WlkArchiveRecord> a = varied(40), b = varied(3), c = varied(1);
    const std::string file = WlkWriter().add_day(29, a).add_day(0, b).add_day(31, c).bytes();

    WlkReader reader(file);
    std::vector<int> days;
    std::vector<WlkArchiveRecord> got;
    WlkEntry e;
    while (reader.next(e)) {
        days.push_back(e.day);
        got.push_back(e.record);
    }
    EXPECT_FALSE(reader.truncated());
    std::vector<WlkArchiveRecord> want = b;
    want.insert(want.end(), a.begin(), a.end());
    want.insert(want.end(), c.begin(), c.end());
    EXPECT_EQ(got, want);
    std::vector<int> want_days(3, 0);
    want_days.resize(43, 29);
    want_days.push_back(31);
    EXPECT_EQ(days, want_days);
}

TEST(WlkWriter, WritesTheFileLayout)
{
    const std::string file = WlkWriter().add_day(1, varied(3)).add_day(4, {}).bytes();
    ASSERT_EQ(file.size(), kWlkHeaderSize + (5 + 2) * kWlkRecordSize);
    EXPECT_EQ(file.substr(0, 16), std::string("WDAT5") + std::string(11, '\0'));

    const WlkHeader h = decode_header(std::span<const unsigned char, kWlkHeaderSize>(
        reinterpret_cast<const unsigned char*>(file.data()), kWlkHeaderSize));
    for (int d = 0; d < kWlkIndexDays; ++d)
        EXPECT_EQ(h.days[d].count, d == 1 ? 5 : d == 4 ? 2 : 0) << d;
    // The two leading records of each day, types 2 and 3.
    for (std::size_t record : {0u, 1u, 5u, 6u})
        EXPECT_EQ(file[kWlkHeaderSize + record * kWlkRecordSize], record % 5 == 0 ? 2 : 3)
            << record;
}

TEST(WlkWriter, RefusesWhatAnIndexCannotHold)
{
    WlkWriter w;
    EXPECT_THROW(w.add_day(-1, {}), std::invalid_argument);
    EXPECT_THROW(w.add_day(32, {}), std::invalid_argument);
    EXPECT_THROW(w.set_index_count(32, 1), std::invalid_argument);
    EXPECT_THROW(w.add_day(1, std::vector<WlkArchiveRecord>(WlkWriter::kMaxDayRecords + 1)),
                 std::invalid_argument);
    EXPECT_NO_THROW(w.add_day(1, std::vector<WlkArchiveRecord>(WlkWriter::kMaxDayRecords)));
    const std::string file = w.bytes();
    // Day 1's count, at offset 20 + 6, is the largest one: 32767, little-endian.
    EXPECT_EQ(static_cast<unsigned char>(file[26]), 0xFF);
    EXPECT_EQ(static_cast<unsigned char>(file[27]), 0x7F);
}

TEST(WlkWriter, WritesTheSameBytesToAFile)
{
    test::TempDir dir;
    const WlkWriter w = WlkWriter().add_day(2, varied(4)).set_identification("WDAT5.3");
    const auto path = dir.path() / "2012-02.wlk";
    ASSERT_TRUE(w.write(path.string()));
    EXPECT_EQ(test::read_file(path), w.bytes());
    EXPECT_FALSE(w.write((dir.path() / "no such folder" / "x.wlk").string()));
}

}  // namespace
}  // namespace nimbora
