// SPDX-License-Identifier: GPL-3.0-or-later
#include "upload/schedule.h"

#include "config/format.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace nimbora {
namespace {

// Folder separators of this platform: Windows paths may use either slash.
constexpr std::string_view kSeparators =
    std::filesystem::path::preferred_separator == '\\' ? "\\/" : "/";

int read_number(std::string_view text, std::size_t from, std::size_t count)
{
    if (from >= text.size()) return 0;
    const std::string part(text.substr(from, count));
    return std::atoi(part.c_str());
}

}  // namespace

StartTime split_TimeStart(std::string_view TimeStart)
{
    if (TimeStart.size() == 5) return {read_number(TimeStart, 0, 2), read_number(TimeStart, 3, 2)};
    return {read_number(TimeStart, 0, 1), read_number(TimeStart, 2, 2)};
}

TickDecision tick_decision(const Settings& s, int TimerActive, const LocalTime& now)
{
    if (s.TransferEnabled == 0 || TimerActive != 0) return {};
    if (s.IntervMin == 0) return {TickAction::start_watch, 0};
    if (s.IntervMin < 0) return {};
    const StartTime start = split_TimeStart(s.TimeStart);
    if (now.hour * 60 + now.minute < start.hour * 60 + start.minute) return {};
    return {TickAction::start_timer, s.IntervMin * 60000};
}

std::string current_report_name(const LocalTime& now)
{
    if (now.month < 1 || now.month > 12) return {};
    return strf("%s_%d.txt", mesi[static_cast<std::size_t>(now.month - 1)], now.year);
}

std::string_view file_name_part(std::string_view path)
{
    const std::size_t at = path.find_last_of(kSeparators);
    return at == std::string_view::npos ? path : path.substr(at + 1);
}

std::string_view folder_part(std::string_view path)
{
    const std::size_t at = path.find_last_of(kSeparators);
    return at == std::string_view::npos ? std::string_view{} : path.substr(0, at + 1);
}

bool change_counts(const Settings& s, std::string_view name, const LocalTime& now)
{
    if (name.empty()) return false;
    if (s.ReportUpload > 0 && name == current_report_name(now)) return true;
    for (const std::string& entry : s.FileList) {
        if (entry.empty()) break;
        if (name == file_name_part(entry)) return true;
    }
    return false;
}

std::vector<std::string> watch_folders(const Settings& s)
{
    std::vector<std::string> folders;
    for (const std::string& entry : s.FileList) {
        if (entry.empty()) break;
        const std::string_view folder = folder_part(entry);
        if (folders.empty() || folders.back() != folder) folders.emplace_back(folder);
    }
    if (s.ReportUpload > 0 &&
        std::find(folders.begin(), folders.end(), s.InitPathRep) == folders.end())
        folders.push_back(s.InitPathRep);
    if (folders.size() > kMaxWatched) folders.resize(kMaxWatched);
    return folders;
}

StopAction stop_decision(bool running, int started_IntervMin)
{
    if (!running) return StopAction::nothing;
    return started_IntervMin >= 1 ? StopAction::kill_timer : StopAction::stop_watch;
}

bool RepeatFilter::should_post(std::string_view name, std::int64_t now_ms)
{
    if (posted_ && name == last_ && now_ms - posted_ms_ <= kRepeatQuietMs) return false;
    last_ = std::string(name);
    posted_ms_ = now_ms;
    posted_ = true;
    return true;
}

}  // namespace nimbora
