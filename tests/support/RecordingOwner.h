// RecordingOwner.h: an owner that remembers what a job told it, for tests.
#pragma once

#include "jobs/Owner.h"

#include <mutex>
#include <string>
#include <vector>

namespace nimbora::test {

struct Message {
    std::string caption, text;
    Icon icon;
};

class RecordingOwner : public Owner {
public:
    void message(std::string_view caption, std::string_view text, Icon icon) override
    {
        std::lock_guard lock(mutex_);
        messages.push_back({std::string(caption), std::string(text), icon});
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

    std::vector<Message> messages;
    std::vector<std::string> statuses;
    std::vector<std::pair<int, int>> ranges;
    std::vector<int> steps;
    int resets = 0;
    std::vector<bool> busy_calls, menu_calls;

private:
    mutable std::mutex mutex_;
};

}  // namespace nimbora::test
