// SPDX-License-Identifier: GPL-3.0-or-later
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

// Where a chart draws, in the viewBox's units: the plot (the time axis runs from its left to
// its right edge) and the wind rose's centre and outer radius.
inline constexpr double kChartWidth = 800, kChartHeight = 400;
inline constexpr double kPlotLeft = 70, kPlotRight = 730, kPlotTop = 50, kPlotBottom = 320;
inline constexpr double kRoseX = 230, kRoseY = 215, kRoseRadius = 150;

// The text of a point's <title>: its date (and time) and its figures as the reports print them.
std::string point_title(const Series& series, const Units& u, const Point& p);
// The point drawn nearest to `x` (viewBox units) on the time axis; none without points or
// outside the plot.
std::optional<std::size_t> point_near(const Series& series, double x);
// A wind rose direction's share and its speed classes' shares, "NNE: 5.3 % (...)".
std::string direction_title(const Series& series, const Units& u, std::size_t direction);

}  // namespace nimbora
