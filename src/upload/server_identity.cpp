// SPDX-License-Identifier: GPL-3.0-or-later
#include "upload/server_identity.h"

#include "config/format.h"
#include "config/handles.h"

#include <netdb.h>
#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <system_error>

namespace nimbora {
namespace {

struct CurlEasyCleanup {
    void operator()(CURL* p) const noexcept { curl_easy_cleanup(p); }
};
struct SslCtxFree {
    void operator()(SSL_CTX* p) const noexcept { SSL_CTX_free(p); }
};
struct SslFree {
    void operator()(SSL* p) const noexcept { SSL_free(p); }
};
struct X509Free {
    void operator()(X509* p) const noexcept { X509_free(p); }
};
struct BioFree {
    void operator()(BIO* p) const noexcept { BIO_free(p); }
};
struct AddrFree {
    void operator()(addrinfo* p) const noexcept { freeaddrinfo(p); }
};

// A socket closed on every exit.
class Socket {
public:
    explicit Socket(int fd = -1) : fd_(fd) {}
    ~Socket()
    {
        if (fd_ >= 0) ::close(fd_);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

std::string base64(std::string_view bytes)
{
    std::string out(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    const int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                                  reinterpret_cast<const unsigned char*>(bytes.data()),
                                  static_cast<int>(bytes.size()));
    out.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return out;
}

// The bytes of base64 `text`; empty when it is not base64.
std::string unbase64(std::string_view text)
{
    if (text.empty() || text.size() % 4 != 0) return {};
    std::string out(text.size() / 4 * 3, '\0');
    const int n = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                                  reinterpret_cast<const unsigned char*>(text.data()),
                                  static_cast<int>(text.size()));
    if (n < 0) return {};
    out.resize(static_cast<std::size_t>(n));
    // EVP_DecodeBlock counts the padding as zero bytes.
    for (std::size_t i = text.size(); i > 0 && text[i - 1] == '='; --i) out.pop_back();
    return out;
}

std::string sha256(std::string_view bytes)
{
    unsigned char hash[EVP_MAX_MD_SIZE];
    unsigned int n = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), hash, &n, EVP_sha256(), nullptr) != 1) return {};
    return std::string(reinterpret_cast<const char*>(hash), n);
}

// One SSH "string" (a 32-bit big-endian length, then the bytes) from `blob` at `at`.
bool ssh_string(std::string_view blob, std::size_t& at, std::string_view& out)
{
    if (blob.size() - at < 4 || at > blob.size()) return false;
    std::size_t n = 0;
    for (int i = 0; i < 4; ++i) n = (n << 8) | static_cast<unsigned char>(blob[at + i]);
    at += 4;
    if (blob.size() - at < n) return false;
    out = blob.substr(at, n);
    at += n;
    return true;
}

// The bit length of an SSH "mpint" (big-endian, a leading zero byte for a set top bit).
int mpint_bits(std::string_view number)
{
    std::size_t i = 0;
    while (i < number.size() && number[i] == 0) ++i;
    if (i == number.size()) return 0;
    int bits = static_cast<int>((number.size() - i - 1) * 8);
    for (auto top = static_cast<unsigned char>(number[i]); top; top >>= 1) ++bits;
    return bits;
}

bool is_ip_address(const std::string& host)
{
    return host.find(':') != std::string::npos ||
           host.find_first_not_of("0123456789.") == std::string::npos;
}

// The host as known_hosts names it: "host" on port 22, else "[host]:port".
std::string known_hosts_name(const std::string& host, long port)
{
    return port == 22 ? host : strf("[%s]:%ld", host.c_str(), port);
}

std::string url_host(const std::string& host)
{
    const bool bare_ipv6 = host.find(':') != std::string::npos && host.front() != '[';
    return bare_ipv6 ? "[" + host + "]" : host;
}

ServerIdentity probe_sftp(const Settings& s, const std::string& known_hosts,
                          std::chrono::milliseconds timeout)
{
    ServerIdentity id;
    const std::unique_ptr<CURL, CurlEasyCleanup> curl(curl_easy_init());
    if (!curl) {
        id.problem = "libcurl could not start";
        return id;
    }
    HostKeySeen seen;
    seen.accept = false;  // only look: the connection ends before any authentication
    const std::string url = "sftp://" + url_host(s.FtpHost) + "/";
    CURL* c = curl.get();
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "sftp");
    curl_easy_setopt(c, CURLOPT_PORT, upload_port(s));
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(timeout.count()));
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, static_cast<long>(timeout.count()));
    curl_easy_setopt(c, CURLOPT_SSH_KNOWNHOSTS, known_hosts.c_str());
    curl_easy_setopt(c, CURLOPT_SSH_KEYFUNCTION, check_host_key);
    curl_easy_setopt(c, CURLOPT_SSH_KEYDATA, static_cast<void*>(&seen));
    curl_easy_setopt(c, CURLOPT_SSH_AUTH_TYPES, static_cast<long>(CURLSSH_AUTH_NONE));
    curl_easy_setopt(c, CURLOPT_NOBODY, 1L);
    const CURLcode rc = curl_easy_perform(c);
    if (!seen.seen) {
        id.problem = strf("No SSH host key seen: %s (libcurl %d)", curl_easy_strerror(rc),
                          static_cast<int>(rc));
        return id;
    }
    id.reached = true;
    id.key = seen.key;
    id.known = seen.known;
    return id;
}

// One FTP reply (the last line of a multi-line one), or empty when none came in time.
std::string ftp_reply(int fd)
{
    std::string line;
    for (;;) {
        char ch;
        const ssize_t n = ::recv(fd, &ch, 1, 0);
        if (n != 1) return {};
        if (ch != '\n') {
            if (ch != '\r') line += ch;
            if (line.size() > 4096) return {};
            continue;
        }
        // "ddd " ends a reply; "ddd-" and other lines continue it.
        if (line.size() >= 4 && std::isdigit(static_cast<unsigned char>(line[0])) && line[3] == ' ')
            return line;
        line.clear();
    }
}

std::string printed(const std::function<int(BIO*)>& print)
{
    const std::unique_ptr<BIO, BioFree> bio(BIO_new(BIO_s_mem()));
    if (!bio || print(bio.get()) <= 0) return {};
    char* data = nullptr;
    const long n = BIO_get_mem_data(bio.get(), &data);
    return n > 0 ? std::string(data, static_cast<std::size_t>(n)) : std::string();
}

std::string name_text(const X509_NAME* name)
{
    return printed([name](BIO* b) { return X509_NAME_print_ex(b, name, 0, XN_FLAG_RFC2253); });
}

std::string time_text(const ASN1_TIME* t)
{
    return printed([t](BIO* b) { return ASN1_TIME_print(b, t); });
}

// A TCP connection to host:port, every send and receive bounded by `timeout`.
int connect_tcp(const std::string& host, long port, std::chrono::milliseconds timeout,
                std::string& problem)
{
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    if (getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0 || !found) {
        problem = "Hostname not found: " + host;
        return -1;
    }
    const std::unique_ptr<addrinfo, AddrFree> list(found);
    timeval tv{};
    tv.tv_sec = static_cast<time_t>(timeout.count() / 1000);
    tv.tv_usec = static_cast<suseconds_t>((timeout.count() % 1000) * 1000);
    for (const addrinfo* a = found; a; a = a->ai_next) {
        const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) continue;
        // Linux bounds a blocking connect by the send time-out.
        setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
        setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        if (::connect(fd, a->ai_addr, a->ai_addrlen) == 0) return fd;
        ::close(fd);
    }
    problem = strf("Could not connect to %s port %ld", host.c_str(), port);
    return -1;
}

ServerIdentity probe_ftps(const Settings& s, std::chrono::milliseconds timeout)
{
    ServerIdentity id;
    std::string host = s.FtpHost;
    if (host.size() > 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    const Socket sock(connect_tcp(host, upload_port(s), timeout, id.problem));
    if (sock.fd() < 0) return id;
    const std::string greeting = ftp_reply(sock.fd());
    if (greeting.rfind("220", 0) != 0) {
        id.problem = "No FTP greeting: " + (greeting.empty() ? "no answer" : greeting);
        return id;
    }
    static constexpr std::string_view kAuth = "AUTH TLS\r\n";
    if (::send(sock.fd(), kAuth.data(), kAuth.size(), MSG_NOSIGNAL) !=
        static_cast<ssize_t>(kAuth.size())) {
        id.problem = "The connection closed";
        return id;
    }
    const std::string auth = ftp_reply(sock.fd());
    if (auth.rfind("234", 0) != 0) {
        id.problem =
            "Server does not offer TLS (AUTH TLS: " + (auth.empty() ? "no answer" : auth) + ")";
        return id;
    }

    const std::unique_ptr<SSL_CTX, SslCtxFree> ctx(SSL_CTX_new(TLS_client_method()));
    if (!ctx) {
        id.problem = "OpenSSL could not start";
        return id;
    }
    if (!s.CaFile.empty()) {
        if (SSL_CTX_load_verify_locations(ctx.get(), s.CaFile.c_str(), nullptr) != 1) {
            id.problem = "Cannot read the CA file " + s.CaFile;
            return id;
        }
    } else {
        SSL_CTX_set_default_verify_paths(ctx.get());
    }
    // Looked at, not enforced here: the keeper is shown what failed.
    SSL_CTX_set_verify(ctx.get(), SSL_VERIFY_NONE, nullptr);
    const std::unique_ptr<SSL, SslFree> ssl(SSL_new(ctx.get()));
    if (!ssl || SSL_set_fd(ssl.get(), sock.fd()) != 1) {
        id.problem = "OpenSSL could not start";
        return id;
    }
    if (!is_ip_address(host)) SSL_set_tlsext_host_name(ssl.get(), host.c_str());
    if (SSL_connect(ssl.get()) != 1) {
        char text[256] = "";
        ERR_error_string_n(ERR_get_error(), text, sizeof text);
        id.problem = std::string("TLS handshake failed: ") + text;
        return id;
    }
    const std::unique_ptr<X509, X509Free> cert(SSL_get1_peer_certificate(ssl.get()));
    if (!cert) {
        id.problem = "The server sent no certificate";
        return id;
    }
    id.reached = true;
    id.subject = name_text(X509_get_subject_name(cert.get()));
    id.issuer = name_text(X509_get_issuer_name(cert.get()));
    id.not_before = time_text(X509_get0_notBefore(cert.get()));
    id.not_after = time_text(X509_get0_notAfter(cert.get()));
    const long verify = SSL_get_verify_result(ssl.get());
    id.verified = verify == X509_V_OK;
    id.verify_result = X509_verify_cert_error_string(verify);
    id.name_matches = is_ip_address(host)
                          ? X509_check_ip_asc(cert.get(), host.c_str(), 0) == 1
                          : X509_check_host(cert.get(), host.c_str(), host.size(), 0, nullptr) == 1;
    id.self_signed = X509_check_issued(cert.get(), cert.get()) == X509_V_OK;
    unsigned char* der = nullptr;
    const int der_size = i2d_PUBKEY(X509_get0_pubkey(cert.get()), &der);
    if (der_size > 0) {
        id.pin = "sha256//" + base64(sha256(std::string_view(reinterpret_cast<char*>(der),
                                                             static_cast<std::size_t>(der_size))));
        OPENSSL_free(der);
    }
    id.pin_matches = !id.pin.empty() && !s.PinnedKey.empty() &&
                     (";" + s.PinnedKey + ";").find(";" + id.pin + ";") != std::string::npos;
    static constexpr std::string_view kQuit = "QUIT\r\n";
    SSL_write(ssl.get(), kQuit.data(), static_cast<int>(kQuit.size()));
    SSL_shutdown(ssl.get());
    return id;
}

}  // namespace

long upload_port(const Settings& s)
{
    const std::string& p = s.FtpPort;
    if (p.empty() || p.size() > kFtpPortDigits ||
        p.find_first_not_of("0123456789") != std::string::npos)
        return 0;
    const long port = std::atol(p.c_str());
    if (port < 1 || port > kFtpPortLast) return 0;
    return s.Protocol == kProtocolSftp && port == 21 ? 22 : port;
}

HostKey host_key_from_blob(std::string_view blob)
{
    HostKey key;
    std::size_t at = 0;
    std::string_view name;
    if (!ssh_string(blob, at, name) || name.empty()) return key;
    key.name = std::string(name);
    key.base64 = base64(blob);
    std::string fp = base64(sha256(blob));
    while (!fp.empty() && fp.back() == '=') fp.pop_back();
    key.fingerprint = "SHA256:" + fp;
    std::string_view a, b;
    if (name == "ssh-ed25519") {
        key.label = "ED25519";
        key.bits = 256;
    } else if (name == "ssh-rsa") {
        key.label = "RSA";
        if (ssh_string(blob, at, a) && ssh_string(blob, at, b)) key.bits = mpint_bits(b);
    } else if (name == "ssh-dss") {
        key.label = "DSA";
        if (ssh_string(blob, at, a)) key.bits = mpint_bits(a);
    } else if (name.rfind("ecdsa-sha2-nistp", 0) == 0) {
        key.label = "ECDSA";
        key.bits = std::atoi(std::string(name.substr(16)).c_str());
    } else {
        key.label = std::string(name);
    }
    return key;
}

int check_host_key(CURL*, const curl_khkey*, const curl_khkey* found, curl_khmatch match,
                   void* data)
{
    auto* seen = static_cast<HostKeySeen*>(data);
    seen->seen = true;
    if (found && found->key) {
        const std::string blob =
            found->len == 0 ? unbase64(found->key) : std::string(found->key, found->len);
        seen->key = host_key_from_blob(blob);
    }
    seen->known = match == CURLKHMATCH_OK         ? KeyKnown::trusted
                  : match == CURLKHMATCH_MISMATCH ? KeyKnown::changed
                                                  : KeyKnown::unknown;
    return seen->accept && seen->known == KeyKnown::trusted ? CURLKHSTAT_FINE : CURLKHSTAT_REJECT;
}

ServerIdentity probe_server(const Settings& s, const std::string& known_hosts,
                            std::chrono::milliseconds timeout)
{
    if (upload_port(s) == 0) {
        ServerIdentity id;
        id.problem = "Invalid FTP port: " + s.FtpPort;
        return id;
    }
    if (s.Protocol == kProtocolSftp) return probe_sftp(s, known_hosts, timeout);
    if (s.Protocol == kProtocolFtps) return probe_ftps(s, timeout);
    ServerIdentity id;
    id.problem = "Plain FTP has no server identity to check: choose ftps or sftp";
    return id;
}

std::vector<std::string> identity_lines(const Settings& s, const ServerIdentity& id)
{
    std::vector<std::string> out;
    const std::string where = strf("%s port %ld", s.FtpHost.c_str(), upload_port(s));
    if (!id.reached) {
        out.push_back("Server: " + where);
        out.push_back(id.problem);
        return out;
    }
    if (s.Protocol == kProtocolSftp) {
        out.push_back("SFTP server: " + where);
        out.push_back(strf("Host key: %d %s (%s)", id.key.bits, id.key.fingerprint.c_str(),
                           id.key.label.c_str()));
        out.push_back(std::string("known_hosts: ") +
                      (id.known == KeyKnown::trusted   ? "holds this key"
                       : id.known == KeyKnown::changed ? "holds a DIFFERENT key for this host"
                                                       : "does not know this host"));
        return out;
    }
    out.push_back("FTPS server: " + where);
    out.push_back("Subject: " + id.subject);
    out.push_back("Issuer: " + id.issuer);
    out.push_back("Valid from: " + id.not_before);
    out.push_back("Valid until: " + id.not_after);
    out.push_back(std::string("Verified by ") +
                  (s.CaFile.empty() ? "the system's trust store" : "CaFile " + s.CaFile) + ": " +
                  (id.verified ? "yes" : "no (" + id.verify_result + ")"));
    out.push_back(std::string("For host name ") + s.FtpHost + ": " +
                  (id.name_matches ? "yes" : "no"));
    out.push_back("Public-key pin: " + id.pin +
                  (id.pin_matches        ? " (matches PinnedKey)"
                   : s.PinnedKey.empty() ? ""
                                         : " (PinnedKey holds another)"));
    return out;
}

TrustStep trust_step(const Settings& s, const ServerIdentity& id)
{
    if (!id.reached) return TrustStep::unreachable;
    if (s.Protocol == kProtocolSftp) {
        if (id.key.name.empty()) return TrustStep::refuse;
        if (id.known == KeyKnown::trusted) return TrustStep::nothing;
        return id.known == KeyKnown::changed ? TrustStep::refuse : TrustStep::record;
    }
    if (id.pin_matches || (id.verified && id.name_matches)) return TrustStep::nothing;
    // A certificate a CA vouches for, but for another name, is someone else's: never pinned.
    if (id.verified || !id.self_signed) return TrustStep::refuse;
    return TrustStep::record;
}

std::string trust_question(const Settings& s, const ServerIdentity& id)
{
    switch (trust_step(s, id)) {
    case TrustStep::nothing:
        return "This server is already trusted: nothing to record.";
    case TrustStep::unreachable:
        return id.problem;
    case TrustStep::refuse:
        if (s.Protocol == kProtocolSftp)
            return "WARNING: the server's host key has CHANGED since it was trusted. Someone may "
                   "be intercepting the connection. Nothing is recorded: if the change is "
                   "expected, remove the host's line from known_hosts, then check again.";
        return "The certificate is not self-signed and does not verify for this host name: it "
               "cannot be pinned. Use the host name it was issued for, or set CaFile to the "
               "CA that issued it.";
    case TrustStep::record:
        break;
    }
    if (s.Protocol == kProtocolSftp) return "Trust this host key and add it to known_hosts?";
    return "Trust this self-signed certificate and store its pin in PinnedKey?";
}

std::string record_trust(Settings& s, const ServerIdentity& id, const std::string& known_hosts)
{
    if (trust_step(s, id) != TrustStep::record) return "Nothing to record";
    if (s.Protocol != kProtocolSftp) {
        s.PinnedKey = id.pin;
        return {};
    }
    std::string host = s.FtpHost;
    if (host.size() > 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    const std::string line =
        known_hosts_name(host, upload_port(s)) + " " + id.key.name + " " + id.key.base64 + "\n";
    std::string text;
    std::error_code ec;
    const bool existed = std::filesystem::exists(known_hosts, ec);
    FilePtr file(std::fopen(known_hosts.c_str(), "ab"));
    if (!file) return known_hosts + ": Error creating file";
    // A last line without its line end would swallow ours.
    if (existed && std::filesystem::file_size(known_hosts, ec) > 0) {
        FilePtr in(std::fopen(known_hosts.c_str(), "rb"));
        if (in && std::fseek(in.get(), -1, SEEK_END) == 0 && std::fgetc(in.get()) != '\n')
            text += '\n';
    }
    text += line;
    const bool written = std::fwrite(text.data(), 1, text.size(), file.get()) == text.size();
    const bool closed = close_file(file);
    if (!written || !closed) return known_hosts + ": Error writing file";
    return {};
}

}  // namespace nimbora
