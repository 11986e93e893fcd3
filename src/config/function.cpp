// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/function.h"

#include "config/format.h"

#include <cctype>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <system_error>

namespace nimbora {
namespace {

int atoi_of(std::string_view text)
{
    return std::atoi(std::string(text).c_str());
}

bool is_space(char c)
{
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

}  // namespace

LocalTime local_now()
{
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t t = system_clock::to_time_t(now);
    std::tm tm{};
    localtime_r(&t, &tm);
    LocalTime lt;
    lt.year = tm.tm_year + 1900;
    lt.month = tm.tm_mon + 1;
    lt.day_of_week = tm.tm_wday;
    lt.day = tm.tm_mday;
    lt.hour = tm.tm_hour;
    lt.minute = tm.tm_min;
    lt.second = tm.tm_sec;
    lt.milliseconds =
        static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
    return lt;
}

int CheckTime(std::string_view t)
{
    if (t.size() < 4) return 1;
    char separator;
    int hour, minute;
    if (t.size() == 4) {
        separator = t[1];
        hour = atoi_of(t.substr(0, 1));
        minute = atoi_of(t.substr(2, 2));
    } else {
        separator = t[2];
        hour = atoi_of(t.substr(0, 2));
        minute = atoi_of(t.substr(3, 2));
    }
    if (separator != '.' && separator != ':') return 1;
    if (hour > 23 || hour < 0 || minute < 0 || minute > 59) return 1;
    return 0;
}

std::string& TrasfTime(std::string& t)
{
    if (t == "24:00") t = "00:00";
    return t;
}

std::string_view ltrim(std::string_view text)
{
    while (!text.empty() && is_space(text.front())) text.remove_prefix(1);
    return text;
}

std::string& rtrim(std::string& text)
{
    while (!text.empty() && is_space(text.back())) text.pop_back();
    return text;
}

std::string trim(std::string_view text)
{
    std::string out(ltrim(text));
    return rtrim(out);
}

std::string MkTipMsg(const Settings& s, std::string_view StationName, int TimerActive)
{
    const std::string head =
        strf("%s - [%.*s]\n\n", Version, static_cast<int>(StationName.size()), StationName.data());
    if (s.TransferEnabled == 0) return head + "FTP Upload  OFF";
    if (s.IntervMin > 0) {
        if (TimerActive) return head + "FTP Upload ON (Every: " + s.Interval + ")";
        return head + "FTP Upload ON (Next Start: " + s.TimeStart + ")";
    }
    return head + "FTP Upload ON (" + s.Interval + ")";
}

std::string_view status_part(std::string_view tip)
{
    const std::size_t at = tip.find("\n\n");
    return at == std::string_view::npos ? tip : tip.substr(at + 2);
}

std::string MkDate(const LocalTime& lt)
{
    return strf("%02d/%02d/%4d %02d:%02d", lt.day, lt.month, lt.year, lt.hour, lt.minute);
}

bool list_box_less(const std::string& a, const std::string& b)
{
    const auto lower = [](const std::string& text) {
        std::string out = text;
        for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return out;
    };
    const std::string la = lower(a), lb = lower(b);
    return la != lb ? la < lb : a < b;
}

int ChkDir(const std::string& folder)
{
    std::error_code ec;
    return !folder.empty() && std::filesystem::is_directory(folder, ec) ? 0 : 1;
}

}  // namespace nimbora
