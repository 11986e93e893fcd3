// SPDX-License-Identifier: GPL-3.0-or-later
// Every report kind on a full disk, simulated by a file-size limit on the real program: a
// clear message, exit 1, and the report files of the previous run byte for byte.
#include "cli/cli_harness.h"
#include "cli/limited_run.h"

#include "config/format.h"
#include "config/function.h"
#include "config/schema.h"
#include "config/stations.h"
#include "import/synthetic.h"
#include "support/files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

namespace fs = std::filesystem;

namespace nimbora {
namespace {

struct Kind {
    const char* name;
    std::vector<std::string> args;  // after "report"
    std::vector<std::string> files;
};

std::string current_name(const char* suffix)
{
    const LocalTime now = local_now();
    return std::string(mesi[static_cast<std::size_t>(now.month - 1)]) + "_" +
           std::to_string(now.year) + suffix;
}

std::vector<Kind> kinds()
{
    return {
        {"Monthly",
         {"monthly", "--year", "2008", "--month", "5", "--wind-detail"},
         {"May_2008.txt", "May_2008_wind.txt"}},
        {"Current",
         {"current", "--wind-detail"},
         {current_name(".txt"), current_name("_wind.txt")}},
        {"Annual", {"annual", "--year", "2008"}, {"Year2008.txt"}},
        {"Global", {"global"}, {"Global.txt"}},
        {"Range",
         {"range", "--from", "2008-05-03", "--to", "2008-05-20"},
         {"Report 03052008-20052008.txt"}},
        {"Statistics", {"stats", "--year", "2008"}, {"2008_Statistics.txt"}},
        {"StatisticsAllTime", {"stats"}, {"Statistics.txt"}},
        {"MonthlyDetail",
         {"stats", "--year", "2008", "--monthly-detail"},
         {"2008_Statistics_Dett.txt"}},
    };
}

class CliReportFullDisk : public testing::TestWithParam<Kind>, public test::CliHarness {
protected:
    void SetUp() override
    {
        ASSERT_EQ(run({"setup"}).code, kOk);
        ASSERT_EQ(run({"station", "new", "Hill"}).code, kOk);
        ASSERT_EQ(run({"station", "open", "Hill"}).code, kOk);
        ASSERT_TRUE(write_synthetic_month(folder + "2008-05.wlk", 2008, 5, 10, 2));
        ASSERT_EQ(run({"import", "--all"}).code, kOk);
        const LocalTime now = local_now();
        ASSERT_TRUE(write_synthetic_month(folder + strf("%04d-%02d.wlk", now.year, now.month),
                                          now.year, now.month, 10, 5));
    }

    std::map<std::string, std::string> contents() const
    {
        std::map<std::string, std::string> all;
        for (const auto& e : fs::directory_iterator(folder))
            if (e.is_regular_file())
                all[e.path().filename().string()] =
                    e.path().filename().string() == kDbFile ? "" : test::read_file(e.path());
        return all;
    }

    std::string folder = home + "Hill/";
};

TEST_P(CliReportFullDisk, ClearMessageExitOneAndThePreviousFilesStay)
{
    const Kind& kind = GetParam();
    std::vector<std::string> args = {"report"};
    args.insert(args.end(), kind.args.begin(), kind.args.end());
    const Result good = run(args);
    ASSERT_EQ(good.code, kOk) << good.err;
    std::size_t smallest = std::string::npos;
    for (const std::string& name : kind.files)
        smallest = std::min(smallest, fs::file_size(folder + name));
    const auto before = contents();

    // Half the smallest file: each report runs out of room partway through.
    std::vector<std::string> limited = {"--home", home, "--station", "Hill"};
    limited.insert(limited.end(), args.begin(), args.end());
    const test::Child c = test::run_limited(limited, smallest / 2048 * 1024);
    const std::string output = c.out + c.err;
    EXPECT_EQ(c.status, 1) << output;
    EXPECT_EQ(output.find("created successfully"), std::string::npos) << output;
    EXPECT_TRUE(output.find(": Error creating file\n") != std::string::npos ||
                output.find("Database: ") != std::string::npos)
        << output;
    EXPECT_EQ(contents(), before);  // byte for byte, and no temporary file left
}

INSTANTIATE_TEST_SUITE_P(Kinds, CliReportFullDisk, testing::ValuesIn(kinds()),
                         [](const testing::TestParamInfo<Kind>& p) { return p.param.name; });

}  // namespace
}  // namespace nimbora
