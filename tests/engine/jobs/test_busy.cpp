// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobs/busy.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace nimbora {
namespace {

TEST(BusyClaim, OneClaimAtATime)
{
    std::atomic<int> flag{0};
    {
        BusyClaim first = BusyClaim::try_claim(flag);
        ASSERT_TRUE(first);
        EXPECT_EQ(flag, 1);
        EXPECT_FALSE(BusyClaim::try_claim(flag));
        EXPECT_EQ(flag, 1);  // a failed claim leaves the holder's flag set

        BusyClaim moved = std::move(first);  // handed to the worker
        EXPECT_FALSE(first);
        EXPECT_EQ(flag, 1);
    }
    EXPECT_EQ(flag, 0);

    flag = 1;
    {
        BusyClaim adopted = BusyClaim::adopt(flag);
        adopted.release();
        EXPECT_EQ(flag, 0);
    }
}

TEST(BusyClaim, ThreadsRacingForTheFlagGetOneWinner)
{
    std::atomic<int> flag{0};
    std::atomic<int> winners{0};
    std::vector<std::thread> threads;
    std::vector<BusyClaim> claims(8);
    for (std::size_t i = 0; i < claims.size(); ++i)
        threads.emplace_back([&, i] {
            claims[i] = BusyClaim::try_claim(flag);
            if (claims[i]) ++winners;
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(winners, 1);
    claims.clear();
    EXPECT_EQ(flag, 0);
}

}  // namespace
}  // namespace nimbora
