// SPDX-License-Identifier: GPL-3.0-or-later
// The secure-upload settings travel as elements after the upload list of "nimbrep.conf", each
// only when it differs from its default: a station that never set them keeps its files.
#include "config/read_conf.h"
#include "config/settings_edit.h"

#include "support/files.h"

#include <gtest/gtest.h>

#include <string>

namespace nimbora {
namespace {

using test::read_file;
using test::TempDir;
using test::write_file;

// "nimbrep.conf" as a station saved before these settings existed wrote it, with a port that
// did not fit the binary record.
const std::string kOlderConf =
    "<!-- Output Report Path -->\r\n<path>/data/reports/</path>\r\n\r\n"
    "<!-- DB Path -->\r\n<pathDB>/data/db/</pathDB>\r\n\r\n"
    "<!-- WLK Path -->\r\n<pathWLK>/data/wlk/</pathWLK>\r\n\r\n"
    "<Name>Hilltop</Name>\r\n<City>Valley Town</City>\r\n<State>North</State>\r\n"
    "<Elev>312 m</Elev>\r\n<Lat>45.4667 N</Lat>\r\n<Long>9.1833 E</Long>\r\n\r\n"
    "<File1>/data/img/sky.jpg</File1>\r\n<File2></File2>\r\n"
    "<File3></File3>\r\n<File4></File4>\r\n<File5></File5>\r\n<File6></File6>\r\n"
    "<File7></File7>\r\n<File8></File8>\r\n<File9></File9>\r\n<File10></File10>\r\n"
    "<Port>2121</Port>\r\n";

TEST(ReadConfSecure, AStationWithoutThemIsRewrittenByteForByte)
{
    TempDir dir;
    Settings s;
    s.FtpHost = "ftp.example.org";
    s.User = "keeper";
    s.Pwd = "pw";
    s.RemotePath = "/web";
    s.FtpPort = "2121";
    const auto record = dat_record(s);
    const std::string dat(reinterpret_cast<const char*>(record.data()), record.size());
    write_file(dir.path() / kConfFile, kOlderConf);
    write_file(dir.path() / kDatFile, dat);

    Settings back;
    ASSERT_EQ(read_conf(nullptr, kConfEntries, dir.folder(), back), 0);
    EXPECT_EQ(back.Protocol, "ftp");
    EXPECT_EQ(back.KeyFile, "");
    EXPECT_EQ(back.CaFile, "");
    EXPECT_EQ(back.PinnedKey, "");
    EXPECT_EQ(back.AtomicUpload, 1);
    ASSERT_EQ(write_conf(nullptr, dir.folder(), back), 0);
    EXPECT_EQ(read_file(dir.path() / kConfFile), kOlderConf)
        << test::visible(read_file(dir.path() / kConfFile));
    EXPECT_EQ(read_file(dir.path() / kDatFile), dat);
}

struct ElementCase {
    const char* name;
    void (*set)(Settings&);
    std::string line;  // what "nimbrep.conf" gains after the upload list
};

class SecureElement : public testing::TestWithParam<ElementCase> {};

TEST_P(SecureElement, ReadsBackAndTheBinaryRecordIsUnchanged)
{
    const ElementCase& c = GetParam();
    TempDir dir;
    Settings s;
    s.FtpPort = "2121";
    const auto plain_record = dat_record(s);
    c.set(s);
    ASSERT_EQ(write_conf(nullptr, dir.folder(), s), 0);
    const std::string conf = read_file(dir.path() / kConfFile);
    // After the list and after the port, on a line of its own.
    EXPECT_NE(conf.find("<File10></File10>\r\n<Port>2121</Port>\r\n" + c.line + "\r\n"),
              std::string::npos)
        << test::visible(conf);
    const std::string dat = read_file(dir.path() / kDatFile);
    EXPECT_EQ(dat,
              std::string(reinterpret_cast<const char*>(plain_record.data()), plain_record.size()));

    Settings back;
    ASSERT_EQ(read_conf(nullptr, kConfEntries, dir.folder(), back), 0);
    EXPECT_EQ(back.Protocol, s.Protocol);
    EXPECT_EQ(back.KeyFile, s.KeyFile);
    EXPECT_EQ(back.CaFile, s.CaFile);
    EXPECT_EQ(back.PinnedKey, s.PinnedKey);
    EXPECT_EQ(back.AtomicUpload, s.AtomicUpload);
    EXPECT_EQ(back.FtpPort, "2121");
}

const std::string kPin = "sha256//47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU=";

INSTANTIATE_TEST_SUITE_P(
    Each, SecureElement,
    testing::Values(
        ElementCase{"Ftps", [](Settings& s) { s.Protocol = "ftps"; }, "<Protocol>ftps</Protocol>"},
        ElementCase{"Sftp", [](Settings& s) { s.Protocol = "sftp"; }, "<Protocol>sftp</Protocol>"},
        ElementCase{"KeyFile", [](Settings& s) { s.KeyFile = "/home/k/.ssh/id_ed25519"; },
                    "<KeyFile>/home/k/.ssh/id_ed25519</KeyFile>"},
        ElementCase{"CaFile", [](Settings& s) { s.CaFile = "/etc/my ca.pem"; },
                    "<CaFile>/etc/my ca.pem</CaFile>"},
        ElementCase{"PinnedKey", [](Settings& s) { s.PinnedKey = kPin; },
                    "<PinnedKey>" + kPin + "</PinnedKey>"},
        ElementCase{"AtomicOff", [](Settings& s) { s.AtomicUpload = 0; },
                    "<AtomicUpload>0</AtomicUpload>"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(ReadConfSecure, OddValuesReadAsTheirDefaultsOrAsWritten)
{
    const std::pair<std::string, std::string> cases[] = {
        // element line, then Protocol / AtomicUpload as read
        {"<Protocol>SFTP</Protocol>\r\n", "sftp 1"},
        {"<Protocol></Protocol>\r\n", "ftp 1"},
        // Kept: the upload refuses it instead of falling back to clear text.
        {"<Protocol>gopher</Protocol>\r\n", "gopher 1"},
        {"<AtomicUpload>1</AtomicUpload>\r\n", "ftp 1"},
        {"<AtomicUpload>no</AtomicUpload>\r\n", "ftp 1"},
        {"<AtomicUpload>0</AtomicUpload>\r\n", "ftp 0"},
    };
    for (const auto& [extra, expected] : cases) {
        Settings s;
        s.Protocol = "sftp";  // a reread settles every one, whatever the caller held
        s.AtomicUpload = 0;
        read_conf_text(kOlderConf + extra, kConfEntries, "/st/", s);
        EXPECT_EQ(s.Protocol + " " + std::to_string(s.AtomicUpload), expected) << extra;
    }
}

std::string problem(std::string_view key, std::string_view value)
{
    const auto check = check_setting(Settings{}, key, value);
    return check ? check->text : "";
}

TEST(SettingsEditSecure, ChecksBeforeAnythingChanges)
{
    TempDir dir;
    write_file(dir.path() / "id_ed25519", "key");
    const std::string key = (dir.path() / "id_ed25519").string();
    EXPECT_EQ(problem("Protocol", "sftp"), "");
    EXPECT_EQ(problem("Protocol", "FTPS"), "");
    EXPECT_EQ(problem("Protocol", "scp"), "Protocol: one of ftp, ftps, sftp (not \"scp\")");
    EXPECT_EQ(problem("KeyFile", key), "");
    EXPECT_EQ(problem("KeyFile", ""), "");
    EXPECT_EQ(problem("KeyFile", key + ".missing"), "KeyFile: cannot read " + key + ".missing");
    EXPECT_EQ(problem("CaFile", dir.folder()), "CaFile: cannot read " + dir.folder());
    EXPECT_NE(problem("KeyFile", "a<b"), "");
    EXPECT_EQ(problem("PinnedKey", kPin), "");
    EXPECT_EQ(problem("PinnedKey", kPin + ";" + kPin), "");
    EXPECT_EQ(problem("PinnedKey", ""), "");
    for (const std::string& bad :
         {kPin.substr(0, kPin.size() - 1),  // one character short
          "sha1//" + kPin.substr(8), kPin.substr(8), kPin + ";",
          std::string("sha256//47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3h*uFU=")})
        EXPECT_EQ(problem("PinnedKey", bad).rfind("PinnedKey: \"sha256//\"", 0), 0u) << bad;
    EXPECT_EQ(problem("AtomicUpload", "2"), "AtomicUpload: one of 0, 1");

    Settings s;
    apply_setting(s, "Protocol", "SFTP");
    EXPECT_EQ(s.Protocol, "sftp");
    apply_setting(s, "AtomicUpload", "0");
    EXPECT_EQ(setting_text(s, "AtomicUpload"), "0");
}

}  // namespace
}  // namespace nimbora
