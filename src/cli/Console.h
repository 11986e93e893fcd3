// SPDX-License-Identifier: GPL-3.0-or-later
// Console.h: the command line's streams and its owner of jobs.
#pragma once

#include "jobs/Owner.h"

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

namespace nimbora {

struct Console {
    std::istream& in;
    std::ostream& out;  // only what the user asked for
    std::ostream& err;  // messages, questions and progress
    bool err_is_terminal = false;
    bool in_is_terminal = false;  // `in` is the process's standard input, on a terminal
};

// Messages go to stderr as "CAPTION: text"; status and progress only to a terminal.
class CliOwner : public Owner {
public:
    explicit CliOwner(Console& console) : console_(console) {}

    void message(std::string_view caption, std::string_view text, Icon icon) override;
    // A job on the command line has no one to ask (it may run unattended, as the daemon's
    // uploads do): the question is written to stderr as "CAPTION: text [No]" with the
    // answer taken, which is always `unanswered`. Commands that ask the person at the
    // terminal do so themselves, with ask_yes_no.
    bool question(std::string_view caption, std::string_view text, Icon icon,
                  bool unanswered) override;
    void status(std::string_view text) override;
    void progress_range(int low, int high) override;
    void progress_step(int step) override;
    void progress_reset() override;
    void busy(bool) override {}
    void menu_enabled(bool) override {}

    // True once an error was told: the command then ends with failure.
    bool failed() const { return failed_; }

private:
    void end_status_line();

    Console& console_;
    bool failed_ = false;
    bool status_shown_ = false;
    int low_ = 0, high_ = 0, position_ = 0;
};

// Asks a Yes/No question on the terminal: "CAPTION: text [y/N] ". Yes only for an answer
// beginning with 'y' or 'Y'; end of input is No.
bool ask_yes_no(Console& console, std::string_view caption, std::string_view text);

// One line from `in`, without its line end, for a secret such as a password: on a terminal
// it is asked for on stderr ("CAPTION: text ") and typed without echo. Empty at end of input
// with nothing read.
std::optional<std::string> read_secret(Console& console, std::string_view caption,
                                       std::string_view text);

}  // namespace nimbora
