// SPDX-License-Identifier: GPL-3.0-or-later
// JobEnd.h: how an import or report job ends. Its busy flag is released and the menus are
// given back first; only then come its messages. A box left open on the desktop therefore
// holds no flag, and no scheduled upload waits on the person.
#pragma once

#include "jobs/Owner.h"
#include "jobs/ReportJob.h"
#include "jobs/busy.h"

#include <cstddef>
#include <limits>
#include <string>
#include <vector>

namespace nimbora {

// An owner between a job and the owner it reports to (`target`, may be null): status,
// progress, cursor and menus pass on at once; messages are kept, in order, until deliver().
// Used by the job's own thread only.
class HeldOwner final : public Owner {
public:
    explicit HeldOwner(Owner* target) : target_(target) {}

    void message(std::string_view caption, std::string_view text, Icon icon) override;
    // A question cannot wait for the end, and asking now would make a flag wait on a person:
    // a running job has no one to ask and takes `unanswered`.
    bool question(std::string_view caption, std::string_view text, Icon icon,
                  bool unanswered) override;
    void status(std::string_view text) override;
    void progress_range(int low, int high) override;
    void progress_step(int step) override;
    void progress_reset() override;
    void busy(bool on) override;
    void menu_enabled(bool on) override;

    // Messages told and not yet delivered.
    std::size_t held() const { return held_.size(); }
    // Tells the target the first `limit` held messages, in order, and forgets them all.
    void deliver(std::size_t limit = std::numeric_limits<std::size_t>::max());

private:
    struct Message {
        std::string caption, text;
        Icon icon;
    };
    Owner* target_;
    std::vector<Message> held_;
};

// The end of a job, set up where it starts. Takes over job.busy and points job.hOwner at a
// HeldOwner for the run. When it took over a claim it
// is the job's outermost part: it greys the owner's menus now and gives them back at the end.
// A job run inside another (a report on a connection lent by its caller, an import whose
// caller still reads the result) holds no claim: its messages go to the caller's owner,
// which holds them in turn until the caller ends.
class JobEnd {
public:
    explicit JobEnd(ReportJob& job);
    ~JobEnd();  // finish(1, all) when finish was not called
    JobEnd(const JobEnd&) = delete;
    JobEnd& operator=(const JobEnd&) = delete;

    // The owner the job tells: its messages wait for finish(). Never null: a job without an
    // owner still counts what it told, and finish() then tells nobody.
    Owner* owner() { return &held_; }
    // Messages told so far and held.
    std::size_t held() const { return held_.held(); }

    // Puts job.hOwner back, releases the claim, gives the menus back, then tells the first
    // `messages` held messages. Returns `result`. Only the first call acts.
    int finish(int result, std::size_t messages = std::numeric_limits<std::size_t>::max());

private:
    ReportJob& job_;
    Owner* target_;
    HeldOwner held_;
    BusyClaim claim_;
    bool menus_ = false;
    bool finished_ = false;
};

}  // namespace nimbora
