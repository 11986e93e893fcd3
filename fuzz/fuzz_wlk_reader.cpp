// SPDX-License-Identifier: GPL-3.0-or-later
// fuzz_wlk_reader.cpp: walks arbitrary bytes through WlkReader, from memory and from a FILE*,
// and traps on anything a damaged file must never cause: a read outside the input (the
// sanitizers catch those), a walk that does not end, NaN in a row, a text without its NUL,
// a day outside the index, or the two sources disagreeing.
#include "import/Wlk.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

namespace {

using namespace nimbora;

void check(bool ok)
{
    if (!ok) __builtin_trap();
}

// Whether `text` ends within its array.
template <std::size_t N>
bool terminated(const char (&text)[N])
{
    return std::memchr(text, '\0', N) != nullptr;
}

// Bitwise, so two NaNs of the same bits would still count as equal: NaN is checked apart.
bool same(float a, float b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool same(const WeatherData& a, const WeatherData& b)
{
    return std::memcmp(a.Day, b.Day, sizeof a.Day) == 0 &&
           std::memcmp(a.Time, b.Time, sizeof a.Time) == 0 &&
           std::memcmp(a.Direction, b.Direction, sizeof a.Direction) == 0 &&
           same(a.Temperature, b.Temperature) && same(a.HiTemp, b.HiTemp) &&
           same(a.LowTemp, b.LowTemp) && a.Humidity == b.Humidity && same(a.Dewpoint, b.Dewpoint) &&
           same(a.Windspeed, b.Windspeed) && same(a.Gustspeed, b.Gustspeed) &&
           same(a.Windchill, b.Windchill) && same(a.HeatIndex, b.HeatIndex) &&
           same(a.Pressure, b.Pressure) && same(a.Rain, b.Rain) && same(a.RainRate, b.RainRate) &&
           a.SolarRad == b.SolarRad && a.HiSolarRad == b.HiSolarRad && same(a.ET, b.ET) &&
           same(a.UV, b.UV) && same(a.HiUV, b.HiUV) && same(a.WindRun, b.WindRun);
}

bool compass_or_missing(const char* direction)
{
    static constexpr const char* kNames[] = {"N",  "NNE", "NE", "ENE", "E",  "ESE",
                                             "SE", "SSE", "S",  "SSW", "SW", "WSW",
                                             "W",  "WNW", "NW", "NNW", "---"};
    for (const char* name : kNames)
        if (std::strcmp(direction, name) == 0) return true;
    return false;
}

void check_row(const WeatherData& w)
{
    check(terminated(w.Day) && terminated(w.Time) && terminated(w.Direction));
    // Day is the index position written "%02d": exactly two digits, 00..31.
    check(std::strlen(w.Day) == 2);
    const int day = (w.Day[0] - '0') * 10 + (w.Day[1] - '0');
    check(w.Day[0] >= '0' && w.Day[0] <= '3' && w.Day[1] >= '0' && w.Day[1] <= '9' && day <= 31);
    check(std::strchr(w.Time, ':') != nullptr);
    check(compass_or_missing(w.Direction));
    for (float v :
         {w.Temperature, w.HiTemp, w.LowTemp, w.Dewpoint, w.Windspeed, w.Gustspeed, w.Windchill,
          w.HeatIndex, w.Pressure, w.Rain, w.RainRate, w.ET, w.UV, w.HiUV, w.WindRun})
        check(std::isfinite(v));
    check(w.Rain >= 0.0f);
}

// Every record needs 88 bytes after the 212-byte header: a walk that yields more, or calls
// next() more often, read what is not there or went round in circles.
std::size_t whole_records(std::size_t size)
{
    return size < kWlkHeaderSize ? 0 : (size - kWlkHeaderSize) / kWlkRecordSize;
}

// The raw walk: days in index order, records that survive a write and a read unchanged.
void walk_entries(std::string_view bytes)
{
    WlkReader reader(bytes);
    const bool whole_header = reader.read_header();
    check(whole_header == (bytes.size() >= kWlkHeaderSize));
    if (whole_header) {
        WlkHeaderBytes raw;
        std::memcpy(raw.data(), bytes.data(), raw.size());
        check(encode_header(reader.header()) == raw);
    }
    const std::size_t limit = whole_records(bytes.size());
    std::size_t yielded = 0;
    int last_day = -1;
    WlkEntry e;
    while (reader.next(e)) {
        check(reader.identified());
        check(++yielded <= limit);
        check(e.day >= 0 && e.day < kWlkIndexDays && e.day >= last_day);
        last_day = e.day;
        check(decode_record(encode_record(e.record)) == e.record);
    }
    // The walk stays over once it is over.
    check(!reader.next(e));
}

// The converted walk from memory and from a FILE* over the same bytes, in lockstep.
void walk_weather(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // fmemopen wants a writable buffer even for reading; a copy keeps the input untouched.
    std::vector<char> copy(bytes.begin(), bytes.end());
    copy.push_back('\0');  // a non-null buffer for the empty input
    std::FILE* file = fmemopen(copy.data(), size, "rb");
    check(file != nullptr);

    WlkReader from_bytes(bytes);
    WlkReader from_file(file);
    const std::size_t limit = whole_records(size);
    std::size_t yielded = 0;
    WeatherData a, b;
    for (;;) {
        const bool more = from_bytes.next_weather(a);
        check(from_file.next_weather(b) == more);
        if (!more) break;
        check(++yielded <= limit);
        check_row(a);
        check(same(a, b));
    }
    check(from_file.truncated() == from_bytes.truncated());
    check(from_file.identified() == from_bytes.identified());
    std::fclose(file);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    walk_entries(std::string_view(reinterpret_cast<const char*>(data), size));
    walk_weather(data, size);
    return 0;
}
