// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Console.h"

#include <termios.h>
#include <unistd.h>

#include <istream>
#include <ostream>
#include <string>

namespace nimbora {

void CliOwner::end_status_line()
{
    if (!status_shown_) return;
    console_.err << "\r\033[K";
    status_shown_ = false;
}

void CliOwner::message(std::string_view caption, std::string_view text, Icon icon)
{
    end_status_line();
    console_.err << caption << ": " << text << '\n';
    console_.err.flush();
    if (icon == Icon::error) failed_ = true;
}

bool CliOwner::question(std::string_view caption, std::string_view text, Icon, bool unanswered)
{
    end_status_line();
    console_.err << caption << ": " << text << (unanswered ? " [Yes]" : " [No]") << '\n';
    console_.err.flush();
    return unanswered;
}

void CliOwner::status(std::string_view text)
{
    if (!console_.err_is_terminal) return;
    console_.err << "\r\033[K" << text;
    console_.err.flush();
    status_shown_ = !text.empty();
}

void CliOwner::progress_range(int low, int high)
{
    low_ = low;
    high_ = high;
    position_ = low;
}

void CliOwner::progress_step(int step)
{
    position_ += step;
    if (!console_.err_is_terminal || high_ <= low_) return;
    const int percent = (position_ - low_) * 100 / (high_ - low_);
    console_.err << "\r\033[K" << percent << '%';
    console_.err.flush();
    status_shown_ = true;
}

void CliOwner::progress_reset()
{
    position_ = low_;
    end_status_line();
}

bool ask_yes_no(Console& console, std::string_view caption, std::string_view text)
{
    console.err << caption << ": " << text << " [y/N] ";
    console.err.flush();
    std::string answer;
    if (!std::getline(console.in, answer)) {
        console.err << '\n';
        return false;
    }
    return !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
}

std::optional<std::string> read_secret(Console& console, std::string_view caption,
                                       std::string_view text)
{
    termios saved{};
    bool echo_off = false;
    if (console.in_is_terminal) {
        // Echo goes off before the prompt shows: whatever is typed after it stays unseen.
        if (tcgetattr(STDIN_FILENO, &saved) == 0) {
            termios quiet = saved;
            quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
            echo_off = tcsetattr(STDIN_FILENO, TCSANOW, &quiet) == 0;
        }
        console.err << caption << ": " << text << ' ';
        console.err.flush();
    }
    std::string line;
    const bool got = static_cast<bool>(std::getline(console.in, line));
    if (echo_off) tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    if (console.in_is_terminal) console.err << '\n';
    if (!got && line.empty()) return std::nullopt;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

}  // namespace nimbora
