// SPDX-License-Identifier: GPL-3.0-or-later
// secure_servers.h: real FTPS (pure-ftpd) and SFTP (OpenSSH's sshd) servers on 127.0.0.1 for the
// secure-upload tests, with certificates and keys made at test time. Both need root: each
// start() says why it could not start, and the tests skip with that message.
#pragma once

#include "support/files.h"

#include <sys/types.h>

#include <filesystem>
#include <string>

namespace nimbora::test {

// Runs `command` with /bin/sh; true when it exited 0. Its output goes to `log` (appended).
bool shell(const std::string& command, const std::filesystem::path& log);

// A test CA, a server certificate it signed for 127.0.0.1, one it signed for another host name,
// and a self-signed one, each with its key in one PEM file as pure-ftpd takes it.
class TestCertificates {
public:
    // Makes them with openssl; empty when it worked, else what failed.
    std::string make();

    std::filesystem::path ca() const { return dir_.path() / "ca.pem"; }
    std::filesystem::path for_localhost() const { return dir_.path() / "server.pem"; }
    std::filesystem::path for_other_name() const { return dir_.path() / "other.pem"; }
    std::filesystem::path self_signed() const { return dir_.path() / "self.pem"; }
    // The "sha256//BASE64" pin of a certificate file's public key, as openssl computes it.
    std::string pin(const std::filesystem::path& pem) const;

private:
    TempDir dir_;
};

// pure-ftpd with TLS required on control and data connections (-Y 2), one virtual user.
class PureFtpd {
public:
    PureFtpd() = default;
    ~PureFtpd() { stop(); }
    PureFtpd(const PureFtpd&) = delete;
    PureFtpd& operator=(const PureFtpd&) = delete;

    // Starts it with `cert_and_key` and waits until it listens. Empty when it runs, else why
    // not (not root, no pure-ftpd, ...).
    std::string start(const std::filesystem::path& cert_and_key);
    void stop();

    int port() const { return port_; }
    std::filesystem::path home() const { return dir_.path() / "root"; }
    static std::string user() { return "station"; }
    static std::string password() { return "s3cret pass"; }

private:
    TempDir dir_;
    pid_t pid_ = -1;
    int port_ = 0;
};

// sshd with key login only, internal-sftp starting in home() and logging each request.
class Sshd {
public:
    Sshd() = default;
    ~Sshd() { stop(); }
    Sshd(const Sshd&) = delete;
    Sshd& operator=(const Sshd&) = delete;

    // Makes a host key and a client ed25519 key protected by passphrase(), starts sshd and waits
    // until it listens. Empty when it runs, else why not. `denied` lists SFTP requests the
    // server refuses (internal-sftp -P, as "rename").
    std::string start(const std::string& denied = "");
    void stop();

    int port() const { return port_; }
    // The SFTP session's starting folder: the "home" of relative paths.
    std::filesystem::path home() const { return dir_.path() / "home"; }
    std::string user() const { return user_; }
    std::filesystem::path client_key() const { return dir_.path() / "client_key"; }
    static std::string passphrase() { return "key phrase 7"; }
    // The line known_hosts holds for this server: "[127.0.0.1]:PORT ssh-ed25519 BASE64".
    std::string known_hosts_line() const;
    // A second host key, to play a server whose key changed.
    std::string other_known_hosts_line() const;
    // The "SHA256:..." fingerprint of the host key, as ssh-keygen -l prints it.
    std::string fingerprint() const;
    // sshd's log: logins and each SFTP request ("rename old ... new ...").
    std::string log() const;

private:
    TempDir dir_;
    std::string user_;
    int port_ = 0;
};

}  // namespace nimbora::test
