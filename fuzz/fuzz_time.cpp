// SPDX-License-Identifier: GPL-3.0-or-later
// fuzz_time.cpp: walks arbitrary text through the start time's checks and readers: the
// Internet Settings dialog's "Starting at:" (any interval row), the schedule's reading of it
// and its trip through "nimbrep.dat". Traps on a read outside the text (the sanitizers catch
// those), an accepted time the schedule reads as another hour or minute or out of the day, a
// time that reads back from the settings file as something else, or a tick that starts the
// timer with another period than the interval's.
// Input: byte 0 the interval row, bytes 1-2 the hour and minute of "now", then the text.
#include "config/function.h"
#include "config/read_conf.h"
#include "upload/InternetFunc.h"
#include "upload/schedule.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

using namespace nimbora;

void check(bool ok)
{
    if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 3) return 0;
    const int row = data[0] % static_cast<int>(TimeInterval.size() + 2) - 1;  // -1 .. 14
    LocalTime now;
    now.hour = data[1] % 24;
    now.minute = data[2] % 60;
    const std::string text(reinterpret_cast<const char*>(data) + 3, size - 3);

    InternetForm f;
    f.interval = row;
    f.time_start = text;
    const bool refused = check_start_time(f).has_value();
    const bool periodic = start_time_enabled(row);
    if (periodic)
        check(refused == (text.size() > kTimeStartMax || CheckTime(text) != 0));
    else
        check(!refused);

    Settings s = apply_internet_form(Settings{}, f);
    check(s.TimeStart == text && IntervMin(s.Interval) == s.IntervMin);
    check(internet_form(s).time_start == text);

    std::string copy = text;
    TrasfTime(copy);
    check(copy == text || (text == "24:00" && copy == "00:00"));

    if (!refused && periodic) {
        const StartTime start = split_TimeStart(text);
        check(start.hour >= 0 && start.hour <= 23 && start.minute >= 0 && start.minute <= 59);
        const bool long_form = text.size() == 5;
        check(start.hour == std::atoi(text.substr(0, long_form ? 2 : 1).c_str()));

        // A time typed in the dialog (it takes no NUL) reads back from "nimbrep.dat" as typed.
        if (text.find('\0') == std::string::npos) {
            Settings back;
            apply_dat_record(dat_record(s), back);
            check(back.TimeStart == text);
        }

        s.TransferEnabled = 1;
        const TickDecision d = tick_decision(s, 0, now);
        const bool due = now.hour * 60 + now.minute >= start.hour * 60 + start.minute;
        check(d.action == (due ? TickAction::start_timer : TickAction::nothing));
        if (due) check(d.period_ms == s.IntervMin * 60000);
    }
    return 0;
}
