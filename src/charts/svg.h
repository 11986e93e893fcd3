// svg.h: a series drawn as an SVG document (UTF-8, SVG Tiny 1.2: presentation attributes only,
// no style sheet, no filters), the same bytes for the same series.
#pragma once

#include "charts/series.h"

#include <string>

namespace nimbora {

// "February 2012", "2012", "01/02/2012 - 10/02/2012" or, for a span of hours,
// "05/02/2012 13:46 - 06/02/2012 13:45" (with an en dash).
std::string span_label(const ChartSpan& span);

// The chart of `series`: a `viewBox` of 800 x 400 without a fixed size, a <title> and <desc>,
// axes with their units, a legend, and a <title> on every point or bar with its date (and time)
// and its figures as the reports print them.
std::string chart_svg(const Series& series, const Units& u);

}  // namespace nimbora
