// layout.h: what every report shares: the job's start and end, the header block, the units
// line, the column headings and separators of the daily and the monthly-row layouts, the
// detail cells, and the reading of query cells.
#pragma once

#include "config/Db.h"
#include "config/Settings.h"
#include "config/TextWriter.h"
#include "config/UnitConvert.h"
#include "jobs/ReportJob.h"

#include <array>
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
// The separator of the daily layout, and of the monthly-row layout; each ends the line.
void StampaRiga(TextWriter& out, const Settings& s);
void StampaRigaY(TextWriter& out, const Settings& s);

// The cell printed for a stored time: a leading '0' dropped (07:15 prints 7:15, 00:00 stays),
// then "24:00" as "00:00".
std::string report_time(std::string time);

// A unit format without its two leading blanks ("  %6.1f" -> "%6.1f").
std::string bare_spec(const std::string& spec);

// The table a report reads: "DatiMeteo" or "TempMeteo", whatever the letter case; the only
// text ever placed in a statement. Empty for anything else.
std::optional<std::string> report_table(std::string_view table);

// The start and end of a report job on its owner: busy cursor, menus greyed, "Please wait...";
// then the reverse and an empty status.
class ReportProgress {
public:
    explicit ReportProgress(Owner* owner);
    ~ReportProgress();
    ReportProgress(const ReportProgress&) = delete;
    ReportProgress& operator=(const ReportProgress&) = delete;

private:
    Owner* owner_;
};

}  // namespace nimbora
