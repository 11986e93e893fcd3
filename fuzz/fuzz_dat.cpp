// SPDX-License-Identifier: GPL-3.0-or-later
// fuzz_dat.cpp: walks arbitrary bytes through the reader of "nimbrep.dat" (any length, as a
// damaged or foreign file may have) and through the password's unscrambling, and traps on
// what such a file must never cause: a read outside the record (the sanitizers catch those),
// a text longer than its field, a password of more than 60 characters, settings that do not
// survive being written and read again, or a scrambled password that does not read back.
#include "config/read_conf.h"

#include <algorithm>
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

bool same_dat_settings(const Settings& a, const Settings& b)
{
    return a.ReportChk == b.ReportChk && a.UnitTemp == b.UnitTemp && a.UnitRain == b.UnitRain &&
           a.UnitWind == b.UnitWind && a.UnitBar == b.UnitBar &&
           a.TransferEnabled == b.TransferEnabled && a.Passive == b.Passive &&
           a.FtpHost == b.FtpHost && a.FtpPort == b.FtpPort && a.User == b.User && a.Pwd == b.Pwd &&
           a.RemotePath == b.RemotePath && a.Interval == b.Interval && a.TimeStart == b.TimeStart &&
           a.ReportUpload == b.ReportUpload;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    // The file as read_conf reads it, with no Port element and with one taken from the tail.
    Settings s;
    read_dat_bytes(bytes, "", s);
    check(s.FtpHost.size() <= kFtpHostMax + 1 && s.User.size() <= kUserMax + 1 &&
          s.RemotePath.size() <= kRemotePathMax + 1 && s.Pwd.size() <= kPwdMax);
    check(!s.FtpPort.empty() && s.FtpPort.size() <= 3 && !s.RemotePath.empty());
    const std::string tail(bytes.substr(std::min(bytes.size(), kDatSize)).substr(0, 8));
    Settings with_port;
    read_dat_bytes(bytes, tail, with_port);
    check(with_port.FtpPort == s.FtpPort || with_port.FtpPort == tail);

    // Written and read again, the settings settle after one round: the second record reads
    // back to the same settings byte for byte, and writes the same record.
    std::array<unsigned char, kDatSize> record{};
    std::copy_n(data, std::min(size, kDatSize), record.begin());
    Settings first;
    apply_dat_record(record, first);
    Settings second;
    apply_dat_record(dat_record(first), second);
    Settings third;
    const auto second_record = dat_record(second);
    apply_dat_record(second_record, third);
    check(same_dat_settings(second, third));
    check(dat_record(third) == second_record);

    // Any stored password unscrambles to at most 60 characters, and scrambling those gives
    // the same text back.
    Scrambled scrambled{};
    std::copy_n(data, std::min(size, scrambled.size()), scrambled.begin());
    const std::string plain = Decrypt(scrambled);
    check(plain.size() <= kPwdMax && plain.size() == std::min<std::size_t>(scrambled[60], kPwdMax));
    check(Decrypt(Crypt(plain)) == plain);
    // Any typed password of up to 60 characters survives the scrambling.
    const std::string typed(bytes.substr(0, kPwdMax));
    check(Decrypt(Crypt(typed)) == typed);
    return 0;
}
