// SPDX-License-Identifier: GPL-3.0-or-later
// CalcRain.h: the largest rain over sliding windows of 10 minutes to 24 hours, fed one
// database row at a time in time order.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>
#include <vector>

namespace nimbora {

class CalcRain {
public:
    static constexpr std::array<int, 9> kWindowMinutes = {10, 20, 30, 60, 180, 360, 540, 720, 1440};
    static constexpr std::size_t kRing = 2048;  // open accumulations per window

    // The largest accumulation of one window, in stored units (mm), and the day, month, year
    // and time texts of its last rainy row; zero and empty texts while there is none.
    struct Max {
        float rain = 0;
        char day[3] = {}, month[3] = {}, year[5] = {}, time[6] = {};
    };

    CalcRain();

    // Forgets every accumulation and maximum.
    void reset();

    // One row (the texts as stored: "05", "03", "2012", "10:05"). A rainy row opens an
    // accumulation in every window; every accumulation that has run at least its window's
    // minutes by this row is closed before the row's rain is added to the others. A row of
    // another day counts as the next day, whatever the gap.
    void add(std::string_view day, std::string_view month, std::string_view year,
             std::string_view time, double rain);

    // Evaluates the accumulations still open, as if the next row had closed them.
    void finish();

    const Max& max(std::size_t window) const { return max_[window]; }

private:
    // An open accumulation. Every open one has seen the last rainy row, so the texts of that
    // row are kept once, in `last_`.
    struct Entry {
        int start;  // minute of the day of the opening row
        float sum;
        int opening_day;  // the opening row's day text, its two characters as a number
    };
    struct Ring {
        std::vector<Entry> entries = std::vector<Entry>(kRing);
        std::size_t read = 0, count = 0;
        Entry& at(std::size_t i) { return entries[(read + i) & (kRing - 1)]; }
    };

    void evaluate(std::size_t window, const Entry& e);

    std::array<Ring, kWindowMinutes.size()> rings_;
    std::array<Max, kWindowMinutes.size()> max_;
    Max last_;  // the texts of the last rainy row
};

}  // namespace nimbora
