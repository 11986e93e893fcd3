// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/WlkWriter.h"

#include "config/file_open.h"

#include <cstring>
#include <stdexcept>
#include <utility>

namespace nimbora {
namespace {

void check_day(int day)
{
    if (day < 0 || day >= kWlkIndexDays) throw std::invalid_argument("WLK day outside 0..31");
}

void append(std::string& out, const auto& bytes)
{
    out.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

}  // namespace

WlkWriter& WlkWriter::add_day(int day, std::vector<WlkArchiveRecord> records)
{
    check_day(day);
    if (records.size() > static_cast<std::size_t>(kMaxDayRecords))
        throw std::invalid_argument("too many records for one WLK day");
    days_[day].present = true;
    days_[day].records = std::move(records);
    return *this;
}

WlkWriter& WlkWriter::set_index_count(int day, std::int16_t count)
{
    check_day(day);
    days_[day].count = count;
    return *this;
}

WlkWriter& WlkWriter::set_identification(std::string_view text)
{
    identification_ = std::string(text.substr(0, kWlkIdSize));
    return *this;
}

std::string WlkWriter::bytes() const
{
    WlkHeader header;
    std::memcpy(header.identification.data(), identification_.data(), identification_.size());
    std::size_t records = 0;
    int first = 0;  // of the day, counted from the first record after the header
    for (int d = 0; d < kWlkIndexDays; ++d) {
        const Day& day = days_[d];
        const int written = day.present ? static_cast<int>(day.records.size()) + 2 : 0;
        header.days[d].count = day.count.value_or(static_cast<std::int16_t>(written));
        header.days[d].unused = day.present ? static_cast<std::uint32_t>(first) : 0;
        first += written;
        records += day.records.size();
    }

    std::string out;
    out.reserve(kWlkHeaderSize + (records + 2 * kWlkIndexDays) * kWlkRecordSize);
    append(out, encode_header(header));
    WlkRecordBytes leading[kWlkLeadingRecords] = {};
    leading[0][0] = 2;
    leading[1][0] = 3;
    for (const Day& day : days_) {
        if (!day.present) continue;
        for (const WlkRecordBytes& l : leading) append(out, l);
        for (const WlkArchiveRecord& r : day.records) append(out, encode_record(r));
    }
    return out;
}

bool WlkWriter::write(const std::string& path) const
{
    return replace_file(nullptr, path, bytes());
}

}  // namespace nimbora
