#include "config/CalcRain.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

namespace nimbora {
namespace {

template <std::size_t N>
void copy_text(char (&dst)[N], std::string_view src)
{
    const std::size_t n = src.size() < N - 1 ? src.size() : N - 1;
    std::memcpy(dst, src.data(), n);
    dst[n] = '\0';
}

int atoi_of(std::string_view text)
{
    return std::atoi(std::string(text).c_str());
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
}

void CalcRain::evaluate(std::size_t window, const Entry& e)
{
    Max& m = max_[window];
    if (e.sum > m.rain) {  // strictly greater: ties keep the earlier maximum
        m.rain = e.sum;
        std::memcpy(m.day, e.day, sizeof m.day);
        std::memcpy(m.month, e.month, sizeof m.month);
        std::memcpy(m.year, e.year, sizeof m.year);
        std::memcpy(m.time, e.time, sizeof m.time);
    }
}

void CalcRain::add(std::string_view day, std::string_view month, std::string_view year,
                   std::string_view time, double rain)
{
    const int t = atoi_of(time.substr(0, 2)) * 60 +
                  atoi_of(time.substr(std::min<std::size_t>(3, time.size()), 2));
    char row_day[3];
    copy_text(row_day, day);
    for (std::size_t w = 0; w < rings_.size(); ++w) {
        Ring& r = rings_[w];
        if (rain > 0) {
            if (r.count == kRing) {  // never overwrite an open accumulation: close the oldest
                evaluate(w, r.at(0));
                r.read = (r.read + 1) & (kRing - 1);
                --r.count;
            }
            Entry& e = r.at(r.count++);
            e = Entry{};
            e.start = t;
            e.sum = 0;
            copy_text(e.opening_day, day);
        }
        // Closed accumulations drop out; the open ones keep their order.
        std::size_t kept = 0;
        for (std::size_t i = 0; i < r.count; ++i) {
            Entry e = r.at(i);
            const int now = std::strcmp(e.opening_day, row_day) == 0 ? t : t + 1440;
            if (now - e.start >= kWindowMinutes[w]) {
                evaluate(w, e);
                continue;
            }
            if (rain > 0) {
                e.sum = static_cast<float>(static_cast<double>(e.sum) + rain);
                copy_text(e.day, day);
                copy_text(e.month, month);
                copy_text(e.year, year);
                copy_text(e.time, time);
            }
            r.at(kept++) = e;
        }
        r.count = kept;
        if (kept == 0) r.read = 0;
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
