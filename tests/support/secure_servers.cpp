// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/secure_servers.h"

#include "support/ftp_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace nimbora::test {
namespace {

constexpr const char* kPureFtpd = "/usr/sbin/pure-ftpd";
constexpr const char* kPurePw = "/usr/bin/pure-pw";
constexpr const char* kSshd = "/usr/sbin/sshd";
constexpr const char* kSshKeygen = "/usr/bin/ssh-keygen";
constexpr const char* kOpenssl = "/usr/bin/openssl";

std::string need_root(const char* binary)
{
    if (geteuid() != 0) return std::string("needs root (as CI runs): ") + binary;
    if (access(binary, X_OK) != 0)
        return std::string(binary) + " is missing: run scripts/install-deps.sh --test";
    return {};
}

// True once something accepts connections on 127.0.0.1:port, within `limit`.
bool wait_listening(int port, std::chrono::milliseconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = htons(static_cast<std::uint16_t>(port));
        const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
        close(fd);
        if (ok) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

std::string first_word(const std::string& text, int index)
{
    std::istringstream in(text);
    std::string word;
    for (int i = 0; i <= index; ++i)
        if (!(in >> word)) return {};
    return word;
}

std::string quoted(const fs::path& p)
{
    return "'" + p.string() + "'";
}

}  // namespace

bool shell(const std::string& command, const fs::path& log)
{
    const std::string line = "(" + command + ") >>" + quoted(log) + " 2>&1";
    return std::system(line.c_str()) == 0;
}

std::string TestCertificates::make()
{
    if (access(kOpenssl, X_OK) != 0) return "openssl is missing";
    const fs::path d = dir_.path();
    const fs::path log = d / "openssl.log";
    const std::string ssl = std::string(kOpenssl);
    const std::string ec = " -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";
    const auto in = [&d](const char* name) { return quoted(d / name); };
    const std::vector<std::string> steps = {
        ssl + " req -x509" + ec + " -keyout " + in("ca.key") + " -out " + in("ca.pem") +
            " -days 30 -subj '/CN=Nimbora Test CA'"
            " -addext 'basicConstraints=critical,CA:TRUE'"
            " -addext 'keyUsage=critical,keyCertSign,cRLSign'",
        "printf 'subjectAltName=IP:127.0.0.1,DNS:localhost\\n' >" + in("server.ext"),
        "printf 'subjectAltName=DNS:other.example\\n' >" + in("other.ext"),
        ssl + " req" + ec + " -keyout " + in("server.key") + " -out " + in("server.csr") +
            " -subj '/CN=127.0.0.1'",
        ssl + " x509 -req -in " + in("server.csr") + " -CA " + in("ca.pem") + " -CAkey " +
            in("ca.key") + " -CAcreateserial -days 30 -extfile " + in("server.ext") + " -out " +
            in("server.crt"),
        "cat " + in("server.crt") + " " + in("server.key") + " >" + in("server.pem"),
        ssl + " req" + ec + " -keyout " + in("other.key") + " -out " + in("other.csr") +
            " -subj '/CN=other.example'",
        ssl + " x509 -req -in " + in("other.csr") + " -CA " + in("ca.pem") + " -CAkey " +
            in("ca.key") + " -CAcreateserial -days 30 -extfile " + in("other.ext") + " -out " +
            in("other.crt"),
        "cat " + in("other.crt") + " " + in("other.key") + " >" + in("other.pem"),
        ssl + " req -x509" + ec + " -keyout " + in("self.key") + " -out " + in("self.crt") +
            " -days 30 -subj '/CN=127.0.0.1' -addext 'subjectAltName=IP:127.0.0.1'",
        "cat " + in("self.crt") + " " + in("self.key") + " >" + in("self.pem"),
    };
    for (const std::string& step : steps)
        if (!shell(step, log)) return "openssl failed: " + step + "\n" + read_file(log);
    return {};
}

std::string TestCertificates::pin(const fs::path& pem) const
{
    const fs::path out = dir_.path() / "pin.txt";
    const std::string cmd = std::string(kOpenssl) + " x509 -in " + quoted(pem) +
                            " -pubkey -noout | " + kOpenssl + " pkey -pubin -outform der | " +
                            kOpenssl + " dgst -sha256 -binary | base64 >" + quoted(out);
    if (!shell(cmd, dir_.path() / "openssl.log")) return {};
    std::string text = read_file(out);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return "sha256//" + text;
}

std::string PureFtpd::start(const fs::path& cert_and_key)
{
    stop();
    if (std::string why = need_root(kPureFtpd); !why.empty()) return why;
    const fs::path d = dir_.path();
    const fs::path log = d / "setup.log";
    // The virtual user is mapped to nobody, who must reach its folder.
    chmod(d.c_str(), 0755);
    fs::create_directories(home());
    if (chown(home().c_str(), 65534, 65534) != 0) return "chown of the FTP root failed";
    fs::remove(d / "passwd");  // a second start makes its user afresh
    fs::remove(d / "pure.pdb");
    const std::string add = "printf '" + password() + "\\n" + password() + "\\n' | " + kPurePw +
                            " useradd " + user() + " -u 65534 -g 65534 -d " + quoted(home()) +
                            " -f " + quoted(d / "passwd") + " -m -F " + quoted(d / "pure.pdb");
    if (!shell(add, log)) return "pure-pw failed: " + read_file(log);

    port_ = free_port();
    // Passive ports of this test process's own, apart from those of tests beside it.
    const int low = 30000 + static_cast<int>(getpid() % 400) * 50;
    const std::vector<std::string> args = {kPureFtpd,
                                           "-S",
                                           "127.0.0.1," + std::to_string(port_),
                                           "-l",
                                           "puredb:" + (d / "pure.pdb").string(),
                                           "-E",
                                           "-Y",
                                           "2",
                                           "-2",
                                           cert_and_key.string(),
                                           "-p",
                                           std::to_string(low) + ":" + std::to_string(low + 49),
                                           "-u",
                                           "100"};
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_RDWR);
        dup2(null, STDIN_FILENO);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        execv(kPureFtpd, argv.data());
        _exit(127);
    }
    if (pid < 0) return "fork failed";
    pid_ = pid;
    if (!wait_listening(port_, std::chrono::seconds(10))) {
        stop();
        return "pure-ftpd did not start listening";
    }
    return {};
}

void PureFtpd::stop()
{
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
    }
    pid_ = -1;
    port_ = 0;
}

std::string Sshd::start(const std::string& denied)
{
    stop();
    if (std::string why = need_root(kSshd); !why.empty()) return why;
    if (access(kSshKeygen, X_OK) != 0) return "ssh-keygen is missing";
    const passwd* pw = getpwuid(geteuid());
    if (!pw) return "no account for this user";
    user_ = pw->pw_name;
    const fs::path d = dir_.path();
    const fs::path log = d / "setup.log";
    fs::create_directories(home());
    fs::create_directories("/run/sshd");  // sshd's privilege separation folder
    const std::string keygen = std::string(kSshKeygen) + " -q -t ed25519 ";
    if (!shell(keygen + "-N '' -C host -f " + quoted(d / "host_key"), log) ||
        !shell(keygen + "-N '' -C other -f " + quoted(d / "other_host_key"), log) ||
        !shell(keygen + "-N '" + passphrase() + "' -C client -f " + quoted(client_key()), log))
        return "ssh-keygen failed: " + read_file(log);
    fs::copy_file(d / "client_key.pub", d / "authorized_keys");

    port_ = free_port();
    std::ofstream(d / "sshd_config")
        << "Port " << port_ << "\n"
        << "ListenAddress 127.0.0.1\n"
        << "HostKey " << (d / "host_key").string() << "\n"
        << "PidFile " << (d / "sshd.pid").string() << "\n"
        << "AuthorizedKeysFile " << (d / "authorized_keys").string() << "\n"
        << "PasswordAuthentication no\n"
        << "KbdInteractiveAuthentication no\n"
        << "UsePAM no\n"
        << "StrictModes no\n"
        << "PermitRootLogin prohibit-password\n"
        << "LogLevel VERBOSE\n"
        << "Subsystem sftp internal-sftp -d " << home().string()
        << (denied.empty() ? std::string() : " -P " + denied) << "\n";
    const std::string run =
        std::string(kSshd) + " -f " + quoted(d / "sshd_config") + " -E " + quoted(d / "sshd.log");
    if (!shell(run, log)) return "sshd failed: " + read_file(log) + read_file(d / "sshd.log");
    if (!wait_listening(port_, std::chrono::seconds(10))) {
        stop();
        return "sshd did not start listening: " + read_file(d / "sshd.log");
    }
    return {};
}

void Sshd::stop()
{
    if (port_ == 0) return;
    const pid_t pid = std::atoi(read_file(dir_.path() / "sshd.pid").c_str());
    if (pid > 0 && kill(pid, SIGTERM) == 0) {
        // Not our child (it forked away): wait until it is gone.
        for (int i = 0; i < 200 && kill(pid, 0) == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    port_ = 0;
}

std::string Sshd::known_hosts_line() const
{
    const std::string pub = read_file(dir_.path() / "host_key.pub");
    return "[127.0.0.1]:" + std::to_string(port_) + " " + first_word(pub, 0) + " " +
           first_word(pub, 1);
}

std::string Sshd::other_known_hosts_line() const
{
    const std::string pub = read_file(dir_.path() / "other_host_key.pub");
    return "[127.0.0.1]:" + std::to_string(port_) + " " + first_word(pub, 0) + " " +
           first_word(pub, 1);
}

std::string Sshd::fingerprint() const
{
    const fs::path out = dir_.path() / "fingerprint.txt";
    shell(std::string(kSshKeygen) + " -l -f " + quoted(dir_.path() / "host_key.pub") + " >" +
              quoted(out),
          dir_.path() / "setup.log");
    return first_word(read_file(out), 1);
}

std::string Sshd::log() const
{
    return read_file(dir_.path() / "sshd.log");
}

}  // namespace nimbora::test
