// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/function.h"

#include "support/files.h"

#include <gtest/gtest.h>

namespace nimbora {
namespace {

TEST(CheckTime, ValidAndInvalidTexts)
{
    struct Case {
        const char* text;
        int result;
    };
    const Case cases[] = {
        {"7:05", 0},
        {"07.05", 0},
        {"00:00", 0},
        {"23:59", 0},
        {"ab:cd", 0},  // non-digits read
                       // as 0
        {"24:00", 1},
        {"7:60", 1},
        {"12-30", 1},
        {"123", 1},
        {"", 1},
        {"7:5", 1},
        {"12:30:45", 0},
        {"-1:00", 1},
        {"9:99", 1},
        {"23:5x", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(CheckTime(c.text), c.result) << '"' << c.text << '"';
}

TEST(TrasfTime, OnlyMidnightAtTheEndOfTheDay)
{
    for (const char* unchanged : {"23:59", "0:00", "00:00", "24:01", "24:00 "}) {
        std::string t = unchanged;
        EXPECT_EQ(TrasfTime(t), unchanged);
    }
    std::string t = "24:00";
    EXPECT_EQ(TrasfTime(t), "00:00");
}

TEST(Trim, WhiteSpaceOfEveryKind)
{
    EXPECT_EQ(ltrim(" \t\r\n x y \n"), "x y \n");
    std::string s = " x y \t\r\n";
    EXPECT_EQ(rtrim(s), " x y");
    EXPECT_EQ(trim("\t x y \n"), "x y");
    EXPECT_EQ(trim("   "), "");
    EXPECT_EQ(trim(""), "");
}

TEST(MkTipMsg, EveryUploadState)
{
    Settings s;
    s.Interval = "15 min.";
    s.IntervMin = 15;
    s.TimeStart = "7:30";
    EXPECT_EQ(MkTipMsg(s, "Hilltop", 0), "Nimbora - [Hilltop]\n\nFTP Upload  OFF");
    s.TransferEnabled = 1;
    EXPECT_EQ(MkTipMsg(s, "Hilltop", 1), "Nimbora - [Hilltop]\n\nFTP Upload ON (Every: 15 min.)");
    EXPECT_EQ(MkTipMsg(s, "Hilltop", 0), "Nimbora - [Hilltop]\n\nFTP Upload ON (Next Start: 7:30)");
    s.Interval = "on file change";
    s.IntervMin = 0;
    EXPECT_EQ(MkTipMsg(s, "", 1), "Nimbora - []\n\nFTP Upload ON (on file change)");
    EXPECT_EQ(status_part(MkTipMsg(s, "x", 1)), "FTP Upload ON (on file change)");
}

TEST(MkDate, DayMonthYearHourMinute)
{
    LocalTime lt;
    lt.year = 2026;
    lt.month = 12;
    lt.day = 4;
    lt.hour = 23;
    lt.minute = 58;
    EXPECT_EQ(MkDate(lt), "04/12/2026 23:58");
    lt.year = 987;
    lt.hour = 0;
    lt.minute = 5;
    EXPECT_EQ(MkDate(lt), "04/12/ 987 00:05");
}

TEST(ChkDir, OnlyExistingFolders)
{
    test::TempDir dir;
    test::write_file(dir.path() / "file.txt", "x");
    EXPECT_EQ(ChkDir(dir.folder()), 0);
    EXPECT_EQ(ChkDir(dir.path().string()), 0);
    EXPECT_EQ(ChkDir(dir.folder() + "missing/"), 1);
    EXPECT_EQ(ChkDir(dir.folder() + "file.txt"), 1);
    EXPECT_EQ(ChkDir(""), 1);
}

}  // namespace
}  // namespace nimbora
