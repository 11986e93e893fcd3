// SPDX-License-Identifier: GPL-3.0-or-later
// layout.h: what every report shares: the header block, the units line, the column headings
// and separators of the daily and the monthly-row layouts, the detail cells, the reading of
// query cells and the day counts. The job's start and end are
// ReportFrame's (reports/frame.h).
#pragma once

#include "config/Db.h"
#include "config/Settings.h"
#include "config/TextWriter.h"
#include "config/UnitConvert.h"
#include "jobs/ReportJob.h"

#include <array>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace nimbora {

// The optional columns in the order rows print them (not the order of their flags).
inline constexpr std::array<int, 15> kColumnOrder = {
    kTemperature, kTempRange, kDewPoint, kHeatIndex, kWindChill, kHumidity, kPressure, kSolarRad,
    kET,          kUV,        kRainRate, kRain,      kWind,      kWindRun,  kSamples};

// The daily layout (a row per day) or the monthly-row layout (a row per month).
enum class Layout { daily, monthly };

// A query cell as a number, read from SQLite's text as the C library reads it; an empty
// (NULL) cell reads 0.
double num(const std::string& cell);
int inum(const std::string& cell);
// A real number as SQLite writes it as text ("%!.15g"), so that a figure computed in the
// program prints as a query's text of it would have printed.
std::string sqlite_text(double v);

// The header block: the title line (with its two line ends), NAME/CITY/STATE, ELEV/LAT/LONG.
void write_header(TextWriter& out, const Settings& s, const std::string& title);
// The units line and the three line ends after it.
void write_units(TextWriter& out, const Settings& s, const Units& u, Layout layout);
// Heading lines 1 and 2 and the separator of the columns that are on.
void write_headings(TextWriter& out, const Settings& s, Layout layout);
// The same with other row-label cells: `label1` and `label2` begin the heading lines, and as
// many dashes as `label1` is wide begin the separator.
void write_headings(TextWriter& out, const Settings& s, Layout layout, std::string_view label1,
                    std::string_view label2);
// The width of a column's cells, headings and dashes in a layout; 0 when the layout has no
// such column.
std::size_t column_width(int column, Layout layout);
// The separator of the daily layout, and of the monthly-row layout; each ends the line.
void StampaRiga(TextWriter& out, const Settings& s);
void StampaRigaY(TextWriter& out, const Settings& s);

// A cell of `value` in a unit format (`spec` with its two leading blanks) between two blanks.
void spec_cell(TextWriter& out, const std::string& spec, double value);
// The AVG, MIN and MAX pressure cells of stored values, in the display unit.
void pressure_cells(TextWriter& out, const Units& u, double avg, double min, double max);

// The cell printed for a stored time: a leading '0' dropped (07:15 prints 7:15, 00:00 stays),
// then "24:00" as "00:00".
std::string report_time(std::string time);

// A unit format without its two leading blanks ("  %6.1f" -> "%6.1f").
std::string bare_spec(const std::string& spec);

// The table a report reads: "DatiMeteo" or "TempMeteo", whatever the letter case; the only
// text ever placed in a statement. Empty for anything else.
std::optional<std::string> report_table(std::string_view table);

// The days on or beyond the thresholds of the day-count tables, in the order they print.
struct DayCounts {
    int max25 = 0, max30 = 0, min0 = 0, max0 = 0;  // stored degrees Celsius
    int rain1 = 0, rain2 = 0, rain3 = 0;           // > .2, >= 1, > 20 mm; > .01, >= .039, > 1 in

    // Counts one day by its highest and lowest temperature (stored degrees Celsius) and its
    // rain (stored millimetres). With UnitRain 0 the rain thresholds are millimetres; otherwise
    // they apply to rain * RainFatt.
    void count(double high, double low, double rain, const Settings& s, const Units& u);
    DayCounts& operator+=(const DayCounts& other);
};

// The connection a report works on: job.Db when the caller lent one (left open), else the
// station's database, opened here and closed with the result. Empty when it could not be
// opened (the owner was told).
std::optional<Db> report_db(const ReportJob& job);

}  // namespace nimbora
