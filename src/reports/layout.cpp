// SPDX-License-Identifier: GPL-3.0-or-later
#include "reports/layout.h"

#include "config/format.h"
#include "config/function.h"
#include "config/schema.h"
#include "config/stations.h"

#include <sqlite3.h>

#include <cctype>
#include <cstdlib>

namespace nimbora {
namespace {

struct ColumnText {
    const char* head1;
    const char* head1_monthly;  // when the monthly-row layout differs
    const char* head2;
    const char* head2_monthly;
    int dashes, dashes_monthly;  // 0 in the monthly layout: the column is not there
};

// Indexed by the column's flag; every heading text has exactly its column's width.
constexpr ColumnText kColumns[kReportColumns] = {
    /* Temperature */ {"            TEMPERATURE             ", nullptr,
                       "  AVG    MIN    TIME   MAX    TIME  ",
                       "  AVG    MIN    DATE   MAX    DATE  ", 36, 36},
    /* Dew Point */ {"      DEW POINT       ", nullptr, "  AVG    MIN    MAX   ", nullptr, 22, 22},
    /* Heat Index */ {"      HEAT INDEX      ", nullptr, "  AVG    MIN    MAX   ", nullptr, 22, 22},
    /* Wind Chill */ {"      WIND CHILL      ", nullptr, "  AVG    MIN    MAX   ", nullptr, 22, 22},
    /* Rel. Humidity */
    {"    REL. HUMIDITY     ", nullptr, "  AVG    MIN    MAX   ", nullptr, 22, 22},
    /* Pressure */
    {"        PRESSURE        ", nullptr, "  AVG     MIN     MAX   ", nullptr, 24, 24},
    /* Solar Radiation */ {"   SOLAR RAD.   ", nullptr, "  AVG     MAX   ", nullptr, 16, 16},
    /* ET */ {"        ", nullptr, "   ET   ", nullptr, 8, 8},
    /* UV */ {"        ", nullptr, "   UV   ", nullptr, 8, 8},
    /* Rain Rate */ {"  RAIN  ", nullptr, "  RATE  ", nullptr, 8, 8},
    /* Rain */ {"        ", nullptr, "  RAIN  ", nullptr, 8, 8},
    /* Wind */
    {"         WIND           DOM   ", nullptr, "  AVG    MAX    GUST    DIR   ", nullptr, 30, 30},
    /* Wind Run: one dash more than its heading in the monthly-row layout */
    {"   WIND ", nullptr, "   RUN  ", nullptr, 8, 9},
    /* N. Samples */ {"    N. ", nullptr, "  SAMP ", nullptr, 7, 0},
    /* Temperature Range */
    {" TEMP  ", "      TEMP RANGE      ", " RANGE ", "  AVG    MIN    MAX   ", 7, 22},
};

bool shown(const Settings& s, int column, Layout layout)
{
    return s.column(column) && (layout == Layout::daily || kColumns[column].dashes_monthly > 0);
}

void separator(TextWriter& out, const Settings& s, Layout layout, std::size_t label = 4)
{
    std::string line(label, '-');
    for (int c : kColumnOrder)
        if (shown(s, c, layout)) line.append(column_width(c, layout), '-');
    out.line(line);
}

}  // namespace

std::size_t column_width(int column, Layout layout)
{
    const ColumnText& t = kColumns[column];
    return static_cast<std::size_t>(layout == Layout::daily ? t.dashes : t.dashes_monthly);
}

double num(const std::string& cell)
{
    return std::atof(cell.c_str());
}

int inum(const std::string& cell)
{
    return std::atoi(cell.c_str());
}

std::string sqlite_text(double v)
{
    char buf[40];
    sqlite3_snprintf(sizeof buf, buf, "%!.15g", v);
    return buf;
}

void write_header(TextWriter& out, const Settings& s, const std::string& title)
{
    out.raw(title);
    out.rawf("NAME: %s   CITY: %s   STATE: %s\n", s.Rep_Name.c_str(), s.Rep_City.c_str(),
             s.Rep_State.c_str());
    out.rawf("ELEV: %s   LAT:  %s   LONG:  %s\n\n", s.Rep_Elev.c_str(), s.Rep_Lat.c_str(),
             s.Rep_Long.c_str());
}

void write_units(TextWriter& out, const Settings& s, const Units& u, Layout layout)
{
    const bool temperature = s.column(kTemperature) || s.column(kDewPoint) ||
                             s.column(kHeatIndex) || s.column(kWindChill) ||
                             (layout == Layout::daily && s.column(kTempRange));
    if (temperature) out.rawf("  TEMPERATURE (%s)", u.UTitle[0].c_str());
    if (s.column(kHumidity)) out.raw("  RH (%)");
    if (s.column(kPressure)) out.rawf("  PRESSURE (%s)", u.UTitle[3].c_str());
    if (s.column(kSolarRad)) out.raw("  Solar Rad(W/m^q)");
    if (s.column(kET)) out.rawf("  ET(%s)", u.UTitle[1].c_str());
    if (s.column(kRainRate) || s.column(kRain)) out.rawf("  RAIN (%s)", u.UTitle[1].c_str());
    if (s.column(kWind)) out.rawf("  WIND (%s)", u.UTitle[2].c_str());
    if (s.column(kWindRun)) out.rawf("  Wind Run(%s)", u.UTitle[4].c_str());
    out.raw("\n\n\n");
}

void write_headings(TextWriter& out, const Settings& s, Layout layout)
{
    write_headings(out, s, layout, "    ", layout == Layout::monthly ? "MO  " : "DAY ");
}

void write_headings(TextWriter& out, const Settings& s, Layout layout, std::string_view label1,
                    std::string_view label2)
{
    const bool monthly = layout == Layout::monthly;
    std::string head1(label1), head2(label2);
    for (int c : kColumnOrder) {
        if (!shown(s, c, layout)) continue;
        const ColumnText& t = kColumns[c];
        head1 += monthly && t.head1_monthly ? t.head1_monthly : t.head1;
        head2 += monthly && t.head2_monthly ? t.head2_monthly : t.head2;
    }
    out.line(head1);
    out.line(head2);
    separator(out, s, layout, label1.size());
}

void StampaRiga(TextWriter& out, const Settings& s)
{
    separator(out, s, Layout::daily);
}

void StampaRigaY(TextWriter& out, const Settings& s)
{
    separator(out, s, Layout::monthly);
}

std::string report_time(std::string time)
{
    if (!time.empty() && time[0] == '0' && time != "00:00") time.erase(0, 1);
    return TrasfTime(time);
}

std::string bare_spec(const std::string& spec)
{
    return spec.size() > 2 ? spec.substr(2) : spec;
}

std::optional<std::string> report_table(std::string_view table)
{
    auto same = [table](std::string_view name) {
        if (table.size() != name.size()) return false;
        for (std::size_t i = 0; i < name.size(); ++i)
            if (std::tolower(static_cast<unsigned char>(table[i])) !=
                std::tolower(static_cast<unsigned char>(name[i])))
                return false;
        return true;
    };
    if (same("DatiMeteo")) return std::string("DatiMeteo");
    if (same("TempMeteo")) return std::string("TempMeteo");
    return std::nullopt;
}

void spec_cell(TextWriter& out, const std::string& spec, double value)
{
    out.raw(" ");
    out.value(bare_spec(spec), value);
    out.raw(" ");
}

void pressure_cells(TextWriter& out, const Units& u, double avg, double min, double max)
{
    const std::string spec = bare_spec(u.PSpec);
    out.raw(" ");
    out.value(spec, avg * u.BarFatt);
    out.raw("  ");
    out.value(spec, min * u.BarFatt);
    out.raw("  ");
    out.value(spec, max * u.BarFatt);
    out.raw(" ");
}

void DayCounts::count(double high, double low, double rain, const Settings& s, const Units& u)
{
    if (high >= 25) ++max25;
    if (high >= 30) ++max30;
    if (low < 0) ++min0;
    if (high < 0) ++max0;
    if (s.UnitRain == 0) {
        if (rain > 0.2) ++rain1;
        if (rain >= 1.0) ++rain2;
        if (rain > 20.0) ++rain3;
    } else {
        const double inches = rain * u.RainFatt;
        if (inches > 0.01) ++rain1;
        if (inches >= 0.039) ++rain2;
        if (inches > 1.0) ++rain3;
    }
}

DayCounts& DayCounts::operator+=(const DayCounts& other)
{
    max25 += other.max25;
    max30 += other.max30;
    min0 += other.min0;
    max0 += other.max0;
    rain1 += other.rain1;
    rain2 += other.rain2;
    rain3 += other.rain3;
    return *this;
}

std::optional<Db> report_db(const ReportJob& job)
{
    if (job.Db) return Db::borrow(job.Db);
    return Db::open(job.hOwner, job.settings.InitPathDB + kDbFile);
}

}  // namespace nimbora
