// SPDX-License-Identifier: GPL-3.0-or-later
#include "upload/schedule.h"

#include <gtest/gtest.h>

namespace nimbora {
namespace {

LocalTime at(int hour, int minute, int month = 5, int year = 2008)
{
    LocalTime t;
    t.year = year;
    t.month = month;
    t.day = 12;
    t.hour = hour;
    t.minute = minute;
    return t;
}

Settings periodic(const char* TimeStart, int minutes = 60)
{
    Settings s;
    s.TransferEnabled = 1;
    s.Interval = "1 hr.";
    s.IntervMin = minutes;
    s.TimeStart = TimeStart;
    return s;
}

TEST(SplitTimeStart, MissingOrOddCharactersReadAsZero)
{
    EXPECT_EQ(split_TimeStart("ab:cd").hour + split_TimeStart("ab:cd").minute, 0);
    EXPECT_EQ(split_TimeStart("").hour + split_TimeStart("").minute, 0);
    EXPECT_EQ(split_TimeStart("7").hour, 7);
    EXPECT_EQ(split_TimeStart("7").minute, 0);
}

TEST(TickDecision, PeriodicStartsAtOrAfterTheStartTime)
{
    struct Case {
        const char* TimeStart;
        int hour, minute;
        bool starts;
    };
    const Case cases[] = {
        {"08:30", 8, 29, false},  {"08:30", 8, 30, true},  {"08:30", 9, 10, true},
        {"08:30", 10, 45, true},  {"08:30", 7, 45, false}, {"8:30", 8, 29, false},
        {"8:30", 8, 30, true},    {"8:30", 9, 0, true},    {"00:00", 0, 0, true},
        {"23:59", 23, 58, false}, {"23:59", 23, 59, true},
    };
    for (const Case& c : cases) {
        const TickDecision d = tick_decision(periodic(c.TimeStart), 0, at(c.hour, c.minute));
        SCOPED_TRACE(testing::Message() << c.TimeStart << " at " << c.hour << ':' << c.minute);
        if (c.starts) {
            EXPECT_EQ(d.action, TickAction::start_timer);
            EXPECT_EQ(d.period_ms, 3600000);
        } else {
            EXPECT_EQ(d.action, TickAction::nothing);
        }
    }
}

TEST(TickDecision, RunningScheduleOrUploadOffStartsNothing)
{
    Settings s = periodic("08:30", 15);
    EXPECT_EQ(tick_decision(s, 0, at(12, 0)).period_ms, 15 * 60000);
    EXPECT_EQ(tick_decision(s, 1, at(12, 0)).action, TickAction::nothing);

    Settings watch = periodic("garbage", 0);
    watch.Interval = kOnFileChange;
    EXPECT_EQ(tick_decision(watch, 0, at(0, 0)).action, TickAction::start_watch);
    EXPECT_EQ(tick_decision(watch, 1, at(0, 0)).action, TickAction::nothing);

    // A full day: no tick starts anything while automatic upload is off.
    s.TransferEnabled = 0;
    watch.TransferEnabled = 0;
    for (int minute = 0; minute < 24 * 60; ++minute) {
        ASSERT_EQ(tick_decision(s, 0, at(minute / 60, minute % 60)).action, TickAction::nothing);
        ASSERT_EQ(tick_decision(watch, 0, at(minute / 60, minute % 60)).action,
                  TickAction::nothing);
    }
}

TEST(ChangeCounts, ListedFileNamesAndTheCurrentReport)
{
    Settings s;
    s.InitPathRep = "/st/reports/";
    s.FileList[0] = "/web/index.htm";
    s.FileList[1] = "/web/data/Graph.png";
    s.FileList[3] = "/web/after-the-gap.txt";  // past the first empty entry: not listed

    const LocalTime may = at(10, 0, 5, 2008);
    EXPECT_EQ(current_report_name(may), "May_2008.txt");
    EXPECT_EQ(current_report_name(at(0, 0, 12, 2026)), "December_2026.txt");

    EXPECT_TRUE(change_counts(s, "index.htm", may));
    EXPECT_TRUE(change_counts(s, "Graph.png", may));
    EXPECT_FALSE(change_counts(s, "graph.png", may));  // letter case counts
    EXPECT_FALSE(change_counts(s, "index.htm~", may));
    EXPECT_FALSE(change_counts(s, "data/Graph.png", may));  // a subfolder's file never matches
    EXPECT_FALSE(change_counts(s, "after-the-gap.txt", may));
    EXPECT_FALSE(change_counts(s, "", may));

    EXPECT_FALSE(change_counts(s, "May_2008.txt", may));  // the report only while it is uploaded
    s.ReportUpload = 2;
    EXPECT_TRUE(change_counts(s, "May_2008.txt", may));
    EXPECT_FALSE(change_counts(s, "April_2008.txt", may));
    EXPECT_FALSE(change_counts(s, "May_2008.txt", at(0, 0, 6, 2008)));
}

TEST(WatchFolders, ConsecutiveDuplicatesAndTheReportFolder)
{
    struct Case {
        const char* name;
        std::vector<std::string> files;
        int ReportUpload;
        std::vector<std::string> folders;
    };
    const Case cases[] = {
        {"nothing listed", {}, 0, {}},
        {"report only", {}, 1, {"/st/reports/"}},
        {"same folder in a row", {"/a/x", "/a/y"}, 0, {"/a/"}},
        {"same folder apart", {"/a/x", "/b/y", "/a/z"}, 0, {"/a/", "/b/", "/a/"}},
        {"report folder already listed",
         {"/a/x", "/st/reports/r", "/b/y"},
         1,
         {"/a/", "/st/reports/", "/b/"}},
        {"report folder appended", {"/a/x"}, 2, {"/a/", "/st/reports/"}},
        {"subfolder is another folder", {"/a/x", "/a/sub/y"}, 0, {"/a/", "/a/sub/"}},
    };
    for (const Case& c : cases) {
        Settings s;
        s.InitPathRep = "/st/reports/";
        s.ReportUpload = c.ReportUpload;
        for (std::size_t i = 0; i < c.files.size(); ++i) s.FileList[i] = c.files[i];
        EXPECT_EQ(watch_folders(s), c.folders) << c.name;
    }

    Settings full;
    full.ReportUpload = 1;
    full.InitPathRep = "/st/reports/";
    for (std::size_t i = 0; i < full.FileList.size(); ++i)
        full.FileList[i] = "/f" + std::to_string(i % 2) + "/file";
    const auto folders = watch_folders(full);
    EXPECT_EQ(folders.size(), kMaxWatched);
    EXPECT_EQ(folders.back(), "/st/reports/");
}

TEST(RepeatFilter, ABurstIsOneRequest)
{
    RepeatFilter f;
    EXPECT_TRUE(f.should_post("a.txt", 5000));
    EXPECT_FALSE(f.should_post("a.txt", 5001));
    EXPECT_FALSE(f.should_post("a.txt", 6000));  // exactly a second later: still the burst
    EXPECT_TRUE(f.should_post("a.txt", 6001));   // later than that: a new change
    EXPECT_TRUE(f.should_post("b.txt", 6002));   // another file is never suppressed
    EXPECT_TRUE(f.should_post("a.txt", 6003));
    EXPECT_FALSE(f.should_post("a.txt", 6500));

    RepeatFilter early;  // the first report posts whatever the clock says
    EXPECT_TRUE(early.should_post("a.txt", 0));
}

}  // namespace
}  // namespace nimbora
