// SPDX-License-Identifier: GPL-3.0-or-later
#include "automation/UserStore.h"

#include "support/files.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace nimbora {
namespace {

// The test main gave this process a HOME of its own.
std::string home()
{
    return std::getenv("HOME");
}

TEST(QtUserStore, KeepsTheValuesInTheUsersSettings)
{
    {
        QtUserStore store;
        EXPECT_FALSE(store.get_string("StationName"));
        EXPECT_EQ(start_position(store), std::make_pair(300, 300));
        ASSERT_TRUE(store.set_string("StationName", "Hilltop"));
        ASSERT_TRUE(save_position(store, 120, 80));
    }
    EXPECT_TRUE(std::filesystem::is_regular_file(home() + "/.config/Nimbora.conf"));
    {
        QtUserStore again;  // a later start
        EXPECT_EQ(again.get_string("StationName"), "Hilltop");
        EXPECT_EQ(start_position(again), std::make_pair(120, 80));
        ASSERT_TRUE(again.remove("StationName"));
        EXPECT_FALSE(again.get_string("StationName"));
        EXPECT_EQ(again.get_int("PosX"), 120);
    }
}

TEST(QtUserStore, AFileOfItsOwn)
{
    test::TempDir dir;
    const std::string file = dir.folder() + "user.ini";
    {
        QtUserStore store(file);
        ASSERT_TRUE(store.set_string("StationName", "Demo"));
    }
    EXPECT_NE(test::read_file(file).find("StationName=Demo"), std::string::npos);
    QtUserStore user;
    EXPECT_NE(user.get_string("StationName"), "Demo");
}

TEST(DocumentsHomePath, TheProductFolderInTheDocuments)
{
    EXPECT_EQ(documents_HomePath(), home() + "/Documents/Nimbora/");
}

}  // namespace
}  // namespace nimbora
