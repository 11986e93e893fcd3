// SPDX-License-Identifier: GPL-3.0-or-later
// Settings.h: one station's settings, as held in "nimbrep.conf" and "nimbrep.dat".
#pragma once

#include "config/version.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace nimbora {

inline constexpr const char* Version = "Nimbora";  // title prefix, tray tip, captions
// The running version as the update check compares it: MAJOR.MINOR of the project's version.
inline constexpr const char* nVer = kVersionShort;

inline constexpr int kReportColumns = 15;  // ReportChk bytes 0..14 are used
inline constexpr int kFileListSize = 10;

// Longest text each setting holds; the binary fields are one byte longer (their NUL).
inline constexpr std::size_t kRepNameMax = 30, kRepCityMax = 30, kRepStateMax = 30,
                             kRepElevMax = 20, kRepLatMax = 25, kRepLongMax = 25;
inline constexpr std::size_t kFtpHostMax = 60, kFtpPortMax = 2, kUserMax = 60, kPwdMax = 60,
                             kRemotePathMax = 100, kIntervalMax = 14, kTimeStartMax = 5;
inline constexpr std::size_t kPathMax = 259;
// The port setting accepts 1..65535; the binary field holds only kFtpPortMax characters, and
// a longer port is kept in "nimbrep.conf" as well (see read_conf.h).
inline constexpr int kFtpPortLast = 65535;
inline constexpr std::size_t kFtpPortDigits = 5;

// ReportChk byte of each optional column.
enum Column : int {
    kTemperature = 0,
    kDewPoint = 1,
    kHeatIndex = 2,
    kWindChill = 3,
    kHumidity = 4,
    kPressure = 5,
    kSolarRad = 6,
    kET = 7,
    kUV = 8,
    kRainRate = 9,
    kRain = 10,
    kWind = 11,
    kWindRun = 12,
    kSamples = 13,
    kTempRange = 14,
};

// The upload protocols a station may use.
inline constexpr const char* kProtocolFtp = "ftp";
inline constexpr const char* kProtocolFtps = "ftps";
inline constexpr const char* kProtocolSftp = "sftp";

struct Settings {
    // "nimbrep.conf"; an empty folder element defaults to the station folder.
    std::string InitPathRep;  // reports; ends with a separator
    std::string InitPathDB;   // "NimboDB.s3db" and the import logs
    std::string InitPathWLK;  // the logger's WLK files
    std::string Rep_Name, Rep_City, Rep_State, Rep_Elev, Rep_Lat, Rep_Long;
    std::array<std::string, kFileListSize> FileList;  // full paths; the first empty one ends it

    // "nimbrep.dat"
    std::array<unsigned char, 20> ReportChk{};  // byte i == 1: column i is printed
    signed char UnitTemp = 0, UnitRain = 0, UnitWind = 0, UnitBar = 0;
    std::int32_t TransferEnabled = 0;  // 1: automatic FTP upload on
    std::int32_t Passive = 0;          // 1: passive FTP mode
    std::string FtpHost, User, Pwd, RemotePath;
    std::string FtpPort;    // decimal text; "21" when the files name none
    std::string Interval;   // one of the TimeInterval labels
    std::string TimeStart;  // "H:MM", "HH:MM" ('.' also separates)
    int ReportUpload = 0;   // 0 none, 1 current month's report, 2 the same by decades

    // "nimbrep.conf", after the upload list; each is written only when it differs from its
    // default, so a station that never set them keeps its file byte for byte.
    std::string Protocol = kProtocolFtp;  // "ftp", "ftps" (explicit TLS, required) or "sftp"
    std::string KeyFile;                  // SFTP private key (OpenSSH); empty: password login
    std::string CaFile;                   // FTPS CA bundle; empty: the system's trust store
    std::string PinnedKey;                // FTPS "sha256//BASE64" pin of a self-signed certificate
    int AtomicUpload = 1;   // 1: temporary name, then renamed; 0: the server refused it
    int WebUpload = 0;      // 1: each upload regenerates the web pages and sends what changed
    std::string WebFolder;  // the site's remote folder: empty is RemotePath itself; relative to
                            // RemotePath unless it begins with '/'

    int IntervMin = 0;  // derived from Interval: minutes between uploads, 0 = on file change

    bool column(int index) const { return ReportChk[static_cast<std::size_t>(index)] == 1; }
};

struct TimeIntervalEntry {
    const char* label;
    int minutes;
};

// The upload intervals, in the order the Internet settings offer them.
inline constexpr std::array<TimeIntervalEntry, 14> TimeInterval{{
    {"1 min.", 1},
    {"5 min.", 5},
    {"10 min.", 10},
    {"15 min.", 15},
    {"30 min.", 30},
    {"1 hr.", 60},
    {"2 hr.", 120},
    {"3 hr.", 180},
    {"4 hr.", 240},
    {"6 hr.", 360},
    {"8 hr.", 480},
    {"12 hr.", 720},
    {"1 day", 1440},
    {"on file change", 0},
}};

inline constexpr const char* kOnFileChange = "on file change";

// Minutes of the interval whose label equals `label` exactly; empty when none does.
std::optional<int> IntervMin(std::string_view label);

}  // namespace nimbora
