// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobs/ReportJob.h"

#include "config/format.h"
#include "config/function.h"

#include <cstddef>

namespace nimbora {

std::string year_text(int year)
{
    return strf("%04d", year);
}

std::string month_name(int month)
{
    return month >= 1 && month <= 12 ? mesi[static_cast<std::size_t>(month - 1)] : "";
}

std::string ymd_digits(const Ymd& d)
{
    return strf("%04d%02d%02d", d.year, d.month, d.day);
}

}  // namespace nimbora
