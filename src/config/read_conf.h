// SPDX-License-Identifier: GPL-3.0-or-later
// read_conf.h: a station's two settings files, "nimbrep.conf" and "nimbrep.dat".
#pragma once

#include "config/Settings.h"
#include "jobs/Owner.h"

#include <array>
#include <string>
#include <string_view>

namespace nimbora {

inline constexpr const char* kConfFile = "nimbrep.conf";
inline constexpr const char* kDatFile = "nimbrep.dat";
inline constexpr std::size_t kDatSize = 342;
inline constexpr int kConfEntries = 19;  // every caller matches lines against all of them

// A port of more than two digits does not fit the binary field: "nimbrep.dat" then holds "21"
// and "nimbrep.conf" gains the element "<Port>2121</Port>", which readers of the older layout
// skip as an unknown element. When both files were read, a valid Port element wins over the
// binary field.
inline constexpr const char* kPortElement = "Port";

// The secure-upload settings follow the same rule: each is an element after the upload list
// ("<Protocol>sftp</Protocol>", ...), written only when it differs from its default (ftp,
// empty, empty, empty, 1), and skipped by readers of the older layout. Missing or empty, each
// reads as its default; AtomicUpload reads as 0 only for "0". Protocol is kept as written
// (lower case): the upload refuses a value it does not know rather than send in clear.
inline constexpr const char* kProtocolElement = "Protocol";
inline constexpr const char* kKeyFileElement = "KeyFile";
inline constexpr const char* kCaFileElement = "CaFile";
inline constexpr const char* kPinnedKeyElement = "PinnedKey";
inline constexpr const char* kAtomicUploadElement = "AtomicUpload";

// The web pages' publishing follows the same rule (defaults 0 and empty): WebUpload reads as 1
// only for "1"; WebFolder is kept as written.
inline constexpr const char* kWebUploadElement = "WebUpload";
inline constexpr const char* kWebFolderElement = "WebFolder";

// The host keys of a station's SFTP servers, in its folder (OpenSSH's known_hosts format).
inline constexpr const char* kKnownHostsFile = "known_hosts";

// Loads both files from `DocPath` (which ends with a separator) into `s`.
// Returns 0, or 1 when either file cannot be opened (the owner hears of it):
// - no "nimbrep.conf": `s` is left exactly as it was;
// - no "nimbrep.dat": the folders and description are loaded, every "nimbrep.dat"
//   setting is reset (all columns off, units 0, upload off, texts empty).
// A short "nimbrep.dat" leaves the fields past its end reset; bytes past 342 are ignored.
// `count` is how many leading elements ("path", "pathDB", ... "File10") lines are matched
// against.
int read_conf(Owner* owner, int count, const std::string& DocPath, Settings& s);

// The two halves of read_conf over bytes already in memory, so that tests and fuzzers read
// no file. read_conf_text applies the text of "nimbrep.conf" (folders, description, upload
// list, the secure-upload elements) and returns the value of its Port element, "" without one.
// read_dat_bytes then applies the bytes of "nimbrep.dat" (any length; short is reset past its end)
// and settles IntervMin, the port (`port` when it is a valid one), "21" and "/" for empty fields.
std::string read_conf_text(std::string_view text, int count, const std::string& DocPath,
                           Settings& s);
void read_dat_bytes(std::string_view bytes, const std::string& port, Settings& s);

// Whether "nimbrep.conf" can hold `text` as a value (a folder, a description, an upload-list
// entry): a '<' ends the value early and a line break ends its line, so such a value would not
// read back, and a line break could even add a line the reader takes for another setting.
bool conf_can_hold(std::string_view text);

// Writes both files into `folder` (ending with a separator), each replaced whole or not at
// all. Trims trailing blanks off the six station-description settings in `s` itself.
// Returns 1 when either file could not be written (a full disk leaves the previous file whole),
// else 0; each failure is reported to the owner, and one with "nimbrep.conf" does not stop
// "nimbrep.dat".
int write_conf(Owner* owner, const std::string& folder, Settings& s);

// The text of "nimbrep.conf" for `s`, CR LF line ends; trims the description as write_conf.
std::string conf_text(Settings& s);

using Scrambled = std::array<unsigned char, 61>;

// The password as stored: scrambled bytes from 0, the length (at most 60) in byte 60.
// Characters past the 60th are not stored.
Scrambled Crypt(std::string_view plain);
// The password back; the length byte is trusted only up to 60.
std::string Decrypt(const Scrambled& scrambled);

// Removes trailing blanks (' ') in place and returns the text.
std::string& RTrim(std::string& text);

// The record of "nimbrep.dat" as written for `s`, and `s` updated from a record: exposed
// so that tests and tools can check the layout byte by byte.
std::array<unsigned char, kDatSize> dat_record(const Settings& s);
void apply_dat_record(const std::array<unsigned char, kDatSize>& record, Settings& s);

}  // namespace nimbora
