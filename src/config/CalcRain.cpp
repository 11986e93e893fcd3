// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/CalcRain.h"

#include <algorithm>
#include <cstring>

namespace nimbora {
namespace {

template <std::size_t N>
void copy_text(char (&dst)[N], std::string_view src)
{
    const std::size_t n = src.size() < N - 1 ? src.size() : N - 1;
    std::memcpy(dst, src.data(), n);
    dst[n] = '\0';
}

// What atoi reads from `text`: blanks, a sign, then digits.
int atoi_of(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    int n = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) n = n * 10 + (text[i] - '0');
    return negative ? -n : n;
}

// The day text cut to two characters, as a number that compares as the text does.
int day_key(std::string_view day)
{
    const auto at = [&](std::size_t i) {
        return i < day.size() ? static_cast<unsigned char>(day[i]) : 0;
    };
    return at(0) == 0 ? 0 : (at(0) << 8 | at(1));
}

}  // namespace

CalcRain::CalcRain()
{
    reset();
}

void CalcRain::reset()
{
    for (Ring& r : rings_) r.read = r.count = 0;
    max_.fill(Max{});
    last_ = Max{};
}

void CalcRain::evaluate(std::size_t window, const Entry& e)
{
    Max& m = max_[window];
    if (e.sum > m.rain) {  // strictly greater: ties keep the earlier maximum
        m.rain = e.sum;
        std::memcpy(m.day, last_.day, sizeof m.day);
        std::memcpy(m.month, last_.month, sizeof m.month);
        std::memcpy(m.year, last_.year, sizeof m.year);
        std::memcpy(m.time, last_.time, sizeof m.time);
    }
}

void CalcRain::add(std::string_view day, std::string_view month, std::string_view year,
                   std::string_view time, double rain)
{
    const int t = atoi_of(time.substr(0, 2)) * 60 +
                  atoi_of(time.substr(std::min<std::size_t>(3, time.size()), 2));
    const int row_day = day_key(day);
    for (std::size_t w = 0; w < rings_.size(); ++w) {
        Ring& r = rings_[w];
        if (rain > 0) {
            if (r.count == kRing) {  // never overwrite an open accumulation: close the oldest
                evaluate(w, r.at(0));
                r.read = (r.read + 1) & (kRing - 1);
                --r.count;
            }
            r.at(r.count++) = Entry{t, 0, row_day};
        }
        // Closed accumulations drop out; the open ones keep their order.
        std::size_t kept = 0;
        for (std::size_t i = 0; i < r.count; ++i) {
            Entry& e = r.at(i);
            const int now = e.opening_day == row_day ? t : t + 1440;
            if (now - e.start >= kWindowMinutes[w]) {
                evaluate(w, e);
                continue;
            }
            if (rain > 0) e.sum = static_cast<float>(static_cast<double>(e.sum) + rain);
            if (kept != i) r.at(kept) = e;
            ++kept;
        }
        r.count = kept;
        if (kept == 0) r.read = 0;
    }
    if (rain > 0) {
        copy_text(last_.day, day);
        copy_text(last_.month, month);
        copy_text(last_.year, year);
        copy_text(last_.time, time);
    }
}

void CalcRain::finish()
{
    for (std::size_t w = 0; w < rings_.size(); ++w) {
        Ring& r = rings_[w];
        for (std::size_t i = 0; i < r.count; ++i) evaluate(w, r.at(i));
        r.read = r.count = 0;
    }
}

}  // namespace nimbora
