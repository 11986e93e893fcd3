// SPDX-License-Identifier: GPL-3.0-or-later
// New, Open and Delete Station, driven through their widgets.
#include "app/StationDialogs.h"
#include "config/read_conf.h"
#include "desktop_fixture.h"

#include <QLineEdit>

#include <filesystem>

namespace fs = std::filesystem;

namespace nimbora {
namespace {

using test::child;
using test::click;
using test::DesktopHome;

class StationDialogs : public DesktopHome {
protected:
    // Types `name` into a New Station dialog and presses Create. Returns the messages it
    // showed and whether the dialog closed.
    std::pair<std::vector<test::Message>, bool> create(const QString& name)
    {
        boxes.clear();
        NewStationDialog dialog(state, nullptr);
        QTest::keyClicks(child<QLineEdit>(&dialog, ids::kStationNameEdit), name);
        dialog.show();
        click(&dialog, ids::kCreateButton);
        return {boxes.messages, !dialog.isVisible()};
    }
};

TEST_F(StationDialogs, NewStationCopiesTheTemplatesAndRefusesBadOrTakenNames)
{
    // An empty name does nothing at all.
    auto [none, closed] = create("");
    EXPECT_TRUE(none.empty());
    EXPECT_FALSE(closed);

    auto [made, made_closed] = create("Lake");
    ASSERT_EQ(made.size(), 1u);
    EXPECT_EQ(made[0].caption, "New Station");
    EXPECT_EQ(made[0].text, "Station created successfully");
    EXPECT_EQ(made[0].icon, Icon::information);
    EXPECT_TRUE(made_closed);
    for (const char* f : {"NimboDB.s3db", "nimbrep.conf", "nimbrep.dat"})
        EXPECT_TRUE(fs::is_regular_file(home.path() / "Lake" / f)) << f;
    EXPECT_EQ(state.places.StationName, "");  // not opened

    auto [taken, taken_closed] = create("Lake");
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_EQ(taken[0].text, "Could not create station");
    EXPECT_EQ(taken[0].icon, Icon::error);
    EXPECT_FALSE(taken_closed);

    // The name becomes a folder name: a separator would reach outside the product folder.
    auto [bad, bad_closed] = create("../Out");
    ASSERT_EQ(bad.size(), 1u);
    EXPECT_EQ(bad[0].caption, "New Station");
    EXPECT_FALSE(bad_closed);
    EXPECT_FALSE(fs::exists(home.path().parent_path() / "Out"));

    // The edit holds at most 20 characters.
    NewStationDialog dialog(state, nullptr);
    EXPECT_EQ(child<QLineEdit>(&dialog, ids::kStationNameEdit)->maxLength(), 20);
}

TEST_F(StationDialogs, OpenListsSortedStationsAndRefusesTheOpenOne)
{
    for (const char* name : {"gamma", "Beta", "alpha"}) fs::create_directory(home.path() / name);
    fs::copy_file(home.path() / "nimbrep.conf", home.path() / "Beta" / "nimbrep.conf");
    fs::copy_file(home.path() / "nimbrep.dat", home.path() / "Beta" / "nimbrep.dat");
    state.settings.TransferEnabled = 1;  // the old station's schedule runs

    {
        OpenStationDialog dialog(state, nullptr);
        EXPECT_EQ(test::station_list(&dialog), QStringList({"alpha", "Beta", "gamma"}));
        dialog.show();
        click(&dialog, ids::kOpenButton);  // nothing selected: nothing happens
        EXPECT_TRUE(dialog.isVisible());
        test::select_station(&dialog, "Beta");
        click(&dialog, ids::kOpenButton);
        EXPECT_FALSE(dialog.isVisible());
    }
    EXPECT_EQ(state.places.StationName, "Beta");
    EXPECT_EQ(state.places.DocPath, home.folder() + "Beta/");
    EXPECT_EQ(store.get_string("StationName"), "Beta");
    EXPECT_EQ(stops, 1);
    EXPECT_EQ(state.settings.TransferEnabled, 0);  // the template's, read from the station

    OpenStationDialog again(state, nullptr);
    again.show();
    test::select_station(&again, "Beta");
    click(&again, ids::kOpenButton);
    ASSERT_EQ(boxes.messages.size(), 1u);
    EXPECT_EQ(boxes.messages[0].caption, "Open Station");
    EXPECT_EQ(boxes.messages[0].text, "Station already open!");
    EXPECT_TRUE(again.isVisible());
    EXPECT_EQ(stops, 1);
}

TEST_F(StationDialogs, OpenReportsARefusedStoreAndStillSwitches)
{
    fs::create_directory(home.path() / "North");
    store.fail_writes = true;
    OpenStationDialog dialog(state, nullptr);
    dialog.show();
    test::select_station(&dialog, "North");
    click(&dialog, ids::kOpenButton);
    ASSERT_EQ(boxes.messages.size(), 1u);
    EXPECT_EQ(boxes.messages[0].caption, "Error");
    EXPECT_EQ(boxes.messages[0].text, "Error saving settings to registry");
    EXPECT_EQ(boxes.messages[0].icon, Icon::error);
    EXPECT_EQ(state.places.StationName, "North");
}

TEST_F(StationDialogs, DeleteAsksFirstAndRefusesAFolderWithASubfolderBeforeDeletingAnything)
{
    fs::create_directories(home.path() / "Old" / "archive");
    test::write_file(home.path() / "Old" / "nimbrep.conf", "x");
    fs::create_directory(home.path() / "Spare");

    DeleteStationDialog dialog(state, nullptr);
    dialog.show();
    test::select_station(&dialog, "Spare");
    boxes.answer({false});
    click(&dialog, ids::kDeleteButton);
    ASSERT_EQ(boxes.messages.size(), 1u);
    EXPECT_TRUE(boxes.messages[0].asked);
    EXPECT_EQ(boxes.messages[0].caption, "Delete station 'Spare'");
    EXPECT_EQ(boxes.messages[0].text, "Are you sure ?");
    EXPECT_EQ(boxes.messages[0].icon, Icon::question);
    EXPECT_TRUE(fs::exists(home.path() / "Spare"));
    EXPECT_TRUE(dialog.isVisible());
    // With no one to answer (a program that is ending) the question counts as No.
    boxes.clear();
    click(&dialog, ids::kDeleteButton);
    ASSERT_EQ(boxes.messages.size(), 1u);
    EXPECT_FALSE(boxes.messages[0].answer);
    EXPECT_TRUE(fs::exists(home.path() / "Spare"));

    test::select_station(&dialog, "Old");
    boxes.clear();
    boxes.answer({true});
    click(&dialog, ids::kDeleteButton);
    ASSERT_EQ(boxes.messages.size(), 2u);
    EXPECT_EQ(boxes.messages[0].caption, "Delete station 'Old'");
    EXPECT_FALSE(boxes.messages[1].asked);
    EXPECT_EQ(boxes.messages[1].caption, "Delete Station");
    EXPECT_EQ(boxes.messages[1].text, "Could not delete station");
    EXPECT_TRUE(fs::exists(home.path() / "Old" / "nimbrep.conf"));
    EXPECT_TRUE(dialog.isVisible());
}

TEST_F(StationDialogs, DeletingAnotherStationLeavesTheOpenOneAlone)
{
    fs::create_directory(home.path() / "Here");
    fs::create_directory(home.path() / "There");
    state.places.StationName = "Here";
    state.places.DocPath = home.folder() + "Here/";
    store.set_string("StationName", "Here");
    state.settings.TransferEnabled = 1;

    DeleteStationDialog dialog(state, nullptr);
    dialog.show();
    test::select_station(&dialog, "There");
    boxes.answer({true});
    click(&dialog, ids::kDeleteButton);
    ASSERT_EQ(boxes.messages.size(), 2u);
    EXPECT_EQ(boxes.messages[1].text, "Station deleted successfully");
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_FALSE(fs::exists(home.path() / "There"));
    EXPECT_EQ(state.places.StationName, "Here");
    EXPECT_EQ(store.get_string("StationName"), "Here");
    EXPECT_EQ(stops, 0);
}

}  // namespace
}  // namespace nimbora
