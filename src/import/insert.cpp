// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/insert.h"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace nimbora {
namespace {

// The rounding of the printed statement without printing: a float times a power of ten is
// exact in double, nearbyint rounds ties to even as printf does, and the division is
// correctly rounded as strtod of the printed text would be.
constexpr double kScale[] = {1.0, 10.0, 100.0, 1000.0};

void bind_real(sqlite3_stmt* st, int index, float value, int decimals, bool missing)
{
    if (missing)
        sqlite3_bind_null(st, index);
    else
        sqlite3_bind_double(st, index, round_as_printed(value, decimals));
}

void bind_int(sqlite3_stmt* st, int index, int value, bool missing)
{
    if (missing)
        sqlite3_bind_null(st, index);
    else
        sqlite3_bind_int(st, index, value);
}

// The padded directions, in static storage so that they bind without a copy.
constexpr std::string_view kPaddedDirections[] = {"  N", "NNE", " NE", "ENE", "  E", "ESE",
                                                  " SE", "SSE", "  S", "SSW", " SW", "WSW",
                                                  "  W", "WNW", " NW", "NNW", "---"};

// `text` right-aligned in `width` characters, as "%*s" prints it. A text that needs no
// padding is bound where it lies: copying it cost an allocation per column and record.
void bind_padded(sqlite3_stmt* st, int index, std::string_view text, std::size_t width)
{
    if (text.size() >= width) {
        sqlite3_bind_text(st, index, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
        return;
    }
    std::string padded(width - text.size(), ' ');
    padded += text;
    for (std::string_view known : kPaddedDirections)
        if (known == padded) {
            sqlite3_bind_text(st, index, known.data(), static_cast<int>(known.size()),
                              SQLITE_STATIC);
            return;
        }
    sqlite3_bind_text(st, index, padded.data(), static_cast<int>(padded.size()), SQLITE_TRANSIENT);
}

void append_padded(std::string& out, std::string_view text, std::size_t width)
{
    if (text.size() < width) out.append(width - text.size(), ' ');
    out += text;
}

// ",%<width>.<decimals>f", or ",NULL". The scaled value round_as_printed divides is exactly
// the printed number without its decimal point, so its digits are printf's digits, without
// the cost of a float conversion per value (a re-import prints every record).
void append_real(std::string& out, float value, int width, int decimals, bool missing)
{
    out += ',';
    if (missing) {
        out += "NULL";
        return;
    }
    char buffer[64];
    char* const end = buffer + sizeof buffer;
    std::string_view text;
    const double scaled = std::nearbyint(static_cast<double>(value) * kScale[decimals]);
    if (std::fabs(scaled) < 1e15) {
        char* p = end;
        auto digits = static_cast<std::uint64_t>(std::fabs(scaled));
        for (int i = 0; i < decimals; ++i, digits /= 10)
            *--p = static_cast<char>('0' + digits % 10);
        if (decimals > 0) *--p = '.';
        do {
            *--p = static_cast<char>('0' + digits % 10);
            digits /= 10;
        } while (digits != 0);
        if (std::signbit(value)) *--p = '-';  // printf keeps the sign of what rounds to zero
        text = std::string_view(p, static_cast<std::size_t>(end - p));
    } else {  // NaN, infinities and numbers too large for the digits above
        const auto r = std::to_chars(buffer, end, static_cast<double>(value),
                                     std::chars_format::fixed, decimals);
        text = std::string_view(buffer, static_cast<std::size_t>(r.ptr - buffer));
    }
    append_padded(out, text, static_cast<std::size_t>(width));
}

void append_int(std::string& out, int value, int width, bool missing)
{
    out += ',';
    if (missing) {
        out += "NULL";
        return;
    }
    char buffer[16];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, value);
    append_padded(out, std::string_view(buffer, static_cast<std::size_t>(r.ptr - buffer)),
                  static_cast<std::size_t>(width));
}

bool gone(float v)
{
    return v == kMissing;
}

bool gone_byte(float v)
{
    return v == kMissingByteValue;
}

}  // namespace

double round_as_printed(double value, int decimals)
{
    const double scale = kScale[decimals];
    return std::nearbyint(value * scale) / scale;
}

std::string insert_sql(std::string_view table)
{
    std::string sql = "INSERT INTO ";
    sql += table;
    sql += " values(?";
    for (int i = 1; i < 23; ++i) sql += ",?";
    return sql + ")";
}

void bind_weather(sqlite3_stmt* st, const WeatherData& w)
{
    bind_padded(st, 1, w.Year, 4);
    bind_padded(st, 2, w.Month, 2);
    bind_padded(st, 3, w.Day, 2);
    bind_padded(st, 4, w.Time, 5);
    bind_real(st, 5, w.Temperature, 3, gone(w.Temperature));
    bind_real(st, 6, w.HiTemp, 3, gone(w.HiTemp));
    bind_real(st, 7, w.LowTemp, 3, gone(w.LowTemp));
    bind_int(st, 8, w.Humidity, w.Humidity == kMissingInt);
    bind_real(st, 9, w.Dewpoint, 3, gone(w.Dewpoint));
    bind_real(st, 10, w.Pressure, 3, gone(w.Pressure));
    bind_real(st, 11, w.Windspeed, 3, gone(w.Windspeed));
    bind_real(st, 12, w.Gustspeed, 3, gone(w.Gustspeed));
    bind_padded(st, 13, w.Direction, 3);
    bind_real(st, 14, w.Rain, 3, false);
    bind_real(st, 15, w.RainRate, 3, false);
    bind_real(st, 16, w.HeatIndex, 3, gone(w.HeatIndex));
    bind_real(st, 17, w.Windchill, 3, gone(w.Windchill));
    bind_int(st, 18, w.SolarRad, w.SolarRad == kMissingInt);
    bind_int(st, 19, w.HiSolarRad, w.HiSolarRad == kMissingInt);
    bind_real(st, 20, w.ET, 3, gone_byte(w.ET));
    bind_real(st, 21, w.UV, 1, gone_byte(w.UV));
    bind_real(st, 22, w.HiUV, 1, gone_byte(w.HiUV));
    bind_real(st, 23, w.WindRun, 2, false);
}

std::string insert_text(std::string_view table, const WeatherData& w)
{
    std::string out;
    out.reserve(256);
    out += "INSERT INTO ";
    out += table;
    out += " values('";
    append_padded(out, w.Year, 4);
    out += "','";
    append_padded(out, w.Month, 2);
    out += "','";
    append_padded(out, w.Day, 2);
    out += "','";
    append_padded(out, w.Time, 5);
    out += '\'';
    append_real(out, w.Temperature, 7, 3, gone(w.Temperature));
    append_real(out, w.HiTemp, 7, 3, gone(w.HiTemp));
    append_real(out, w.LowTemp, 7, 3, gone(w.LowTemp));
    append_int(out, w.Humidity, 3, w.Humidity == kMissingInt);
    append_real(out, w.Dewpoint, 7, 3, gone(w.Dewpoint));
    append_real(out, w.Pressure, 8, 3, gone(w.Pressure));
    append_real(out, w.Windspeed, 7, 3, gone(w.Windspeed));
    append_real(out, w.Gustspeed, 7, 3, gone(w.Gustspeed));
    out += ",'";
    append_padded(out, w.Direction, 3);
    out += '\'';
    append_real(out, w.Rain, 7, 3, false);
    append_real(out, w.RainRate, 8, 3, false);
    append_real(out, w.HeatIndex, 7, 3, gone(w.HeatIndex));
    append_real(out, w.Windchill, 7, 3, gone(w.Windchill));
    append_int(out, w.SolarRad, 5, w.SolarRad == kMissingInt);
    append_int(out, w.HiSolarRad, 5, w.HiSolarRad == kMissingInt);
    append_real(out, w.ET, 7, 3, gone_byte(w.ET));
    append_real(out, w.UV, 4, 1, gone_byte(w.UV));
    append_real(out, w.HiUV, 4, 1, gone_byte(w.HiUV));
    append_real(out, w.WindRun, 6, 2, false);
    out += ')';
    return out;
}

}  // namespace nimbora
