// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop program's own options, as main() reads them once Qt took its own.
#include "app/arguments.h"

#include <gtest/gtest.h>

namespace nimbora {
namespace {

TEST(DesktopArgs, HomeAndStationInEitherFormAndEveryMistakeTold)
{
    DesktopArgs a = parse_desktop_args({"--home", "/tmp/demo/Nimbora", "--station=Big Hill"});
    EXPECT_EQ(a.home, "/tmp/demo/Nimbora");
    EXPECT_EQ(a.station, "Big Hill");
    EXPECT_EQ(a.error, "");
    EXPECT_FALSE(a.version || a.help);

    a = parse_desktop_args(
        {"--home=/x", "--station", "--home"});  // a value that looks like an option
    EXPECT_EQ(a.station, "--home");
    EXPECT_EQ(a.error, "");

    EXPECT_EQ(parse_desktop_args({"--station"}).error, "--station needs a value");
    EXPECT_EQ(parse_desktop_args({"--home="}).error, "--home needs a value");
    EXPECT_EQ(parse_desktop_args({"--home", ""}).error, "--home needs a value");
    EXPECT_EQ(parse_desktop_args({"Hill"}).error, "unknown argument: Hill");
    EXPECT_EQ(parse_desktop_args({"--homes=x"}).error, "unknown argument: --homes=x");
    // The first mistake is the one told.
    EXPECT_EQ(parse_desktop_args({"-x", "--station"}).error, "unknown argument: -x");
}

TEST(DesktopArgs, VersionAndHelpAreSeenWhateverElseIsThere)
{
    // Before QApplication, Qt's own options are still in the list.
    DesktopArgs a = parse_desktop_args({"-platform", "offscreen", "--version"});
    EXPECT_TRUE(a.version);
    EXPECT_FALSE(a.error.empty());
    a = parse_desktop_args({"-h"});
    EXPECT_TRUE(a.help);
    EXPECT_NE(desktop_usage().find("--station NAME"), std::string::npos);
}

}  // namespace
}  // namespace nimbora
