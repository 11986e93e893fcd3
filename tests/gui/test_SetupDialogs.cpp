// SPDX-License-Identifier: GPL-3.0-or-later
// The Report, Directories and Units dialogs of the Setup menu.
#include "app/SetupDialogs.h"
#include "config/UnitConvert.h"
#include "config/read_conf.h"
#include "config/schema.h"
#include "desktop_fixture.h"
#include "reports/MonthRep.h"
#include "support/report_station.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QRadioButton>

#include <filesystem>
#include <regex>

namespace fs = std::filesystem;

namespace nimbora {
namespace {

using test::child;
using test::click;

// A station folder of its own, open, with its settings files.
class SetupDialogs : public test::DesktopHome {
protected:
    SetupDialogs()
    {
        fs::create_directory(home.path() / "Field");
        for (const char* f : {kConfFile, kDatFile, kDbFile})
            fs::copy_file(home.path() / f, home.path() / "Field" / f);
        state.places.StationName = "Field";
        state.places.DocPath = home.folder() + "Field/";
        read_conf(nullptr, kConfEntries, state.places.DocPath, state.settings);
    }

    // The settings as the files now hold them.
    Settings saved() const
    {
        Settings s;
        EXPECT_EQ(read_conf(nullptr, kConfEntries, state.places.DocPath, s), 0);
        return s;
    }
};

Qt::CheckState all_box(const ReportSetupDialog& d)
{
    return child<QCheckBox>(&d, ids::kAllColumns)->checkState();
}

TEST_F(SetupDialogs, AllColumnsBoxFollowsTheFifteenBoxesAndAlternatesAllAndNone)
{
    state.settings.ReportChk.fill(0);
    ReportSetupDialog d(state, nullptr);
    d.show();
    EXPECT_EQ(all_box(d), Qt::Unchecked);
    for (int i = 0; i < kReportColumns; ++i) {
        click(&d, ids::column_box(i));
        EXPECT_EQ(d.NumCheck(), i + 1);
        EXPECT_EQ(all_box(d), i + 1 < kReportColumns ? Qt::PartiallyChecked : Qt::Checked) << i;
    }
    click(&d, ids::kAllColumns);  // all -> none
    EXPECT_EQ(all_box(d), Qt::Unchecked);
    EXPECT_EQ(d.NumCheck(), 0);
    for (int i = 0; i < kReportColumns; ++i)
        EXPECT_FALSE(child<QCheckBox>(&d, ids::column_box(i))->isChecked());

    click(&d, ids::column_box(kRain));  // some -> none, never stuck at indeterminate
    EXPECT_EQ(all_box(d), Qt::PartiallyChecked);
    click(&d, ids::kAllColumns);
    EXPECT_EQ(all_box(d), Qt::Unchecked);
    EXPECT_EQ(d.NumCheck(), 0);

    click(&d, ids::kAllColumns);  // none -> all
    EXPECT_EQ(all_box(d), Qt::Checked);
    EXPECT_EQ(d.NumCheck(), kReportColumns);
    click(&d, ids::column_box(kUV));
    click(&d, ids::kOk);
    const Settings s = saved();
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(s.ReportChk[static_cast<std::size_t>(i)], i < kReportColumns && i != kUV) << i;
}

TEST_F(SetupDialogs, ReportEditsHoldTheirLimitsAndSaveTrimmed)
{
    state.settings.ReportChk.fill(0);
    state.settings.ReportChk[kTemperature] = state.settings.ReportChk[kWind] = 1;
    state.settings.Rep_City = "Old Town";
    ReportSetupDialog d(state, nullptr);
    EXPECT_EQ(all_box(d), Qt::PartiallyChecked);
    EXPECT_EQ(d.NumCheck(), 2);
    const std::pair<int, int> limits[] = {{ids::kRepName, 30},  {ids::kRepCity, 30},
                                          {ids::kRepState, 30}, {ids::kRepElev, 20},
                                          {ids::kRepLat, 25},   {ids::kRepLong, 25}};
    for (auto [id, max] : limits) EXPECT_EQ(child<QLineEdit>(&d, id)->maxLength(), max) << id;
    EXPECT_EQ(child<QLineEdit>(&d, ids::kRepCity)->text(), "Old Town");

    d.show();
    QTest::keyClicks(child<QLineEdit>(&d, ids::kRepName), "Hill Top   ");
    QTest::keyClicks(child<QLineEdit>(&d, ids::kRepLat), "45.1 N");
    click(&d, ids::kOk);
    EXPECT_EQ(state.settings.Rep_Name, "Hill Top");
    const Settings s = saved();
    EXPECT_EQ(s.Rep_Name, "Hill Top");
    EXPECT_EQ(s.Rep_Lat, "45.1 N");
    EXPECT_EQ(s.Rep_City, "Old Town");
    EXPECT_TRUE(s.column(kTemperature) && s.column(kWind) && !s.column(kRain));
}

TEST_F(SetupDialogs, CancelChangesNothing)
{
    const Settings before = state.settings;
    ReportSetupDialog d(state, nullptr);
    d.show();
    QTest::keyClicks(child<QLineEdit>(&d, ids::kRepName), "Changed");
    click(&d, ids::kAllColumns);
    click(&d, ids::kCancel);
    EXPECT_EQ(state.settings.Rep_Name, before.Rep_Name);
    EXPECT_EQ(state.settings.ReportChk, before.ReportChk);
    EXPECT_EQ(saved().Rep_Name, before.Rep_Name);
}

TEST_F(SetupDialogs, DirectoriesRefuseMissingFoldersOneByOneWithFocusAndSelection)
{
    const std::string before = state.settings.InitPathRep;
    DirectoriesDialog d(state, nullptr);
    d.show();
    QApplication::setActiveWindow(&d);
    auto* rep = child<QLineEdit>(&d, ids::kReportDir);
    auto* wlk = child<QLineEdit>(&d, ids::kWlkDir);
    rep->setText(QString::fromStdString(home.folder() + "nowhere"));
    wlk->setText(QString::fromStdString(home.folder() + "gone"));
    QStringList selected_at_box;  // the selected text of the focused edit at each message
    boxes.on_box = [&](const test::Message&) {
        auto* edit = qobject_cast<QLineEdit*>(d.focusWidget());
        selected_at_box << (edit ? edit->selectedText() : QString());
    };
    click(&d, ids::kOk);
    boxes.on_box = nullptr;
    ASSERT_EQ(boxes.messages.size(), 2u);
    EXPECT_EQ(boxes.messages[0].caption, "Error");
    EXPECT_EQ(boxes.messages[0].text, "Report directory is invalid!");
    EXPECT_EQ(boxes.messages[0].icon, Icon::error);
    EXPECT_EQ(boxes.messages[1].text, "Wlk Directory is invalid!");
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(state.settings.InitPathRep, before);
    // Each wrong folder gets the focus, its whole text selected, once it has been named: the
    // report folder by the time the WLK folder is named, the WLK folder at the end.
    ASSERT_EQ(selected_at_box.size(), 2u);
    EXPECT_EQ(selected_at_box[1], rep->text());
    EXPECT_EQ(wlk->selectedText(), wlk->text());
    EXPECT_EQ(d.focusWidget(), wlk);

    fs::create_directory(home.path() / "reports");
    rep->setText(QString::fromStdString(home.folder() + "reports"));
    wlk->setText(QString::fromStdString(home.folder()));
    click(&d, ids::kOk);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(state.settings.InitPathRep, home.folder() + "reports/");
    EXPECT_EQ(saved().InitPathRep, home.folder() + "reports/");
}

TEST_F(SetupDialogs, AFolderPickedWithANonAsciiNameIsStoredAsTheFileSystemNamesIt)
{
    const std::string folder = home.folder() + "Relev\xC3\xA9s";  // UTF-8, as on disk
    const std::string start = home.folder() + "D\xC3\xA9j\xC3\xA0";
    fs::create_directory(folder);
    fs::create_directory(start);
    state.settings.InitPathRep = start + "/";
    DirectoriesDialog d(state, nullptr);
    d.show();
    QString started;
    test::with_next_modal([&](QWidget* w) {
        auto* picker = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(picker, nullptr);
        started = picker->directory().absolutePath();
        picker->setDirectory(QString::fromUtf8(folder.c_str()));
        static_cast<QDialog*>(picker)->accept();  // the picker's own accept, as OK does
    });
    click(&d, ids::kReportDirBrowse);
    click(&d, ids::kOk);
    EXPECT_EQ(started, QString::fromUtf8(start.c_str()));  // the picker began at the setting
    EXPECT_TRUE(boxes.messages.empty());                   // no "Report directory is invalid!"
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(state.settings.InitPathRep, folder + "/");
    EXPECT_TRUE(fs::is_directory(state.settings.InitPathRep));
}

TEST_F(SetupDialogs, ANewDatabaseFolderTakesTheDatabaseUnlessItHasOne)
{
    fs::create_directory(home.path() / "db");
    test::write_file(home.path() / "Field" / kDbFile, "station data");
    DirectoriesDialog d(state, nullptr);
    d.show();
    child<QLineEdit>(&d, ids::kDatabaseDir)->setText(QString::fromStdString(home.folder() + "db"));
    click(&d, ids::kOk);
    EXPECT_EQ(state.settings.InitPathDB, home.folder() + "db/");
    EXPECT_EQ(test::read_file(home.path() / "db" / kDbFile), "station data");
    EXPECT_FALSE(fs::exists(home.path() / "Field" / kDbFile));

    // Back to a folder that holds a database already: both stay.
    test::write_file(home.path() / "Field" / kDbFile, "older data");
    DirectoriesDialog back(state, nullptr);
    back.show();
    child<QLineEdit>(&back, ids::kDatabaseDir)
        ->setText(QString::fromStdString(home.folder() + "Field"));
    click(&back, ids::kOk);
    EXPECT_EQ(test::read_file(home.path() / "Field" / kDbFile), "older data");
    EXPECT_EQ(test::read_file(home.path() / "db" / kDbFile), "station data");
}

TEST_F(SetupDialogs, UnitsFromADamagedFileGetTemperatureAndRainCodesBackInRange)
{
    // Settings files hold the codes as raw bytes: none of a group's buttons may match.
    state.settings.UnitTemp = 5;
    state.settings.UnitRain = 9;
    state.settings.UnitWind = 7;
    UnitsDialog d(state, nullptr);
    EXPECT_FALSE(child<QRadioButton>(&d, ids::kTempC)->isChecked());
    EXPECT_FALSE(child<QRadioButton>(&d, ids::kTempF)->isChecked());
    d.show();
    click(&d, ids::kOk);
    EXPECT_EQ(state.settings.UnitTemp, 1);  // not the first button: the second unit
    EXPECT_EQ(state.settings.UnitRain, 1);
    EXPECT_EQ(state.settings.UnitWind, 7);  // a wind group without a choice keeps its code
    EXPECT_EQ(saved().UnitTemp, 1);
}

TEST(UnitsDialog, InchAndInHgGiveTheNextMonthlyReportTheirFormats)
{
    test::ReportStation st;
    // clang-format off
    const test::Rec rows[] = {
    //   day   time     temp  hi    lo    hum  dew  bar     wspd gust dir    rain rate heat chill sol hsol et  uv  huv run
        {"12", "12:00", 12.0, 12.5, 10.0, 70, 6.5, 1014.0, 10.0, 18.0, "  S", 1.6, 6.0, 12.0, 10.0, 0, 0, 0.0, 0.0, 0.0, 1.0},
        {"12", "15:00", 14.0, 14.8, 12.5, 60, 6.0, 1013.5,  8.0, 16.0, "  S", 0.0, 0.0, 14.6, 13.0, 0, 0, 0.0, 0.0, 0.0, 0.8},
    };
    // clang-format on
    st.insert("2010", "10", rows);
    st.columns({kPressure, kRain});

    MemoryUserStore store;
    test::RecordingOwner boxes;
    AppState state{store, {}, st.settings, nullptr, {}, {}, {}, &boxes};
    state.places.DocPath = st.dir.folder();
    UnitsDialog d(state, nullptr);
    EXPECT_TRUE(child<QRadioButton>(&d, ids::kRainMm)->isChecked());
    EXPECT_TRUE(child<QRadioButton>(&d, ids::kBarHpa)->isChecked());
    EXPECT_EQ(child<QRadioButton>(&d, ids::kTempC)->text(), QString::fromLatin1("\xB0"
                                                                                "C"));
    d.show();
    click(&d, ids::kRainInch);
    click(&d, ids::kBarInHg);
    EXPECT_FALSE(child<QRadioButton>(&d, ids::kBarHpa)->isChecked());
    click(&d, ids::kOk);
    EXPECT_EQ(state.settings.UnitRain, 1);
    EXPECT_EQ(state.settings.UnitBar, 3);
    EXPECT_EQ(state.settings.UnitTemp, 0);
    EXPECT_EQ(state.settings.UnitWind, 0);

    Settings s;
    ASSERT_EQ(read_conf(nullptr, kConfEntries, st.dir.folder(), s), 0);
    EXPECT_EQ(s.UnitRain, 1);
    EXPECT_EQ(s.UnitBar, 3);
    const Units u = UnitConvert(s);
    EXPECT_EQ(u.RSpec, "  %6.2f");
    EXPECT_EQ(u.PSpec, "  %6.3f");

    st.settings = state.settings;
    ReportJob job;
    job.Table = "DatiMeteo";
    job.year = 2010;
    job.month = 10;
    ASSERT_EQ(st.run_job(MonthReport, job), 0);
    const std::string report = st.file("October_2010.txt");
    EXPECT_NE(report.find("PRESSURE (inHg)"), std::string::npos) << test::visible(report);
    EXPECT_NE(report.find("RAIN (in)"), std::string::npos);
    // Day 12: pressure in inHg with three decimals, rain in inches with two.
    EXPECT_TRUE(std::regex_search(report, std::regex("\r\n12 .* 29\\.9[0-9]{2} .* 0\\.06 ")))
        << test::visible(report);
}

}  // namespace
}  // namespace nimbora
