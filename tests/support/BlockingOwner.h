// SPDX-License-Identifier: GPL-3.0-or-later
// BlockingOwner.h: an owner whose messages are not answered until the test answers them, as
// when a person leaves a box open on the desktop.
#pragma once

#include "support/RecordingOwner.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace nimbora::test {

class BlockingOwner : public RecordingOwner {
public:
    // Records the message, then blocks until answer().
    void message(std::string_view caption, std::string_view text, Icon icon) override
    {
        RecordingOwner::message(caption, text, icon);
        std::unique_lock lock(mutex_);
        ++shown_;
        changed_.notify_all();
        changed_.wait(lock, [this] { return answered_; });
    }

    // True once a message is being shown; false when none came within `limit`.
    bool wait_for_message(std::chrono::milliseconds limit = std::chrono::seconds(30))
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, limit, [this] { return shown_ > 0; });
    }

    // Answers the message shown and every later one at once.
    void answer()
    {
        std::lock_guard lock(mutex_);
        answered_ = true;
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int shown_ = 0;
    bool answered_ = false;
};

}  // namespace nimbora::test
