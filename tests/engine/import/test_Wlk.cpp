// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/Wlk.h"

#include "config/format.h"
#include "config/handles.h"
#include "import/WlkWriter.h"
#include "support/files.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace nimbora {
namespace {

// A field of a converted record as the database would store it (its insert format, blanks
// trimmed), or Time and Direction as they are.
std::string field_text(const WeatherData& w, std::string_view field)
{
    auto f3 = [](float v) { return strf("%.3f", v); };
    if (field == "Time") return w.Time;
    if (field == "Temperature") return f3(w.Temperature);
    if (field == "HiTemp") return f3(w.HiTemp);
    if (field == "LowTemp") return f3(w.LowTemp);
    if (field == "Humidity") return strf("%d", w.Humidity);
    if (field == "Dewpoint") return f3(w.Dewpoint);
    if (field == "Windspeed") return f3(w.Windspeed);
    if (field == "Direction") return w.Direction;
    if (field == "Gustspeed") return f3(w.Gustspeed);
    if (field == "Windchill") return f3(w.Windchill);
    if (field == "HeatIndex") return f3(w.HeatIndex);
    if (field == "Pressure") return f3(w.Pressure);
    if (field == "Rain") return f3(w.Rain);
    if (field == "RainRate") return f3(w.RainRate);
    if (field == "SolarRad") return strf("%d", w.SolarRad);
    if (field == "HiSolarRad") return strf("%d", w.HiSolarRad);
    if (field == "ET") return f3(w.ET);
    if (field == "UV") return strf("%.1f", w.UV);
    if (field == "HiUV") return strf("%.1f", w.HiUV);
    if (field == "WindRun") return strf("%.2f", w.WindRun);
    ADD_FAILURE() << "no field " << field;
    return {};
}

// A record with every sensor reporting, converted first into the reused output record so
// that a field the conversion forgets to set shows up as a leftover.
WlkArchiveRecord busy_record()
{
    return {.interval = 30,
            .time = 600,
            .temperature = 900,
            .hi_temperature = 910,
            .low_temperature = 890,
            .barometer = 30100,
            .humidity = 400,
            .rain = wlk_rain(0, 7),
            .rain_rate = 50,
            .wind_speed = 250,
            .hi_wind_speed = 400,
            .wind_direction = 5,
            .solar_rad = 700,
            .hi_solar_rad = 750,
            .uv = 60,
            .hi_uv = 65,
            .et = 20};
}

struct ConversionCase {
    const char* name;
    WlkArchiveRecord raw;
    std::vector<std::pair<const char*, const char*>> expect;  // field, stored text
};

class ReadWeatherDataTest : public testing::TestWithParam<ConversionCase> {};

TEST_P(ReadWeatherDataTest, StoresTheWorkedValues)
{
    WeatherData out;
    ReadWeatherData(busy_record(), out);
    ReadWeatherData(GetParam().raw, out);
    for (const auto& [field, text] : GetParam().expect)
        EXPECT_EQ(field_text(out, field), text) << field;
}

constexpr std::int16_t M = kRawMissing;

const ConversionCase kConversions[] = {
    {"Temperature725",
     {.temperature = 725, .hi_temperature = 800, .low_temperature = M},
     {{"Temperature", "22.500"}, {"HiTemp", "26.667"}, {"LowTemp", "-32768.000"}}},
    {"Pressure30000", {.barometer = 30000}, {{"Pressure", "1015.917"}}},
    {"Wind100",
     {.wind_speed = 100, .hi_wind_speed = 155},
     {{"Windspeed", "16.093"}, {"Gustspeed", "24.945"}}},
    {"Dewpoint725Humidity657",
     {.temperature = 725, .humidity = 657},
     {{"Humidity", "65"}, {"Dewpoint", "15.584"}, {"HeatIndex", "22.500"}}},
    {"HeatIndex860Humidity700",
     {.temperature = 860, .humidity = 700},
     {{"Temperature", "30.000"}, {"HeatIndex", "35.038"}}},
    {"Windchill320Wind155",
     {.interval = 5, .temperature = 320, .wind_speed = 155},
     {{"Windchill", "-5.784"}, {"WindRun", "2.01"}}},
    {"WindchillAt500And31",
     {.temperature = 500, .wind_speed = 31},
     {{"Temperature", "10.000"}, {"Windchill", "9.821"}}},
    {"NoWindchillAtWind30", {.temperature = 500, .wind_speed = 30}, {{"Windchill", "10.000"}}},
    {"NoWindchillAt501", {.temperature = 501, .wind_speed = 100}, {{"Windchill", "10.056"}}},
    {"MissingHumidity",
     {.temperature = 320, .humidity = M, .wind_speed = 155},
     {{"Humidity", "-32768"},
      {"Dewpoint", "-32768.000"},
      {"HeatIndex", "-32768.000"},
      {"Windchill", "-5.784"}}},
    {"MissingTemperature",
     {.temperature = M, .humidity = 500, .wind_speed = 155},
     {{"Temperature", "-32768.000"},
      {"Windchill", "-32768.000"},
      {"Dewpoint", "-32768.000"},
      {"HeatIndex", "-32768.000"},
      {"Humidity", "50"}}},
    {"MissingWind",
     {.interval = 5, .temperature = 320, .wind_speed = M},
     {{"Windspeed", "-32768.000"},
      {"Gustspeed", "-32768.000"},
      {"Windchill", "-32768.000"},
      {"WindRun", "0.00"}}},
    // Humidity 0 has no logarithm: the dew point is unknown, never NaN.
    {"HumidityZero",
     {.temperature = 860, .humidity = 0},
     {{"Humidity", "0"}, {"Dewpoint", "-32768.000"}}},
    {"HumidityBelowZero",
     {.temperature = 500, .humidity = -50},
     {{"Humidity", "-5"}, {"Dewpoint", "-32768.000"}}},
    {"Collector0",
     {.rain = wlk_rain(0, 2), .rain_rate = 10},
     {{"Rain", "5.080"}, {"RainRate", "25.400"}}},
    {"Collector1FiveTips",
     {.rain = wlk_rain(1, 5), .rain_rate = 10},
     {{"Rain", "1.270"}, {"RainRate", "2.540"}}},
    {"Collector2",
     {.rain = wlk_rain(2, 4095), .rain_rate = 32767},
     {{"Rain", "819.000"}, {"RainRate", "6553.400"}}},
    {"Collector3FiveTips",
     {.rain = wlk_rain(3, 5), .rain_rate = 0},
     {{"Rain", "5.000"}, {"RainRate", "0.000"}}},
    {"Collector6",
     {.rain = wlk_rain(6, 5), .rain_rate = 3},
     {{"Rain", "0.500"}, {"RainRate", "0.300"}}},
    {"Collector4HasNoTip",
     {.rain = wlk_rain(4, 5), .rain_rate = 10},
     {{"Rain", "0.000"}, {"RainRate", "0.000"}}},
    {"Collector5HasNoTip",
     {.rain = wlk_rain(5, 5), .rain_rate = M},
     {{"Rain", "0.000"}, {"RainRate", "0.000"}}},
    {"Collector15HasNoTip",
     {.rain = wlk_rain(15, 4095), .rain_rate = 100},
     {{"Rain", "0.000"}, {"RainRate", "0.000"}}},
    {"MissingRainRate",
     {.rain = wlk_rain(2, 3), .rain_rate = M},
     {{"Rain", "0.600"}, {"RainRate", "0.000"}}},
    {"DirectionNorth", {.wind_direction = 0}, {{"Direction", "N"}}},
    {"DirectionSse", {.wind_direction = 7}, {{"Direction", "SSE"}}},
    {"DirectionNnw", {.wind_direction = 15}, {{"Direction", "NNW"}}},
    {"Direction16", {.wind_direction = 16}, {{"Direction", "---"}}},
    {"Direction255", {.wind_direction = 255}, {{"Direction", "---"}}},
    {"UvMissing", {.uv = 255, .hi_uv = 255}, {{"UV", "255.0"}, {"HiUV", "255.0"}}},
    {"UvZero", {.uv = 0, .hi_uv = 57}, {{"UV", "0.0"}, {"HiUV", "5.7"}}},
    {"SolarMarkers",
     {.solar_rad = M, .hi_solar_rad = 32767},
     {{"SolarRad", "-32768"}, {"HiSolarRad", "-32768"}}},
    {"Solar", {.solar_rad = 0, .hi_solar_rad = 850}, {{"SolarRad", "0"}, {"HiSolarRad", "850"}}},
    {"Et", {.et = 10}, {{"ET", "0.254"}}},
    {"EtMissing", {.et = 255}, {{"ET", "255.000"}}},
    {"WindRunWholeMph", {.interval = 60, .wind_speed = 109}, {{"WindRun", "16.09"}}},
    {"Midnight", {.time = 0}, {{"Time", "00:00"}}},
    {"LastMinute", {.time = 1439}, {{"Time", "23:59"}}},
    {"EndOfDay", {.time = 1440}, {{"Time", "24:00"}}},
    {"OneOhOne", {.time = 61}, {{"Time", "01:01"}}},
    // Damaged times convert without overrunning the text.
    {"TimeBelowZero", {.time = -1}, {{"Time", "00:-1"}}},
    {"TimeLargest", {.time = 32767}, {{"Time", "546:07"}}},
    {"TimeSmallest", {.time = -32768}, {{"Time", "-546:-8"}}},
    {"TimeWidest", {.time = -32759}, {{"Time", "-545:-59"}}},
};

INSTANTIATE_TEST_SUITE_P(Wlk, ReadWeatherDataTest, testing::ValuesIn(kConversions),
                         [](const auto& c) { return std::string(c.param.name); });

TEST(ReadWeatherData, LeavesTheDateToTheCaller)
{
    WeatherData out;
    std::snprintf(out.Year, sizeof out.Year, "2012");
    std::snprintf(out.Month, sizeof out.Month, "02");
    std::snprintf(out.Day, sizeof out.Day, "29");
    ReadWeatherData(busy_record(), out);
    EXPECT_STREQ(out.Year, "2012");
    EXPECT_STREQ(out.Month, "02");
    EXPECT_STREQ(out.Day, "29");
}

TEST(ReadWeatherData, NeverGivesNaN)
{
    // Every humidity with a few temperatures, around the edges of the formulas.
    WeatherData out;
    for (std::int16_t t : {M, std::int16_t{-32767}, std::int16_t{-400}, std::int16_t{0},
                           std::int16_t{500}, std::int16_t{806}, std::int16_t{32767}})
        for (int h = -1000; h <= 1100; ++h) {
            ReadWeatherData(
                {.temperature = t, .humidity = static_cast<std::int16_t>(h), .wind_speed = 200},
                out);
            ASSERT_FALSE(std::isnan(out.Dewpoint)) << t << " " << h;
            ASSERT_FALSE(std::isnan(out.HeatIndex)) << t << " " << h;
            ASSERT_FALSE(std::isnan(out.Windchill)) << t << " " << h;
        }
}

// Decoding at the file's offsets, little-endian, from bytes written by hand.
TEST(WlkRecord, DecodesTheFileOffsets)
{
    WlkRecordBytes b{};
    auto put = [&b](std::size_t at, int v) {
        b[at] = static_cast<unsigned char>(v & 0xFF);
        b[at + 1] = static_cast<unsigned char>((v >> 8) & 0xFF);
    };
    b[0] = 1;
    b[1] = 5;
    put(4, 1439);
    put(6, -123);
    put(8, 0x1234);
    put(10, -32768);
    put(12, 0x7777);  // never read
    put(14, 30123);
    put(16, 657);
    put(20, 0x2ABC);
    put(22, -2);
    put(24, 155);
    put(26, 0x0302);
    b[28] = 9;
    put(32, 32767);
    put(34, 1001);
    b[36] = 57;
    b[37] = 255;
    b[57] = 42;
    b[87] = 0xEE;  // never read

    const WlkArchiveRecord r = decode_record(b);
    EXPECT_EQ(r.type, 1);
    EXPECT_EQ(r.interval, 5);
    EXPECT_EQ(r.time, 1439);
    EXPECT_EQ(r.temperature, -123);
    EXPECT_EQ(r.hi_temperature, 0x1234);
    EXPECT_EQ(r.low_temperature, -32768);
    EXPECT_EQ(r.barometer, 30123);
    EXPECT_EQ(r.humidity, 657);
    EXPECT_EQ(r.collector_type(), 2);
    EXPECT_EQ(r.rain_tips(), 0xABC);
    EXPECT_EQ(r.rain_rate, -2);
    EXPECT_EQ(r.wind_speed, 155);
    EXPECT_EQ(r.hi_wind_speed, 0x0302);
    EXPECT_EQ(r.wind_direction, 9);
    EXPECT_EQ(r.solar_rad, 32767);
    EXPECT_EQ(r.hi_solar_rad, 1001);
    EXPECT_EQ(r.uv, 57);
    EXPECT_EQ(r.hi_uv, 255);
    EXPECT_EQ(r.et, 42);

    b[12] = b[13] = b[87] = 0;
    EXPECT_EQ(encode_record(r), b);
}

TEST(WlkHeader, IdentificationIsTheFirstFiveBytes)
{
    const std::pair<std::string, bool> cases[] = {
        {"WDAT5", true},
        {"WDAT5.3\x05\x03", true},
        {std::string("WDAT5\0x", 7), true},
        {"WDAT4", false},
        {"wdat5", false},
        {"WDAT", false},
        {" WDAT5", false},
        {"", false},
    };
    for (const auto& [id, identified] : cases) {
        WlkHeaderBytes bytes{};
        std::copy(id.begin(), id.end(), bytes.begin());
        EXPECT_EQ(decode_header(bytes).identified(), identified) << id;
    }
}

// --- the walk ---------------------------------------------------------------------------

WlkArchiveRecord at(int time, std::uint8_t type = kWlkArchiveType)
{
    return {.type = type, .interval = 1, .time = static_cast<std::int16_t>(time)};
}

std::string raw(const WlkArchiveRecord& r)
{
    const WlkRecordBytes b = encode_record(r);
    return std::string(b.begin(), b.end());
}

// A header with the given index counts, and nothing after it.
std::string header(std::vector<std::pair<int, std::int16_t>> counts, std::string_view id = "WDAT5")
{
    WlkHeader h;
    std::copy(id.begin(), id.end(), h.identification.begin());
    for (auto [day, count] : counts) h.days[day].count = count;
    const WlkHeaderBytes b = encode_header(h);
    return std::string(b.begin(), b.end());
}

const std::string kLead = raw(at(0, 2));

// "day/time" of every record the walk yields, '*' marking a type other than 1.
std::vector<std::string> walk(WlkReader& reader, bool* truncated = nullptr)
{
    std::vector<std::string> out;
    WlkEntry e;
    while (reader.next(e))
        out.push_back(strf("%d/%d%s", e.day, e.record.time, e.record.type == 1 ? "" : "*"));
    if (truncated) *truncated = reader.truncated();
    return out;
}

std::vector<std::string> walk(std::string_view bytes, bool* truncated = nullptr)
{
    WlkReader reader(bytes);
    return walk(reader, truncated);
}

std::vector<std::string> weather(std::string_view bytes)
{
    WlkReader reader(bytes);
    std::vector<std::string> out;
    WeatherData w;
    while (reader.next_weather(w)) out.push_back(strf("%s %s", w.Day, w.Time));
    return out;
}

using Texts = std::vector<std::string>;

TEST(WlkReader, WalksTheDaysInIndexOrder)
{
    const std::string file = WlkWriter()
                                 .add_day(2, {at(1), at(2, 2), at(3)})
                                 .add_day(0, {at(5)})
                                 .add_day(31, {at(1440)})
                                 .add_day(7, {})
                                 .bytes();
    bool truncated = true;
    EXPECT_EQ(walk(file, &truncated), (Texts{"0/5", "2/1", "2/2*", "2/3", "31/1440"}));
    EXPECT_FALSE(truncated);
    EXPECT_EQ(weather(file), (Texts{"00 00:05", "02 00:01", "02 00:03", "31 24:00"}));
}

TEST(WlkReader, NeverReadsPastTheLastBlock)
{
    const std::string file = WlkWriter().add_day(1, {at(1)}).bytes() + kLead + raw(at(9));
    EXPECT_EQ(walk(file), (Texts{"1/1"}));
}

TEST(WlkReader, RejectsAForeignFile)
{
    for (const char* id : {"WDAT4", "wdat5", "XXXXXXXXXXXXXXXX"}) {
        const std::string file = WlkWriter().set_identification(id).add_day(1, {at(1)}).bytes();
        WlkReader reader(file);
        EXPECT_TRUE(reader.read_header()) << id;
        EXPECT_FALSE(reader.identified()) << id;
        WlkEntry e;
        EXPECT_FALSE(reader.next(e)) << id;
    }
}

TEST(WlkReader, ShortHeaderYieldsNothing)
{
    const std::string whole = WlkWriter().add_day(1, {at(1)}).bytes();
    for (std::size_t size : {std::size_t{0}, std::size_t{5}, kWlkHeaderSize - 1}) {
        WlkReader reader(std::string_view(whole).substr(0, size));
        EXPECT_FALSE(reader.read_header()) << size;
        EXPECT_FALSE(reader.identified()) << size;
        WlkEntry e;
        EXPECT_FALSE(reader.next(e)) << size;
        EXPECT_TRUE(walk(whole.substr(0, size)).empty());
    }
}

// Cut anywhere, a file yields the whole records before the cut and nothing else.
TEST(WlkReader, TruncatedFileYieldsItsWholeRecords)
{
    const std::string whole =
        WlkWriter().add_day(1, {at(1), at(2), at(3)}).add_day(2, {at(4), at(5)}).bytes();
    const Texts all = walk(whole);
    ASSERT_EQ(all.size(), 5u);
    // Record k of `all` ends at this offset: two leading records before each day.
    const std::size_t ends[] = {3, 4, 5, 8, 9};
    for (std::size_t size = kWlkHeaderSize; size < whole.size(); ++size) {
        bool truncated = false;
        const Texts got = walk(whole.substr(0, size), &truncated);
        std::size_t whole_records = 0;
        for (std::size_t end : ends)
            if (kWlkHeaderSize + end * kWlkRecordSize <= size) ++whole_records;
        EXPECT_EQ(got, Texts(all.begin(), all.begin() + whole_records)) << size;
        EXPECT_TRUE(truncated) << size;
    }
}

struct CountCase {
    const char* name;
    std::string file;
    Texts yields;
    bool truncated;
};

class WlkDayCountTest : public testing::TestWithParam<CountCase> {};

TEST_P(WlkDayCountTest, ConsumesOnlyWhatTheCountHolds)
{
    bool truncated = false;
    EXPECT_EQ(walk(GetParam().file, &truncated), GetParam().yields);
    EXPECT_EQ(truncated, GetParam().truncated);
}

const std::string kDay2 = kLead + kLead + raw(at(2));

const CountCase kCounts[] = {
    {"Two", header({{1, 2}, {2, 3}}) + kLead + kLead + kDay2, {"2/2"}, false},
    {"One", header({{1, 1}, {2, 3}}) + raw(at(1)) + kDay2, {"2/2"}, false},
    {"Zero", header({{1, 0}, {2, 3}}) + kDay2, {"2/2"}, false},
    {"Negative", header({{1, -3}, {2, 3}}) + kDay2, {"2/2"}, false},
    {"Smallest", header({{1, -32768}, {2, 3}}) + kDay2, {"2/2"}, false},
    {"LargerThanTheFile",
     header({{1, 100}, {2, 3}}) + kLead + kLead + raw(at(1)) + raw(at(2)),
     {"1/1", "1/2"},
     true},
    {"Largest", header({{5, 32767}}) + kLead + kLead + raw(at(1)), {"5/1"}, true},
    {"AllDaysEmpty", header({}), {}, false},
};

INSTANTIATE_TEST_SUITE_P(Wlk, WlkDayCountTest, testing::ValuesIn(kCounts),
                         [](const auto& c) { return std::string(c.param.name); });

TEST(WlkReader, ReadsAFileLikeItsBytes)
{
    test::TempDir dir;
    const std::string file =
        WlkWriter().add_day(1, {at(1), at(2, 3)}).add_day(3, {at(1440)}).bytes();
    const std::filesystem::path path = dir.path() / "2012-02.wlk";
    test::write_file(path, file);

    for (const std::string& bytes : {file, file.substr(0, file.size() - 1)}) {
        test::write_file(path, bytes);
        FilePtr f(std::fopen(path.string().c_str(), "rb"));
        ASSERT_TRUE(f);
        WlkReader reader(f.get());
        bool from_file = false, from_bytes = false;
        EXPECT_EQ(walk(reader, &from_file), walk(bytes, &from_bytes));
        EXPECT_EQ(from_file, from_bytes);
    }
}

// Whatever the bytes, the walk stays inside them (the sanitizer build checks every access),
// yields at most the whole records the file holds, and converts without NaN.
TEST(WlkReader, ArbitraryBytesStayInBounds)
{
    const std::string base =
        WlkWriter().add_day(1, {at(1), at(2, 2), at(3)}).add_day(30, {at(4)}).bytes();
    std::mt19937 rng(5);
    for (int round = 0; round < 3000; ++round) {
        std::string file = base.substr(0, rng() % (base.size() + 1));
        for (auto flips = rng() % 12; flips > 0 && !file.empty(); --flips) {
            // Mostly the index counts, which steer the walk; now and then any byte.
            const std::size_t where = rng() % 4 != 0 && file.size() > kWlkHeaderSize
                                          ? 20 + 6 * (rng() % 32) + rng() % 2
                                          : rng() % file.size();
            file[where] = static_cast<char>(rng());
        }
        const std::size_t whole =
            file.size() < kWlkHeaderSize ? 0 : (file.size() - kWlkHeaderSize) / kWlkRecordSize;
        WlkReader reader(file);
        WeatherData w;
        std::size_t yielded = 0;
        while (reader.next_weather(w)) {
            ++yielded;
            ASSERT_FALSE(std::isnan(w.Dewpoint) || std::isnan(w.HeatIndex) ||
                         std::isnan(w.Windchill));
            ASSERT_LE(std::strlen(w.Time), sizeof w.Time - 1);
        }
        ASSERT_LE(yielded, whole) << round;
    }
}

// The real station's February 2012: 1-minute records, days 1 to 29.
TEST(WlkReader, RealStationFebruary2012)
{
    const std::filesystem::path path = std::filesystem::path(NIMBORA_FIXTURES) / "2012-02.wlk";
    if (!std::filesystem::exists(path))
        GTEST_SKIP() << path << " is absent: the real station archive is not on this machine";

    FilePtr f(std::fopen(path.string().c_str(), "rb"));
    ASSERT_TRUE(f);
    WlkReader reader(f.get());
    ASSERT_TRUE(reader.read_header());
    ASSERT_TRUE(reader.identified());
    for (int d = 0; d < kWlkIndexDays; ++d)
        EXPECT_EQ(reader.header().days[d].count, d >= 1 && d <= 29 ? 1442 : 0) << d;

    std::vector<int> per_day(kWlkIndexDays);
    int total = 0;
    WeatherData w;
    std::string first_time, last_time;
    while (reader.next_weather(w)) {
        ++total;
        ++per_day[std::atoi(w.Day)];
        if (total == 1) first_time = w.Time;
        last_time = w.Time;
        ASSERT_FALSE(std::isnan(w.Dewpoint)) << w.Day << " " << w.Time;
    }
    EXPECT_FALSE(reader.truncated());
    EXPECT_EQ(total, 41760);
    for (int d = 1; d <= 29; ++d) EXPECT_EQ(per_day[d], 1440) << d;
    EXPECT_EQ(first_time, "00:01");
    EXPECT_EQ(last_time, "24:00");
}

}  // namespace
}  // namespace nimbora
