#include "reports/requests.h"

#include "config/format.h"
#include "reports/ReportRange.h"

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

std::string digits(const Ymd& d)
{
    return strf("%04d%02d%02d", d.year, d.month, d.day);
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
    if (mese.empty()) return attention("No year/month selected.");
    job.Table = "DatiMeteo";
    job.Year = control_text(year, 4);
    job.Month = mese;
    job.Decades = decades ? 1 : 0;
    job.WindDetail = wind_detail && wind_detail_allowed(job.settings) ? 1 : 0;
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
    job.Year = strf("%d", now.year);
    job.Month = strf("%d", now.month);
    job.Decades = decades ? 1 : 0;
    job.WindDetail = wind_detail && wind_detail_allowed(job.settings) ? 1 : 0;
}

std::optional<Refusal> annual_request(ReportJob& job, std::string_view year)
{
    std::string anno = control_text(year, 4);
    if (anno.empty()) return attention("No year selected.");
    job.Year = std::move(anno);
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
    std::string year = c.all_time ? std::string(kAllTimeYear) : control_text(c.year, 4);
    if (year.empty()) return attention("Nothing selected.");
    job.Year = std::move(year);
    job.DateFrom = control_text(c.first_record, 10);
    job.DateTo = control_text(c.last_record, 10);
    return std::nullopt;
}

std::string record_day(std::string_view record)
{
    return control_text(record, 10);
}

std::optional<Refusal> date_range_request(ReportJob& job, std::string_view first,
                                          std::string_view last, const Ymd& start, const Ymd& end)
{
    const std::string from = digits(start), to = digits(end);
    if (auto problem = check_date_range(ordered_date(first), ordered_date(last), from, to))
        return Refusal{"Error", *problem, Icon::error};
    job.Table = "DatiMeteo";
    job.DateFrom = from;
    job.DateTo = to;
    return std::nullopt;
}

void load_request(ReportJob& job, std::vector<std::string> selected, bool reload)
{
    job.Reload = reload ? '1' : '0';
    job.Files = std::move(selected);
}

}  // namespace nimbora
