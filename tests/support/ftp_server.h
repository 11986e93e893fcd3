// SPDX-License-Identifier: GPL-3.0-or-later
// ftp_server.h: a real FTP server on 127.0.0.1 for the upload tests (pyftpdlib, run with the
// system's Python), one user with a temporary home.
#pragma once

#include "support/files.h"

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace nimbora::test {

class FtpServer {
public:
    enum class Mode {
        normal,        // serves user() / password() in home()
        silent,        // accepts connections and never answers
        reject_login,  // answers, and refuses every user name and password
    };
    struct Options {
        Mode mode = Mode::normal;
        int port = 0;  // 0: a free port
        // The session dies when asked to store a file of this name (or its temporary
        // "NAME.part", under which an upload sends it before renaming).
        std::string drop_on_stor;
        // Storing a file of this name (or NAME.part) gets no answer until release_stall() (the
        // client's response time-out ends it first, if it has one).
        std::string stall_on_stor;
        bool refuse_rename = false;  // every RNFR/RNTO is refused
    };

    FtpServer() = default;
    ~FtpServer() { stop(); }
    FtpServer(const FtpServer&) = delete;
    FtpServer& operator=(const FtpServer&) = delete;

    // Starts the server and waits until it listens; false when it could not be started.
    bool start(const Options& options);
    bool start() { return start(Options{}); }
    void stop();

    int port() const { return port_; }
    std::string port_text() const { return std::to_string(port_); }
    // The user's folder, the server's "/".
    std::filesystem::path home() const { return dir_.path() / "home"; }
    static std::string user() { return "station"; }
    static std::string password() { return "s3cret pass"; }

    // Every command line the server received, in order ("USER station", "TYPE I", ...). The
    // silent server logs "(connection)" for each connection it accepted.
    std::vector<std::string> commands() const;
    // True once a command line beginning with `prefix` was received.
    bool received(const std::string& prefix) const;

    // Lets a stalled store (Options::stall_on_stor) go on, now and from now on.
    void release_stall();

private:
    TempDir dir_;
    pid_t pid_ = -1;
    int stdin_fd_ = -1;
    int port_ = 0;
};

// A loopback port that nothing listens on at the moment.
int free_port();

// A loopback port held bound and not listening for as long as this lives: a connection to it
// is refused, and no other program (another test running beside this one) can take it.
class ClosedPort {
public:
    ClosedPort();
    ~ClosedPort() { release(); }
    ClosedPort(const ClosedPort&) = delete;
    ClosedPort& operator=(const ClosedPort&) = delete;

    int port() const { return port_; }
    // Lets the port go (a server is about to listen on it).
    void release();

private:
    int fd_ = -1;
    int port_ = 0;
};

}  // namespace nimbora::test
