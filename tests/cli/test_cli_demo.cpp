// SPDX-License-Identifier: GPL-3.0-or-later
// The demo command: a whole station built, imported and reported. It runs apart from the other
// command-line tests because under the sanitizers on a loaded machine it takes minutes.
#include "cli/cli_harness.h"
#include "config/function.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace nimbora {
namespace {

class Cli : public testing::Test, public test::CliHarness {};

TEST_F(Cli, DemoKeepsToItsFolder)
{
    const std::string folder = dir.folder() + "demo";
    Result r = run({"demo", "--folder", folder});
    EXPECT_EQ(r.code, kOk) << r.err;
    EXPECT_NE(r.out.find("Station \"Demo\" is open"), std::string::npos) << r.out;
    EXPECT_TRUE(fs::is_regular_file(folder + "/Nimbora/Demo/NimboDB.s3db"));
    EXPECT_FALSE(store.get_string("StationName"));  // the user's own values are untouched
    EXPECT_FALSE(fs::exists(home));
    EXPECT_NE(r.out.find("Wrote 13 months of 5-minute records"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("Records skipped:         0"), std::string::npos) << r.err;
    // The three statistics forms, for the demo year holding more of its thirteen months.
    const LocalTime now = local_now();
    const std::string stats_year = std::to_string(now.month >= 7 ? now.year : now.year - 1);
    const std::string reports = folder + "/Nimbora/Demo/";
    EXPECT_NE(r.out.find("  Statistics.txt, " + stats_year + "_Statistics.txt, " + stats_year +
                         "_Statistics_Dett.txt\n"),
              std::string::npos)
        << r.out;
    for (const std::string& name : {std::string("Statistics.txt"), stats_year + "_Statistics.txt",
                                    stats_year + "_Statistics_Dett.txt"})
        EXPECT_TRUE(fs::is_regular_file(reports + name)) << name;
    r = run({"demo", "--folder", folder});  // and again, over its own earlier run
    EXPECT_EQ(r.code, kOk) << r.err;
    EXPECT_EQ(r.err.find("New Station"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Records skipped:         0"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace nimbora
