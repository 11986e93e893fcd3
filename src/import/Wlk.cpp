// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/Wlk.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace nimbora {
namespace {

// Field offsets within the 88-byte archive record.
enum Offset : std::size_t {
    kType = 0,
    kInterval = 1,
    kTime = 4,
    kTemperature = 6,
    kHiTemperature = 8,
    kLowTemperature = 10,
    kBarometer = 14,
    kHumidity = 16,
    kRain = 20,
    kRainRate = 22,
    kWindSpeed = 24,
    kHiWindSpeed = 26,
    kWindDirection = 28,
    kSolarRad = 32,
    kHiSolarRad = 34,
    kUv = 36,
    kHiUv = 37,
    kEt = 57,
};

constexpr std::size_t kIdentificationOffset = 0;
constexpr std::size_t kUnusedOffset = 16;
constexpr std::size_t kIndexOffset = 20;
constexpr std::size_t kIndexEntrySize = 6;

std::uint16_t get_u16(const unsigned char* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
std::int16_t get_i16(const unsigned char* p)
{
    return static_cast<std::int16_t>(get_u16(p));
}
std::uint32_t get_u32(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
void put_u16(unsigned char* p, std::uint16_t v)
{
    p[0] = static_cast<unsigned char>(v & 0xFF);
    p[1] = static_cast<unsigned char>(v >> 8);
}
void put_i16(unsigned char* p, std::int16_t v)
{
    put_u16(p, static_cast<std::uint16_t>(v));
}
void put_u32(unsigned char* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>((v >> (8 * i)) & 0xFF);
}

constexpr const char* kCompass[16] = {"N", "NNE", "NE", "ENE", "E", "ESE", "SE", "SSE",
                                      "S", "SSW", "SW", "WSW", "W", "WNW", "NW", "NNW"};

// Degrees F in tenths to degrees C; the marker stays a marker.
float tenths_f_to_c(std::int16_t raw)
{
    if (raw == kRawMissing) return kMissing;
    return static_cast<float>((raw / 10.0 - 32.0) * 5.0 / 9.0);
}

// Tenths of mph to km/h; the marker stays a marker.
float tenths_mph_to_kmh(std::int16_t raw)
{
    if (raw == kRawMissing) return kMissing;
    return static_cast<float>(raw / 10.0 * 1.60934);
}

int solar(std::int16_t raw)
{
    return raw == kRawMissing || raw == kRawSolarMissingHigh ? kMissingInt : raw;
}

float uv(std::uint8_t raw)
{
    return raw == kRawMissingByte ? kMissingByteValue : static_cast<float>(raw / 10.0);
}

// `text`, cut to `capacity` - 1 characters, NUL-terminated.
void copy_text(char* to, std::size_t capacity, const char* text)
{
    const std::size_t n = std::min(std::strlen(text), capacity - 1);
    std::memcpy(to, text, n);
    to[n] = '\0';
}

// The minutes go through floating point and are rounded by the format, as stored rows have
// always been written.
void print_time(std::int16_t time, char* to, std::size_t capacity)
{
    const int hours = time / 60;
    const double minutes = (time / 60.0 - hours) * 60.0;
    std::snprintf(to, capacity, "%02d:%02.0f", hours, minutes);
}

// The text of every time a valid file holds, printed once by print_time itself, so that
// the texts cannot differ from it: formatting a float per record is a large share of the walk.
constexpr int kDayMinutes = 24 * 60;
struct TimeTexts {
    char text[kDayMinutes + 1][6];
    TimeTexts()
    {
        for (int t = 0; t <= kDayMinutes; ++t)
            print_time(static_cast<std::int16_t>(t), text[t], sizeof text[t]);
    }
};

}  // namespace

bool WlkHeader::identified() const
{
    return std::memcmp(identification.data(), kWlkIdentification.data(),
                       kWlkIdentification.size()) == 0;
}

WlkHeader decode_header(std::span<const unsigned char, kWlkHeaderSize> bytes)
{
    WlkHeader h;
    std::memcpy(h.identification.data(), bytes.data() + kIdentificationOffset, kWlkIdSize);
    h.unused = get_u32(bytes.data() + kUnusedOffset);
    for (int d = 0; d < kWlkIndexDays; ++d) {
        const unsigned char* e = bytes.data() + kIndexOffset + kIndexEntrySize * d;
        h.days[d].count = get_i16(e);
        h.days[d].unused = get_u32(e + 2);
    }
    return h;
}

WlkHeaderBytes encode_header(const WlkHeader& header)
{
    WlkHeaderBytes bytes{};
    std::memcpy(bytes.data() + kIdentificationOffset, header.identification.data(), kWlkIdSize);
    put_u32(bytes.data() + kUnusedOffset, header.unused);
    for (int d = 0; d < kWlkIndexDays; ++d) {
        unsigned char* e = bytes.data() + kIndexOffset + kIndexEntrySize * d;
        put_i16(e, header.days[d].count);
        put_u32(e + 2, header.days[d].unused);
    }
    return bytes;
}

WlkArchiveRecord decode_record(std::span<const unsigned char, kWlkRecordSize> bytes)
{
    const unsigned char* p = bytes.data();
    WlkArchiveRecord r;
    r.type = p[kType];
    r.interval = p[kInterval];
    r.time = get_i16(p + kTime);
    r.temperature = get_i16(p + kTemperature);
    r.hi_temperature = get_i16(p + kHiTemperature);
    r.low_temperature = get_i16(p + kLowTemperature);
    r.barometer = get_i16(p + kBarometer);
    r.humidity = get_i16(p + kHumidity);
    r.rain = get_u16(p + kRain);
    r.rain_rate = get_i16(p + kRainRate);
    r.wind_speed = get_i16(p + kWindSpeed);
    r.hi_wind_speed = get_i16(p + kHiWindSpeed);
    r.wind_direction = p[kWindDirection];
    r.solar_rad = get_i16(p + kSolarRad);
    r.hi_solar_rad = get_i16(p + kHiSolarRad);
    r.uv = p[kUv];
    r.hi_uv = p[kHiUv];
    r.et = p[kEt];
    return r;
}

WlkRecordBytes encode_record(const WlkArchiveRecord& r)
{
    WlkRecordBytes bytes{};
    unsigned char* p = bytes.data();
    p[kType] = r.type;
    p[kInterval] = r.interval;
    put_i16(p + kTime, r.time);
    put_i16(p + kTemperature, r.temperature);
    put_i16(p + kHiTemperature, r.hi_temperature);
    put_i16(p + kLowTemperature, r.low_temperature);
    put_i16(p + kBarometer, r.barometer);
    put_i16(p + kHumidity, r.humidity);
    put_u16(p + kRain, r.rain);
    put_i16(p + kRainRate, r.rain_rate);
    put_i16(p + kWindSpeed, r.wind_speed);
    put_i16(p + kHiWindSpeed, r.hi_wind_speed);
    p[kWindDirection] = r.wind_direction;
    put_i16(p + kSolarRad, r.solar_rad);
    put_i16(p + kHiSolarRad, r.hi_solar_rad);
    p[kUv] = r.uv;
    p[kHiUv] = r.hi_uv;
    p[kEt] = r.et;
    return bytes;
}

double tip_mm(int type)
{
    switch (type) {
    case 0:
        return 2.54;
    case 1:
        return 0.254;
    case 2:
        return 0.2;
    case 3:
        return 1.0;
    case 6:
        return 0.1;
    default:
        return 0.0;
    }
}

void ReadWeatherData(const WlkArchiveRecord& raw, WeatherData& out)
{
    static const TimeTexts times;
    if (raw.time >= 0 && raw.time <= kDayMinutes)
        std::memcpy(out.Time, times.text[raw.time], sizeof times.text[raw.time]);
    else
        print_time(raw.time, out.Time, sizeof out.Time);

    out.Temperature = tenths_f_to_c(raw.temperature);
    out.HiTemp = tenths_f_to_c(raw.hi_temperature);
    out.LowTemp = tenths_f_to_c(raw.low_temperature);

    out.Pressure = raw.barometer == kRawMissing
                       ? kMissing
                       : static_cast<float>(raw.barometer * 33.86389 / 1000.0);

    out.Humidity = raw.humidity == kRawMissing ? kMissingInt : raw.humidity / 10;

    out.Windspeed = tenths_mph_to_kmh(raw.wind_speed);
    out.Gustspeed = tenths_mph_to_kmh(raw.hi_wind_speed);

    copy_text(out.Direction, sizeof out.Direction,
              raw.wind_direction < 16 ? kCompass[raw.wind_direction] : "---");

    // A collector without a known tip amount measures nothing we can express in mm: 0.0,
    // never a value carried over from an earlier record.
    const double tip = tip_mm(raw.collector_type());
    out.Rain = static_cast<float>(raw.rain_tips() * tip);
    out.RainRate = raw.rain_rate == kRawMissing ? 0.0f : static_cast<float>(raw.rain_rate * tip);

    // Wind chill in degrees F and whole mph, with p and W held as 32-bit floats as the stored
    // rows were computed.
    if (raw.temperature == kRawMissing || raw.wind_speed == kRawMissing) {
        out.Windchill = kMissing;
    } else if (raw.temperature <= 500 && raw.wind_speed > 30) {
        const int v = raw.wind_speed / 10;
        const double t = raw.temperature / 10.0;
        const float p = static_cast<float>(std::pow(static_cast<double>(v), 0.16));
        const float w = static_cast<float>(35.74 + 0.6215 * t - 35.75 * p + 0.4275 * t * p);
        out.Windchill = static_cast<float>((w - 32.0) * 5.0 / 9.0);
    } else {
        out.Windchill = out.Temperature;
    }

    // A humidity of 0 or below has no logarithm: the dew point is then unknown and becomes
    // the missing marker (stored as NULL), never NaN.
    if (raw.temperature == kRawMissing || raw.humidity == kRawMissing) {
        out.Dewpoint = kMissing;
    } else {
        const double t = out.Temperature;
        const float g =
            static_cast<float>(17.27 * t / (237.7 + t) + std::log(out.Humidity / 100.0));
        const double dew = 237.7 * g / (17.27 - g);
        out.Dewpoint = std::isfinite(dew) ? static_cast<float>(dew) : kMissing;
    }

    if (raw.temperature == kRawMissing || raw.humidity == kRawMissing) {
        out.HeatIndex = kMissing;
    } else if (out.Temperature >= 27.0f) {
        const double t = raw.temperature / 10.0;
        const double r = out.Humidity;
        const float h =
            static_cast<float>(-42.379 + 2.04901523 * t + 10.14333127 * r - 0.22475541 * t * r -
                               0.00683783 * t * t - 0.05481717 * r * r + 0.00122874 * t * t * r +
                               0.00085282 * t * r * r - 0.00000199 * t * t * r * r);
        out.HeatIndex = static_cast<float>((h - 32.0) * 5.0 / 9.0);
    } else {
        out.HeatIndex = out.Temperature;
    }

    out.SolarRad = solar(raw.solar_rad);
    out.HiSolarRad = solar(raw.hi_solar_rad);

    out.ET =
        raw.et == kRawMissingByte ? kMissingByteValue : static_cast<float>(raw.et * 25.4 / 1000.0);
    out.UV = uv(raw.uv);
    out.HiUV = uv(raw.hi_uv);

    // The distance run at the whole-mph average over the record's period.
    out.WindRun = raw.wind_speed == kRawMissing
                      ? 0.0f
                      : static_cast<float>(raw.interval / 60.0 * (raw.wind_speed / 10) * 1.60934);
}

WlkReader::WlkReader(std::FILE* file) : file_(file) {}

WlkReader::WlkReader(std::string_view bytes) : bytes_(bytes) {}

bool WlkReader::read_bytes(unsigned char* to, std::size_t size)
{
    if (file_) return std::fread(to, 1, size, file_) == size;
    if (bytes_.size() - offset_ < size) {
        offset_ = bytes_.size();
        return false;
    }
    std::memcpy(to, bytes_.data() + offset_, size);
    offset_ += size;
    return true;
}

bool WlkReader::read_record(WlkRecordBytes& to)
{
    if (read_bytes(to.data(), to.size())) return true;
    ended_ = truncated_ = true;
    return false;
}

bool WlkReader::read_header()
{
    if (header_tried_) return header_whole_;
    header_tried_ = true;
    WlkHeaderBytes bytes;
    header_whole_ = read_bytes(bytes.data(), bytes.size());
    if (header_whole_) header_ = decode_header(bytes);
    if (!identified()) ended_ = true;
    return header_whole_;
}

bool WlkReader::next(WlkEntry& out)
{
    read_header();
    WlkRecordBytes bytes;
    while (!ended_) {
        if (remaining_ > 0) {
            if (!read_record(bytes)) return false;
            --remaining_;
            out.day = day_;
            out.record = decode_record(bytes);
            return true;
        }
        if (next_day_ >= kWlkIndexDays) {
            ended_ = true;
            break;
        }
        day_ = next_day_++;
        const int count = header_.days[day_].count;
        if (count <= 0) continue;
        const int leading = count < kWlkLeadingRecords ? count : kWlkLeadingRecords;
        for (int i = 0; i < leading; ++i)
            if (!read_record(bytes)) return false;
        remaining_ = count - leading;
    }
    return false;
}

bool WlkReader::next_weather(WeatherData& out)
{
    WlkEntry entry;
    while (next(entry)) {
        if (entry.record.type != kWlkArchiveType) continue;
        // "%02d" of the index position 0..31.
        out.Day[0] = static_cast<char>('0' + entry.day / 10);
        out.Day[1] = static_cast<char>('0' + entry.day % 10);
        out.Day[2] = '\0';
        ReadWeatherData(entry.record, out);
        return true;
    }
    return false;
}

}  // namespace nimbora
