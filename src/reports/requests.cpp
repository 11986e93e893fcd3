// SPDX-License-Identifier: GPL-3.0-or-later
#include "reports/requests.h"

#include "config/format.h"
#include "reports/ReportRange.h"

#include <algorithm>
#include <cstddef>
#include <utility>

namespace nimbora {
namespace {

// A dialog's own refusal of an incomplete choice.
Refusal attention(const char* text)
{
    return {"Attention", text, Icon::warning};
}

// "DD/MM/YYYY..." as "YYYYMMDD"; what is missing of a short text stays missing.
std::string ordered_date(std::string_view text)
{
    auto part = [text](std::size_t from, std::size_t count) {
        return from < text.size() ? std::string(text.substr(from, count)) : std::string();
    };
    return part(6, 4) + part(3, 2) + part(0, 2);
}

// A year list's text as a number: exactly four digits, as year_text writes it back; empty for
// anything else.
std::optional<int> year_number(std::string_view text)
{
    if (text.size() != 4 || text.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    int year = 0;
    for (char c : text) year = year * 10 + (c - '0');
    return year;
}

}  // namespace

std::string control_text(std::string_view text, std::size_t max)
{
    return std::string(text.substr(0, max));
}

bool wind_detail_allowed(const Settings& s)
{
    return s.column(kWind);
}

std::optional<Refusal> monthly_request(ReportJob& job, std::string_view year,
                                       std::string_view month, bool decades, bool wind_detail)
{
    const std::string mese = control_text(month, 9);
    const auto anno = year_number(control_text(year, 4));
    if (mese.empty() || !anno) return attention("No year/month selected.");
    const auto name = std::find(mesi.begin(), mesi.end(), mese);
    if (name == mesi.end()) return Refusal{"Report", "Not a month: " + mese, Icon::error};
    job.Table = "DatiMeteo";
    job.year = *anno;
    job.month = static_cast<int>(name - mesi.begin()) + 1;
    job.decades = decades;
    job.wind_detail = wind_detail && wind_detail_allowed(job.settings);
    job.Db = nullptr;
    return std::nullopt;
}

std::string current_month_title(const LocalTime& now)
{
    const int m = now.month >= 1 && now.month <= 12 ? now.month : 1;
    return strf("%s %d", mesi[static_cast<std::size_t>(m - 1)], now.year);
}

void current_month_request(ReportJob& job, const LocalTime& now, bool decades, bool wind_detail)
{
    job.Table = "TempMeteo";
    job.year = now.year;
    job.month = now.month;
    job.decades = decades;
    job.wind_detail = wind_detail && wind_detail_allowed(job.settings);
}

std::optional<Refusal> annual_request(ReportJob& job, std::string_view year)
{
    const auto anno = year_number(control_text(year, 4));
    if (!anno) return attention("No year selected.");
    job.year = *anno;
    return std::nullopt;
}

bool statistics_choices_enabled(bool all_time)
{
    return !all_time;
}

bool statistics_monthly_detail(const StatisticsChoice& c)
{
    return !c.all_time && c.monthly_detail;
}

std::optional<Refusal> statistics_request(ReportJob& job, const StatisticsChoice& c)
{
    const std::string year = c.all_time ? std::string(kAllTimeYear) : control_text(c.year, 4);
    const auto anno = year_number(year);
    if (!anno) return attention("Nothing selected.");
    job.year = *anno;
    job.all_time = year == kAllTimeYear;
    job.first_record_day = control_text(c.first_record, 10);
    job.last_record_day = control_text(c.last_record, 10);
    return std::nullopt;
}

std::string record_day(std::string_view record)
{
    return control_text(record, 10);
}

std::optional<Refusal> date_range_request(ReportJob& job, std::string_view first,
                                          std::string_view last, const Ymd& start, const Ymd& end)
{
    if (auto problem = check_date_range(ordered_date(first), ordered_date(last), ymd_digits(start),
                                        ymd_digits(end)))
        return Refusal{"Error", *problem, Icon::error};
    job.Table = "DatiMeteo";
    job.from = start;
    job.to = end;
    return std::nullopt;
}

void load_request(ReportJob& job, std::vector<std::string> selected, bool reload)
{
    job.reload = reload;
    job.Files = std::move(selected);
}

}  // namespace nimbora
