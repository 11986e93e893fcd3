// SPDX-License-Identifier: GPL-3.0-or-later
// The dialogs of the Report menu, driven headless on a station filled from synthetic WLK
// files: what they list, what they refuse, and the report each OK writes.
#include "app/AppState.h"
#include "app/JobRunner.h"
#include "app/ReportDialogs.h"
#include "app/dialog_util.h"
#include "config/UserStore.h"
#include "config/format.h"
#include "config/function.h"
#include "import/load_db.h"
#include "import/synthetic.h"
#include "jobs/busy.h"
#include "reports/requests.h"
#include "support/RecordingOwner.h"
#include "support/report_station.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QWidget>

#include <atomic>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <vector>

namespace nimbora {
namespace {

using test::ReportStation;

// Long enough for a report under the sanitizers on a loaded machine; no test waits for it
// to pass.
constexpr int kJobMs = 120000;

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

QStringList items(const QComboBox* c)
{
    QStringList texts;
    for (int i = 0; i < c->count(); ++i) texts << c->itemText(i);
    return texts;
}

void choose(QComboBox* c, const QString& text)
{
    const int i = c->findText(text);
    ASSERT_GE(i, 0) << text.toStdString();
    c->setCurrentIndex(i);
}

// May and June 2008 and January 2009, one record an hour, imported as the Load dialog would.
class ReportDialogs : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        station_ = new ReportStation;
        const std::string folder = station_->dir.folder();
        ASSERT_TRUE(write_synthetic_month(folder + "2008-05.wlk", 2008, 5, 60, 1));
        ASSERT_TRUE(write_synthetic_month(folder + "2008-06.wlk", 2008, 6, 60, 2));
        ASSERT_TRUE(write_synthetic_month(folder + "2009-01.wlk", 2009, 1, 60, 3));
        ReportJob job;
        job.settings = station_->settings;
        job.Files = {"2008-05.wlk", "2008-06.wlk", "2009-01.wlk"};
        ASSERT_EQ(load_db(job).code, 0);
    }
    static void TearDownTestSuite()
    {
        delete station_;
        station_ = nullptr;
    }

    ReportDialogs()
    {
        station_->all_columns();
        state_.settings = station_->settings;
        state_.places.DocPath = station_->dir.folder();
        state_.main_window = &main_;
        state_.report_menu_enabled = [this](bool on) { menu_.push_back(on); };
    }
    ~ReportDialogs() override
    {
        wait_for_jobs();
        ThActive = 0;
    }

    // Clicks OK and returns, once the job is gone, the one message it ended with.
    test::Message run_ok(QWidget* dialog)
    {
        boxes_.clear();
        click(dialog, ids::kOk);
        wait_for_jobs();
        EXPECT_EQ(boxes_.messages.size(), 1u);
        return boxes_.messages.empty() ? test::Message{} : boxes_.messages.back();
    }

    // Clicks OK on a choice the dialog refuses; returns the one message it showed.
    test::Message refused_ok(QWidget* dialog)
    {
        boxes_.clear();
        click(dialog, ids::kOk);
        EXPECT_EQ(running_jobs(), 0);
        EXPECT_EQ(boxes_.messages.size(), 1u);
        return boxes_.messages.empty() ? test::Message{} : boxes_.messages.back();
    }

    bool written(const std::string& name) const { return station_->exists(name); }
    void remove(const std::string& name) const
    {
        std::error_code ec;
        std::filesystem::remove(station_->dir.path() / name, ec);
    }
    std::string path(const std::string& name) const
    {
        return (station_->dir.path() / name).string();
    }

    static ReportStation* station_;
    MemoryUserStore store_;
    test::RecordingOwner boxes_;
    QWidget main_;
    AppState state_{store_, {}, {}, nullptr, {}, {}, {}, &boxes_};
    std::vector<bool> menu_;
};

ReportStation* ReportDialogs::station_ = nullptr;

TEST_F(ReportDialogs, MonthlyListsTheMonthsOfTheChosenYearAndWritesTheReport)
{
    MonthlyReportDialog dialog(state_, nullptr);
    ASSERT_TRUE(dialog.opened());
    EXPECT_EQ(dialog.windowTitle(), "Monthly Report");
    auto* year = child<QComboBox>(&dialog, ids::jobs::kMonthlyYear);
    auto* month = child<QComboBox>(&dialog, ids::jobs::kMonthlyMonth);
    EXPECT_EQ(items(year), (QStringList{"2008", "2009"}));
    EXPECT_EQ(year->currentIndex(), -1);
    EXPECT_EQ(month->count(), 0);
    EXPECT_TRUE(child<QCheckBox>(&dialog, ids::jobs::kWindDetail)->isEnabled());

    const test::Message none = refused_ok(&dialog);
    EXPECT_EQ(none.caption, "Attention");
    EXPECT_EQ(none.text, "No year/month selected.");
    EXPECT_EQ(none.icon, Icon::warning);

    choose(year, "2009");
    EXPECT_EQ(items(month), QStringList{"January"});
    choose(year, "2008");
    EXPECT_EQ(items(month), (QStringList{"May", "June"}));
    EXPECT_EQ(refused_ok(&dialog).text, "No year/month selected.");

    choose(month, "June");
    child<QCheckBox>(&dialog, ids::jobs::kWindDetail)->setChecked(true);
    remove("June_2008.txt");
    QStringList progress;
    QObject::connect(child<QStatusBar>(&dialog, ids::jobs::kStatusBar), &QStatusBar::messageChanged,
                     [&](const QString& t) { progress << t; });
    const test::Message done = run_ok(&dialog);
    EXPECT_EQ(done.caption, "Report");
    EXPECT_EQ(done.icon, Icon::information);
    EXPECT_TRUE(progress.contains("Please wait..."));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(written("June_2008.txt"));
    EXPECT_TRUE(written("June_2008_wind.txt"));
    ASSERT_FALSE(menu_.empty());
    EXPECT_FALSE(menu_.front());
    EXPECT_TRUE(menu_.back());
}

TEST_F(ReportDialogs, MonthlyOffersNoWindFileWithoutTheWindColumn)
{
    state_.settings.ReportChk[kWind] = 0;
    MonthlyReportDialog dialog(state_, nullptr);
    auto* wind = child<QCheckBox>(&dialog, ids::jobs::kWindDetail);
    EXPECT_FALSE(wind->isEnabled());
    wind->setChecked(true);  // disabled, so the user cannot; the record still says 0
    choose(child<QComboBox>(&dialog, ids::jobs::kMonthlyYear), "2008");
    choose(child<QComboBox>(&dialog, ids::jobs::kMonthlyMonth), "May");
    remove("May_2008_wind.txt");
    EXPECT_EQ(run_ok(&dialog).caption, "Report");
    EXPECT_TRUE(written("May_2008.txt"));
    EXPECT_FALSE(written("May_2008_wind.txt"));
}

// The job's last box waits for the person, not the flag: by then ThActive is free and the
// Report menu is back, so a second OK meanwhile starts a job of its own.
TEST_F(ReportDialogs, TheCompletionBoxHoldsNoFlagAndNoMenu)
{
    AnnualReportDialog dialog(state_, nullptr);
    choose(child<QComboBox>(&dialog, ids::jobs::kAnnualYear), "2008");
    remove("Year2008.txt");
    bool busy_during = true;
    std::vector<bool> menu_during;
    boxes_.on_box = [&](const test::Message&) {
        busy_during = ThActive != 0;
        menu_during = menu_;
    };
    click(&dialog, ids::kOk);
    wait_for_jobs();
    EXPECT_FALSE(busy_during);
    ASSERT_FALSE(menu_during.empty());
    EXPECT_FALSE(menu_during.front());
    EXPECT_TRUE(menu_during.back());
    EXPECT_EQ(boxes_.messages.size(), 1u);
    EXPECT_TRUE(written("Year2008.txt"));
    EXPECT_EQ(ThActive.load(), 0);
}

TEST_F(ReportDialogs, AnOkWhileAJobRunsStartsNothingAndShowsNothing)
{
    AnnualReportDialog dialog(state_, nullptr);
    choose(child<QComboBox>(&dialog, ids::jobs::kAnnualYear), "2008");
    remove("Year2008.txt");
    BusyClaim running = BusyClaim::try_claim(ThActive);
    ASSERT_TRUE(running);
    boxes_.clear();
    click(&dialog, ids::kOk);
    EXPECT_EQ(running_jobs(), 0);
    EXPECT_EQ(boxes_.count(), 0u);
    running.release();
    EXPECT_FALSE(written("Year2008.txt"));
}

TEST_F(ReportDialogs, CurrentMonthNamesTheMonthAndReportsItFromItsWlkFile)
{
    const LocalTime now = local_now();
    const std::string wlk = strf("%04d-%02d.wlk", now.year, now.month);
    ASSERT_TRUE(write_synthetic_month(path(wlk), now.year, now.month, 60, 5));
    CurrentMonthDialog dialog(state_, nullptr);
    EXPECT_EQ(dialog.windowTitle(), "Current Month Report");
    EXPECT_EQ(child<QLabel>(&dialog, ids::jobs::kCurrentMonthText)->text(),
              QString::fromStdString(current_month_title(now)));
    const std::string report =
        strf("%s_%d.txt", mesi[static_cast<std::size_t>(now.month - 1)], now.year);
    remove(report);
    EXPECT_EQ(run_ok(&dialog).caption, "Report");
    EXPECT_TRUE(written(report));
    remove(wlk);
}

TEST_F(ReportDialogs, AnnualRefusesAMissingYearAndWritesTheChosenOne)
{
    AnnualReportDialog dialog(state_, nullptr);
    auto* year = child<QComboBox>(&dialog, ids::jobs::kAnnualYear);
    EXPECT_EQ(items(year), (QStringList{"2008", "2009"}));
    const test::Message none = refused_ok(&dialog);
    EXPECT_EQ(none.caption, "Attention");
    EXPECT_EQ(none.text, "No year selected.");
    choose(year, "2009");
    remove("Year2009.txt");
    EXPECT_EQ(run_ok(&dialog).caption, "Report");
    EXPECT_TRUE(written("Year2009.txt"));
}

TEST_F(ReportDialogs, GlobalShowsTheYearsHeldAndFillsItsProgressBar)
{
    GlobalReportDialog dialog(state_, nullptr);
    EXPECT_EQ(child<QLineEdit>(&dialog, ids::jobs::kGlobalFrom)->text(), "2008");
    EXPECT_EQ(child<QLineEdit>(&dialog, ids::jobs::kGlobalTo)->text(), "2009");
    EXPECT_TRUE(child<QLineEdit>(&dialog, ids::jobs::kGlobalFrom)->isReadOnly());
    auto* bar = child<QProgressBar>(&dialog, ids::jobs::kProgressBar);
    remove("Global.txt");
    EXPECT_EQ(run_ok(&dialog).caption, "Report");
    EXPECT_TRUE(written("Global.txt"));
    EXPECT_GT(bar->maximum(), 0);
}

// Web Pages: the site written into the station's "web" folder with progress, then its index
// handed to the browser (a stand-in here: no browser starts), and no message.
TEST_F(ReportDialogs, WebPagesWritesTheSiteAndOpensItsIndex)
{
    std::vector<QUrl> opened;
    set_url_opener([&opened](const QUrl& url) { opened.push_back(url); });
    WebPagesDialog dialog(state_, nullptr);
    EXPECT_EQ(child<QLineEdit>(&dialog, ids::jobs::kWebFolder)->text(),
              qt_text(station_->dir.folder() + "web"));
    auto* bar = child<QProgressBar>(&dialog, ids::jobs::kProgressBar);
    boxes_.clear();
    click(&dialog, ids::kOk);
    wait_for_jobs();
    QCoreApplication::processEvents();
    set_url_opener({});
    EXPECT_TRUE(boxes_.messages.empty());
    EXPECT_TRUE(written("web/2009-01.html"));
    EXPECT_TRUE(written("web/records.html"));
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], QUrl::fromLocalFile(qt_text(path("web/index.html"))));
    EXPECT_EQ(bar->maximum(), 3 + 2);  // three month pages, the records and the index
    EXPECT_TRUE(menu_.back());
}

// Where the message goes once the dialog is gone is GuiOwner's part (test_GuiOwner).
TEST_F(ReportDialogs, AClosedDialogLeavesItsJobRunningAndItsMessageTold)
{
    auto dialog = std::make_unique<GlobalReportDialog>(state_, nullptr);
    remove("Global.txt");
    click(dialog.get(), ids::kOk);
    dialog.reset();
    wait_for_jobs();
    ASSERT_EQ(boxes_.messages.size(), 1u);
    EXPECT_EQ(boxes_.messages[0].caption, "Report");
    EXPECT_TRUE(written("Global.txt"));
    EXPECT_TRUE(menu_.back());
}

TEST_F(ReportDialogs, StatisticsAllTimeSendsNineNineNineNineAndNeverTheMonthlyDetail)
{
    StatisticsDialog dialog(state_, nullptr);
    auto* all = child<QCheckBox>(&dialog, ids::jobs::kAllTime);
    auto* year = child<QComboBox>(&dialog, ids::jobs::kStatisticsYear);
    auto* detail = child<QCheckBox>(&dialog, ids::jobs::kMonthlyDetail);
    EXPECT_EQ(items(year), (QStringList{"2008", "2009"}));
    EXPECT_TRUE(child<QLineEdit>(&dialog, ids::jobs::kFirstDate)->isHidden());
    EXPECT_EQ(refused_ok(&dialog).text, "Nothing selected.");

    detail->setChecked(true);
    all->setChecked(true);
    EXPECT_FALSE(year->isEnabled());
    EXPECT_FALSE(detail->isEnabled());
    remove("Statistics.txt");
    EXPECT_EQ(run_ok(&dialog).caption, "Summary");
    EXPECT_TRUE(written("Statistics.txt"));
    EXPECT_FALSE(written("9999_Statistics_Dett.txt"));
    // The title spans the first and the last record's days.
    EXPECT_NE(station_->file("Statistics.txt").find("01/05/2008"), std::string::npos);

    all->setChecked(false);
    EXPECT_TRUE(year->isEnabled());
    EXPECT_TRUE(detail->isEnabled());
    choose(year, "2008");
    EXPECT_EQ(run_ok(&dialog).caption, "Statistics");
    EXPECT_TRUE(written("2008_Statistics_Dett.txt"));
}

TEST_F(ReportDialogs, DateRangeAcceptsOneDayAndRefusesTheDayBeforeTheFirstRecord)
{
    DateRangeDialog dialog(state_, nullptr);
    auto* first = child<QLineEdit>(&dialog, ids::jobs::kFirstDate);
    auto* last = child<QLineEdit>(&dialog, ids::jobs::kLastDate);
    EXPECT_EQ(first->text(), "01/05/2008");
    EXPECT_EQ(last->text().size(), 10);
    auto* start = child<QDateEdit>(&dialog, ids::jobs::kStartDate);
    auto* end = child<QDateEdit>(&dialog, ids::jobs::kEndDate);
    EXPECT_TRUE(start->calendarPopup());

    struct Refused {
        QDate start, end;
        const char* text;
    };
    const QDate day1(2008, 5, 1);
    const Refused refused[] = {
        {day1.addDays(-1), day1, "Start Date out of range!"},
        {day1.addDays(3), day1.addDays(2), "End Date minor of Start Date!"},
    };
    for (const Refused& r : refused) {
        start->setDate(r.start);
        end->setDate(r.end);
        const test::Message seen = refused_ok(&dialog);
        EXPECT_EQ(seen.caption, "Error") << r.text;
        EXPECT_EQ(seen.text, r.text);
        EXPECT_EQ(seen.icon, Icon::error);
    }

    start->setDate(day1);
    end->setDate(day1);
    remove("Report 01052008-01052008.txt");
    EXPECT_EQ(run_ok(&dialog).caption, "Report");
    EXPECT_TRUE(written("Report 01052008-01052008.txt"));
}

// Each dialog reading the database closes at once when the database cannot be opened.
struct Opening {
    const char* name;
    std::function<std::unique_ptr<JobDialog>(AppState&)> make;
};

class ReportDialogsWithoutDatabase : public testing::TestWithParam<Opening> {};

TEST_P(ReportDialogsWithoutDatabase, TellAndCloseAtOnce)
{
    test::TempDir empty;
    MemoryUserStore store;
    test::RecordingOwner boxes;
    AppState state{store, {}, {}, nullptr, {}, {}, {}, &boxes};
    state.settings.InitPathDB = state.settings.InitPathRep = state.settings.InitPathWLK =
        empty.folder();
    auto dialog = GetParam().make(state);
    ASSERT_EQ(boxes.messages.size(), 1u);
    EXPECT_EQ(boxes.messages[0].caption, "Error");
    EXPECT_TRUE(boxes.messages[0].text.starts_with("Can't open database: "))
        << boxes.messages[0].text;
    EXPECT_FALSE(dialog->opened());
    EXPECT_EQ(dialog->exec(), QDialog::Rejected);
}

template <class D>
std::unique_ptr<JobDialog> make(AppState& state)
{
    return std::make_unique<D>(state, nullptr);
}

const Opening kOpenings[] = {
    {"Monthly", make<MonthlyReportDialog>}, {"Annual", make<AnnualReportDialog>},
    {"Global", make<GlobalReportDialog>},   {"Statistics", make<StatisticsDialog>},
    {"DateRange", make<DateRangeDialog>},
};

INSTANTIATE_TEST_SUITE_P(Dialogs, ReportDialogsWithoutDatabase, testing::ValuesIn(kOpenings),
                         test::ByName());

}  // namespace
}  // namespace nimbora
