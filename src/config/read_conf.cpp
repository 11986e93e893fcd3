// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/read_conf.h"

#include "config/file_open.h"
#include "config/format.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace nimbora {
namespace {

constexpr std::string_view kKey = "Qx4#nL!";

constexpr std::array<const char*, kConfEntries> kConfNames = {
    "path",  "pathDB", "pathWLK", "Name",  "City",  "State", "Elev",  "Lat",   "Long",  "File1",
    "File2", "File3",  "File4",   "File5", "File6", "File7", "File8", "File9", "File10"};

// Offsets and sizes of "nimbrep.dat".
struct Field {
    std::size_t offset, size;
};
constexpr Field kReportChk{0, 20}, kUnitTemp{20, 1}, kUnitRain{21, 1}, kUnitWind{22, 1},
    kUnitBar{23, 1}, kTransferEnabled{24, 4}, kPassive{28, 4}, kFtpHost{32, 61}, kFtpPort{93, 3},
    kUser{96, 61}, kPwd{157, 61}, kRemotePath{218, 101}, kInterval{319, 15}, kTimeStart{334, 6},
    kReportUpload{340, 2};

using Record = std::array<unsigned char, kDatSize>;

// The standard library's strtok over a view: each call skips leading delimiters and returns
// the run up to the next one, consuming that delimiter. The set is one or two characters
// ("<>" or "<"), compared in place: a search of the set for every character of the line
// was most of the reader's time.
class Strtok {
public:
    explicit Strtok(std::string_view text) : rest_(text) {}
    std::optional<std::string_view> next(std::string_view delimiters)
    {
        const char first = delimiters.front(), last = delimiters.back();
        const char* at = rest_.data();
        const char* const end = at + rest_.size();
        while (at != end && (*at == first || *at == last)) ++at;
        if (at == end) {
            rest_ = {};
            return std::nullopt;
        }
        const char* const begin = at;
        while (at != end && *at != first && *at != last) ++at;
        const std::string_view token(begin, static_cast<std::size_t>(at - begin));
        rest_ = at == end ? std::string_view{}
                          : std::string_view(at + 1, static_cast<std::size_t>(end - at - 1));
        return token;
    }

private:
    std::string_view rest_;
};

// A line read as an element "<tag>value</close>" as the reader has always matched it: the tag
// is the first run between '<' and '>', the value runs to the next '<' ('>' included), and the
// closing tag is the next run between '<' and '>'. The line is split once and then matched
// against every name: splitting it once per name made a long line cost twenty scans.
struct Element {
    std::string_view tag, value, close;

    // The value when this is "<name>value</name>".
    std::optional<std::string_view> value_of(std::string_view name) const
    {
        if (tag != name || close.size() != name.size() + 1 || close[0] != '/' ||
            close.substr(1) != name)
            return std::nullopt;
        return value;
    }
};

std::optional<Element> split_element(std::string_view line)
{
    Strtok tok(line);
    const auto tag = tok.next("<>");
    if (!tag) return std::nullopt;
    const auto value = tok.next("<");
    const auto close = tok.next("<>");
    if (!value || !close) return std::nullopt;
    return Element{*tag, *value, *close};
}

// A port as the settings accept it: 1..65535 in at most five digits.
bool valid_port(std::string_view text)
{
    if (text.empty() || text.size() > kFtpPortDigits ||
        text.find_first_not_of("0123456789") != std::string_view::npos)
        return false;
    const int port = std::atoi(std::string(text).c_str());
    return port >= 1 && port <= kFtpPortLast;
}

bool port_fits(const std::string& port)
{
    return port.size() <= kFtpPortMax;
}

std::string cut(std::string text, std::size_t max)
{
    if (text.size() > max) text.resize(max);
    return text;
}

void put_text(Record& r, Field f, const std::string& text)
{
    const std::size_t n = std::min(text.size(), f.size - 1);
    std::memcpy(r.data() + f.offset, text.data(), n);
}

std::string get_text(const Record& r, Field f)
{
    const auto* begin = reinterpret_cast<const char*>(r.data() + f.offset);
    return std::string(begin, strnlen(begin, f.size));
}

void put_i32(Record& r, Field f, std::int32_t v)
{
    const auto u = static_cast<std::uint32_t>(v);
    for (std::size_t i = 0; i < 4; ++i)
        r[f.offset + i] = static_cast<unsigned char>((u >> (8 * i)) & 0xFFu);
}

std::int32_t get_i32(const Record& r, Field f)
{
    std::uint32_t u = 0;
    for (std::size_t i = 0; i < 4; ++i) u |= static_cast<std::uint32_t>(r[f.offset + i]) << (8 * i);
    return static_cast<std::int32_t>(u);
}

// What the reader holds before the file is read: all columns off ('0' is not 1), zeros.
Record reset_record()
{
    Record r{};
    std::fill_n(r.begin() + static_cast<std::ptrdiff_t>(kReportChk.offset), kReportChk.size, '0');
    return r;
}

// The whole of a regular file; false when it cannot be opened or read (a folder, say).
bool read_whole(const std::string& path, std::string& out)
{
    FilePtr file = file_open(nullptr, path, "rb");
    if (!file) return false;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) out.append(buffer, n);
    return std::ferror(file.get()) == 0;
}

}  // namespace

std::optional<int> IntervMin(std::string_view label)
{
    for (const auto& entry : TimeInterval)
        if (label == entry.label) return entry.minutes;
    return std::nullopt;
}

bool conf_can_hold(std::string_view text)
{
    return text.find_first_of("<\n") == std::string_view::npos;
}

std::string& RTrim(std::string& text)
{
    const std::size_t end = text.find_last_not_of(' ');
    text.resize(end == std::string::npos ? 0 : end + 1);
    return text;
}

Scrambled Crypt(std::string_view plain)
{
    Scrambled out{};
    const std::size_t n = std::min(plain.size(), kPwdMax);
    // A last, short group is scrambled whole, as if the text went on with NULs.
    const std::size_t end = std::min((n + 2) / 3 * 3, kPwdMax);
    for (std::size_t j = 0; j < end; ++j) {
        const auto c = j < n ? static_cast<unsigned char>(plain[j]) : 0u;
        const auto k = static_cast<unsigned char>(kKey[(j / 3) % kKey.size()]);
        out[j] = static_cast<unsigned char>(((c + 13u) & 0xFFu) ^ k);
    }
    out[60] = static_cast<unsigned char>(n);
    return out;
}

std::string Decrypt(const Scrambled& scrambled)
{
    const std::size_t n = std::min<std::size_t>(scrambled[60], kPwdMax);
    std::string plain(n, '\0');
    for (std::size_t j = 0; j < n; ++j) {
        const auto k = static_cast<unsigned char>(kKey[(j / 3) % kKey.size()]);
        plain[j] = static_cast<char>(((scrambled[j] ^ k) - 13u) & 0xFFu);
    }
    return plain;
}

Record dat_record(const Settings& s)
{
    Record r{};
    std::copy(s.ReportChk.begin(), s.ReportChk.end(), r.begin());
    r[kUnitTemp.offset] = static_cast<unsigned char>(s.UnitTemp);
    r[kUnitRain.offset] = static_cast<unsigned char>(s.UnitRain);
    r[kUnitWind.offset] = static_cast<unsigned char>(s.UnitWind);
    r[kUnitBar.offset] = static_cast<unsigned char>(s.UnitBar);
    put_i32(r, kTransferEnabled, s.TransferEnabled);
    put_i32(r, kPassive, s.Passive);
    put_text(r, kFtpHost, s.FtpHost);
    // A port that does not fit is kept in "nimbrep.conf"; the binary field then names the
    // standard port rather than a cut one: a program that reads only this record reaches the
    // same host's FTP service or fails to connect, and never sends the login to whatever
    // service listens on the first two digits (80 of 8021).
    put_text(r, kFtpPort, port_fits(s.FtpPort) ? s.FtpPort : std::string("21"));
    put_text(r, kUser, s.User);
    const Scrambled pwd = Crypt(s.Pwd);
    std::copy(pwd.begin(), pwd.end(), r.begin() + static_cast<std::ptrdiff_t>(kPwd.offset));
    put_text(r, kRemotePath, s.RemotePath);
    put_text(r, kInterval, s.Interval);
    put_text(r, kTimeStart, s.TimeStart);
    r[kReportUpload.offset] = static_cast<unsigned char>(s.ReportUpload);
    return r;
}

void apply_dat_record(const Record& r, Settings& s)
{
    std::copy_n(r.begin(), s.ReportChk.size(), s.ReportChk.begin());
    s.UnitTemp = static_cast<signed char>(r[kUnitTemp.offset]);
    s.UnitRain = static_cast<signed char>(r[kUnitRain.offset]);
    s.UnitWind = static_cast<signed char>(r[kUnitWind.offset]);
    s.UnitBar = static_cast<signed char>(r[kUnitBar.offset]);
    s.TransferEnabled = get_i32(r, kTransferEnabled);
    s.Passive = get_i32(r, kPassive);
    s.FtpHost = get_text(r, kFtpHost);
    s.FtpPort = get_text(r, kFtpPort);
    s.User = get_text(r, kUser);
    Scrambled pwd{};
    std::copy_n(r.begin() + static_cast<std::ptrdiff_t>(kPwd.offset), pwd.size(), pwd.begin());
    // Unscrambled by its length byte: a first scrambled byte of 0 is a real character
    // (any password beginning with 'D'), not the mark of an empty password.
    s.Pwd = pwd[60] > 0 ? Decrypt(pwd) : std::string();
    s.RemotePath = get_text(r, kRemotePath);
    s.Interval = get_text(r, kInterval);
    s.TimeStart = get_text(r, kTimeStart);
    s.ReportUpload = r[kReportUpload.offset];
}

std::string read_conf_text(std::string_view text, int count, const std::string& DocPath,
                           Settings& s)
{
    const int entries = std::clamp(count, 0, kConfEntries);
    std::array<std::string, kConfEntries> values;
    std::string port;  // the Port element, when the port did not fit "nimbrep.dat"
    std::string protocol, key_file, ca_file, pinned_key, atomic, web_upload, web_folder;
    std::string line;  // one buffer for every line: its capacity is reused
    for (std::size_t begin = 0; begin < text.size();) {
        const std::size_t end = text.find('\n', begin);
        const bool had_line_end = end != std::string_view::npos;
        line.assign(text.substr(begin, had_line_end ? end - begin : std::string_view::npos));
        begin = had_line_end ? end + 1 : text.size();
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("<!--", 0) == 0) continue;
        if (had_line_end) line += '\n';  // the reader has always seen the line end
        const auto element = split_element(line);
        if (!element) continue;
        for (int i = 0; i < entries; ++i)
            if (auto value = element->value_of(kConfNames[static_cast<std::size_t>(i)]))
                values[static_cast<std::size_t>(i)] = std::string(*value);
        if (auto value = element->value_of(kPortElement)) port = std::string(*value);
        if (auto value = element->value_of(kProtocolElement)) protocol = std::string(*value);
        if (auto value = element->value_of(kKeyFileElement)) key_file = std::string(*value);
        if (auto value = element->value_of(kCaFileElement)) ca_file = std::string(*value);
        if (auto value = element->value_of(kPinnedKeyElement)) pinned_key = std::string(*value);
        if (auto value = element->value_of(kAtomicUploadElement)) atomic = std::string(*value);
        if (auto value = element->value_of(kWebUploadElement)) web_upload = std::string(*value);
        if (auto value = element->value_of(kWebFolderElement)) web_folder = std::string(*value);
    }

    auto folder = [&](const std::string& v) { return v.empty() ? DocPath : v; };
    s.InitPathRep = folder(values[0]);
    s.InitPathDB = folder(values[1]);
    s.InitPathWLK = folder(values[2]);
    s.Rep_Name = cut(values[3], kRepNameMax);
    s.Rep_City = cut(values[4], kRepCityMax);
    s.Rep_State = cut(values[5], kRepStateMax);
    s.Rep_Elev = cut(values[6], kRepElevMax);
    s.Rep_Lat = cut(values[7], kRepLatMax);
    s.Rep_Long = cut(values[8], kRepLongMax);
    for (std::size_t i = 0; i < s.FileList.size(); ++i) s.FileList[i] = values[9 + i];
    for (char& c : protocol) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    s.Protocol = protocol.empty() ? std::string(kProtocolFtp) : protocol;
    s.KeyFile = key_file;
    s.CaFile = ca_file;
    s.PinnedKey = pinned_key;
    s.AtomicUpload = atomic == "0" ? 0 : 1;
    s.WebUpload = web_upload == "1" ? 1 : 0;
    s.WebFolder = web_folder;
    return port;
}

void read_dat_bytes(std::string_view bytes, const std::string& port, Settings& s)
{
    // Fields past the end of a short file keep their reset values; bytes past 342 mean nothing.
    Record record = reset_record();
    if (!bytes.empty())
        std::memcpy(record.data(), bytes.data(), std::min(bytes.size(), record.size()));
    apply_dat_record(record, s);

    if (auto minutes = IntervMin(s.Interval)) s.IntervMin = *minutes;
    if (valid_port(port)) s.FtpPort = port;
    if (s.FtpPort.empty()) s.FtpPort = "21";
    if (s.RemotePath.empty()) s.RemotePath = "/";
}

int read_conf(Owner* owner, int count, const std::string& DocPath, Settings& s)
{
    const std::string conf_path = DocPath + kConfFile;
    std::string text;
    if (!read_whole(conf_path, text)) {
        tell(owner, "Error", strf("%s: Error opening file", conf_path.c_str()), Icon::error);
        return 1;
    }
    const std::string port = read_conf_text(text, count, DocPath, s);
    apply_dat_record(reset_record(), s);

    const std::string dat_path = DocPath + kDatFile;
    std::string bytes;
    if (!read_whole(dat_path, bytes)) {
        tell(owner, "Error", strf("%s: Error opening file", dat_path.c_str()), Icon::error);
        return 1;
    }
    read_dat_bytes(bytes, port, s);
    return 0;
}

std::string conf_text(Settings& s)
{
    std::string conf;
    auto line = [&conf](const std::string& text) { conf += text + "\r\n"; };
    line("<!-- Output Report Path -->");
    line("<path>" + s.InitPathRep + "</path>");
    line("");
    line("<!-- DB Path -->");
    line("<pathDB>" + s.InitPathDB + "</pathDB>");
    line("");
    line("<!-- WLK Path -->");
    line("<pathWLK>" + s.InitPathWLK + "</pathWLK>");
    line("");
    line("<Name>" + RTrim(s.Rep_Name) + "</Name>");
    line("<City>" + RTrim(s.Rep_City) + "</City>");
    line("<State>" + RTrim(s.Rep_State) + "</State>");
    line("<Elev>" + RTrim(s.Rep_Elev) + "</Elev>");
    line("<Lat>" + RTrim(s.Rep_Lat) + "</Lat>");
    line("<Long>" + RTrim(s.Rep_Long) + "</Long>");
    line("");
    for (std::size_t i = 0; i < s.FileList.size(); ++i)
        line(strf("<File%zu>", i + 1) + s.FileList[i] + strf("</File%zu>", i + 1));
    if (!port_fits(s.FtpPort)) line("<Port>" + s.FtpPort + "</Port>");
    auto element = [&line](const char* name, const std::string& value) {
        line(strf("<%s>", name) + value + strf("</%s>", name));
    };
    if (!s.Protocol.empty() && s.Protocol != kProtocolFtp) element(kProtocolElement, s.Protocol);
    if (!s.KeyFile.empty()) element(kKeyFileElement, s.KeyFile);
    if (!s.CaFile.empty()) element(kCaFileElement, s.CaFile);
    if (!s.PinnedKey.empty()) element(kPinnedKeyElement, s.PinnedKey);
    if (s.AtomicUpload == 0) element(kAtomicUploadElement, "0");
    if (s.WebUpload != 0) element(kWebUploadElement, "1");
    if (!s.WebFolder.empty()) element(kWebFolderElement, s.WebFolder);
    return conf;
}

int write_conf(Owner* owner, const std::string& folder, Settings& s)
{
    const bool conf_ok = replace_file(owner, folder + kConfFile, conf_text(s));

    const Record record = dat_record(s);
    const std::string_view bytes(reinterpret_cast<const char*>(record.data()), record.size());
    const bool dat_ok = replace_file(owner, folder + kDatFile, bytes);
    return conf_ok && dat_ok ? 0 : 1;
}

}  // namespace nimbora
