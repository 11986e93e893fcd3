#include "reports/GlobalRep.h"

namespace nimbora {

int GlobalReport(ReportJob& job)
{
    BusyClaim busy = std::move(job.busy);
    tell(job.hOwner, "Report", "The global report is not built yet", Icon::error);
    return 1;
}

}  // namespace nimbora
