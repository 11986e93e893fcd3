// SPDX-License-Identifier: GPL-3.0-or-later
// Wlk.h: the logger's monthly WLK archive file: its header and day index, the raw 88-byte
// archive record, the conversion of one record into a metric weather row (`ReadWeatherData`),
// and a streaming walk over a file that yields one record at a time.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string_view>

namespace nimbora {

inline constexpr std::size_t kWlkIdSize = 16;
inline constexpr std::size_t kWlkHeaderSize = 212;  // identification, 4-byte field, day index
inline constexpr std::size_t kWlkRecordSize = 88;
inline constexpr int kWlkIndexDays = 32;      // entries 0..31, entry d for day of month d
inline constexpr int kWlkLeadingRecords = 2;  // per day block, read and discarded unexamined
inline constexpr std::uint8_t kWlkArchiveType = 1;
inline constexpr std::string_view kWlkIdentification = "WDAT5";

// Missing-value markers of the raw record: every signed 16-bit measurement; solar radiation
// also uses 32767; the UV and ET bytes use 255; any direction code above 15 is missing.
inline constexpr std::int16_t kRawMissing = -32768;
inline constexpr std::int16_t kRawSolarMissingHigh = 32767;
inline constexpr std::uint8_t kRawMissingByte = 255;

// Missing-value markers of `WeatherData`; the importers store them as NULL.
inline constexpr float kMissing = -32768.0f;
inline constexpr int kMissingInt = -32768;
inline constexpr float kMissingByteValue = 255.0f;  // ET, UV, HiUV

using WlkRecordBytes = std::array<unsigned char, kWlkRecordSize>;
using WlkHeaderBytes = std::array<unsigned char, kWlkHeaderSize>;

struct WlkDayIndexEntry {
    std::int16_t count = 0;    // records of the day, its two leading records included; 0 = none
    std::uint32_t unused = 0;  // never used: blocks are read in index order, without seeking
};

struct WlkHeader {
    std::array<unsigned char, kWlkIdSize> identification{};
    std::uint32_t unused = 0;
    std::array<WlkDayIndexEntry, kWlkIndexDays> days{};

    // Whether the first 5 identification bytes are "WDAT5"; the other 11 are not examined.
    bool identified() const;
};

WlkHeader decode_header(std::span<const unsigned char, kWlkHeaderSize> bytes);
WlkHeaderBytes encode_header(const WlkHeader& header);

// The fields of an 88-byte archive record that are read, in file order, as the logger wrote
// them (US units). The defaults are a type-1 record at midnight in which nothing was measured.
struct WlkArchiveRecord {
    std::uint8_t type = kWlkArchiveType;         // 1 = archive record; any other type is skipped
    std::uint8_t interval = 0;                   // minutes the record covers
    std::int16_t time = 0;                       // minutes after midnight at the end of the period
    std::int16_t temperature = kRawMissing;      // tenths of a degree F
    std::int16_t hi_temperature = kRawMissing;   // tenths of a degree F
    std::int16_t low_temperature = kRawMissing;  // tenths of a degree F
    std::int16_t barometer = kRawMissing;        // thousandths of inHg
    std::int16_t humidity = kRawMissing;         // tenths of a percent
    std::uint16_t rain = 0;                      // bits 0-11 tips, bits 12-15 collector type
    std::int16_t rain_rate = kRawMissing;        // tips per hour
    std::int16_t wind_speed = kRawMissing;       // average, tenths of mph
    std::int16_t hi_wind_speed = kRawMissing;    // gust, tenths of mph
    std::uint8_t wind_direction = kRawMissingByte;  // code 0..15 from N clockwise
    std::int16_t solar_rad = kRawMissing;           // W/m2
    std::int16_t hi_solar_rad = kRawMissing;        // W/m2
    std::uint8_t uv = kRawMissingByte;              // tenths of the index
    std::uint8_t hi_uv = kRawMissingByte;           // tenths of the index
    std::uint8_t et = kRawMissingByte;              // thousandths of an inch

    int rain_tips() const { return rain & 0x0FFF; }
    int collector_type() const { return rain >> 12; }

    friend bool operator==(const WlkArchiveRecord&, const WlkArchiveRecord&) = default;
};

// The rain field for `tips` (0..4095) of a collector of `type` (0..15); excess bits are dropped.
constexpr std::uint16_t wlk_rain(int type, int tips)
{
    return static_cast<std::uint16_t>(((type & 0xF) << 12) | (tips & 0x0FFF));
}

// Decodes the little-endian fields; the bytes that are never read are ignored.
WlkArchiveRecord decode_record(std::span<const unsigned char, kWlkRecordSize> bytes);
// The record's bytes; the bytes that are never read are written as zeros.
WlkRecordBytes encode_record(const WlkArchiveRecord& record);

// Millimetres of one tip of a rain collector of `type`: 0 → 2.54, 1 → 0.254, 2 → 0.2,
// 3 → 1.0, 6 → 0.1; 0.0 for the types without a known amount (4, 5, 7..15).
double tip_mm(int type);

// One converted archive record, one database row. Texts are NUL-terminated; the markers
// kMissing, kMissingInt and kMissingByteValue stand for a value that was not measured.
struct WeatherData {
    char Year[5] = {};   // four digits, from the file name
    char Month[3] = {};  // two digits, from the file name
    char Day[3] = {};    // the day's index position, "%02d"
    // "hh:mm" ("00:00" to "24:00") for every time a valid file holds; the room beyond five
    // characters is for the widest text a damaged time gives ("-546:-08").
    char Time[9] = {};
    float Temperature = kMissing;  // deg C
    float HiTemp = kMissing;       // deg C
    float LowTemp = kMissing;      // deg C
    int Humidity = kMissingInt;    // whole percent
    float Dewpoint = kMissing;     // deg C
    float Windspeed = kMissing;    // km/h
    char Direction[4] = "---";     // compass name, "---" when missing
    float Gustspeed = kMissing;    // km/h
    float Windchill = kMissing;    // deg C
    float HeatIndex = kMissing;    // deg C
    float Pressure = kMissing;     // hPa
    float Rain = 0;                // mm in the period
    float RainRate = 0;            // mm per hour
    int SolarRad = kMissingInt;    // W/m2
    int HiSolarRad = kMissingInt;  // W/m2
    float ET = kMissingByteValue;  // mm in the period
    float UV = kMissingByteValue;
    float HiUV = kMissingByteValue;
    float WindRun = 0;  // km in the period
};

// Converts `raw` to metric and fills every field of `out` from Time to WindRun; Year, Month
// and Day are left as they are. Every input converts: missing raw values become the markers,
// and so does a dew point that cannot be computed (humidity 0 or below). A collector type
// without a tip amount gives Rain and RainRate 0.0.
void ReadWeatherData(const WlkArchiveRecord& raw, WeatherData& out);

// One record of the walk after its day's two leading records, whatever its type.
struct WlkEntry {
    int day = 0;  // index position 0..31
    WlkArchiveRecord record;
};

// Walks a WLK file front to back, one record at a time; memory does not depend on the file.
// Day blocks follow the header in index order, one per entry with a count above 0. A block
// of count n holds two leading records (skipped) and n - 2 candidate records; a count of 1
// holds one record and yields nothing; a count of 0 or below holds nothing. The walk ends
// after entry 31 or where the source ends, whichever comes first; a partial record at the end
// is dropped. Bytes after the last block are never read.
class WlkReader {
public:
    // Reads `file` (opened in binary mode, at its start) from where it is; the file stays
    // the caller's and must outlive the reader.
    explicit WlkReader(std::FILE* file);
    // Reads `bytes`, which must outlive the reader.
    explicit WlkReader(std::string_view bytes);

    // Reads the header once (later calls return the first result). False when the source
    // ends before a whole header, a zero-length file included; such a source yields nothing.
    bool read_header();
    // The header as read; all zeros until a whole header has been read.
    const WlkHeader& header() const { return header_; }
    // A whole header was read and it begins with "WDAT5". An unidentified file yields nothing.
    bool identified() const { return header_whole_ && header_.identified(); }

    // The next candidate record, whatever its type; reads the header first when needed.
    // False when the walk is over.
    bool next(WlkEntry& out);
    // The next record of type 1, converted by ReadWeatherData, with Day set to its index
    // position; Year and Month are left as they are. False when the walk is over.
    bool next_weather(WeatherData& out);

    // Whether the source ended before the blocks the index announces; the records yielded
    // before that are whole.
    bool truncated() const { return truncated_; }

private:
    bool read_bytes(unsigned char* to, std::size_t size);
    bool read_record(WlkRecordBytes& to);

    std::FILE* file_ = nullptr;
    std::string_view bytes_;
    std::size_t offset_ = 0;  // next byte of `bytes_`

    WlkHeader header_;
    bool header_tried_ = false, header_whole_ = false;
    int next_day_ = 0;   // the index entry whose block comes next
    int day_ = 0;        // the day of the block being walked
    int remaining_ = 0;  // candidate records left in that block
    bool ended_ = false, truncated_ = false;
};

}  // namespace nimbora
