// SPDX-License-Identifier: GPL-3.0-or-later
// Owner.h: everything a job may ask of the window (or terminal) that started it.
#pragma once

#include <string>
#include <string_view>

namespace nimbora {

enum class Icon { information, warning, error, question };

// A job speaks to its owner only through this interface. Implementations marshal onto
// their own thread; `message` returns once the user has dismissed the message.
class Owner {
public:
    virtual ~Owner() = default;

    virtual void message(std::string_view caption, std::string_view text, Icon icon) = 0;
    // A question answered Yes (true) or No, returning once it is answered. An owner with no
    // one to ask (the command line, a desktop program that is ending) answers `unanswered`
    // at once. Each caller names that answer: No wherever Yes would change, delete or send
    // something.
    virtual bool question(std::string_view caption, std::string_view text, Icon icon,
                          bool unanswered) = 0;
    virtual void status(std::string_view text) = 0;
    virtual void progress_range(int low, int high) = 0;
    virtual void progress_step(int step) = 0;
    virtual void progress_reset() = 0;
    virtual void busy(bool on) = 0;
    virtual void menu_enabled(bool on) = 0;
};

// An owner with no window: status, progress, the busy cursor and the menus go nowhere, and a
// question is told as a message and gets its `unanswered` reply at once. Each kind says what
// becomes of a message.
class QuietOwner : public Owner {
public:
    bool question(std::string_view caption, std::string_view text, Icon icon,
                  bool unanswered) override
    {
        message(caption, text, icon);
        return unanswered;
    }
    void status(std::string_view) override {}
    void progress_range(int, int) override {}
    void progress_step(int) override {}
    void progress_reset() override {}
    void busy(bool) override {}
    void menu_enabled(bool) override {}
};

// A null owner is silent: these forward only when there is someone to tell.
inline void tell(Owner* owner, std::string_view caption, std::string_view text, Icon icon)
{
    if (owner) owner->message(caption, text, icon);
}
// Asks `owner`; a null owner has no one to ask and answers `unanswered`.
inline bool ask(Owner* owner, std::string_view caption, std::string_view text, Icon icon,
                bool unanswered)
{
    return owner ? owner->question(caption, text, icon, unanswered) : unanswered;
}
inline void show_status(Owner* owner, std::string_view text)
{
    if (owner) owner->status(text);
}

// The owner's busy cursor for as long as the job runs, taken back on every exit.
class BusyCursor {
public:
    explicit BusyCursor(Owner* owner) : owner_(owner)
    {
        if (owner_) owner_->busy(true);
    }
    ~BusyCursor()
    {
        if (owner_) owner_->busy(false);
    }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

private:
    Owner* owner_;
};

}  // namespace nimbora
