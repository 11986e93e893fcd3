// SPDX-License-Identifier: GPL-3.0-or-later
// The main of every GUI test program: like the engine tests' main (fixed time zone, C
// locale, a HOME of its own), plus a headless QApplication.
#include "support/gui.h"

#include <gtest/gtest.h>

#include <QApplication>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

// A test that armed a watch for a window that never opened fails, and its watch does not
// reach into the next test.
class EndWatches : public testing::EmptyTestEventListener {
    void OnTestEnd(const testing::TestInfo&) override { nimbora::test::end_of_test_watches(); }
};

}  // namespace

int main(int argc, char** argv)
{
    setenv("TZ", "UTC", 1);
    tzset();
    std::string home = (std::filesystem::temp_directory_path() / "nimbora-home-XXXXXX").string();
    if (!mkdtemp(home.data())) return 1;
    setenv("HOME", home.c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("XDG_DATA_HOME");
    setenv("XDG_RUNTIME_DIR", home.c_str(), 1);
    if (!getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);

    QApplication app(argc, argv);
    std::setlocale(LC_ALL, "C");

    testing::InitGoogleTest(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new EndWatches);
    const int result = RUN_ALL_TESTS();
    std::error_code ec;
    std::filesystem::remove_all(home, ec);
    return result;
}
