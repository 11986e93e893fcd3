// SPDX-License-Identifier: GPL-3.0-or-later
// What the package installs beside the program must agree with it: the version it prints
// and the word lists of the shell completion.
#include "cli/cli_harness.h"

#include "charts/series.h"
#include "config/function.h"
#include "config/settings_edit.h"
#include "config/version.h"
#include "support/files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>
#include <sstream>

namespace nimbora {
namespace {

class CliPackaging : public testing::Test, public test::CliHarness {};

std::vector<std::string> words(const std::string& text)
{
    std::istringstream in(text);
    std::vector<std::string> out;
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

// The value of `name="..."` in the completion script.
std::vector<std::string> completion_list(const std::string& name)
{
    const std::string script = test::read_file(NIMBORA_SOURCE_DIR "/packaging/nimbora-cli.bash");
    std::smatch m;
    const std::regex assignment("\n" + name + "=\"([^\"]*)\"");
    if (!std::regex_search(script, m, assignment)) return {};
    return words(m[1].str());
}

TEST_F(CliPackaging, VersionIsTheProjectsWithTheLicenceOnStandardOutput)
{
    const Result r = run({"--version"});
    EXPECT_EQ(r.code, kOk);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out.rfind(std::string("nimbora-cli ") + kVersion + "\n", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("GPL-3.0-or-later"), std::string::npos);
    EXPECT_NE(r.out.find("NO WARRANTY"), std::string::npos);
    EXPECT_EQ(r.out.back(), '\n');
    EXPECT_NE(r.out.substr(r.out.size() - 2), "\n\n");
    // MAJOR.MINOR.PATCH, and the update check's version is its first two numbers.
    EXPECT_TRUE(std::regex_match(kVersion, std::regex("[0-9]+\\.[0-9]+\\.[0-9]+")));
    EXPECT_EQ(std::string(kVersion).rfind(std::string(nVer) + ".", 0), 0u);
    // Also with a command after it, and without touching any folder.
    EXPECT_EQ(run({"--version", "setup"}).code, kOk);
    EXPECT_FALSE(std::filesystem::exists(home));
}

TEST_F(CliPackaging, CompletionKnowsEveryCommandSettingChartKindAndMonth)
{
    const std::vector<std::string> commands = completion_list("_nimbora_cli_commands");
    ASSERT_FALSE(commands.empty());
    // Each is a command, and --help lists no other.
    const std::string help = run({"--help"}).out;
    const std::string listed = help.substr(help.find("Subcommands:"));
    std::size_t in_help = 0;
    for (const std::string& line : [&] {
             std::vector<std::string> lines;
             std::istringstream in(listed);
             for (std::string l; std::getline(in, l);) lines.push_back(l);
             return lines;
         }())
        if (line.rfind("  ", 0) == 0 && line.size() > 2 && line[2] != ' ') ++in_help;
    EXPECT_EQ(in_help, commands.size()) << help;
    for (const std::string& c : commands) EXPECT_EQ(run({c, "--help"}).code, kOk) << c;

    EXPECT_EQ(completion_list("_nimbora_cli_settings"), setting_keys());
    EXPECT_EQ(completion_list("_nimbora_cli_chart_kinds"),
              std::vector<std::string>(kChartKinds.begin(), kChartKinds.end()));
    const std::vector<std::string> months = completion_list("_nimbora_cli_months");
    ASSERT_EQ(months.size(), 12u);
    for (int m = 1; m <= 12; ++m) EXPECT_EQ(month_number(months[m - 1]), m) << months[m - 1];
}

// The help pages are the desktop's help and the installed manual: a link to a page that is not
// there is a dead end in both. Commented-out entries (waiting for their page) do not count.
TEST(HelpPages, EveryLinkReachesAPageAndEveryPageIsReachable)
{
    namespace fs = std::filesystem;
    const fs::path folder = NIMBORA_SOURCE_DIR "/resources/help";
    std::set<std::string> pages, linked{"index.html"};
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().extension() == ".html") pages.insert(entry.path().filename().string());
    ASSERT_TRUE(pages.count("index.html"));
    const std::regex comment("<!--[\\s\\S]*?-->");
    const std::regex link("href=\"([^\"#:]+)(#[^\"]*)?\"");
    for (const std::string& page : pages) {
        const std::string html =
            std::regex_replace(test::read_file(folder / page), comment, std::string());
        EXPECT_NE(html.find("<title>"), std::string::npos) << page;
        for (std::sregex_iterator it(html.begin(), html.end(), link), end; it != end; ++it) {
            const std::string target = (*it)[1].str();
            EXPECT_TRUE(pages.count(target)) << page << " links to " << target;
            linked.insert(target);
        }
    }
    for (const std::string& page : pages)
        EXPECT_TRUE(linked.count(page)) << page << " is not linked";
}

}  // namespace
}  // namespace nimbora
