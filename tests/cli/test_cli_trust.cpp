// SPDX-License-Identifier: GPL-3.0-or-later
// "trust" against a real sshd, then "upload" to the server it trusted.
#include "cli/cli_harness.h"

#include "config/read_conf.h"
#include "support/files.h"
#include "support/secure_servers.h"
#include "upload/FTPConnection.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace nimbora {
namespace {

using namespace std::literals;

class CliTrust : public testing::Test, public test::CliHarness {
protected:
    void SetUp() override
    {
        FtpTiming t;
        t.retry_wait = 10ms;
        t.connect_timeout = 20000ms;
        t.response_timeout = 20000ms;
        set_ftp_timing(t);
        ASSERT_EQ(run({"setup"}).code, kOk);
        ASSERT_EQ(run({"station", "new", "Hill"}).code, kOk);
        ASSERT_EQ(run({"station", "open", "Hill"}).code, kOk);
    }
    void TearDown() override { set_ftp_timing(FtpTiming{}); }
};

// The real program on a terminal: the typed password is not echoed, and it is stored.
TEST_F(CliTrust, PasswordFromATerminalIsNotEchoed)
{
    int master = -1;
    const pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        execl(NIMBORA_CLI, NIMBORA_CLI, "--home", home.c_str(), "--station", "Hill", "config",
              "set", "Pwd", "-", static_cast<char*>(nullptr));
        _exit(127);
    }
    std::string seen;
    const auto read_until = [&](const std::string& what) {
        char buffer[256];
        while (seen.find(what) == std::string::npos) {
            const ssize_t n = read(master, buffer, sizeof buffer);
            if (n <= 0) return false;
            seen.append(buffer, static_cast<std::size_t>(n));
        }
        return true;
    };
    ASSERT_TRUE(read_until("passphrase):")) << seen;
    const std::string typed = "on a tty 42\n";
    ASSERT_EQ(write(master, typed.data(), typed.size()), static_cast<ssize_t>(typed.size()));
    read_until("\x04");  // to the end: the program exits and the terminal closes
    int status = 0;
    waitpid(pid, &status, 0);
    close(master);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << seen;
    EXPECT_EQ(seen.find("on a tty"), std::string::npos) << seen;
    EXPECT_NE(seen.find("Pwd=********"), std::string::npos) << seen;
    Settings s;
    ASSERT_EQ(read_conf(nullptr, kConfEntries, home + "Hill/", s), 0);
    EXPECT_EQ(s.Pwd, "on a tty 42");
}

TEST_F(CliTrust, PlainFtpHasNothingToTrust)
{
    const Result r = run({"trust", "--yes"});
    EXPECT_EQ(r.code, kFailed);
    EXPECT_EQ(r.err.rfind("Trust: The station uploads by plain FTP", 0), 0u) << r.err;
}

TEST_F(CliTrust, ShowsTheHostKeyRecordsItOnYesAndUploadsGo)
{
    test::Sshd sshd;
    if (const std::string why = sshd.start(); !why.empty()) GTEST_SKIP() << why;
    fs::create_directories(sshd.home() / "wx");
    test::write_file(dir.path() / "sky.jpg", "\xFF\xD8 sky\r\n\n"s);
    for (const auto& [key, value] :
         std::vector<std::pair<std::string, std::string>>{{"Protocol", "sftp"},
                                                          {"FtpHost", "127.0.0.1"},
                                                          {"FtpPort", std::to_string(sshd.port())},
                                                          {"User", sshd.user()},
                                                          {"KeyFile", sshd.client_key().string()},
                                                          {"RemotePath", "wx"},
                                                          {"File1", dir.folder() + "sky.jpg"}})
        ASSERT_EQ(run({"config", "set", key, value}).code, kOk) << key;
    ASSERT_EQ(run({"config", "set", "Pwd", "-"}, test::Sshd::passphrase() + "\n").code, kOk);
    const std::string known_hosts = home + "Hill/" + kKnownHostsFile;

    // Not on a terminal and without --yes: shown, not recorded.
    Result r = run({"trust"});
    EXPECT_EQ(r.code, kFailed);
    const std::string shown = "SFTP server: 127.0.0.1 port " + std::to_string(sshd.port()) +
                              "\nHost key: 256 " + sshd.fingerprint() +
                              " (ED25519)\nknown_hosts: does not know this host\n";
    EXPECT_EQ(r.out, shown);
    EXPECT_EQ(r.err, "Trust: Nothing recorded: the server is not trusted\n");
    EXPECT_FALSE(fs::exists(known_hosts));
    r = run({"upload"});
    EXPECT_EQ(r.code, kFailed);
    EXPECT_NE(r.out.find("FTP error 60: Unknown SSH host key ED25519 " + sshd.fingerprint()),
              std::string::npos)
        << r.out;

    r = run({"trust", "--yes"});
    EXPECT_EQ(r.code, kOk) << r.err;
    EXPECT_EQ(r.out, shown + "Added to " + known_hosts + "\n");
    EXPECT_EQ(test::read_file(known_hosts), sshd.known_hosts_line() + "\n");

    r = run({"trust"});
    EXPECT_EQ(r.code, kOk);
    EXPECT_NE(r.out.find("known_hosts: holds this key"), std::string::npos) << r.out;

    r = run({"upload"});
    EXPECT_EQ(r.code, kOk) << r.out << r.err;
    EXPECT_EQ(test::read_file(sshd.home() / "wx" / "sky.jpg"), "\xFF\xD8 sky\r\n\n"s);
}

TEST_F(CliTrust, PinsASelfSignedCertificateOnYes)
{
    test::TestCertificates certs;
    test::PureFtpd ftpd;
    if (geteuid() != 0) GTEST_SKIP() << "needs root (as CI runs): pure-ftpd";
    if (const std::string why = certs.make(); !why.empty()) GTEST_SKIP() << why;
    if (const std::string why = ftpd.start(certs.self_signed()); !why.empty()) GTEST_SKIP() << why;
    for (const auto& [key, value] :
         std::vector<std::pair<std::string, std::string>>{{"Protocol", "ftps"},
                                                          {"FtpHost", "127.0.0.1"},
                                                          {"FtpPort", std::to_string(ftpd.port())},
                                                          {"User", test::PureFtpd::user()}})
        ASSERT_EQ(run({"config", "set", key, value}).code, kOk) << key;

    Result r = run({"trust", "--yes"});
    EXPECT_EQ(r.code, kOk) << r.err;
    const std::string pin = certs.pin(certs.self_signed());
    for (const std::string& line : std::vector<std::string>{
             "FTPS server: 127.0.0.1 port " + std::to_string(ftpd.port()) + "\n",
             "Subject: CN=127.0.0.1\n", "Issuer: CN=127.0.0.1\n",
             "Verified by the system's trust store: no (", "For host name 127.0.0.1: yes\n",
             "Public-key pin: " + pin + "\n", "PinnedKey=" + pin + "\n"})
        EXPECT_NE(r.out.find(line), std::string::npos) << line << "\n" << r.out;
    Settings s;
    ASSERT_EQ(read_conf(nullptr, kConfEntries, home + "Hill/", s), 0);
    EXPECT_EQ(s.PinnedKey, pin);

    r = run({"trust"});
    EXPECT_EQ(r.code, kOk);
    EXPECT_NE(r.out.find(pin + " (matches PinnedKey)"), std::string::npos) << r.out;

    // On a terminal the question is asked; "y" records.
    ASSERT_EQ(run({"config", "set", "PinnedKey", ""}).code, kOk);
    std::istringstream in("y\n");
    std::ostringstream out, err;
    Console console{in, out, err, false, true};
    CliEnv env{console, store, home};
    EXPECT_EQ(run_cli({"trust"}, env), kOk) << err.str();
    EXPECT_EQ(err.str(),
              "Trust: Trust this self-signed certificate and store its pin in PinnedKey? [y/N] ");
    ASSERT_EQ(read_conf(nullptr, kConfEntries, home + "Hill/", s), 0);
    EXPECT_EQ(s.PinnedKey, pin);
}

}  // namespace
}  // namespace nimbora
