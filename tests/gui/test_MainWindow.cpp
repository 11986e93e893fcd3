// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: menus and their greying, title, status text, position, closing, help.
#include "app/ChartsWindow.h"
#include "app/Help.h"
#include "app/MainWindow.h"
#include "config/function.h"
#include "desktop_fixture.h"
#include "jobs/busy.h"

#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTextBrowser>

#include <filesystem>
#include <functional>

namespace fs = std::filesystem;

namespace nimbora {
namespace {

class MainWindowTest : public test::DesktopHome {
protected:
    // Every menu item the window has, with its menu.
    struct Item {
        int id;
        const char* menu;
        const char* text;
    };
    static constexpr Item kItems[] = {
        {ids::kNewStation, "File", "&New Station"},
        {ids::kOpenStation, "File", "&Open Station"},
        {ids::kDeleteStation, "File", "&Delete Station"},
        {ids::kLoadDatabase, "File", "&Load Database"},
        {ids::kViewFtpLog, "File", "&View Ftp Log"},
        {ids::kExit, "File", "E&xit"},
        {ids::kSetupReport, "Setup", "&Report"},
        {ids::kSetupDirectories, "Setup", "&Directories"},
        {ids::kSetupUnits, "Setup", "&Units"},
        {ids::kSetupInternet, "Setup", "&Internet"},
        {ids::kCurrentMonth, "Report", "&Current Month"},
        {ids::kMonthly, "Report", "&Monthly"},
        {ids::kAnnual, "Report", "&Annual"},
        {ids::kGlobal, "Report", "&Global"},
        {ids::kDateRange, "Report", "&Date Range"},
        {ids::kStatistics, "Report", "&Statistics"},
        {ids::charts::kMenuItem, "Report", "C&harts..."},
        {ids::kWebPages, "Report", "&Web Pages..."},
        {ids::kHelp, "Help", "&Help"},
        {ids::kCheckUpdates, "Help", "&Check for Updates"},
        {ids::kAbout, "Help", "&About"},
    };

    // What needs a station is enabled exactly when `on`.
    void expect_station_menus(const MainWindow& w, bool on)
    {
        EXPECT_EQ(w.action(ids::kLoadDatabase)->isEnabled(), on);
        EXPECT_EQ(w.action(ids::kViewFtpLog)->isEnabled(), on);
        EXPECT_EQ(w.setup_menu()->menuAction()->isEnabled(), on);
        EXPECT_EQ(w.report_menu()->menuAction()->isEnabled(), on);
        EXPECT_TRUE(w.action(ids::kNewStation)->isEnabled());
        EXPECT_TRUE(w.action(ids::kAbout)->isEnabled());
    }
};

TEST_F(MainWindowTest, HasEveryItemInItsMenuInOrder)
{
    MainWindow w(state);
    const QList<QAction*> top = w.menuBar()->actions();
    ASSERT_EQ(top.size(), 4);
    EXPECT_EQ(top[1]->menu(), w.setup_menu());  // Setup and Report at positions 1 and 2
    EXPECT_EQ(top[2]->menu(), w.report_menu());
    std::map<QString, QStringList> seen;
    for (QAction* t : top)
        for (QAction* a : t->menu()->actions())
            if (!a->isSeparator()) seen[t->menu()->objectName()] << a->objectName();
    std::map<QString, QStringList> expected;
    for (const Item& item : kItems) {
        expected[item.menu] << widget_id(item.id);
        ASSERT_NE(w.action(item.id), nullptr) << item.id;
        EXPECT_EQ(w.action(item.id)->text(), item.text);
    }
    EXPECT_EQ(seen, expected);

    const QStringList tray = {widget_id(ids::kShowWindow), widget_id(ids::kAbout),
                              widget_id(ids::kExit)};
    QStringList tray_seen;
    for (QAction* a : w.tray_menu()->actions()) tray_seen << a->objectName();
    EXPECT_EQ(tray_seen, tray);
    EXPECT_EQ(w.action(ids::kShowWindow, true)->text(), "Show &Nimbora");
    EXPECT_EQ(w.size(), QSize(431, 260));
}

TEST_F(MainWindowTest, MenusGreyWithoutStationAndTitleFollowsOpenAndDelete)
{
    fs::create_directory(home.path() / "Ridge");
    for (const char* f : {"nimbrep.conf", "nimbrep.dat"})
        fs::copy_file(home.path() / f, home.path() / "Ridge" / f);
    MainWindow w(state);
    EXPECT_EQ(w.windowTitle(), "Nimbora");
    expect_station_menus(w, false);

    test::with_next_modal([](QWidget* dialog) {
        test::select_station(dialog, "Ridge");
        test::click(dialog, ids::kOpenButton);
    });
    w.action(ids::kOpenStation)->trigger();
    EXPECT_EQ(w.windowTitle(), "Nimbora - [Ridge]");
    expect_station_menus(w, true);
    EXPECT_EQ(store.get_string("StationName"), "Ridge");

    // Report > Charts... opens one window beside this one (a station without records: no chart).
    w.action(ids::charts::kMenuItem)->trigger();
    w.action(ids::charts::kMenuItem)->trigger();
    const auto charts = w.findChildren<ChartsWindow*>();
    ASSERT_EQ(charts.size(), 1);
    EXPECT_TRUE(charts[0]->isVisible());
    EXPECT_TRUE(charts[0]->view()->svg().isEmpty());
    auto* kind = charts[0]->findChild<QWidget*>(widget_id(ids::charts::kKind));

    // A job greys the Report menu while it runs, and the charts' choices; it never enables it
    // without a station.
    state.report_menu_enabled(false);
    EXPECT_FALSE(w.report_menu()->menuAction()->isEnabled());
    EXPECT_FALSE(w.action(ids::kMonthly)->isEnabled());
    EXPECT_FALSE(kind->isEnabled());
    state.report_menu_enabled(true);
    EXPECT_TRUE(w.report_menu()->menuAction()->isEnabled());
    EXPECT_TRUE(kind->isEnabled());
    charts[0]->close();

    boxes.answer({true});
    test::with_next_modal([](QWidget* dialog) {
        test::select_station(dialog, "Ridge");
        test::click(dialog, ids::kDeleteButton);
    });
    w.action(ids::kDeleteStation)->trigger();
    ASSERT_EQ(boxes.messages.size(), 2u);
    EXPECT_EQ(boxes.messages[0].caption, "Delete station 'Ridge'");
    EXPECT_EQ(boxes.messages[1].text, "Station deleted successfully");
    EXPECT_EQ(w.windowTitle(), "Nimbora - []");
    expect_station_menus(w, false);
    EXPECT_FALSE(store.get_string("StationName"));
}

TEST_F(MainWindowTest, StatusTextAndTrayTipFollowTheUploadSettings)
{
    state.places.StationName = "Ridge";
    MainWindow w(state);
    EXPECT_EQ(w.status_text(), "FTP Upload  OFF");
    EXPECT_EQ(w.tray_tip(), "Nimbora - [Ridge]\n\nFTP Upload  OFF");

    state.settings.TransferEnabled = 1;
    state.settings.Interval = "1 hr.";
    state.settings.IntervMin = 60;
    state.settings.TimeStart = "08:30";
    TimerActive = 0;
    state.refresh_status();
    EXPECT_EQ(w.status_text(), "FTP Upload ON (Next Start: 08:30)");
    TimerActive = 1;
    state.refresh_status();
    EXPECT_EQ(w.status_text(), "FTP Upload ON (Every: 1 hr.)");
    TimerActive = 0;
}

TEST_F(MainWindowTest, CallbacksAJobKeptDoNothingOnceTheWindowIsGone)
{
    std::function<void(bool)> menu;
    std::function<void()> refresh, stop;
    {
        MainWindow w(state);
        // A running job holds its own copy of the menu callback (and a dialog may hold others).
        menu = state.report_menu_enabled;
        refresh = state.refresh_status;
        stop = state.stop_schedule;
    }
    EXPECT_EQ(state.main_window, nullptr);
    EXPECT_FALSE(state.report_menu_enabled);
    EXPECT_FALSE(state.stop_schedule);
    menu(true);  // the job ends after the window: nothing happens
    refresh();
    stop();
}

TEST_F(MainWindowTest, PositionIsSavedUnlessOffScreenOrNegative)
{
    MainWindow w(state);
    w.show();
    w.move(120, 80);
    QTRY_COMPARE(store.get_int("PosX").value_or(-1), 120);
    EXPECT_EQ(store.get_int("PosY"), 80);
    w.move(-30, 90);
    QTRY_COMPARE(store.get_int("PosY").value_or(-1), 90);
    EXPECT_EQ(store.get_int("PosX"), 120);

    store.fail_writes = true;
    w.move(140, 100);
    QTRY_COMPARE(boxes.count(), 1u);
    EXPECT_EQ(boxes.messages[0].caption, "Error");
    EXPECT_EQ(boxes.messages[0].text, "Error saving settings to registry");
    EXPECT_EQ(boxes.messages[0].icon, Icon::error);
}

TEST_F(MainWindowTest, WithoutATrayTheCloseBoxEndsTheProgramAndExitAlwaysDoes)
{
    MainWindow w(state);
    w.show();
    ASSERT_FALSE(w.hides_in_tray());  // no notification area when headless
    QSignalSpy quit(&w, &MainWindow::quit_requested);
    w.close();
    EXPECT_EQ(quit.count(), 1);

    w.show();
    w.action(ids::kExit, true)->trigger();
    EXPECT_EQ(quit.count(), 2);
    EXPECT_FALSE(w.isVisible());

    // The tray's Exit ends the program while the window is hidden in the tray, too.
    w.show();
    w.hide();
    w.action(ids::kExit, true)->trigger();
    EXPECT_EQ(quit.count(), 3);
}

TEST_F(MainWindowTest, HelpOpensTheProgramsOwnPages)
{
    MainWindow w(state);
    w.show();
    w.action(ids::kHelp)->trigger();
    auto* viewer = w.findChild<QDialog*>("help");
    ASSERT_NE(viewer, nullptr);
    EXPECT_TRUE(viewer->isVisible());
    auto* browser = viewer->findChild<QTextBrowser*>();
    EXPECT_EQ(browser->source().toString(), "qrc:/nimbora/help/index.html");
    EXPECT_TRUE(browser->toPlainText().contains("Getting started"));
    viewer->close();
}

TEST_F(MainWindowTest, InstallationIsOfferedAndRunsOnlyOnYes)
{
    test::TempDir docs;
    const std::string product = docs.folder() + "Nimbora/";
    EXPECT_FALSE(offer_installation(nullptr, product));  // no one to ask: No
    boxes.answer({false});
    EXPECT_FALSE(offer_installation(&boxes, product));
    EXPECT_FALSE(fs::exists(product));
    ASSERT_EQ(boxes.messages.size(), 1u);
    EXPECT_EQ(boxes.messages[0].caption, "Nimbora");
    EXPECT_TRUE(boxes.messages[0].asked);
    EXPECT_EQ(boxes.messages[0].text.substr(0, 55),
              "Nimbora is not set up in this documents folder; missing");

    boxes.answer({true});
    EXPECT_TRUE(offer_installation(&boxes, product));
    EXPECT_TRUE(fs::is_regular_file(fs::path(product) / "nimbrep.conf"));
    // Installed: nothing is asked again.
    EXPECT_TRUE(offer_installation(&boxes, product));
    EXPECT_EQ(boxes.messages.size(), 2u);
}

TEST(Help, EveryPageNameOpensItsOwnPage)
{
    const char* pages[] = {"AnnualReport.html",   "CurrMonthlyReport.html",
                           "Directories.html",    "GlobalReport.html",
                           "Load.html",           "MonthlyReport.html",
                           "Report.html",         "Statistics.html",
                           "Units.html",          "charts.html",
                           "date-range.html",     "delete-station.html",
                           "file-configure.html", "internetsettings.html",
                           "new-station.html",    "open-station.html",
                           "view-ftp-log.html"};
    for (const char* page : pages) {
        const std::string name = std::string("Nimbora.chm::/") + page;
        const QString url = help_page_url(name);
        EXPECT_EQ(url, QString("qrc:/nimbora/help/") + page);
        EXPECT_TRUE(QFile::exists(url.mid(3))) << page;
    }
    EXPECT_EQ(help_page_url("Nimbora.chm"), "qrc:/nimbora/help/index.html");
    EXPECT_EQ(help_page_url("Nimbora.chm::/missing.html"), "qrc:/nimbora/help/index.html");
    EXPECT_EQ(help_page_url("Nimbora.chm::/../help/index.html"), "qrc:/nimbora/help/index.html");
}

}  // namespace
}  // namespace nimbora
