// SPDX-License-Identifier: GPL-3.0-or-later
// WatchingOwner.h: an owner that remembers, for each message, whether the job had let go of
// ThActive and given the menus back by the time it was told.
#pragma once

#include "jobs/busy.h"
#include "support/RecordingOwner.h"

#include <vector>

namespace nimbora::test {

class WatchingOwner : public RecordingOwner {
public:
    void message(std::string_view caption, std::string_view text, Icon icon) override
    {
        free_when_told.push_back(ThActive.load() == 0 && !menu_calls.empty() && menu_calls.back());
        RecordingOwner::message(caption, text, icon);
    }
    std::vector<bool> free_when_told;
};

}  // namespace nimbora::test
