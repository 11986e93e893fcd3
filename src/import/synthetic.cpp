// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/synthetic.h"

#include <cmath>
#include <random>
#include <stdexcept>

// Every figure here is made with +, -, *, / and floor on doubles, and random bits from
// std::mt19937 and a fixed integer hash: those give the same bits on every platform, where
// the library's sin, exp or *_distribution need not.

namespace nimbora {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kTipMm = 0.2;  // collector type 2
constexpr int kCollectorType = 2;

// cos(2 pi turns), from its Taylor series around the nearest half turn.
double cycle(double turns)
{
    const double x = 2.0 * kPi * (turns - std::floor(turns) - 0.5);  // -pi..pi
    const double x2 = x * x;
    double term = 1.0, sum = 1.0;
    for (int k = 1; k <= 12; ++k) {
        term *= -x2 / static_cast<double>((2 * k - 1) * (2 * k));
        sum += term;
    }
    return -sum;
}

std::uint64_t mix(std::uint64_t x)
{
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

// Independent slow weather quantities: each smooth noise has its own channel.
enum Channel : std::uint64_t {
    kCloud = 1,
    kRain,
    kTempSlow,
    kTempFast,
    kHumidity,
    kPressureSlow,
    kPressureFast,
    kWind,
    kDirection,
};

// In [0, 1), from the top 53 bits of the hash of (seed, channel, knot).
double hashed_unit(std::uint32_t seed, Channel channel, std::int64_t knot)
{
    const std::uint64_t h =
        mix(mix((std::uint64_t{seed} << 8) ^ channel) ^ static_cast<std::uint64_t>(knot));
    return static_cast<double>(h >> 11) * 0x1.0p-53;
}

// A smooth random curve in [-1, 1] over `days`, with a fresh value every `knot_days`.
double smooth(std::uint32_t seed, Channel channel, double days, double knot_days)
{
    const double x = days / knot_days;
    const double k = std::floor(x);
    const double f = x - k;
    const auto i = static_cast<std::int64_t>(k);
    const double a = 2.0 * hashed_unit(seed, channel, i) - 1.0;
    const double b = 2.0 * hashed_unit(seed, channel, i + 1) - 1.0;
    return a + (b - a) * f * f * (3.0 - 2.0 * f);
}

// Days since 1970-01-01 of a proleptic Gregorian date.
std::int64_t days_from_civil(int y, int m, int d)
{
    y -= m <= 2 ? 1 : 0;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return std::int64_t{era} * 146097 + doe - 719468;
}

double clamp(double v, double low, double high)
{
    return v < low ? low : (v > high ? high : v);
}

int round_int(double v)
{
    return static_cast<int>(std::floor(v + 0.5));
}

// Rounded into the signed 16-bit range, short of both missing markers.
std::int16_t raw16(double v)
{
    return static_cast<std::int16_t>(round_int(clamp(v, -32767.0, 32766.0)));
}

std::uint8_t raw8(double v)
{
    return static_cast<std::uint8_t>(round_int(clamp(v, 0.0, 254.0)));
}

class Noise {
public:
    explicit Noise(std::uint32_t seed) : rng_(seed) {}
    double unit() { return static_cast<double>(rng_()) * 0x1.0p-32; }
    // Mean 0, standard deviation 1, within +-3.5.
    double gauss() { return (unit() + unit() + unit() + unit() - 2.0) * 1.7320508075688772; }
    std::uint32_t bits() { return static_cast<std::uint32_t>(rng_()); }

private:
    std::mt19937 rng_;
};

// Blanks one sensor with its marker.
void drop_sensor(WlkArchiveRecord& r, std::uint32_t which)
{
    switch (which % 9) {
    case 0:
        r.temperature = r.hi_temperature = r.low_temperature = kRawMissing;
        break;
    case 1:
        r.humidity = kRawMissing;
        break;
    case 2:
        r.wind_speed = r.hi_wind_speed = kRawMissing;
        break;
    case 3:
        r.wind_direction = kRawMissingByte;
        break;
    case 4:
        r.solar_rad = r.hi_solar_rad = kRawSolarMissingHigh;
        break;
    case 5:
        r.uv = r.hi_uv = kRawMissingByte;
        break;
    case 6:
        r.et = kRawMissingByte;
        break;
    case 7:
        r.barometer = kRawMissing;
        break;
    default:
        r.rain_rate = kRawMissing;
        break;
    }
}

}  // namespace

std::vector<SyntheticDay> synthetic_month(int year, int month, int interval_minutes,
                                          std::uint32_t seed)
{
    if (year < 1 || year > 9999 || month < 1 || month > 12)
        throw std::invalid_argument("synthetic month outside 0001-01..9999-12");
    if (interval_minutes < 1 || interval_minutes > 255)
        throw std::invalid_argument("synthetic interval outside 1..255 minutes");

    const std::int64_t first = days_from_civil(year, month, 1);
    const std::int64_t next =
        month == 12 ? days_from_civil(year + 1, 1, 1) : days_from_civil(year, month + 1, 1);
    const std::int64_t new_year = days_from_civil(year, 1, 1);
    const double interval = interval_minutes;

    Noise noise(static_cast<std::uint32_t>(
        mix((std::uint64_t{seed} << 20) ^ static_cast<std::uint64_t>(year * 12 + month))));
    double tips_owed = 0, et_owed = 0;  // fractions carried to the next record

    std::vector<SyntheticDay> days;
    for (std::int64_t date = first; date < next; ++date) {
        SyntheticDay& day = days.emplace_back();
        day.day = static_cast<int>(date - first) + 1;
        day.records.reserve(static_cast<std::size_t>(1440 / interval_minutes));
        for (int end = interval_minutes; end <= 1440; end += interval_minutes) {
            const double minute = end - interval / 2.0;  // middle of the period
            const double t = static_cast<double>(date) + minute / 1440.0;
            const double year_day = static_cast<double>(date - new_year) + minute / 1440.0;
            const double season = cycle((year_day - 200.0) / 365.25);  // +1 in late July
            const double summer = (season + 1.0) / 2.0;                // 0..1

            const double cloud = clamp(0.45 + 0.7 * smooth(seed, kCloud, t, 1.5), 0.0, 1.0);
            const double wet = smooth(seed, kRain, t, 0.125) - 0.45;
            const double rain_mm_h = wet > 0 && cloud > 0.6 ? wet * 8.0 * cloud : 0.0;
            const bool raining = rain_mm_h > 0;

            // Coldest around 03:00, warmest around 15:00; clouds narrow the swing.
            const double diurnal = cycle((minute - 900.0) / 1440.0);
            const double swing = (3.0 + 3.0 * summer) * (1.0 - 0.6 * cloud);
            const double temp_c = 11.0 + 10.0 * season + 4.0 * smooth(seed, kTempSlow, t, 3.0) +
                                  1.5 * smooth(seed, kTempFast, t, 0.7) + swing * diurnal -
                                  (raining ? 1.5 : 0.0) + 0.15 * noise.gauss();
            const double spread_c = 0.05 + 0.02 * clamp(interval, 1.0, 60.0);

            const double humidity = clamp(
                72.0 - 18.0 * diurnal * (1.0 - 0.5 * cloud) + 18.0 * (cloud - 0.5) +
                    5.0 * smooth(seed, kHumidity, t, 2.0) + (raining ? 20.0 : 0.0) + noise.gauss(),
                8.0, 100.0);

            // Weather systems, and the small twice-daily tide peaking at 10:00 and 22:00.
            const double hpa = 1014.0 + 13.0 * smooth(seed, kPressureSlow, t, 2.5) +
                               4.0 * smooth(seed, kPressureFast, t, 0.6) +
                               0.6 * cycle((minute - 600.0) / 720.0) - (raining ? 2.0 : 0.0) +
                               0.1 * noise.gauss();

            const double base_kmh =
                9.0 + 7.0 * smooth(seed, kWind, t, 1.0) + 4.0 * diurnal + 1.5 * rain_mm_h;
            const double wind_kmh = clamp(base_kmh * (1.0 + 0.3 * noise.gauss()), 0.0, 150.0);
            const double gust_kmh = wind_kmh + (0.5 * wind_kmh + 4.0) * std::fabs(noise.gauss());
            const double heading =
                240.0 + 110.0 * smooth(seed, kDirection, t, 2.0) + 20.0 * noise.gauss();

            // Daylight from 12 hours +- 3.8 over the year, centred on noon.
            const double day_minutes = (12.0 + 3.8 * season) * 60.0;
            const double s = (minute - (720.0 - day_minutes / 2.0)) / day_minutes;
            double solar = 0;
            if (s > 0 && s < 1) {
                const double height = cycle(s / 2.0 - 0.25);  // sin(pi s)
                solar = (520.0 + 430.0 * summer) * height * (0.25 + 0.75 * height) *
                        (1.0 - 0.72 * cloud) * (1.0 + 0.05 * noise.gauss()) * (raining ? 0.5 : 1.0);
                solar = clamp(solar, 0.0, 1300.0);
            }
            const double hi_solar = solar * (1.0 + 0.08 * std::fabs(noise.gauss()));
            const double uv_index = solar / 1000.0 * (3.0 + 7.0 * summer);
            const double hi_uv_index = uv_index * (1.0 + 0.05 * std::fabs(noise.gauss()));

            tips_owed += rain_mm_h * interval / 60.0 / kTipMm;
            const int tips = static_cast<int>(clamp(std::floor(tips_owed), 0.0, 4095.0));
            tips_owed -= tips;
            const double rate_tips_h =
                tips > 0 ? rain_mm_h * (1.0 + 0.3 * std::fabs(noise.gauss())) / kTipMm : 0.0;

            const double et_mm_h = solar * (0.0004 + 0.00001 * clamp(temp_c, 0.0, 40.0));
            et_owed += et_mm_h * interval / 60.0 / 25.4 * 1000.0;
            const double et = std::floor(et_owed);
            et_owed -= et;

            WlkArchiveRecord r;
            r.type = kWlkArchiveType;
            r.interval = static_cast<std::uint8_t>(interval_minutes);
            r.time = static_cast<std::int16_t>(end);
            const double temp_f10 = (temp_c * 9.0 / 5.0 + 32.0) * 10.0;
            const double spread_f10 = spread_c * 18.0;
            r.temperature = raw16(temp_f10);
            r.hi_temperature = raw16(temp_f10 + spread_f10 * std::fabs(noise.gauss()));
            r.low_temperature = raw16(temp_f10 - spread_f10 * std::fabs(noise.gauss()));
            r.barometer = raw16(hpa * 1000.0 / 33.86389);
            r.humidity = raw16(round_int(humidity) * 10.0);
            r.rain = wlk_rain(kCollectorType, tips);
            r.rain_rate = raw16(rate_tips_h);
            r.wind_speed = raw16(wind_kmh / 1.60934 * 10.0);
            r.hi_wind_speed = raw16(gust_kmh / 1.60934 * 10.0);
            if (r.hi_wind_speed < r.wind_speed) r.hi_wind_speed = r.wind_speed;
            if (r.wind_speed == 0) {
                r.wind_direction = kRawMissingByte;  // calm: no direction
            } else {
                const int code = round_int(heading / 22.5) % 16;
                r.wind_direction = static_cast<std::uint8_t>(code < 0 ? code + 16 : code);
            }
            r.solar_rad = raw16(solar);
            r.hi_solar_rad = raw16(hi_solar);
            r.uv = raw8(uv_index * 10.0);
            r.hi_uv = raw8(hi_uv_index * 10.0);
            r.et = raw8(et);

            // About one record in 400 misses one sensor.
            if (noise.bits() % 400 == 0) drop_sensor(r, noise.bits());
            day.records.push_back(r);
        }
    }
    return days;
}

WlkWriter synthetic_wlk(int year, int month, int interval_minutes, std::uint32_t seed)
{
    WlkWriter writer;
    for (SyntheticDay& d : synthetic_month(year, month, interval_minutes, seed))
        writer.add_day(d.day, std::move(d.records));
    return writer;
}

bool write_synthetic_month(const std::string& path, int year, int month, int interval_minutes,
                           std::uint32_t seed)
{
    return synthetic_wlk(year, month, interval_minutes, seed).write(path);
}

}  // namespace nimbora
