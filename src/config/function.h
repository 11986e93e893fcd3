// SPDX-License-Identifier: GPL-3.0-or-later
// function.h: small shared rules: time texts, trimming, the tray and status texts, the log
// time stamp and the folder test.
#pragma once

#include "config/Settings.h"

#include <array>
#include <string>
#include <string_view>

namespace nimbora {

// English month names, index month - 1; report and upload file names use them.
inline constexpr std::array<const char*, 12> mesi = {
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December"};

struct LocalTime {
    int year = 0, month = 0, day_of_week = 0, day = 0;
    int hour = 0, minute = 0, second = 0, milliseconds = 0;
};

// The clock, in local time.
LocalTime local_now();

// 0 when `t` is a valid time of day, 1 when not. Four characters are "H:MM", longer texts
// "HH:MM..." (characters after the minute are not examined); the separator is ':' or '.';
// hour 0..23 and minute 0..59, each read as the C library's atoi reads it (non-digits give 0).
int CheckTime(std::string_view t);

// Exactly "24:00" becomes "00:00"; any other text is left alone. Returns the text.
std::string& TrasfTime(std::string& t);

// Without leading / trailing / both kinds of white space (the C library's isspace class).
std::string_view ltrim(std::string_view text);
std::string& rtrim(std::string& text);
std::string trim(std::string_view text);

// The tray tip: "Nimbora - [station]", an empty line, and the upload state.
std::string MkTipMsg(const Settings& s, std::string_view StationName, int TimerActive);
// The part of a tip the main window's status bar shows: what follows the empty line.
std::string_view status_part(std::string_view tip);

// "%02d/%02d/%4d %02d:%02d": day, month, year, hour, minute (as in 04/12/2026 23:58).
std::string MkDate(const LocalTime& lt);

// The order of a sorted list box: letter case aside, then as the bytes go.
bool list_box_less(const std::string& a, const std::string& b);

// 1 when `folder` is not an existing folder, 0 when it is.
int ChkDir(const std::string& folder);

}  // namespace nimbora
