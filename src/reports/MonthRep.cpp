#include "reports/MonthRep.h"

#include "config/file_open.h"
#include "config/format.h"
#include "config/function.h"
#include "config/stations.h"
#include "reports/layout.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace nimbora {
namespace {

constexpr const char* kDecadeClause[3] = {"and (day >= '01' and day <= '10')",
                                          "and (day >= '11' and day <= '20')",
                                          "and (day >= '21' and day <= '31')"};

// The daily quantities summed for the AVG row and the decades, whose extremes make the MIN
// and MAX rows. Held in stored units, except the range (display units).
enum Q {
    kTAvg,
    kTMin,
    kTMax,
    kDAvg,
    kDMin,
    kDMax,
    kHAvg,
    kHMin,
    kHMax,
    kCAvg,
    kCMin,
    kCMax,
    kRhAvg,
    kRhMin,
    kRhMax,
    kPAvg,
    kPMin,
    kPMax,
    kSAvg,
    kSMax,
    kRange,
    kSpAvg,
    kSpMax,
    kGust,
    kQuantities
};
using Quantities = std::array<double, kQuantities>;

// Where the MIN and MAX trackers start; a daily value replaces them only when strictly beyond.
struct Start {
    double low, high;
};
constexpr Start start_of(int q)
{
    if (q >= kRhAvg && q <= kRhMax) return {100, 0};
    if (q >= kPAvg && q <= kPMax) return {2000, 800};
    if (q == kSAvg || q == kSMax) return {10000, 0};
    if (q >= kSpAvg) return {1000, 0};
    return {99, -99};  // temperatures and the range
}

struct Day {
    std::string text;  // "05"
    int number = 0;
    Quantities q{};
    double et = 0, uv = 0, rate = 0, rain = 0, windrun = 0;
    int samples = 0;
    std::string time_min, time_max;
    std::string direction = "---";
};

// The figures of a summary row, in stored units (the range in display units).
struct Summary {
    Quantities q{};
    double uv = 0, rate = 0;  // the MAX row's largest UV and rain rate
};

enum class Row { avg, decade, min, max };

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

void spec_cell(TextWriter& out, const std::string& spec, double value)
{
    out.raw(" ");
    out.value(bare_spec(spec), value);
    out.raw(" ");
}

void day_row(TextWriter& out, const Settings& s, const Units& u, const Day& d)
{
    const Quantities& q = d.q;
    out.rawf("%2d  ", d.number);
    for (int c : kColumnOrder) {
        if (!s.column(c)) continue;
        switch (c) {
        case kTemperature:
            out.rawf(" %5.1f  %5.1f  %5s  %5.1f  %5s  ", u.temp(q[kTAvg]), u.temp(q[kTMin]),
                     d.time_min.c_str(), u.temp(q[kTMax]), d.time_max.c_str());
            break;
        case kTempRange:
            out.rawf(" %5.1f ", q[kRange]);
            break;
        case kDewPoint:
            out.rawf(" %5.1f  %5.1f  %5.1f  ", u.temp(q[kDAvg]), u.temp(q[kDMin]),
                     u.temp(q[kDMax]));
            break;
        case kHeatIndex:
            out.rawf(" %5.1f  %5.1f  %5.1f  ", u.temp(q[kHAvg]), u.temp(q[kHMin]),
                     u.temp(q[kHMax]));
            break;
        case kWindChill:
            out.rawf(" %5.1f  %5.1f  %5.1f  ", u.temp(q[kCAvg]), u.temp(q[kCMin]),
                     u.temp(q[kCMax]));
            break;
        case kHumidity:
            out.rawf("  %3.0f    %3.0f    %3.0f   ", q[kRhAvg], q[kRhMin], q[kRhMax]);
            break;
        case kPressure:
            pressure_cells(out, u, q[kPAvg], q[kPMin], q[kPMax]);
            break;
        case kSolarRad:
            out.rawf(" %6.1f  %6i ", q[kSAvg], static_cast<int>(q[kSMax]));
            break;
        case kET:
            spec_cell(out, u.ETSpec, d.et * u.RainFatt);
            break;
        case kUV:
            out.rawf("  %4.1f  ", d.uv);
            break;
        case kRainRate:
            spec_cell(out, u.RSpec, d.rate * u.RainFatt);
            break;
        case kRain:
            spec_cell(out, u.RSpec, d.rain * u.RainFatt);
            break;
        case kWind:
            out.rawf(" %5.1f  %5.1f  %5.1f    %3s   ", q[kSpAvg] * u.WindFatt,
                     q[kSpMax] * u.WindFatt, q[kGust] * u.WindFatt, d.direction.c_str());
            break;
        case kWindRun:
            out.rawf(" %7.2f", d.windrun * u.WindRunFatt);
            break;
        case kSamples:
            out.rawf("  %4d ", d.samples);
            break;
        default:
            break;
        }
    }
    out.raw("\n");
}

// The AVG, decade, MIN and MAX rows after their label.
void summary_row(TextWriter& out, const Settings& s, const Units& u, const Summary& v, Row row,
                 const std::string& direction = {})
{
    const Quantities& q = v.q;
    const bool extreme = row == Row::min || row == Row::max;
    for (int c : kColumnOrder) {
        if (!s.column(c)) continue;
        switch (c) {
        case kTemperature:
            out.rawf(" %5.1f  %5.1f         %5.1f         ", u.temp(q[kTAvg]), u.temp(q[kTMin]),
                     u.temp(q[kTMax]));
            break;
        case kTempRange:
            out.rawf(" %5.1f ", q[kRange]);
            break;
        case kDewPoint:
            out.rawf(" %5.1f  %5.1f  %5.1f  ", u.temp(q[kDAvg]), u.temp(q[kDMin]),
                     u.temp(q[kDMax]));
            break;
        case kHeatIndex:
            out.rawf(" %5.1f  %5.1f  %5.1f  ", u.temp(q[kHAvg]), u.temp(q[kHMin]),
                     u.temp(q[kHMax]));
            break;
        case kWindChill:
            out.rawf(" %5.1f  %5.1f  %5.1f  ", u.temp(q[kCAvg]), u.temp(q[kCMin]),
                     u.temp(q[kCMax]));
            break;
        case kHumidity:
            out.rawf("  %3.0f    %3.0f    %3.0f   ", q[kRhAvg], q[kRhMin], q[kRhMax]);
            break;
        case kPressure:
            pressure_cells(out, u, q[kPAvg], q[kPMin], q[kPMax]);
            break;
        case kSolarRad:
            if (extreme)
                out.rawf(" %6.1f  %6i ", q[kSAvg], static_cast<int>(q[kSMax]));
            else
                out.rawf(" %6.1f  %6.1f ", q[kSAvg], q[kSMax]);
            break;
        case kUV:
            if (row == Row::max)
                out.rawf("  %4.1f  ", v.uv);
            else
                out.raw("        ");
            break;
        case kRainRate:
            if (row == Row::max)
                spec_cell(out, u.RSpec, v.rate * u.RainFatt);
            else
                out.raw("        ");
            break;
        case kET:
        case kRain:
            out.raw("        ");
            break;
        case kWind:
            out.rawf(" %5.1f  %5.1f  %5.1f", q[kSpAvg] * u.WindFatt, q[kSpMax] * u.WindFatt,
                     q[kGust] * u.WindFatt);
            if (row == Row::avg) out.rawf("    %3s", direction.c_str());
            break;
        default:
            break;  // Wind Run and N. Samples print nothing here
        }
    }
    out.raw("\n");
}

void sum_row(TextWriter& out, const Settings& s, const Units& u, double et, double rain,
             double windrun)
{
    out.raw("SUM ");
    for (int c : kColumnOrder) {
        if (!s.column(c)) continue;
        switch (c) {
        case kTemperature:
            out.raw(std::string(36, ' '));
            break;
        case kTempRange:
            out.raw(std::string(7, ' '));
            break;
        case kDewPoint:
        case kHeatIndex:
        case kWindChill:
        case kHumidity:
            out.raw(std::string(22, ' '));
            break;
        case kPressure:
            out.raw(std::string(24, ' '));
            break;
        case kSolarRad:
            out.raw(std::string(16, ' '));
            break;
        case kET:
            spec_cell(out, u.ETSpec, et * u.RainFatt);
            break;
        case kUV:
        case kRainRate:
            out.raw("        ");
            break;
        case kRain:
            spec_cell(out, u.RSpec, rain * u.RainFatt);
            break;
        case kWind:
            out.raw(std::string(30, ' '));
            break;
        case kWindRun:
            out.rawf("%8.2f", windrun * u.WindRunFatt);
            break;
        default:
            break;
        }
    }
    out.raw("\n");
}

// The direction with the most records of positive speed or gust; "---" when there is none.
std::string dominant_direction(Owner* owner, Db& db, const std::string& table,
                               std::initializer_list<std::string_view> params, bool with_day)
{
    const std::string sql =
        "select direction, count(direction) from " + table + " where year=? and month=?" +
        (with_day ? " and day = ?" : "") +
        " and (gustspeed > 0 or windspeed > 0) group by direction order by 2 desc";
    const auto r = db.query(owner, sql.c_str(), params);
    return r.rows.empty() ? std::string("---") : r.rows[0][0];
}

void wind_names(TextWriter& out, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) out.rawf("   %-3s ", kPrevalWind[i]);
}

void percent_values(TextWriter& out, const WindRow& row)
{
    for (float v : row) out.rawf(" %5.2f ", static_cast<double>(v));
}

void speed_values(TextWriter& out, const WindRow& row, double factor)
{
    for (std::size_t i = 0; i < 16; ++i) out.rawf(" %5.1f ", static_cast<double>(row[i]) * factor);
}

const std::string kDashes122(122, '-'), kDashes115(115, '-');

}  // namespace

int PrevailingWind(ReportJob& job, Db& db, const std::string& table, const std::string& month_text,
                   const std::vector<std::string>& days, const std::array<int, 3>& decade_days,
                   const Units& u, MonthWind& out)
{
    Owner* owner = job.hOwner;
    const Settings& s = job.settings;
    const std::string name = s.InitPathRep + job.Month + "_" + job.Year + "_wind.txt";
    std::error_code ec;
    std::filesystem::remove(name, ec);
    TextWriter file;  // without the detailed report, the same text goes nowhere
    if (job.WindDetail) {
        FilePtr f = file_open(owner, name, "w");
        if (!f) return 1;
        file = TextWriter(std::move(f));
    }
    out = MonthWind{};
    bool failed = false;
    const std::string from = "from " + table + " where year=? and month=?";
    const std::string& year = job.Year;

    write_header(
        file, s,
        strf("        MONTHLY CLIMATOLOGICAL REPORT - %s %s\n\n", job.Month.c_str(), year.c_str()));
    file.raw("  PREVAILING WIND DIRECTION (%)\n\nDAY");
    wind_names(file, 16);
    file.raw("  CALM\n" + kDashes122 + "\n");
    for (const std::string& day : days) {
        const WindRow row =
            wind_percentages(owner, db, {from + " and day=?", {year, month_text, day}}, failed);
        file.rawf("%2d ", inum(day));
        percent_values(file, row);
        file.raw("\n");
    }
    file.raw(kDashes122 + "\n");
    out.PrevalWindTot[3] = wind_percentages(owner, db, {from, {year, month_text}}, failed);
    file.raw("   ");
    percent_values(file, out.PrevalWindTot[3]);
    if (job.Decades) {
        file.raw("\n\nDECADES\n" + kDashes122 + "\n");
        for (std::size_t k = 0; k < 3; ++k) {
            if (decade_days[k] <= 0) continue;
            out.PrevalWindTot[k] = wind_percentages(
                owner, db, {from + " " + kDecadeClause[k], {year, month_text}}, failed);
            file.rawf(" %1d ", static_cast<int>(k + 1));
            percent_values(file, out.PrevalWindTot[k]);
            file.raw("\n");
        }
        file.raw(kDashes122);
    }

    file.rawf("\n\n\n  AVERAGE WIND SPEED (%s)\n\nDAY", u.UTitle[2].c_str());
    wind_names(file, 16);
    file.raw("\n" + kDashes115 + "\n");
    for (const std::string& day : days) {
        const WindRow row =
            wind_speeds(owner, db, {from + " and day=?", {year, month_text, day}}, failed);
        file.rawf("%2d ", inum(day));
        speed_values(file, row, u.WindFatt);
        file.raw("\n");
    }
    file.raw(kDashes115 + "\n");
    const WindRow month = wind_speeds(owner, db, {from, {year, month_text}}, failed);
    file.raw("   ");
    speed_values(file, month, u.WindFatt);
    for (std::size_t i = 0; i < 16; ++i)
        out.AvgWindTot[3][i] = static_cast<float>(month[i] * u.WindFatt);
    if (job.Decades) {
        file.raw("\n\nDECADES\n" + kDashes115 + "\n");
        for (std::size_t k = 0; k < 3; ++k) {
            if (decade_days[k] <= 0) continue;
            const WindRow row =
                wind_speeds(owner, db, {from + " " + kDecadeClause[k], {year, month_text}}, failed);
            file.rawf(" %1d ", static_cast<int>(k + 1));
            speed_values(file, row, u.WindFatt);
            for (std::size_t i = 0; i < 16; ++i)
                out.AvgWindTot[k][i] = static_cast<float>(row[i] * u.WindFatt);
            file.raw("\n");
        }
        file.raw(kDashes115 + "\n");
    }
    if (!file.close()) {
        tell(owner, "Error", strf("%s: Error creating file", name.c_str()), Icon::error);
        failed = true;
    }
    return failed ? 1 : 0;
}

int MonthReport(ReportJob& job)
{
    BusyClaim busy = std::move(job.busy);
    Owner* owner = job.hOwner;
    const Settings& s = job.settings;

    const auto table = report_table(job.Table);
    const auto month_at = std::find(mesi.begin(), mesi.end(), job.Month);
    if (!table || month_at == mesi.end()) {
        tell(owner, "Report",
             table ? "Not a month: " + job.Month : "Not a weather table: " + job.Table,
             Icon::error);
        return 1;
    }
    const std::string month_text = strf("%02d", static_cast<int>(month_at - mesi.begin()) + 1);

    std::optional<Db> own;
    if (!job.Db) {
        own = Db::open(owner, s.InitPathDB + kDbFile);
        if (!own) return 1;
    }
    Db lent = Db::borrow(job.Db ? job.Db : own->get());
    Db& db = lent;

    // A month without records has nothing to average: say so, and leave no file behind.
    const auto held =
        db.query(owner, ("select count(*) from " + *table + " where year=? and month=?").c_str(),
                 {job.Year, month_text});
    if (held.ok && !held.rows.empty() && inum(held.rows[0][0]) == 0) {
        tell(owner, "Report", strf("No data for %s %s", job.Month.c_str(), job.Year.c_str()),
             Icon::error);
        return 1;
    }

    const std::string report_name = job.Month + "_" + job.Year + ".txt";
    const std::string wind_name = job.Month + "_" + job.Year + "_wind.txt";
    FilePtr file = file_open(owner, s.InitPathRep + report_name, "w");
    if (!file) return 1;
    std::error_code ec;
    std::filesystem::remove(s.InitPathRep + wind_name, ec);
    TextWriter out(std::move(file));

    int wind_result = 1;
    {
        ReportProgress progress(owner);
        const Units u = UnitConvert(s);
        write_header(out, s,
                     strf("        MONTHLY CLIMATOLOGICAL REPORT - %s %s\n\n", job.Month.c_str(),
                          job.Year.c_str()));
        write_units(out, s, u, Layout::daily);
        write_headings(out, s, Layout::daily);
        if (own) own->exec(owner, "BEGIN");

        const std::string from = " from " + *table + " where year=? and month=?";
        const auto main = db.query(
            owner,
            ("select day, min(lowtemp),max(hitemp),min(dewpoint),max(dewpoint),min(heatindex),"
             "max(heatindex), min(Windchill),max(Windchill),min(humidity),max(humidity),"
             "min(pressure),max(pressure), max(hiSolarRad),sum(ET),max(HiUV),max(rainrate),"
             "sum(rain),max(gustspeed),sum(WindRun),count(*),max(windspeed)" +
             from + " group by day order by day")
                .c_str(),
            {job.Year, month_text});

        Summary sum, low, high;
        for (int q = 0; q < kQuantities; ++q) {
            low.q[static_cast<std::size_t>(q)] = start_of(q).low;
            high.q[static_cast<std::size_t>(q)] = start_of(q).high;
        }
        std::array<Quantities, 3> decade_sum{};
        std::array<int, 3> decade_days{};
        double et_total = 0, rain_total = 0, windrun_total = 0;
        int max25 = 0, max30 = 0, min0 = 0, max0 = 0, rain1 = 0, rain2 = 0, rain3 = 0;
        double rain_max = 0;
        int rain_max_day = 1;
        std::vector<std::string> days;

        std::size_t decade = 0;
        if (!main.rows.empty()) {
            const int first = inum(main.rows[0][0]);
            decade = (first > 10 ? 1u : 0u) + (first > 20 ? 1u : 0u);
        }
        int decade_count = 0;
        for (const auto& r : main.rows) {
            Day d;
            d.text = r[0];
            d.number = inum(r[0]);
            days.push_back(d.text);
            Quantities& q = d.q;
            q[kTMin] = num(r[1]);
            q[kTMax] = num(r[2]);
            q[kDMin] = num(r[3]);
            q[kDMax] = num(r[4]);
            q[kHMin] = num(r[5]);
            q[kHMax] = num(r[6]);
            q[kCMin] = num(r[7]);
            q[kCMax] = num(r[8]);
            q[kRhMin] = num(r[9]);
            q[kRhMax] = num(r[10]);
            q[kPMin] = num(r[11]);
            q[kPMax] = num(r[12]);
            q[kSMax] = inum(r[13]);
            d.et = num(r[14]);
            d.uv = num(r[15]);
            d.rate = num(r[16]);
            d.rain = num(r[17]);
            q[kGust] = num(r[18]);
            d.windrun = num(r[19]);
            d.samples = inum(r[20]);
            q[kSpMax] = num(r[21]);
            q[kRange] = u.temp(q[kTMax]) - u.temp(q[kTMin]);

            if (q[kTMax] >= 25) ++max25;
            if (q[kTMax] >= 30) ++max30;
            if (q[kTMin] < 0) ++min0;
            if (q[kTMax] < 0) ++max0;
            if (s.UnitRain == 0) {
                if (d.rain > 0.2) ++rain1;
                if (d.rain >= 1.0) ++rain2;
                if (d.rain > 20.0) ++rain3;
            } else {
                const double inches = d.rain * u.RainFatt;
                if (inches > 0.01) ++rain1;
                if (inches >= 0.039) ++rain2;
                if (inches > 1.0) ++rain3;
            }
            if (d.rain > rain_max) {
                rain_max = d.rain;
                rain_max_day = d.number;
            }
            show_status(owner, strf("Please wait...  Day: %2s", d.text.c_str()));

            const auto avg =
                db.query(owner,
                         ("select avg(temperature),avg(dewpoint),avg(heatindex),avg(windchill),"
                          "avg(humidity), avg(pressure),avg(SolarRad),avg(windspeed)" +
                          from + " and day=?")
                             .c_str(),
                         {job.Year, month_text, d.text});
            if (!avg.rows.empty()) {
                const auto& a = avg.rows[0];
                q[kTAvg] = num(a[0]);
                q[kDAvg] = num(a[1]);
                q[kHAvg] = num(a[2]);
                q[kCAvg] = num(a[3]);
                q[kRhAvg] = num(a[4]);
                q[kPAvg] = num(a[5]);
                q[kSAvg] = num(a[6]);
                q[kSpAvg] = num(a[7]);
            }
            for (std::size_t i = 0; i < kQuantities; ++i) {
                sum.q[i] += q[i];
                decade_sum[decade][i] += q[i];
            }
            et_total += d.et;
            rain_total += d.rain;
            windrun_total += d.windrun;

            // The extremes are found by the temperature as it was printed into the statement.
            const std::string hi = strf("%f", q[kTMax]), lo = strf("%f", q[kTMin]);
            const auto times = db.query(
                owner,
                ("select (select time" + from + " and day=? and hitemp = ?), (select time" + from +
                 " and day=? and lowtemp = ?)")
                    .c_str(),
                {job.Year, month_text, d.text, hi, job.Year, month_text, d.text, lo});
            if (!times.rows.empty()) {
                d.time_max = report_time(times.rows[0][0]);
                d.time_min = report_time(times.rows[0][1]);
            }

            for (std::size_t i = 0; i < kQuantities; ++i) {
                if (q[i] < low.q[i]) low.q[i] = q[i];
                if (q[i] > high.q[i]) high.q[i] = q[i];
            }
            if (d.uv > high.uv) high.uv = d.uv;
            if (d.rate > high.rate) high.rate = d.rate;

            d.direction =
                dominant_direction(owner, db, *table, {job.Year, month_text, d.text}, true);
            day_row(out, s, u, d);

            ++decade_count;
            if ((d.number == 10 || d.number == 20) && decade < 2) {
                decade_days[decade] = decade_count;
                ++decade;
                decade_count = 0;
            }
        }
        decade_days[decade] = decade_count;
        const std::string month_direction =
            dominant_direction(owner, db, *table, {job.Year, month_text}, false);

        const double n = static_cast<double>(main.rows.size());
        Summary avg;
        // A month whose main query failed has no day rows: its averages print as 0.
        for (std::size_t i = 0; i < kQuantities; ++i) avg.q[i] = n > 0 ? sum.q[i] / n : 0.0;
        StampaRiga(out, s);
        out.raw("AVG ");
        summary_row(out, s, u, avg, Row::avg, month_direction);
        out.raw("MIN ");
        summary_row(out, s, u, low, Row::min);
        out.raw("MAX ");
        summary_row(out, s, u, high, Row::max);
        if (s.column(kET) || s.column(kRain) || s.column(kWindRun))
            sum_row(out, s, u, et_total, rain_total, windrun_total);

        if (job.Decades) {
            out.raw("\n\nDECADES (AVG)\n");
            StampaRiga(out, s);
            for (std::size_t k = 0; k < 3; ++k) {
                if (decade_days[k] <= 0) continue;
                Summary dec;
                for (std::size_t i = 0; i < kQuantities; ++i)
                    dec.q[i] = decade_sum[k][i] / decade_days[k];
                out.rawf(" %1d  ", static_cast<int>(k + 1));
                summary_row(out, s, u, dec, Row::decade);
            }
            StampaRiga(out, s);
        }

        out.raw("\n\n");
        if (s.column(kTemperature) || s.column(kRain)) out.raw("NUMBER OF DAYS WITH:\n");
        if (s.column(kTemperature)) {
            out.rawf("Temp Max >= %4.1f: %2d", u.temp(25), max25);
            out.rawf("\nTemp Max >= %4.1f: %2d", u.temp(30), max30);
            out.rawf("\nTemp Min <  %4.1f: %2d", u.temp(0), min0);
            out.rawf("\nTemp Max <  %4.1f: %2d", u.temp(0), max0);
        }
        if (s.column(kRain)) {
            if (s.UnitRain == 0)
                out.rawf("\nRain:  %2d (> .2 mm) %2d (>= 1 mm) %2d (> 20 mm)", rain1, rain2, rain3);
            else
                out.rawf("\nRain:  %2d (> .01 in) %2d (>= .04 in) %2d (> 1 in)", rain1, rain2,
                         rain3);
            out.raw("\n\nMax Rain: ");
            out.value(bare_spec(u.RSpec), rain_max * u.RainFatt);
            out.rawf(s.UnitRain == 0 ? " mm (%02d/%02d/%04d)" : " in (%02d/%02d/%04d)",
                     rain_max_day, inum(month_text), inum(job.Year));
        }

        MonthWind wind;
        wind_result = PrevailingWind(job, db, *table, month_text, days, decade_days, u, wind);
        if (s.column(kWind)) {
            out.raw("\n\n\n\nPREVAILING WIND DIRECTION (%)\n\n   ");
            wind_names(out, 16);
            out.raw("  CALM\n");
            if (job.Decades) {
                out.raw(kDashes122 + "\n");
                for (std::size_t k = 0; k < 3; ++k) {
                    if (decade_days[k] <= 0) continue;
                    out.rawf(" %1d ", static_cast<int>(k + 1));
                    percent_values(out, wind.PrevalWindTot[k]);
                    out.raw("\n");
                }
            }
            out.raw(kDashes122 + "\n   ");
            percent_values(out, wind.PrevalWindTot[3]);

            out.raw("\n\n\nAVERAGE WIND SPEED\n\n   ");
            wind_names(out, 16);
            out.raw("\n" + kDashes115 + "\n");
            if (job.Decades) {
                for (std::size_t k = 0; k < 3; ++k) {
                    if (decade_days[k] <= 0) continue;
                    out.rawf(" %1d ", static_cast<int>(k + 1));
                    speed_values(out, wind.AvgWindTot[k], 1.0);
                    out.raw("\n");
                }
                out.raw(kDashes115 + "\n");
            }
            out.raw("   ");
            speed_values(out, wind.AvgWindTot[3], 1.0);
        }
        if (own) own->exec(owner, "COMMIT");
    }
    if (!out.close()) {
        tell(owner, "Error",
             strf("%s%s: Error creating file", s.InitPathRep.c_str(), report_name.c_str()),
             Icon::error);
        return 1;
    }
    if (wind_result == 0)
        tell(owner, "Report",
             report_name + " " + (job.WindDetail ? "and " + wind_name + " " : "") +
                 "created successfully! ",
             Icon::information);
    return 0;
}

}  // namespace nimbora
