// SPDX-License-Identifier: GPL-3.0-or-later
// Ports above 99 do not fit the two characters of "nimbrep.dat": they travel in "nimbrep.conf".
#include "config/read_conf.h"

#include "support/files.h"

#include <gtest/gtest.h>

#include <string>

namespace nimbora {
namespace {

using test::read_file;
using test::TempDir;
using test::write_file;

constexpr std::size_t kPortOffset = 93;

std::string port_field(const std::array<unsigned char, kDatSize>& record)
{
    return std::string(reinterpret_cast<const char*>(record.data() + kPortOffset), 3);
}

struct PortCase {
    std::string port;
    std::string field;  // the three bytes of the binary field
    bool element;       // whether "nimbrep.conf" carries it
};

class PortRoundTrip : public testing::TestWithParam<PortCase> {};

TEST_P(PortRoundTrip, ReadsBackAndOlderReadersStayHarmless)
{
    const PortCase& c = GetParam();
    TempDir dir;
    Settings s;
    s.FtpHost = "ftp.example.org";
    s.FtpPort = c.port;
    ASSERT_EQ(write_conf(nullptr, dir.folder(), s), 0);

    Settings back;
    ASSERT_EQ(read_conf(nullptr, kConfEntries, dir.folder(), back), 0);
    EXPECT_EQ(back.FtpPort, c.port);

    const std::string conf = read_file(dir.path() / kConfFile);
    const std::string line = "\r\n<Port>" + c.port + "</Port>\r\n";
    EXPECT_EQ(conf.find(line) != std::string::npos, c.element) << test::visible(conf);

    // What a reader of the binary record alone takes from it.
    const std::string dat = read_file(dir.path() / kDatFile);
    ASSERT_EQ(dat.size(), kDatSize);
    EXPECT_EQ(dat.substr(kPortOffset, 3), c.field);
    Settings old;
    apply_dat_record(dat_record(s), old);
    EXPECT_EQ(old.FtpPort, c.field.substr(0, c.field.find('\0')));
}

INSTANTIATE_TEST_SUITE_P(Ports, PortRoundTrip,
                         testing::Values(PortCase{"21", std::string("21\0", 3), false},
                                         PortCase{"7", std::string("7\0\0", 3), false},
                                         PortCase{"99", std::string("99\0", 3), false},
                                         PortCase{"100", std::string("21\0", 3), true},
                                         PortCase{"8021", std::string("21\0", 3), true},
                                         PortCase{"65535", std::string("21\0", 3), true}));

TEST(ReadConfPort, ThePortElementWinsOnlyWhenValid)
{
    Settings s;
    s.FtpPort = "22";
    const std::string conf_base = conf_text(s);
    auto record = dat_record(s);
    EXPECT_EQ(port_field(record), std::string("22\0", 3));
    const std::string dat(reinterpret_cast<const char*>(record.data()), record.size());

    const std::pair<std::string, std::string> cases[] = {
        {"", "22"},  // saved by a program that knows only the binary field
        {"<Port>2121</Port>\r\n", "2121"},
        {"<Port>0</Port>\r\n", "22"},
        {"<Port>65536</Port>\r\n", "22"},
        {"<Port>21a</Port>\r\n", "22"},
        {"<Port></Port>\r\n", "22"},
        {"  <Port>2121</Port>\r\n", "22"},  // indented lines never match
    };
    for (const auto& [extra, expected] : cases) {
        TempDir dir;
        write_file(dir.path() / kConfFile, conf_base + extra);
        write_file(dir.path() / kDatFile, dat);
        Settings back;
        ASSERT_EQ(read_conf(nullptr, kConfEntries, dir.folder(), back), 0);
        EXPECT_EQ(back.FtpPort, expected) << extra;
    }
}

}  // namespace
}  // namespace nimbora
