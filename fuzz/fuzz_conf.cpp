// SPDX-License-Identifier: GPL-3.0-or-later
// fuzz_conf.cpp: walks arbitrary text through the reader of "nimbrep.conf" and traps on what a
// damaged or hand-edited file must never cause: a read outside the text (the sanitizers catch
// those), an empty folder, a description longer than its setting holds, an upload-list entry
// that spans lines or keeps a '<', a Port element that is not a whole element of one line, or a
// secure-upload element (Protocol, KeyFile, CaFile, PinnedKey, AtomicUpload) that does not read
// back as written.
// The first byte picks how many elements are matched, as the callers' counts do.
#include "config/read_conf.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

using namespace nimbora;

void check(bool ok)
{
    if (!ok) __builtin_trap();
}

// A value comes from within one line and runs to the next '<': it can hold neither.
bool one_line_value(const std::string& v)
{
    return v.find('\n') == std::string::npos && v.find('<') == std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) return 0;
    const int count = static_cast<int>(data[0] % (kConfEntries + 3)) - 1;  // -1 .. 20
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::string DocPath = "/station/";

    Settings s;
    const std::string port = read_conf_text(text, count, DocPath, s);
    check(!s.InitPathRep.empty() && !s.InitPathDB.empty() && !s.InitPathWLK.empty());
    check(s.Rep_Name.size() <= kRepNameMax && s.Rep_City.size() <= kRepCityMax &&
          s.Rep_State.size() <= kRepStateMax && s.Rep_Elev.size() <= kRepElevMax &&
          s.Rep_Lat.size() <= kRepLatMax && s.Rep_Long.size() <= kRepLongMax);
    for (const std::string* v : {&s.InitPathRep, &s.InitPathDB, &s.InitPathWLK, &s.Rep_Name,
                                 &s.Rep_City, &s.Rep_State, &s.Rep_Elev, &s.Rep_Lat, &s.Rep_Long})
        check(one_line_value(*v));
    for (const std::string& f : s.FileList) check(one_line_value(f) && f.size() < text.size() + 1);
    check(one_line_value(port));
    for (const std::string* v : {&s.Protocol, &s.KeyFile, &s.CaFile, &s.PinnedKey})
        check(one_line_value(*v));
    check(!s.Protocol.empty() && (s.AtomicUpload == 0 || s.AtomicUpload == 1));
    // Elements not matched keep the folder default and leave the rest empty.
    if (count <= 0) check(s.InitPathRep == DocPath && s.Rep_Name.empty());

    // The port then settles as read_conf settles it: a valid Port element, the record's field
    // or "21", never empty; an empty record leaves the remote folder at "/".
    read_dat_bytes({}, port, s);
    check(!s.FtpPort.empty() && s.RemotePath == "/");

    // A file written for these settings reads back to the same folders, description and list
    // whenever their texts could be written at all (one line, no '<').
    Settings again;
    const std::string written = conf_text(s);
    const std::string port_back = read_conf_text(written, kConfEntries, DocPath, again);
    check(again.InitPathRep == s.InitPathRep && again.InitPathDB == s.InitPathDB &&
          again.InitPathWLK == s.InitPathWLK);
    for (std::size_t i = 0; i < s.FileList.size(); ++i) check(again.FileList[i] == s.FileList[i]);
    check(port_back.empty() == (s.FtpPort.size() <= kFtpPortMax));
    check(again.Protocol == s.Protocol && again.KeyFile == s.KeyFile && again.CaFile == s.CaFile &&
          again.PinnedKey == s.PinnedKey && again.AtomicUpload == s.AtomicUpload);
    return 0;
}
