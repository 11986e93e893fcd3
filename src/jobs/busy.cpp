// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobs/busy.h"

namespace nimbora {

std::atomic<int> ThActive{0};
std::atomic<int> FTPActive{0};
std::atomic<int> TimerActive{0};

}  // namespace nimbora
