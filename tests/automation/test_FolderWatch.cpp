// SPDX-License-Identifier: GPL-3.0-or-later
#include "automation/FolderWatch.h"

#include "automation/event_loop.h"
#include "support/files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace nimbora {
namespace {

class FolderWatchTest : public testing::Test {
protected:
    void SetUp() override
    {
        test::ensure_app();
        QObject::connect(&watch, &FolderWatch::file_changed, &watch,
                         [this](const QByteArray& name) { names.push_back(name.toStdString()); });
    }

    test::TempDir dir;
    FolderWatch watch{dir.folder()};
    std::vector<std::string> names;
};

TEST_F(FolderWatchTest, ABurstOfWritesToOneFileIsOneSignal)
{
    ASSERT_TRUE(watch.start());
    for (int i = 0; i < 5; ++i) test::write_file(dir.path() / "index.htm", std::to_string(i));
    ASSERT_TRUE(test::wait_until([&] { return !names.empty(); }));
    test::settle();
    EXPECT_EQ(names, std::vector<std::string>{"index.htm"});

    // Another file is its own change, whenever it comes.
    test::write_file(dir.path() / "graph.png", "png");
    ASSERT_TRUE(test::wait_until([&] { return names.size() == 2; }));
    EXPECT_EQ(names.back(), "graph.png");
}

TEST_F(FolderWatchTest, AFileRenamedIntoPlaceIsReportedByItsName)
{
    ASSERT_TRUE(watch.start());
    test::write_file(dir.path() / "May_2008.tmp", "report");
    fs::rename(dir.path() / "May_2008.tmp", dir.path() / "May_2008.txt");
    ASSERT_TRUE(test::wait_until([&] { return names.size() == 2; }));
    EXPECT_EQ(names, (std::vector<std::string>{"May_2008.tmp", "May_2008.txt"}));
}

TEST_F(FolderWatchTest, SubfoldersAndAStoppedWatchReportNothing)
{
    fs::create_directory(dir.path() / "sub");
    ASSERT_TRUE(watch.start());
    test::write_file(dir.path() / "sub" / "index.htm", "x");
    fs::create_directory(dir.path() / "another");
    // The watch reports in order: a file written after them is the first thing reported.
    test::write_file(dir.path() / "marker.txt", "x");
    ASSERT_TRUE(test::wait_until([&] { return !names.empty(); }));
    EXPECT_EQ(names, std::vector<std::string>{"marker.txt"});
    names.clear();

    watch.stop();
    test::write_file(dir.path() / "index.htm", "x");
    test::settle();
    EXPECT_TRUE(names.empty());
    watch.stop();  // again: nothing to do
}

// A folder that cannot be watched gives the system's reason, for the message that names it.
TEST_F(FolderWatchTest, AFolderThatCannotBeWatchedSaysWhy)
{
    FolderWatch missing(dir.folder() + "missing/");
    EXPECT_FALSE(missing.start());
    EXPECT_EQ(missing.error(), "No such file or directory");
    test::write_file(dir.path() / "file", "x");
    FolderWatch file((dir.path() / "file").string());
    EXPECT_FALSE(file.start());
    EXPECT_EQ(file.error(), "Not a directory");

    ASSERT_TRUE(watch.start());
    EXPECT_EQ(watch.error(), "");
}

}  // namespace
}  // namespace nimbora
