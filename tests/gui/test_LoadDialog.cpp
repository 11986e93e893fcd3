// SPDX-License-Identifier: GPL-3.0-or-later
// The Load Database dialog: the span held, the WLK files listed, and the import it starts.
#include "app/AppState.h"
#include "app/JobRunner.h"
#include "app/LoadDialog.h"
#include "app/ReportDialogs.h"
#include "app/dialog_util.h"
#include "config/UserStore.h"
#include "config/db_helpers.h"
#include "config/stations.h"
#include "import/synthetic.h"
#include "jobs/busy.h"
#include "support/RecordingOwner.h"
#include "support/report_station.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStatusBar>

#include <filesystem>
#include <vector>

namespace nimbora {
namespace {

template <class W>
W* child(QWidget* dialog, int id)
{
    W* w = dialog->findChild<W*>(widget_id(id));
    EXPECT_NE(w, nullptr) << "no control " << id;
    return w;
}

void click(QWidget* dialog, int id)
{
    if (auto* b = child<QPushButton>(dialog, id)) b->click();
}

// A station with an empty database; its WLK folder is the station folder.
class LoadDialogTest : public testing::Test {
protected:
    LoadDialogTest()
    {
        state_.settings = station_.settings;
        state_.places.DocPath = station_.dir.folder();
        state_.main_window = &main_;
        state_.report_menu_enabled = [this](bool on) { menu_.push_back(on); };
    }
    ~LoadDialogTest() override
    {
        wait_for_jobs();
        ThActive = 0;
    }

    void write_months()
    {
        // Written out of order: the list sorts them.
        const std::string folder = station_.dir.folder();
        ASSERT_TRUE(write_synthetic_month(folder + "2009-01.wlk", 2009, 1, 60, 3));
        ASSERT_TRUE(write_synthetic_month(folder + "2008-05.wlk", 2008, 5, 60, 1));
        ASSERT_TRUE(write_synthetic_month(folder + "2008-06.wlk", 2008, 6, 60, 2));
    }

    test::ReportStation station_;
    MemoryUserStore store_;
    test::RecordingOwner boxes_;
    QWidget main_;
    AppState state_{store_, {}, {}, nullptr, {}, {}, {}, &boxes_};
    std::vector<bool> menu_;
};

TEST_F(LoadDialogTest, AnEmptyWlkFolderOpensWithAnEmptyList)
{
    LoadDialog dialog(state_, nullptr);
    EXPECT_TRUE(dialog.opened());
    EXPECT_EQ(dialog.windowTitle(), "Load Database");
    ASSERT_EQ(boxes_.messages.size(), 1u);
    EXPECT_EQ(boxes_.messages[0].caption, "Error");
    EXPECT_EQ(boxes_.messages[0].text, "Wlk file(s) not found");
    EXPECT_EQ(boxes_.messages[0].icon, Icon::error);
    EXPECT_EQ(child<QListWidget>(&dialog, ids::jobs::kWlkList)->count(), 0);
    EXPECT_EQ(child<QLineEdit>(&dialog, ids::jobs::kFirstRecord)->text(), "");
}

TEST_F(LoadDialogTest, SelectAllAndLoadImportsEveryListedFileAndShowsTheNewSpan)
{
    write_months();
    LoadDialog dialog(state_, nullptr);
    auto* list = child<QListWidget>(&dialog, ids::jobs::kWlkList);
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(0)->text(), "2008-05.wlk");
    EXPECT_EQ(list->item(2)->text(), "2009-01.wlk");
    EXPECT_EQ(list->selectionMode(), QAbstractItemView::ExtendedSelection);

    click(&dialog, ids::jobs::kSelectAll);
    EXPECT_EQ(dialog.selected_files(),
              (std::vector<std::string>{"2008-05.wlk", "2008-06.wlk", "2009-01.wlk"}));
    click(&dialog, ids::jobs::kClearAll);
    EXPECT_TRUE(dialog.selected_files().empty());
    click(&dialog, ids::jobs::kSelectAll);

    QStringList progress;
    QObject::connect(child<QStatusBar>(&dialog, ids::jobs::kLoadStatusBar),
                     &QStatusBar::messageChanged, [&](const QString& t) { progress << t; });
    click(&dialog, ids::jobs::kLoad);
    wait_for_jobs();
    EXPECT_TRUE(progress.contains("Load 2009-01.wlk: ")) << progress.join('|').toStdString();
    ASSERT_EQ(boxes_.messages.size(), 1u);
    const test::Message done = boxes_.messages[0];
    EXPECT_EQ(done.caption, "Load Database");
    EXPECT_TRUE(done.text.starts_with("Load completed")) << done.text;
    EXPECT_NE(done.text.find("Records skipped:         0"), std::string::npos) << done.text;

    const auto years = GetYear(nullptr, station_.db_path());
    ASSERT_TRUE(years);
    EXPECT_EQ(*years, (std::vector<std::string>{"2008", "2009"}));
    const auto span = GetFLRecord(nullptr, station_.db_path());
    ASSERT_TRUE(span);
    EXPECT_EQ(child<QLineEdit>(&dialog, ids::jobs::kFirstRecord)->text().toStdString(),
              span->first);
    EXPECT_EQ(child<QLineEdit>(&dialog, ids::jobs::kLastRecord)->text().toStdString(),
              span->second);
    EXPECT_TRUE(span->first.starts_with("01/05/2008"));
    ASSERT_FALSE(menu_.empty());
    EXPECT_TRUE(menu_.back());

    // Loading again skips every record, and the dialog opens showing the span held.
    LoadDialog again(state_, nullptr);
    EXPECT_EQ(child<QLineEdit>(&again, ids::jobs::kFirstRecord)->text().toStdString(), span->first);
    child<QListWidget>(&again, ids::jobs::kWlkList)->item(1)->setSelected(true);
    click(&again, ids::jobs::kLoad);
    wait_for_jobs();
    ASSERT_EQ(boxes_.messages.size(), 2u);
    EXPECT_NE(boxes_.messages[1].text.find("New records loaded:       0"), std::string::npos)
        << boxes_.messages[1].text;
}

TEST_F(LoadDialogTest, LoadWithNothingSelectedIsRefusedByTheImport)
{
    write_months();
    LoadDialog dialog(state_, nullptr);
    click(&dialog, ids::jobs::kLoad);
    wait_for_jobs();
    ASSERT_EQ(boxes_.messages.size(), 1u);
    EXPECT_EQ(boxes_.messages[0].caption, "Warning");
    EXPECT_EQ(boxes_.messages[0].text, "No file(s) selected.");
    EXPECT_EQ(ThActive.load(), 0);
}

TEST_F(LoadDialogTest, ALoadWhileAJobRunsStartsNothingAndShowsNothing)
{
    write_months();
    LoadDialog dialog(state_, nullptr);
    click(&dialog, ids::jobs::kSelectAll);
    BusyClaim other = BusyClaim::try_claim(ThActive);
    ASSERT_TRUE(other);
    click(&dialog, ids::jobs::kLoad);
    EXPECT_EQ(running_jobs(), 0);
    EXPECT_TRUE(boxes_.messages.empty());
    other.release();
    const auto years = GetYear(nullptr, station_.db_path());
    ASSERT_TRUE(years);
    EXPECT_TRUE(years->empty());
}

TEST_F(LoadDialogTest, AMissingDatabaseClosesTheDialogAtOnce)
{
    write_months();
    std::filesystem::remove(station_.db_path());
    LoadDialog dialog(state_, nullptr);
    ASSERT_EQ(boxes_.messages.size(), 1u);
    EXPECT_EQ(boxes_.messages[0].caption, "Error");
    EXPECT_TRUE(boxes_.messages[0].text.starts_with("Can't open database: "))
        << boxes_.messages[0].text;
    EXPECT_FALSE(dialog.opened());
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
}

}  // namespace
}  // namespace nimbora
