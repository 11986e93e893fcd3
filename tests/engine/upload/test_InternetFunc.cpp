// SPDX-License-Identifier: GPL-3.0-or-later
// The rules of the Internet Settings dialog and the FTP Log viewer, without a window.
#include "upload/InternetFunc.h"

#include "config/read_conf.h"
#include "support/files.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace nimbora {
namespace {

using test::TempDir;

Settings station()
{
    Settings s;
    s.TransferEnabled = 1;
    s.Passive = 1;
    s.FtpHost = "ftp.example.org";
    s.FtpPort = "21";
    s.User = "keeper";
    s.Pwd = "secret";
    s.RemotePath = "/meteo";
    s.Interval = "1 hr.";
    s.IntervMin = 60;
    s.TimeStart = "08:30";
    s.ReportUpload = 2;
    s.FileList[0] = "/data/a.txt";
    s.FileList[1] = "/data/b.txt";
    s.FileList[2] = "/data/c.txt";
    return s;
}

TEST(InternetFunc, FormShowsTheSettingsAndGivesThemBackUnchanged)
{
    const Settings s = station();
    const InternetForm f = internet_form(s);
    EXPECT_TRUE(f.on);
    EXPECT_EQ(f.host, "ftp.example.org");
    EXPECT_EQ(f.folder, "/meteo");
    EXPECT_TRUE(f.passive);
    EXPECT_TRUE(f.current_month);
    EXPECT_TRUE(f.decades);
    EXPECT_EQ(f.interval, 5);
    EXPECT_EQ(f.files, (std::vector<std::string>{"/data/a.txt", "/data/b.txt", "/data/c.txt"}));

    const Settings back = apply_internet_form(s, f);
    EXPECT_EQ(dat_record(back), dat_record(s));
    EXPECT_EQ(back.FileList, s.FileList);
    EXPECT_EQ(back.IntervMin, 60);
}

TEST(InternetFunc, CounterTexts)
{
    EXPECT_EQ(file_counter(3), " 3/10");
    EXPECT_EQ(file_counter(10), "10/10");
    EXPECT_EQ(file_counter(0), " 0/10");
    EXPECT_EQ(cleared_counter(), "0/10");
}

TEST(InternetFunc, AddIgnoresDuplicatesLetterCaseAsideAndStopsAtTen)
{
    std::vector<std::string> files{"/data/Report.TXT"};
    EXPECT_EQ(add_upload_file(files, "/data/report.txt"), AddFile::duplicate);
    EXPECT_EQ(add_upload_file(files, "/data/report.txt2"), AddFile::added);
    for (int i = 2; i < 10; ++i)
        EXPECT_EQ(add_upload_file(files, "/f" + std::to_string(i)), AddFile::added);
    ASSERT_EQ(files.size(), 10u);
    EXPECT_FALSE(can_add_file(files.size()));
    EXPECT_EQ(add_upload_file(files, "/new"), AddFile::full);
    EXPECT_EQ(files.size(), 10u);
}

TEST(InternetFunc, RemoveTakesEverySelectedRow)
{
    std::vector<std::string> files{"a", "b", "c", "d", "e"};
    remove_upload_files(files, {3, 0, 3, 9, -1});
    EXPECT_EQ(files, (std::vector<std::string>{"b", "c", "e"}));
    remove_upload_files(files, {0, 1, 2});
    EXPECT_TRUE(files.empty());
}

// Empty fields are questions, asked in the dialog's order; a value the setting cannot hold
// is refused outright.
TEST(InternetFunc, FtpFieldChecksInOrder)
{
    const Settings s = station();
    InternetForm f = internet_form(s);
    EXPECT_TRUE(check_ftp_fields(s, f).empty());

    f.host.clear();
    f.password.clear();
    f.folder.clear();
    const auto checks = check_ftp_fields(s, f);
    ASSERT_EQ(checks.size(), 3u);
    EXPECT_EQ(checks[0].field, FtpField::host);
    EXPECT_EQ(checks[0].check.text, "Invalid FTP Host!\nContinue anyway?");
    EXPECT_EQ(checks[0].check.caption, "Error");
    EXPECT_TRUE(checks[0].check.confirm);
    EXPECT_EQ(checks[1].field, FtpField::folder);
    EXPECT_EQ(checks[1].check.text, "Invalid Folder!\nContinue anyway?");
    EXPECT_EQ(checks[2].field, FtpField::password);

    f = internet_form(s);
    f.port = "2x";
    const auto bad = check_ftp_fields(s, f);
    ASSERT_EQ(bad.size(), 1u);
    EXPECT_EQ(bad[0].field, FtpField::port);
    EXPECT_FALSE(bad[0].check.confirm);
}

struct StartCase {
    const char* name;
    const char* time;
    const char* interval;
    bool accepted;
};

void PrintTo(const StartCase& c, std::ostream* os)
{
    *os << c.time << " / " << c.interval;
}

class StartTime : public testing::TestWithParam<StartCase> {};

TEST_P(StartTime, RefusedUnlessValidOrOnFileChange)
{
    InternetForm f = internet_form(station());
    f.time_start = GetParam().time;
    f.interval = interval_index(GetParam().interval);
    const auto refusal = check_start_time(f);
    EXPECT_EQ(!refusal, GetParam().accepted);
    if (refusal) {
        EXPECT_EQ(refusal->text, "Invalid Starting Time!");
        EXPECT_EQ(refusal->caption, "Error");
        EXPECT_FALSE(refusal->confirm);
    } else {
        EXPECT_EQ(apply_internet_form(station(), f).TimeStart, GetParam().time);
    }
    EXPECT_EQ(start_time_enabled(f.interval), std::string(GetParam().interval) != kOnFileChange);
}

INSTANTIATE_TEST_SUITE_P(
    InternetFunc, StartTime,
    testing::Values(StartCase{"Valid", "7:05", "1 hr.", true},
                    StartCase{"DotSeparator", "07.05", "1 day", true},
                    StartCase{"PastMidnight", "25:00", "1 hr.", false},
                    StartCase{"NoMinutes", "123", "5 min.", false},
                    StartCase{"KeptOnFileChange", "25:00", "on file change", true},
                    StartCase{"EmptyOnFileChange", "", "on file change", true}),
    [](const auto& param_info) { return std::string(param_info.param.name); });

TEST(InternetFunc, OkStoresEveryField)
{
    Settings s = station();
    s.TransferEnabled = 0;
    InternetForm f = internet_form(s);
    f.on = true;
    f.passive = false;
    f.current_month = false;
    f.decades = true;  // left ticked but disabled: counts for nothing
    f.interval = 13;
    f.files = {"/x/one.htm"};
    f.port = "2121";
    f.password = "new";
    const Settings after = apply_internet_form(s, f);
    EXPECT_EQ(after.TransferEnabled, 1);
    EXPECT_EQ(after.Passive, 0);
    EXPECT_EQ(after.ReportUpload, 0);
    EXPECT_EQ(after.Interval, "on file change");
    EXPECT_EQ(after.IntervMin, 0);
    EXPECT_EQ(after.FileList[0], "/x/one.htm");
    EXPECT_EQ(after.FileList[1], "");
    EXPECT_EQ(after.FtpPort, "2121");
    EXPECT_EQ(after.Pwd, "new");
    EXPECT_EQ(after.Rep_Name, s.Rep_Name);
}

TEST(FtpLogViewer, ReadsTheBytesAndClearsEvenAMissingLog)
{
    TempDir dir;
    EXPECT_FALSE(read_ftp_log(dir.folder()));
    EXPECT_FALSE(clear_ftp_log(dir.folder()));  // already gone: nothing to say

    const std::string log = "05/12/2008 14:05 FTP: Connection opened\r\n"
                            "05/12/2008 14:05 FTP:  1/1 file(s) uploaded 25\xB0\r\n";
    test::write_file(dir.path() / "Ftp.log", log);
    EXPECT_EQ(read_ftp_log(dir.folder()), log);
    EXPECT_FALSE(clear_ftp_log(dir.folder()));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "Ftp.log"));

    // A long log, every byte value included, comes back whole, its last short block too.
    std::string big;
    for (int i = 0; big.size() < 300007; ++i) big += static_cast<char>(i * 7 % 256);
    test::write_file(dir.path() / "Ftp.log", big);
    const auto back = read_ftp_log(dir.folder());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->size(), big.size());
    EXPECT_TRUE(*back == big);
}

TEST(FtpLogViewer, ALogThatCannotBeDeletedIsReported)
{
    TempDir dir;
    // A folder in the log's place cannot be removed as a file would be.
    std::filesystem::create_directories(dir.path() / "Ftp.log" / "keep");
    const auto problem = clear_ftp_log(dir.folder());
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->caption, "Error");
    EXPECT_EQ(problem->text, dir.folder() + "Ftp.log: Error deleting file");
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "Ftp.log"));
}

}  // namespace
}  // namespace nimbora
