// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/read_conf.h"

#include "support/RecordingOwner.h"
#include "support/files.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

namespace nimbora {
namespace {

using test::read_file;
using test::RecordingOwner;
using test::TempDir;
using test::write_file;

Settings full_settings()
{
    Settings s;
    s.InitPathRep = "/data/reports/";
    s.InitPathDB = "/data/db/";
    s.InitPathWLK = "/data/wlk/";
    s.Rep_Name = "Hilltop";
    s.Rep_City = "Valley Town";
    s.Rep_State = "North";
    s.Rep_Elev = "312 m";
    s.Rep_Lat = "45.4667 N";
    s.Rep_Long = "9.1833 E";
    s.FileList[0] = "/data/reports/May_2008.txt";
    s.FileList[1] = "/data/img/sky.jpg";
    s.ReportChk = {1, 0, 1, 1, 0, 1, 1, 0, 1, 0, 1, 1, 0, 1, 1, 0, 0, 0, 0, 0};
    s.UnitTemp = 1;
    s.UnitRain = 1;
    s.UnitWind = 2;
    s.UnitBar = 3;
    s.TransferEnabled = 1;
    s.Passive = 1;
    s.FtpHost = "ftp.example.org";
    s.FtpPort = "21";
    s.User = "keeper";
    s.Pwd = "s3cret!";
    s.RemotePath = "/www/weather";
    s.Interval = "15 min.";
    s.TimeStart = "07:30";
    s.ReportUpload = 2;
    return s;
}

void expect_same(const Settings& a, const Settings& b)
{
    EXPECT_EQ(a.InitPathRep, b.InitPathRep);
    EXPECT_EQ(a.InitPathDB, b.InitPathDB);
    EXPECT_EQ(a.InitPathWLK, b.InitPathWLK);
    EXPECT_EQ(a.Rep_Name, b.Rep_Name);
    EXPECT_EQ(a.Rep_City, b.Rep_City);
    EXPECT_EQ(a.Rep_State, b.Rep_State);
    EXPECT_EQ(a.Rep_Elev, b.Rep_Elev);
    EXPECT_EQ(a.Rep_Lat, b.Rep_Lat);
    EXPECT_EQ(a.Rep_Long, b.Rep_Long);
    EXPECT_EQ(a.FileList, b.FileList);
    EXPECT_EQ(a.ReportChk, b.ReportChk);
    EXPECT_EQ(a.UnitTemp, b.UnitTemp);
    EXPECT_EQ(a.UnitRain, b.UnitRain);
    EXPECT_EQ(a.UnitWind, b.UnitWind);
    EXPECT_EQ(a.UnitBar, b.UnitBar);
    EXPECT_EQ(a.TransferEnabled, b.TransferEnabled);
    EXPECT_EQ(a.Passive, b.Passive);
    EXPECT_EQ(a.FtpHost, b.FtpHost);
    EXPECT_EQ(a.FtpPort, b.FtpPort);
    EXPECT_EQ(a.User, b.User);
    EXPECT_EQ(a.Pwd, b.Pwd);
    EXPECT_EQ(a.RemotePath, b.RemotePath);
    EXPECT_EQ(a.Interval, b.Interval);
    EXPECT_EQ(a.TimeStart, b.TimeStart);
    EXPECT_EQ(a.ReportUpload, b.ReportUpload);
}

Settings round_trip(const Settings& written)
{
    TempDir dir;
    Settings copy = written;
    EXPECT_EQ(write_conf(nullptr, dir.folder(), copy), 0);
    Settings back;
    EXPECT_EQ(read_conf(nullptr, kConfEntries, dir.folder(), back), 0);
    return back;
}

TEST(ReadConf, RoundTripsEverySetting)
{
    const Settings s = full_settings();
    const Settings back = round_trip(s);
    expect_same(s, back);
    EXPECT_EQ(back.IntervMin, 15);
}

class PasswordRoundTrip : public testing::TestWithParam<std::string> {};

TEST_P(PasswordRoundTrip, ReadsBackWhole)
{
    Settings s = full_settings();
    s.Pwd = GetParam();
    EXPECT_EQ(round_trip(s).Pwd, GetParam());
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, PasswordRoundTrip,
    testing::Values(std::string(), "x", "ab", "abc", "abcd", std::string(60, 'z'),
                    // 'D' + 13 is the key's first character: the first scrambled byte is 0.
                    "Door-7", "D", std::string("\xE9t\xE9", 3)),
    [](const auto& p) { return "Case" + std::to_string(p.index); });

TEST(ReadConf, WritesTheSettingsFileLineByLine)
{
    TempDir dir;
    Settings s = full_settings();
    s.Rep_Name = "Hilltop   ";  // trailing blanks are not saved, and leave the setting itself
    ASSERT_EQ(write_conf(nullptr, dir.folder(), s), 0);
    EXPECT_EQ(s.Rep_Name, "Hilltop");
    const std::string expected =
        "<!-- Output Report Path -->\r\n<path>/data/reports/</path>\r\n\r\n"
        "<!-- DB Path -->\r\n<pathDB>/data/db/</pathDB>\r\n\r\n"
        "<!-- WLK Path -->\r\n<pathWLK>/data/wlk/</pathWLK>\r\n\r\n"
        "<Name>Hilltop</Name>\r\n<City>Valley Town</City>\r\n<State>North</State>\r\n"
        "<Elev>312 m</Elev>\r\n<Lat>45.4667 N</Lat>\r\n<Long>9.1833 E</Long>\r\n\r\n"
        "<File1>/data/reports/May_2008.txt</File1>\r\n<File2>/data/img/sky.jpg</File2>\r\n"
        "<File3></File3>\r\n<File4></File4>\r\n<File5></File5>\r\n<File6></File6>\r\n"
        "<File7></File7>\r\n<File8></File8>\r\n<File9></File9>\r\n<File10></File10>\r\n";
    EXPECT_EQ(read_file(dir.path() / "nimbrep.conf"), expected)
        << test::visible(read_file(dir.path() / "nimbrep.conf"));
}

TEST(ReadConf, WritesTheBinaryRecordAtItsOffsets)
{
    const auto r = dat_record(full_settings());
    ASSERT_EQ(r.size(), 342u);
    auto text_at = [&](std::size_t offset) {
        return std::string(reinterpret_cast<const char*>(&r[offset]));
    };
    EXPECT_EQ(r[0], 1);
    EXPECT_EQ(r[1], 0);
    EXPECT_EQ(r[14], 1);
    EXPECT_EQ(r[19], 0);
    EXPECT_EQ(r[20], 1);  // UnitTemp
    EXPECT_EQ(r[21], 1);
    EXPECT_EQ(r[22], 2);
    EXPECT_EQ(r[23], 3);
    EXPECT_EQ(r[24], 1);  // TransferEnabled, little-endian
    EXPECT_EQ(r[25] | r[26] | r[27], 0);
    EXPECT_EQ(r[28], 1);  // Passive
    EXPECT_EQ(text_at(32), "ftp.example.org");
    EXPECT_EQ(text_at(93), "21");
    EXPECT_EQ(text_at(96), "keeper");
    EXPECT_EQ(r[157 + 60], 7);  // password length
    EXPECT_EQ(text_at(218), "/www/weather");
    EXPECT_EQ(text_at(319), "15 min.");
    EXPECT_EQ(text_at(334), "07:30");
    EXPECT_EQ(r[340], 2);
    EXPECT_EQ(r[341], 0);

    TempDir dir;
    Settings s = full_settings();
    ASSERT_EQ(write_conf(nullptr, dir.folder(), s), 0);
    EXPECT_EQ(read_file(dir.path() / "nimbrep.dat").size(), 342u);
}

TEST(ReadConf, ScramblesThePasswordWithTheKey)
{
    // 'a' + 13 = 0x6E, XOR 'Q' (0x51) = 0x3F; the fourth character takes the key's 'x'.
    const Scrambled s = Crypt("abcd");
    EXPECT_EQ(s[0], 0x3F);
    EXPECT_EQ(s[1], 0x3E);
    EXPECT_EQ(s[2], 0x21);
    EXPECT_EQ(s[3], (0x64 + 13) ^ 0x78);
    EXPECT_EQ(s[60], 4);
    EXPECT_EQ(Crypt("Door")[0], 0);
    EXPECT_EQ(Crypt(std::string(70, 'q'))[60], 60);  // longer passwords are cut to 60
}

TEST(ReadConf, DecryptNeverRunsPastTheBuffer)
{
    Scrambled s = Crypt("abc");
    s[60] = 255;
    EXPECT_EQ(Decrypt(s).size(), 60u);
}

// Each line is read into a station folder's "nimbrep.conf" on its own.
struct ConfLine {
    const char* name;
    std::string content;
    std::string path;  // InitPathRep after reading ("" = the station folder)
    std::string city;  // Rep_City after reading
};

class ConfLines : public testing::TestWithParam<ConfLine> {};

TEST_P(ConfLines, ReadAsTheReaderAlwaysHas)
{
    TempDir dir;
    write_file(dir.path() / "nimbrep.conf", GetParam().content);
    Settings s;
    write_file(dir.path() / "nimbrep.dat", std::string(342, '\0'));
    ASSERT_EQ(read_conf(nullptr, kConfEntries, dir.folder(), s), 0);
    EXPECT_EQ(s.InitPathRep, GetParam().path.empty() ? dir.folder() : GetParam().path);
    EXPECT_EQ(s.Rep_City, GetParam().city);
}

const std::string kLong(300, 'L');

INSTANTIATE_TEST_SUITE_P(
    Tokeniser, ConfLines,
    testing::Values(
        ConfLine{"Plain", "<path>/r/</path>\r\n<City>Town</City>\r\n", "/r/", "Town"},
        ConfLine{"LineFeedsOnly", "<path>/r/</path>\n<City>Town</City>\n", "/r/", "Town"},
        ConfLine{"NoFinalLineEnd", "<City>Town</City>", "", "Town"},
        ConfLine{"EmptyElementKeepsDefault", "<path></path>\r\n", "", ""},
        ConfLine{"Comment", "<!--<path>/r/</path>-->\r\n", "", ""},
        ConfLine{"IndentedCommentIsHarmless", " <!-- note -->\r\n<City>Town</City>\r\n", "",
                 "Town"},
        ConfLine{"IndentedElementIgnored", "  <path>/r/</path>\r\n", "", ""},
        ConfLine{"GreaterThanKept", "<City>a>b</City>\r\n", "", "a>b"},
        ConfLine{"LessThanEndsValue", "<City>a<b</City>\r\n", "", ""},
        ConfLine{"OtherClosingTag", "<City>Town</State>\r\n", "", ""},
        ConfLine{"UnknownElement", "<Town>x</Town>\r\n<City>Town</City>\r\n", "", "Town"},
        ConfLine{"LaterLineWins", "<City>One</City>\r\n<City>Two</City>\r\n", "", "Two"},
        ConfLine{"BlanksKept", "<City> Old  Town </City>\r\n", "", " Old  Town "},
        ConfLine{"LeadingDelimitersSkipped", "><City>Town</City>\r\n", "", "Town"},
        ConfLine{"UnclosedTag", "<City>Town</City\r\n", "", ""},
        // Without a line end the closing tag may stop at the end of the text, even after a
        // lone carriage return.
        ConfLine{"UnclosedTagEndsTheText", "<City>Town</City", "", "Town"},
        ConfLine{"UnclosedTagEndsTheTextAfterCr", "<City>Town</City\r", "", "Town"},
        // Runs of '<' and '>' around the tags are skipped, but the value only skips '<':
        // the '>' that follows "<<City>" is its first character.
        ConfLine{"DelimiterRuns", "<<City>>Town<</City>>\r\n", "", ">Town"},
        ConfLine{"CutToCapacity", "<City>" + std::string(40, 'c') + "</City>\r\n", "",
                 std::string(30, 'c')},
        ConfLine{"LongLine", "<path>/" + kLong + "/</path>\r\n", "/" + kLong + "/", ""},
        ConfLine{"CaseMatters", "<city>Town</city>\r\n", "", ""}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(ReadConf, MissingSettingsFileChangesNothing)
{
    TempDir dir;
    RecordingOwner owner;
    Settings s = full_settings();
    s.IntervMin = 15;
    EXPECT_EQ(read_conf(&owner, kConfEntries, dir.folder(), s), 1);
    expect_same(s, full_settings());
    ASSERT_EQ(owner.lines().size(), 1u);
    EXPECT_EQ(owner.lines()[0], "Error: " + dir.folder() + "nimbrep.conf: Error opening file");
}

TEST(ReadConf, MissingBinaryFileResetsItsSettings)
{
    TempDir dir;
    RecordingOwner owner;
    write_file(dir.path() / "nimbrep.conf", "<City>Town</City>\r\n");
    Settings s = full_settings();
    EXPECT_EQ(read_conf(&owner, kConfEntries, dir.folder(), s), 1);
    EXPECT_EQ(s.Rep_City, "Town");
    EXPECT_EQ(s.InitPathDB, dir.folder());
    EXPECT_EQ(s.FileList[0], "");
    for (std::size_t i = 0; i < 20; ++i) EXPECT_EQ(s.ReportChk[i], '0');
    EXPECT_EQ(s.UnitBar, 0);
    EXPECT_EQ(s.TransferEnabled, 0);
    EXPECT_EQ(s.Pwd, "");
    EXPECT_EQ(s.FtpPort, "");  // the defaults come only with a file that was read
    EXPECT_EQ(s.RemotePath, "");
    ASSERT_EQ(owner.lines().size(), 1u);
    EXPECT_EQ(owner.lines()[0], "Error: " + dir.folder() + "nimbrep.dat: Error opening file");
}

TEST(ReadConf, FoldersInPlaceOfTheFilesCannotBeRead)
{
    TempDir dir;
    RecordingOwner owner;
    std::filesystem::create_directory(dir.path() / "nimbrep.conf");
    Settings s = full_settings();
    EXPECT_EQ(read_conf(&owner, kConfEntries, dir.folder(), s), 1);
    expect_same(s, full_settings());

    std::filesystem::remove(dir.path() / "nimbrep.conf");
    write_file(dir.path() / "nimbrep.conf", "<City>Town</City>\r\n");
    std::filesystem::create_directory(dir.path() / "nimbrep.dat");
    EXPECT_EQ(read_conf(&owner, kConfEntries, dir.folder(), s), 1);
    EXPECT_EQ(s.Rep_City, "Town");
    EXPECT_EQ(s.FtpHost, "");
    EXPECT_EQ(owner.lines(), (std::vector<std::string>{
                                 "Error: " + dir.folder() + "nimbrep.conf: Error opening file",
                                 "Error: " + dir.folder() + "nimbrep.dat: Error opening file"}));
}

TEST(ReadConf, ShortOrLongBinaryFile)
{
    TempDir dir;
    Settings s = full_settings();
    ASSERT_EQ(write_conf(nullptr, dir.folder(), s), 0);
    const std::string whole = read_file(dir.path() / "nimbrep.dat");

    // Cut inside the user name: the host is whole, the user is what was read.
    write_file(dir.path() / "nimbrep.dat", whole.substr(0, 99));
    Settings shorter;
    EXPECT_EQ(read_conf(nullptr, kConfEntries, dir.folder(), shorter), 0);
    EXPECT_EQ(shorter.FtpHost, "ftp.example.org");
    EXPECT_EQ(shorter.User, "kee");
    EXPECT_EQ(shorter.Pwd, "");
    EXPECT_EQ(shorter.RemotePath, "/");
    EXPECT_EQ(shorter.FtpPort, "21");
    EXPECT_EQ(shorter.ReportUpload, 0);

    write_file(dir.path() / "nimbrep.dat", whole + std::string(58, 'x'));
    Settings longer;
    EXPECT_EQ(read_conf(nullptr, kConfEntries, dir.folder(), longer), 0);
    expect_same(longer, full_settings());

    write_file(dir.path() / "nimbrep.dat", "");
    Settings empty;
    empty.IntervMin = 42;
    EXPECT_EQ(read_conf(nullptr, kConfEntries, dir.folder(), empty), 0);
    EXPECT_EQ(empty.IntervMin, 42);  // an Interval not in the table leaves it alone
    EXPECT_EQ(empty.FtpPort, "21");
    EXPECT_EQ(empty.RemotePath, "/");
}

TEST(ReadConf, TextFieldsEndAtTheirNulOrTheirField)
{
    auto r = dat_record(full_settings());
    std::memcpy(&r[32 + 15], "\0garbage", 8);  // bytes after the NUL carry no meaning
    std::memset(&r[334], '9', 6);              // no NUL at all: the field ends the text
    Settings s;
    apply_dat_record(r, s);
    EXPECT_EQ(s.FtpHost, "ftp.example.org");
    EXPECT_EQ(s.TimeStart, "999999");
}

TEST(ReadConf, WriteIntoMissingFolderReportsBothFiles)
{
    TempDir dir;
    RecordingOwner owner;
    Settings s = full_settings();
    EXPECT_EQ(write_conf(&owner, dir.folder() + "missing/", s), 1);
    EXPECT_EQ(owner.lines(),
              (std::vector<std::string>{
                  "Error: " + dir.folder() + "missing/nimbrep.conf: Error creating file",
                  "Error: " + dir.folder() + "missing/nimbrep.dat: Error creating file"}));
}

TEST(ReadConf, ParsesFromMemoryAsFromTheFiles)
{
    TempDir dir;
    Settings written = full_settings();
    written.FtpPort = "2121";
    ASSERT_EQ(write_conf(nullptr, dir.folder(), written), 0);
    Settings from_files, from_memory;
    ASSERT_EQ(read_conf(nullptr, kConfEntries, dir.folder(), from_files), 0);
    const std::string port =
        read_conf_text(read_file(dir.path() / kConfFile), kConfEntries, dir.folder(), from_memory);
    EXPECT_EQ(port, "2121");
    read_dat_bytes(read_file(dir.path() / kDatFile), port, from_memory);
    EXPECT_EQ(from_memory.InitPathDB, from_files.InitPathDB);
    EXPECT_EQ(from_memory.FileList, from_files.FileList);
    EXPECT_EQ(from_memory.FtpPort, "2121");
    EXPECT_EQ(from_memory.Pwd, from_files.Pwd);
    EXPECT_EQ(from_memory.IntervMin, from_files.IntervMin);

    // An empty record: the defaults read_conf settles, and no read of a null buffer.
    Settings empty;
    read_dat_bytes({}, "", empty);
    EXPECT_EQ(empty.FtpPort, "21");
    EXPECT_EQ(empty.RemotePath, "/");
}

// A value with '<' would not read back, and a line break could start a line of its own.
TEST(ReadConf, WhatTheSettingsFileCanHold)
{
    EXPECT_TRUE(conf_can_hold("/data/img/sky > rain.jpg"));
    EXPECT_TRUE(conf_can_hold(""));
    EXPECT_FALSE(conf_can_hold("/data/a<b.jpg"));
    EXPECT_FALSE(conf_can_hold("/data/a.jpg\n<pathDB>/elsewhere/</pathDB>"));

    Settings s = full_settings();
    s.FileList[1] = "/data/a.jpg\n<pathDB>/elsewhere/</pathDB>";
    Settings back;
    read_conf_text(conf_text(s), kConfEntries, "/st/", back);
    EXPECT_EQ(back.InitPathDB, "/elsewhere/");  // why such a value is refused before it is stored
}

TEST(ReadConf, AFailedSettingsFileFailsTheWrite)
{
    TempDir dir;
    std::filesystem::create_directories(dir.path() / "nimbrep.conf.new" / "x");
    RecordingOwner owner;
    Settings s = full_settings();
    EXPECT_EQ(write_conf(&owner, dir.folder(), s), 1);
    EXPECT_EQ(owner.lines(), std::vector<std::string>{"Error: " + dir.folder() +
                                                      "nimbrep.conf: Error creating file"});
    EXPECT_TRUE(std::filesystem::exists(dir.path() / kDatFile));  // the other file is still written
}

}  // namespace
}  // namespace nimbora
