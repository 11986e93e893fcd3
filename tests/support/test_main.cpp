// SPDX-License-Identifier: GPL-3.0-or-later
// The main of every test program: a fixed time zone and the C locale, and a HOME of its own
// so that no test reaches the user's documents or per-user settings.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

int main(int argc, char** argv)
{
    setenv("TZ", "UTC", 1);
    tzset();
    std::setlocale(LC_ALL, "C");

    std::string home = (std::filesystem::temp_directory_path() / "nimbora-home-XXXXXX").string();
    if (!mkdtemp(home.data())) return 1;
    setenv("HOME", home.c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("XDG_DATA_HOME");
    setenv("XDG_RUNTIME_DIR", home.c_str(), 1);

    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    std::error_code ec;
    std::filesystem::remove_all(home, ec);
    return result;
}
