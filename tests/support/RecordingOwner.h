// SPDX-License-Identifier: GPL-3.0-or-later
// RecordingOwner.h: an owner that remembers what a job told it, for tests.
#pragma once

#include "jobs/Owner.h"

#include <deque>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <string>
#include <vector>

namespace nimbora::test {

// A message or a question, as a box would have shown it.
struct Message {
    std::string caption, text;
    Icon icon;
    bool asked = false;   // a question, not a message
    bool answer = false;  // what the question was answered (true: Yes)
};

// Records what it is told and asked, from any thread; answers questions as the test
// scripted. The windows of the desktop program reach it through AppState::boxes.
class RecordingOwner : public Owner {
public:
    void message(std::string_view caption, std::string_view text, Icon icon) override
    {
        Message m{std::string(caption), std::string(text), icon};
        {
            std::lock_guard lock(mutex_);
            messages.push_back(m);
        }
        if (on_box) on_box(m);
    }
    // The next scripted answer; beyond the script, `unanswered`, as from an owner with no one
    // to ask.
    bool question(std::string_view caption, std::string_view text, Icon icon,
                  bool unanswered) override
    {
        Message m{std::string(caption), std::string(text), icon, true, unanswered};
        {
            std::lock_guard lock(mutex_);
            if (!answers_.empty()) {
                m.answer = answers_.front();
                answers_.pop_front();
            }
            messages.push_back(m);
        }
        if (on_box) on_box(m);
        return m.answer;
    }

    // Scripts the answers of the next questions, in order (true: Yes).
    void answer(std::initializer_list<bool> answers)
    {
        std::lock_guard lock(mutex_);
        answers_.insert(answers_.end(), answers);
    }
    // Scripted answers no question has taken yet.
    std::size_t unused_answers() const
    {
        std::lock_guard lock(mutex_);
        return answers_.size();
    }
    // How many messages and questions so far; safe while a job still runs.
    std::size_t count() const
    {
        std::lock_guard lock(mutex_);
        return messages.size();
    }
    // Forgets what was told and asked (the script stays).
    void clear()
    {
        std::lock_guard lock(mutex_);
        messages.clear();
    }
    void status(std::string_view text) override
    {
        std::lock_guard lock(mutex_);
        statuses.emplace_back(text);
    }
    void progress_range(int low, int high) override
    {
        std::lock_guard lock(mutex_);
        ranges.emplace_back(low, high);
    }
    void progress_step(int step) override
    {
        std::lock_guard lock(mutex_);
        steps.push_back(step);
    }
    void progress_reset() override
    {
        std::lock_guard lock(mutex_);
        ++resets;
    }
    void busy(bool on) override
    {
        std::lock_guard lock(mutex_);
        busy_calls.push_back(on);
    }
    void menu_enabled(bool on) override
    {
        std::lock_guard lock(mutex_);
        menu_calls.push_back(on);
    }

    // "caption: text" of every message, in order.
    std::vector<std::string> lines() const
    {
        std::lock_guard lock(mutex_);
        std::vector<std::string> out;
        for (const Message& m : messages) out.push_back(m.caption + ": " + m.text);
        return out;
    }

    // Called after each message or question is recorded, on the thread that told or asked
    // and outside the lock: a test may hold a job here.
    std::function<void(const Message&)> on_box;

    // Every message and question, in order. Read it once the job has ended (or under count()).
    std::vector<Message> messages;
    std::vector<std::string> statuses;
    std::vector<std::pair<int, int>> ranges;
    std::vector<int> steps;
    int resets = 0;
    std::vector<bool> busy_calls, menu_calls;

private:
    mutable std::mutex mutex_;
    std::deque<bool> answers_;
};

}  // namespace nimbora::test
