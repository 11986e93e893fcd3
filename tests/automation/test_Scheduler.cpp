// SPDX-License-Identifier: GPL-3.0-or-later
#include "automation/Scheduler.h"

#include "automation/event_loop.h"
#include "jobs/busy.h"
#include "support/RecordingOwner.h"
#include "support/files.h"
#include "upload/schedule.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace nimbora {
namespace {

LocalTime at(int hour, int minute)
{
    LocalTime t = local_now();
    t.hour = hour;
    t.minute = minute;
    return t;
}

class SchedulerTest : public testing::Test {
protected:
    void SetUp() override
    {
        test::ensure_app();
        TimerActive = 0;
        FTPActive = 0;
        settings.TransferEnabled = 1;
        settings.InitPathRep = reports.folder();
        QObject::connect(&scheduler, &Scheduler::status_changed, [this] { ++refreshes; });
    }
    void TearDown() override
    {
        scheduler.stop_schedule();
        FTPActive = 0;
    }

    void periodic(const char* TimeStart)
    {
        settings.Interval = "1 hr.";
        settings.IntervMin = 60;
        settings.TimeStart = TimeStart;
    }
    void on_file_change()
    {
        settings.Interval = kOnFileChange;
        settings.IntervMin = 0;
    }

    test::TempDir web, reports;
    Settings settings;
    int uploads = 0;
    int refreshes = 0;
    test::RecordingOwner owner;
    Scheduler scheduler{[this] { return settings; }, [this] { ++uploads; }, &owner};
};

TEST_F(SchedulerTest, PeriodicStartRequestsAnUploadAtOnce)
{
    periodic("08:30");
    scheduler.tick(at(8, 29));
    EXPECT_FALSE(scheduler.running());
    EXPECT_EQ(uploads, 0);

    scheduler.tick(at(8, 30));
    EXPECT_TRUE(scheduler.running());
    EXPECT_EQ(TimerActive, 1);
    EXPECT_EQ(uploads, 1);
    EXPECT_EQ(refreshes, 1);
    scheduler.tick(at(8, 40));  // a running schedule is left alone
    EXPECT_EQ(uploads, 1);

    scheduler.stop_schedule();
    EXPECT_FALSE(scheduler.running());
    EXPECT_EQ(TimerActive, 0);
    scheduler.stop_schedule();  // nothing left to stop

    // Started at 09:10 with 08:30: the next tick starts at once.
    scheduler.tick(at(9, 10));
    EXPECT_EQ(uploads, 2);

    // While an upload runs the schedule starts, but its first request is dropped.
    scheduler.stop_schedule();
    FTPActive = 1;
    scheduler.tick(at(10, 45));
    EXPECT_TRUE(scheduler.running());
    EXPECT_EQ(uploads, 2);
    EXPECT_TRUE(owner.messages.empty());
}

TEST_F(SchedulerTest, WatchRequestsOneUploadPerChangeOfAListedFile)
{
    on_file_change();
    settings.ReportUpload = 1;
    settings.FileList[0] = web.folder() + "index.htm";
    settings.FileList[1] = web.folder() + "graph.png";
    fs::create_directory(web.path() / "sub");

    scheduler.tick(at(3, 0));
    ASSERT_TRUE(scheduler.running());
    EXPECT_EQ(refreshes, 1);
    EXPECT_EQ(scheduler.watched_folders(),
              (std::vector<std::string>{web.folder(), reports.folder()}));

    // Unlisted files and a listed name in a subfolder ask for nothing.
    test::write_file(web.path() / "other.htm", "x");
    test::write_file(web.path() / "sub" / "index.htm", "x");
    test::write_file(reports.path() / "Global.txt", "x");
    test::settle();
    EXPECT_EQ(uploads, 0);

    for (int i = 0; i < 4; ++i) test::write_file(web.path() / "index.htm", std::to_string(i));
    ASSERT_TRUE(test::wait_until([&] { return uploads == 1; }));
    test::settle();
    EXPECT_EQ(uploads, 1);

    // The current month's report, in the report folder.
    test::write_file(reports.path() / current_report_name(local_now()), "report");
    ASSERT_TRUE(test::wait_until([&] { return uploads == 2; }));

    // During an upload a change is dropped.
    FTPActive = 1;
    test::write_file(web.path() / "graph.png", "png");
    test::settle();
    FTPActive = 0;
    EXPECT_EQ(uploads, 2);

    scheduler.stop_schedule();
    EXPECT_TRUE(scheduler.watched_folders().empty());
    test::write_file(web.path() / "index.htm", "after the stop");
    test::write_file(web.path() / "graph.png", "after the stop");
    test::settle();
    EXPECT_EQ(uploads, 2);
    EXPECT_TRUE(owner.messages.empty());
}

TEST_F(SchedulerTest, StopsWhatItStartedEvenWhenTheFlagWasClearedFirst)
{
    // Opening another station clears TimerActive before it asks for the stop.
    on_file_change();
    settings.FileList[0] = web.folder() + "index.htm";
    scheduler.tick(at(3, 0));
    ASSERT_TRUE(scheduler.running());
    TimerActive = 0;
    scheduler.stop_schedule();
    test::write_file(web.path() / "index.htm", "x");
    test::settle();
    EXPECT_EQ(uploads, 0);
}

TEST_F(SchedulerTest, AnUploadStarterMayStopTheSchedule)
{
    on_file_change();
    settings.FileList[0] = web.folder() + "a.txt";
    settings.FileList[1] = web.folder() + "b.txt";
    Scheduler* self = nullptr;
    Scheduler stopping{[this] { return settings; },
                       [&] {
                           ++uploads;
                           self->stop_schedule();
                       },
                       &owner};
    self = &stopping;
    stopping.tick(at(3, 0));
    ASSERT_TRUE(stopping.running());
    test::write_file(web.path() / "a.txt", "x");
    test::write_file(web.path() / "b.txt", "x");  // possibly read in the same batch
    ASSERT_TRUE(test::wait_until([&] { return uploads == 1; }));
    test::settle();
    EXPECT_EQ(uploads, 1);
    EXPECT_FALSE(stopping.running());
}

TEST_F(SchedulerTest, AFolderThatCannotBeWatchedIsReportedOnce)
{
    on_file_change();
    settings.FileList[0] = web.folder() + "index.htm";
    settings.FileList[1] = web.folder() + "missing/data.txt";
    settings.FileList[2] = reports.folder() + "later.txt";
    scheduler.tick(at(3, 0));
    EXPECT_TRUE(scheduler.running());  // no retry until the schedule is restarted
    EXPECT_EQ(scheduler.watched_folders(), std::vector<std::string>{web.folder()});
    EXPECT_EQ(owner.lines(),
              std::vector<std::string>{"Error: Cannot watch the folder " + web.folder() +
                                       "missing/: No such file or directory"});
    scheduler.tick(at(3, 1));
    EXPECT_EQ(owner.messages.size(), 1u);

    test::write_file(web.path() / "index.htm", "x");
    ASSERT_TRUE(test::wait_until([&] { return uploads == 1; }));
}

}  // namespace
}  // namespace nimbora
