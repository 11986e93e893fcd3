// SPDX-License-Identifier: GPL-3.0-or-later
// csv.h: the records, or the monthly report's day figures, of a span as CSV (RFC 4180: CR LF
// line ends, a header row, fields quoted only when they hold a comma, a quote or a line end),
// UTF-8, '.' as the decimal point whatever the locale, values in the station's units with the
// reports' decimals, an empty cell for a missing value. The header names: docs/charts.md.
#pragma once

#include "charts/series.h"

#include <ostream>

namespace nimbora {

// Writes the CSV of `span` to `out`; `rows` counts the rows after the header. False, the owner
// told, when a statement failed.
bool export_csv(Owner* owner, Db& db, const Settings& s, const Units& u, const ChartSpan& span,
                bool daily, std::ostream& out, long& rows);

// The daily form's row of one day that read_days handed over, CR LF ended; false (nothing
// written) for the day of the records without a date.
bool daily_csv_row(std::ostream& out, const Units& u, const Day& d);

// The header rows, without their line end.
extern const char* const kRecordHeader;
extern const char* const kDailyHeader;

}  // namespace nimbora
