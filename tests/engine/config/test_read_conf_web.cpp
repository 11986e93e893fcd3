// SPDX-License-Identifier: GPL-3.0-or-later
// The web pages' publishing settings travel as elements after the upload list of
// "nimbrep.conf", each only when it differs from its default.
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

const std::string kListEnd = "<File9></File9>\r\n<File10></File10>\r\n";

TEST(ReadConfWeb, WrittenAfterTheSecureElementsOnlyWhenSetAndReadBack)
{
    TempDir dir;
    Settings s;
    s.InitPathRep = s.InitPathDB = s.InitPathWLK = dir.folder();
    s.FtpPort = "21";
    ASSERT_EQ(write_conf(nullptr, dir.folder(), s), 0);
    const std::string plain = read_file(dir.path() / kConfFile);
    EXPECT_EQ(plain.substr(plain.size() - kListEnd.size()), kListEnd);
    const std::string plain_dat = read_file(dir.path() / kDatFile);

    s.AtomicUpload = 0;
    s.WebUpload = 1;
    s.WebFolder = "/srv/www/my station";
    ASSERT_EQ(write_conf(nullptr, dir.folder(), s), 0);
    const std::string conf = read_file(dir.path() / kConfFile);
    EXPECT_EQ(conf, plain + "<AtomicUpload>0</AtomicUpload>\r\n<WebUpload>1</WebUpload>\r\n"
                            "<WebFolder>/srv/www/my station</WebFolder>\r\n")
        << test::visible(conf);
    EXPECT_EQ(read_file(dir.path() / kDatFile), plain_dat);

    Settings back;
    ASSERT_EQ(read_conf(nullptr, kConfEntries, dir.folder(), back), 0);
    EXPECT_EQ(back.WebUpload, 1);
    EXPECT_EQ(back.WebFolder, "/srv/www/my station");

    // Turned off again: the file is as it was before.
    back.AtomicUpload = 1;
    back.WebUpload = 0;
    back.WebFolder.clear();
    ASSERT_EQ(write_conf(nullptr, dir.folder(), back), 0);
    EXPECT_EQ(read_file(dir.path() / kConfFile), plain);
}

TEST(ReadConfWeb, OddValuesReadAsOffOrAsWritten)
{
    const std::pair<std::string, int> cases[] = {
        {"<WebUpload>1</WebUpload>\r\n", 1},
        {"<WebUpload>yes</WebUpload>\r\n", 0},
        {"", 0},
    };
    for (const auto& [line, on] : cases) {
        Settings s;
        read_conf_text("<File10></File10>\r\n" + line + "<WebFolder>a/b c</WebFolder>\r\n",
                       kConfEntries, "/st/", s);
        EXPECT_EQ(s.WebUpload, on) << line;
        EXPECT_EQ(s.WebFolder, "a/b c");
    }
}

TEST(ReadConfWeb, ConfigChecksAndStores)
{
    Settings s;
    EXPECT_FALSE(check_setting(s, "WebUpload", "1"));
    EXPECT_FALSE(check_setting(s, "WebUpload", "0"));
    EXPECT_TRUE(check_setting(s, "WebUpload", "2"));
    EXPECT_TRUE(check_setting(s, "WebUpload", ""));
    EXPECT_FALSE(check_setting(s, "WebFolder", ""));
    EXPECT_FALSE(check_setting(s, "WebFolder", "/var/www/wx"));
    // The settings file could not hold them.
    EXPECT_TRUE(check_setting(s, "WebFolder", "a<b"));
    EXPECT_TRUE(check_setting(s, "WebFolder", "a\nb"));
    EXPECT_TRUE(check_setting(s, "WebFolder", std::string(kRemotePathMax + 1, 'w')));
    EXPECT_FALSE(check_setting(s, "WebFolder", std::string(kRemotePathMax, 'w')));

    apply_setting(s, "WebUpload", "1");
    apply_setting(s, "WebFolder", "site");
    EXPECT_EQ(setting_text(s, "WebUpload"), "1");
    EXPECT_EQ(setting_text(s, "WebFolder"), "site");
}

}  // namespace
}  // namespace nimbora
