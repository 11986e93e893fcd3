// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobs/JobEnd.h"

#include <algorithm>

namespace nimbora {

void HeldOwner::message(std::string_view caption, std::string_view text, Icon icon)
{
    held_.push_back({std::string(caption), std::string(text), icon});
}

bool HeldOwner::question(std::string_view, std::string_view, Icon, bool unanswered)
{
    return unanswered;
}

void HeldOwner::status(std::string_view text)
{
    if (target_) target_->status(text);
}

void HeldOwner::progress_range(int low, int high)
{
    if (target_) target_->progress_range(low, high);
}

void HeldOwner::progress_step(int step)
{
    if (target_) target_->progress_step(step);
}

void HeldOwner::progress_reset()
{
    if (target_) target_->progress_reset();
}

void HeldOwner::busy(bool on)
{
    if (target_) target_->busy(on);
}

void HeldOwner::menu_enabled(bool on)
{
    if (target_) target_->menu_enabled(on);
}

void HeldOwner::deliver(std::size_t limit)
{
    std::vector<Message> now;
    now.swap(held_);
    now.resize(std::min(limit, now.size()));
    for (const Message& m : now) tell(target_, m.caption, m.text, m.icon);
}

JobEnd::JobEnd(ReportJob& job)
    : job_(job), target_(job.hOwner), held_(job.hOwner), claim_(std::move(job.busy))
{
    menus_ = claim_ && target_;
    if (menus_) target_->menu_enabled(false);
    job_.hOwner = owner();
}

JobEnd::~JobEnd()
{
    finish(1);
}

int JobEnd::finish(int result, std::size_t messages)
{
    if (finished_) return result;
    finished_ = true;
    job_.hOwner = target_;
    claim_.release();
    if (menus_) target_->menu_enabled(true);
    held_.deliver(messages);
    return result;
}

}  // namespace nimbora
