// SPDX-License-Identifier: GPL-3.0-or-later
// busy.h: the process-wide busy flags and the guard that claims one.
#pragma once

#include <atomic>

namespace nimbora {

extern std::atomic<int> ThActive;     // an import or report job runs
extern std::atomic<int> FTPActive;    // an upload runs
extern std::atomic<int> TimerActive;  // the upload schedule is running

// Holds a busy flag from a successful claim until destruction or release(). Move it into
// the thread that does the work, so the flag drops on every exit of that thread.
class BusyClaim {
public:
    // Sets the flag from 0 to 1 atomically; the claim is empty when it was already set.
    [[nodiscard]] static BusyClaim try_claim(std::atomic<int>& flag)
    {
        int expected = 0;
        return BusyClaim(flag.compare_exchange_strong(expected, 1) ? &flag : nullptr);
    }
    // Takes over a flag that someone else set and whose release is now ours.
    [[nodiscard]] static BusyClaim adopt(std::atomic<int>& flag) { return BusyClaim(&flag); }

    BusyClaim() = default;
    BusyClaim(BusyClaim&& other) noexcept : flag_(other.flag_) { other.flag_ = nullptr; }
    BusyClaim& operator=(BusyClaim&& other) noexcept
    {
        if (this != &other) {
            release();
            flag_ = other.flag_;
            other.flag_ = nullptr;
        }
        return *this;
    }
    BusyClaim(const BusyClaim&) = delete;
    BusyClaim& operator=(const BusyClaim&) = delete;
    ~BusyClaim() { release(); }

    explicit operator bool() const { return flag_ != nullptr; }

    void release()
    {
        if (flag_) flag_->store(0);
        flag_ = nullptr;
    }

private:
    explicit BusyClaim(std::atomic<int>* flag) : flag_(flag) {}
    std::atomic<int>* flag_ = nullptr;
};

}  // namespace nimbora
