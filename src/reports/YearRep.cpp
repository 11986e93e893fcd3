#include "reports/YearRep.h"

namespace nimbora {

int YearReport(ReportJob& job)
{
    BusyClaim busy = std::move(job.busy);
    tell(job.hOwner, "Report", "The annual report is not built yet", Icon::error);
    return 1;
}

}  // namespace nimbora
