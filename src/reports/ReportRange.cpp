#include "reports/ReportRange.h"

namespace nimbora {

int ReportRange(ReportJob& job)
{
    BusyClaim busy = std::move(job.busy);
    tell(job.hOwner, "Report", "The date range report is not built yet", Icon::error);
    return 1;
}

std::string range_file_name(const std::string& from, const std::string& to)
{
    const auto ddmmyyyy = [](const std::string& d) {
        return d.size() == 8 ? d.substr(6, 2) + d.substr(4, 2) + d.substr(0, 4) : d;
    };
    return "Report " + ddmmyyyy(from) + "-" + ddmmyyyy(to) + ".txt";
}

std::optional<std::string> check_date_range(const std::string&, const std::string&,
                                            const std::string&, const std::string&)
{
    return std::nullopt;
}

}  // namespace nimbora
