// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ftp_server.h"

#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

namespace nimbora::test {
namespace {

constexpr const char* kPython = "/usr/bin/python3";  // the interpreter that has pyftpdlib

const char* mode_name(FtpServer::Mode mode)
{
    switch (mode) {
    case FtpServer::Mode::silent:
        return "silent";
    case FtpServer::Mode::reject_login:
        return "reject";
    case FtpServer::Mode::normal:
        break;
    }
    return "normal";
}

}  // namespace

bool FtpServer::start(const Options& options)
{
    stop();
    std::filesystem::create_directories(home());
    const std::string commands_file = (dir_.path() / "commands.txt").string();
    std::vector<std::string> args = {kPython,      NIMBORA_FTP_SERVER_PY,
                                     "--home",     home().string(),
                                     "--user",     user(),
                                     "--password", password(),
                                     "--port",     std::to_string(options.port),
                                     "--mode",     mode_name(options.mode),
                                     "--commands", commands_file};
    if (!options.drop_on_stor.empty()) {
        args.emplace_back("--drop-on-stor");
        args.push_back(options.drop_on_stor);
    }
    if (!options.stall_on_stor.empty()) {
        std::filesystem::remove(dir_.path() / "release");
        args.emplace_back("--stall-on-stor");
        args.push_back(options.stall_on_stor);
        args.emplace_back("--release");
        args.push_back((dir_.path() / "release").string());
    }
    if (options.refuse_rename) args.emplace_back("--no-rename");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    int in[2], out[2];
    if (pipe(in) != 0) return false;
    if (pipe(out) != 0) {
        close(in[0]);
        close(in[1]);
        return false;
    }
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], STDIN_FILENO);
        dup2(out[1], STDOUT_FILENO);
        close(in[0]);
        close(in[1]);
        close(out[0]);
        close(out[1]);
        execv(kPython, argv.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    if (pid < 0) {
        close(in[1]);
        close(out[0]);
        return false;
    }
    pid_ = pid;
    stdin_fd_ = in[1];  // the server ends when this closes, even if we never get to stop()

    std::string line;
    char c;
    while (read(out[0], &c, 1) == 1 && c != '\n') line += c;
    close(out[0]);
    port_ = std::atoi(line.c_str());
    if (port_ <= 0) {
        stop();
        return false;
    }
    return true;
}

void FtpServer::stop()
{
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
    }
    if (stdin_fd_ >= 0) close(stdin_fd_);
    pid_ = -1;
    stdin_fd_ = -1;
    port_ = 0;
}

std::vector<std::string> FtpServer::commands() const
{
    std::vector<std::string> lines;
    std::ifstream in(dir_.path() / "commands.txt");
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

bool FtpServer::received(const std::string& prefix) const
{
    for (const std::string& line : commands())
        if (line.rfind(prefix, 0) == 0) return true;
    return false;
}

void FtpServer::release_stall()
{
    std::ofstream(dir_.path() / "release") << "go\n";
}

namespace {

// A socket bound to a free loopback port, not listening; -1 when none could be made.
int bound_socket(int& port)
{
    port = 0;
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof addr;
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0) {
        port = ntohs(addr.sin_port);
        return fd;
    }
    close(fd);
    return -1;
}

}  // namespace

int free_port()
{
    int port = 0;
    const int fd = bound_socket(port);
    if (fd >= 0) close(fd);
    return port;
}

ClosedPort::ClosedPort()
{
    fd_ = bound_socket(port_);
}

void ClosedPort::release()
{
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
}

}  // namespace nimbora::test
