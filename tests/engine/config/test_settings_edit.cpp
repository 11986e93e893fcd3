// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/settings_edit.h"

#include "config/schema.h"
#include "config/stations.h"
#include "support/files.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace nimbora {
namespace {

using test::TempDir;

std::string problem(const Settings& s, std::string_view key, std::string_view value)
{
    const auto check = check_setting(s, key, value);
    if (!check) return "";
    return (check->confirm ? "ask " : "") + check->caption + ": " + check->text;
}

TEST(SettingsEdit, EveryKeyReadsBack)
{
    TempDir dir;
    test::write_file(dir.path() / "a.txt", "a");
    Settings s;
    const std::pair<const char*, std::string> values[] = {
        {"InitPathRep", dir.folder()},
        {"Rep_Name", "Hilltop"},
        {"ReportChk", "101010101010101"},
        {"UnitWind", "2"},
        {"FtpHost", "ftp.example.org"},
        {"FtpPort", "21"},
        {"Interval", "1 day"},
        {"TimeStart", "6.15"},
        {"ReportUpload", "2"},
        {"TransferEnabled", "1"},
        {"Passive", "0"},
        {"File1", dir.folder() + "a.txt"},
    };
    for (const auto& [key, value] : values) {
        ASSERT_EQ(problem(s, key, value), "") << key;
        apply_setting(s, key, value);
        EXPECT_EQ(setting_text(s, key), value) << key;
    }
    EXPECT_EQ(s.IntervMin, 1440);
    EXPECT_EQ(s.ReportChk[14], 1);
    EXPECT_EQ(s.ReportChk[15], 0);
    EXPECT_EQ(setting_keys().size(), 41u);
    EXPECT_EQ(setting_keys().back(), "File10");
}

TEST(SettingsEdit, TheDialogsChecks)
{
    TempDir dir;
    Settings s;
    s.Interval = "1 hr.";
    struct Case {
        const char* key;
        std::string value;
        std::string problem;
    };
    const Case cases[] = {
        {"InitPathRep", dir.folder() + "missing", "Error: Report directory is invalid!"},
        {"InitPathDB", dir.folder() + "missing", "Error: Database directory is invalid!"},
        {"InitPathWLK", "", "Error: Wlk Directory is invalid!"},
        {"Rep_Name", std::string(31, 'n'), "Error: Rep_Name: at most 30 characters"},
        {"Rep_Elev", std::string(21, 'e'), "Error: Rep_Elev: at most 20 characters"},
        {"Rep_Long", std::string(25, 'l'), ""},
        {"ReportChk", "10101",
         "Error: ReportChk: 15 characters '0' or '1' for Temperature, Dew "
         "Point, Heat Index, Wind Chill, Rel. Humidity, Pressure, Solar "
         "Radiation, ET, UV, Rain Rate, Rain, Wind, Wind Run, N. Samples, "
         "Temperature Range"},
        {"UnitTemp", "2", "Error: UnitTemp: one of 0 (C), 1 (F)"},
        {"UnitBar", "Pa", "Error: UnitBar: one of 0 (hPa), 1 (mb), 2 (mmHg), 3 (inHg)"},
        {"FtpHost", "", "ask Error: Invalid FTP Host!\nContinue anyway?"},
        {"FtpPort", "", "ask Error: Invalid FTP port!\nContinue anyway?"},
        {"FtpPort", "2121", ""},
        {"FtpPort", "65535", ""},
        {"FtpPort", "0", "Error: FtpPort: a port from 1 to 65535"},
        {"FtpPort", "65536", "Error: FtpPort: a port from 1 to 65535"},
        {"FtpPort", "123456", "Error: FtpPort: at most 5 characters"},
        {"FtpPort", "2a", "Error: FtpPort: digits only"},
        {"RemotePath", "", "ask Error: Invalid Folder!\nContinue anyway?"},
        {"User", "", "ask Error: Invalid User Name!\nContinue anyway?"},
        {"Pwd", "", "ask Error: Invalid Password!\nContinue anyway?"},
        {"Pwd", std::string(61, 'p'), "Error: Pwd: at most 60 characters"},
        {"Passive", "yes", "Error: Passive: one of 0, 1"},
        {"Interval", "2 days",
         "Error: Interval: one of \"1 min.\", \"5 min.\", \"10 min.\", "
         "\"15 min.\", \"30 min.\", \"1 hr.\", \"2 hr.\", \"3 hr.\", \"4 hr.\", "
         "\"6 hr.\", \"8 hr.\", \"12 hr.\", \"1 day\", \"on file change\""},
        {"Interval", "1 Day",
         "Error: Interval: one of \"1 min.\", \"5 min.\", \"10 min.\", "
         "\"15 min.\", \"30 min.\", \"1 hr.\", \"2 hr.\", \"3 hr.\", \"4 hr.\", "
         "\"6 hr.\", \"8 hr.\", \"12 hr.\", \"1 day\", \"on file change\""},
        {"TimeStart", "25:00", "Error: Invalid Starting Time!"},
        {"TimeStart", "07:300", "Error: TimeStart: at most 5 characters"},
        {"ReportUpload", "3", "Error: ReportUpload: one of 0, 1, 2"},
        {"File2", dir.folder() + "none.txt",
         "Error: File2: no such file: " + dir.folder() + "none.txt"},
        {"File2", dir.folder(), "Error: File2: no such file: " + dir.folder()},
        {"Nope", "1", "Error: Unknown setting: Nope"},
    };
    for (const Case& c : cases) EXPECT_EQ(problem(s, c.key, c.value), c.problem) << c.key;
}

TEST(SettingsEdit, StartTimeIsFreeWhenUploadsFollowFileChanges)
{
    Settings s;
    apply_setting(s, "Interval", "on file change");
    EXPECT_EQ(s.IntervMin, 0);
    EXPECT_EQ(problem(s, "TimeStart", "25:00"), "");
}

TEST(SettingsEdit, UnitsByLabel)
{
    Settings s;
    const std::pair<const char*, const char*> labels[] = {
        {"UnitTemp", "F"}, {"UnitRain", "inch"}, {"UnitWind", "m/s"}, {"UnitBar", "inHg"}};
    for (const auto& [key, label] : labels) {
        ASSERT_EQ(problem(s, key, label), "") << key;
        apply_setting(s, key, label);
    }
    EXPECT_EQ(s.UnitTemp, 1);
    EXPECT_EQ(s.UnitRain, 1);
    EXPECT_EQ(s.UnitWind, 3);
    EXPECT_EQ(s.UnitBar, 3);
    apply_setting(s, "UnitTemp",
                  "\xC2\xB0"
                  "C");
    EXPECT_EQ(s.UnitTemp, 0);
}

TEST(SettingsEdit, FoldersGainTheirSeparator)
{
    TempDir dir;
    Settings s;
    apply_setting(s, "InitPathWLK", dir.path().string());
    EXPECT_EQ(s.InitPathWLK, dir.folder());
    apply_setting(s, "InitPathWLK", dir.folder());
    EXPECT_EQ(s.InitPathWLK, dir.folder());
}

TEST(SettingsEdit, UploadList)
{
    TempDir dir;
    for (const char* f : {"a.txt", "b.txt", "c.txt"}) test::write_file(dir.path() / f, f);
    Settings s;
    EXPECT_TRUE(check_upload_list(s));
    apply_setting(s, "File1", dir.folder() + "a.txt");
    apply_setting(s, "File5", dir.folder() + "b.txt");  // the list has no gaps
    EXPECT_EQ(s.FileList[1], dir.folder() + "b.txt");
    EXPECT_EQ(s.FileList[4], "");
    EXPECT_EQ(problem(s, "File3", dir.folder() + "A.TXT"),
              "Error: File3: no such file: " + dir.folder() + "A.TXT");
    test::write_file(dir.path() / "A.TXT", "upper");
    EXPECT_EQ(problem(s, "File3", dir.folder() + "A.TXT"),
              "Error: File3: already in the upload list: " + dir.folder() + "A.TXT");
    EXPECT_EQ(problem(s, "File1", dir.folder() + "a.txt"), "");  // itself is no duplicate
    apply_setting(s, "File1", "");
    EXPECT_EQ(s.FileList[0], dir.folder() + "b.txt");
    EXPECT_FALSE(check_upload_list(s));
    apply_setting(s, "File1", "");
    const auto warning = check_upload_list(s);
    ASSERT_TRUE(warning);
    EXPECT_EQ(warning->caption + ": " + warning->text, "Warning: No files selected!");
    s.ReportUpload = 1;
    EXPECT_FALSE(check_upload_list(s));
    // The web pages alone are something to upload.
    s.ReportUpload = 0;
    s.WebUpload = 1;
    EXPECT_FALSE(check_upload_list(s));
}

TEST(SettingsEdit, DatabaseFollowsItsFolder)
{
    TempDir dir;
    const std::string a = dir.folder() + "a/", b = dir.folder() + "b/";
    std::filesystem::create_directories(a);
    std::filesystem::create_directories(b);
    EXPECT_EQ(move_database(a, b), std::nullopt);  // none to move
    test::write_file(a + kDbFile, "old");
    EXPECT_EQ(move_database(a, b), std::nullopt);
    EXPECT_EQ(test::read_file(b + kDbFile), "old");
    EXPECT_FALSE(std::filesystem::exists(a + kDbFile));

    // A database already in the new folder wins; the old one stays where it was, and the
    // caller hears why.
    test::write_file(a + kDbFile, "other");
    EXPECT_EQ(move_database(a, b), b + kDbFile + " already exists and is used from now on; " + a +
                                       kDbFile + " was not moved");
    EXPECT_EQ(test::read_file(b + kDbFile), "old");
    EXPECT_EQ(test::read_file(a + kDbFile), "other");

    // A copy that fails leaves nothing behind that would pass for the database.
    const std::string c = dir.folder() + "c/";
    const DatabaseCopy copy = copy_database(a, c);  // no such folder
    EXPECT_EQ(copy.outcome, DatabaseCopy::failed);
    EXPECT_EQ(copy.problem.rfind(a + kDbFile + " could not be copied to " + c + ": ", 0), 0u)
        << copy.problem;
    EXPECT_FALSE(std::filesystem::exists(c + kDbFile));
}

TEST(SettingsEdit, RefusesWhatTheSettingsFileCannotHold)
{
    TempDir dir;
    const std::string odd = dir.folder() + "a<b/";
    std::filesystem::create_directories(odd);
    test::write_file(odd + "sky.jpg", "sky");
    Settings s;
    EXPECT_EQ(problem(s, "InitPathRep", odd),
              "Error: InitPathRep: the settings file cannot hold '<' or a line break");
    EXPECT_EQ(problem(s, "File1", odd + "sky.jpg"),
              "Error: File1: the settings file cannot hold '<' or a line break");
    EXPECT_EQ(problem(s, "Rep_Name", "Hill\n<pathDB>/x/</pathDB>"),
              "Error: Rep_Name: the settings file cannot hold '<' or a line break");
    EXPECT_EQ(problem(s, "Rep_Name", "Hill > Dale"), "");
    // The FTP fields live in the binary file, which holds any character.
    EXPECT_EQ(problem(s, "Pwd", "a<b"), "");
}

}  // namespace
}  // namespace nimbora
