// SPDX-License-Identifier: GPL-3.0-or-later
// schedule.h: the upload schedule's decisions: what the 10-second tick starts, which changed
// file asks for an upload, which folders the watch covers and what the stop undoes. Plain
// functions of the settings, the flags and a given local time; the timers and the watchers
// that act on them live in automation/Scheduler.
#pragma once

#include "config/Settings.h"
#include "config/function.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace nimbora {

inline constexpr int kTickMs = 10000;           // the schedule's tick
inline constexpr int kRepeatQuietMs = 1000;     // a file reported again within this is a burst
inline constexpr std::size_t kMaxWatched = 11;  // ten listed files' folders and the reports'

struct StartTime {
    int hour = 0, minute = 0;
};

// `TimeStart` split as the schedule reads it: five characters are "HH?MM", anything else
// "H?MM" (the separator is not examined). Each part is read as atoi reads it, so non-digits
// and missing characters give 0.
StartTime split_TimeStart(std::string_view TimeStart);

enum class TickAction { nothing, start_timer, start_watch };

struct TickDecision {
    TickAction action = TickAction::nothing;
    int period_ms = 0;  // start_timer: IntervMin minutes, in milliseconds
};

// What the tick at local time `now` starts. Nothing while `TimerActive` is set or automatic
// upload is off. "On file change" (IntervMin 0) starts the folder watch at once; a periodic
// interval starts its timer at the first tick at or after `TimeStart` of the day, the hour and
// minute taken together (started at 09:10 with 08:30, it starts at once).
TickDecision tick_decision(const Settings& s, int TimerActive, const LocalTime& now);

// The current month's report as the upload names it: "May_2008.txt".
std::string current_report_name(const LocalTime& now);

// The file name of a path: what follows its last separator (the whole text without one).
std::string_view file_name_part(std::string_view path);
// The folder of a path, up to and including its last separator ("" without one).
std::string_view folder_part(std::string_view path);

// True when a change of the file `name` (relative to its watched folder) asks for an upload:
// it equals, exactly and in letter case, the current month's report name while ReportUpload
// is on, or the file name of a listed upload file. A name with a folder part never matches.
bool change_counts(const Settings& s, std::string_view name, const LocalTime& now);

// The folders the watch covers, in order: the folder of each listed file (up to the first
// empty entry), skipping one equal to the folder just before it, then, while ReportUpload is
// on, the report folder unless it is already in the list. At most kMaxWatched.
std::vector<std::string> watch_folders(const Settings& s);

enum class StopAction { nothing, kill_timer, stop_watch };

// What the stop sequence undoes for a schedule started with interval `started_IntervMin`
// (the interval in force then, not the one in the settings now). Nothing when it is not
// running.
StopAction stop_decision(bool running, int started_IntervMin);

// One watched folder's repeat filter: a burst of reports of one file is one request. A name
// is posted when it differs from the last one posted, or when more than kRepeatQuietMs have
// passed since that post. Times are milliseconds of a monotonic clock.
class RepeatFilter {
public:
    // True when the change of `name` at `now_ms` is to be posted; remembers it if so.
    bool should_post(std::string_view name, std::int64_t now_ms);

private:
    std::string last_;
    std::int64_t posted_ms_ = 0;
    bool posted_ = false;
};

}  // namespace nimbora
