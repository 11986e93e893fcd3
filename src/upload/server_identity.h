// SPDX-License-Identifier: GPL-3.0-or-later
// server_identity.h: who a station's FTPS or SFTP server is, learned from the handshake alone
// (no user name, no password, no file), and the station's record of the servers it trusts:
// SFTP host keys in the station folder's "known_hosts", an FTPS pin in PinnedKey.
#pragma once

#include "config/Settings.h"

#include <curl/curl.h>

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace nimbora {

// The port an upload connects to: FtpPort, except that SFTP takes 22 while FtpPort is the
// untouched 21 (no SFTP server listens on the FTP port; a keeper who moves to SFTP should not
// have to know that). 0 when FtpPort is not a port.
long upload_port(const Settings& s);

// An SSH host key as the server offered it.
struct HostKey {
    std::string name;         // the key's own type name, as known_hosts writes it: "ssh-ed25519"
    std::string base64;       // the key, base64 as known_hosts writes it
    std::string label;        // the type as ssh-keygen -l prints it: "ED25519", "RSA", "ECDSA"
    int bits = 0;             // as ssh-keygen -l prints them: 256 for ED25519
    std::string fingerprint;  // "SHA256:" and the unpadded base64 of the key's SHA-256 hash
};

// The host key in `blob` (the raw key as SSH sends it); empty name when it cannot be parsed.
HostKey host_key_from_blob(std::string_view blob);

// How a host key compares with known_hosts.
enum class KeyKnown { unknown, trusted, changed };

// What a server showed of itself before any login.
struct ServerIdentity {
    bool reached = false;  // the handshake got far enough to show the identity
    std::string problem;   // when not reached: why, for the keeper ("Server does not offer TLS")

    // SFTP
    HostKey key;
    KeyKnown known = KeyKnown::unknown;

    // FTPS
    std::string subject, issuer, not_before, not_after;  // as OpenSSL prints them
    bool verified = false;      // the chain verifies against CaFile or the system's store
    std::string verify_result;  // OpenSSL's text for the chain's verification
    bool name_matches = false;  // the certificate is for the host name (or address) we used
    bool self_signed = false;
    std::string pin;           // "sha256//" + base64 of the SHA-256 of its public key
    bool pin_matches = false;  // PinnedKey is set and names this pin
};

// What libcurl's SSH host-key check saw on one connection (its CURLOPT_KEYDATA).
struct HostKeySeen {
    bool seen = false;
    HostKey key;
    KeyKnown known = KeyKnown::unknown;
    bool accept = true;  // accept a key that known_hosts holds (false: only look)
};

// libcurl's CURLOPT_SSH_KEYFUNCTION over a HostKeySeen: records the key offered and accepts
// it only when known_hosts holds it for this host and `accept` is set; anything else ends the
// connection before any authentication. Never writes known_hosts.
int check_host_key(CURL* curl, const curl_khkey* known, const curl_khkey* found, curl_khmatch match,
                   void* seen);

// The identity of the station's server, with `s`'s protocol, host and port: for SFTP the host
// key and how it compares with `known_hosts` (a path); for FTPS the certificate after AUTH TLS,
// verified against CaFile or the system's store. Plain FTP has no identity: not reached.
// Waits at most `timeout` for each step. Sends no user name and no password.
ServerIdentity probe_server(const Settings& s, const std::string& known_hosts,
                            std::chrono::milliseconds timeout);

// The identity as lines for a person ("Host key: 256 SHA256:... (ED25519)", ...).
std::vector<std::string> identity_lines(const Settings& s, const ServerIdentity& id);

// What trusting the identity would do.
enum class TrustStep {
    nothing,      // already trusted (a known key, a certificate that verifies or matches the pin)
    record,       // new: recorded on the keeper's Yes
    refuse,       // cannot be trusted here: a changed host key, a certificate for another name
    unreachable,  // no identity was seen (id.problem says why)
};
TrustStep trust_step(const Settings& s, const ServerIdentity& id);

// The question to put before recording, or why nothing is recorded.
std::string trust_question(const Settings& s, const ServerIdentity& id);

// Records a new identity: the SFTP host key appended to `known_hosts` (created when missing),
// or the FTPS pin stored in s.PinnedKey (the caller saves the settings). Empty on success, else
// what went wrong.
std::string record_trust(Settings& s, const ServerIdentity& id, const std::string& known_hosts);

}  // namespace nimbora
