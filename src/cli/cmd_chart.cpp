// SPDX-License-Identifier: GPL-3.0-or-later
// The chart and export commands: an SVG chart or the CSV of a span of the station database.
#include "charts/csv.h"
#include "charts/series.h"
#include "charts/svg.h"
#include "cli/commands.h"
#include "config/format.h"
#include "config/schema.h"

#include <CLI/CLI.hpp>

#include <filesystem>
#include <fstream>
#include <ostream>

namespace nimbora {
namespace {

void add_span(CLI::App* sub, ChartArgs& c, bool hours)
{
    CLI::Option* year = sub->add_option("--year", c.year, "Year, four digits");
    CLI::Option* month =
        sub->add_option("--month", c.month, "Month of --year: English name or number");
    month->needs(year);
    CLI::Option* from = sub->add_option("--from", c.from, "First day, YYYY-MM-DD");
    CLI::Option* to = sub->add_option("--to", c.to, "Last day, YYYY-MM-DD");
    from->needs(to);
    to->needs(from);
    year->excludes(from)->excludes(to);
    if (hours) {
        CLI::Option* last = sub->add_option("--last-hours", c.last_hours,
                                            "The last N hours up to the latest record held")
                                ->check(CLI::Range(1, 24 * 366 * 100));
        last->excludes(year)->excludes(from)->excludes(to);
    }
    sub->add_option("--out", c.out, "File to write");
}

// The span the options name, or the usage error told.
struct SpanChoice {
    std::optional<ChartSpan> span;
    std::string name;  // in file names: "2012-02", "2012", "2012-02-01_2012-02-10"
};

std::optional<SpanChoice> chosen_span(Session& session, bool chart)
{
    const ChartArgs& c = session.args.chart;
    const auto usage = [&session](const std::string& text) {
        session.owner.message("Error", text, Icon::error);
        return std::nullopt;
    };
    SpanChoice choice;
    if (!c.year.empty()) {
        if (c.year.size() != 4 || c.year.find_first_not_of("0123456789") != std::string::npos)
            return usage("Not a year: " + c.year);
        const int y = std::stoi(c.year);
        if (c.month.empty()) {
            choice.span = ChartSpan{{y, 1, 1}, {y, 12, 31}};
            choice.name = c.year;
            return choice;
        }
        const auto m = month_number(c.month);
        if (!m) return usage("Not a month: " + c.month);
        const Ymd next = *m == 12 ? Ymd{y + 1, 1, 1} : Ymd{y, *m + 1, 1};
        choice.span = ChartSpan{{y, *m, 1}, date_of_index(day_index(next) - 1)};
        choice.name = strf("%04d-%02d", y, *m);
        return choice;
    }
    if (!c.from.empty()) {
        const auto from = date_of(c.from), to = date_of(c.to);
        if (!from || !to) return usage("Not a date (YYYY-MM-DD): " + (from ? c.to : c.from));
        if (day_index(*to) < day_index(*from))
            return usage("--to " + c.to + " is before --from " + c.from);
        choice.span = ChartSpan{*from, *to};
        choice.name = c.from + "_" + c.to;
        return choice;
    }
    if (c.last_hours > 0) {
        choice.name = strf("last-%dh", c.last_hours);
        return choice;  // counted back from the latest record, once the station is open
    }
    return usage("Give --year [--month], --from and --to" +
                 std::string(chart ? ", or --last-hours" : ""));
}

// Whether the span holds a record; the owner told "No data for ..." when it does not.
bool has_data(Session& session, Db& db, const ChartSpan& span, bool chart, bool& failed)
{
    const SpanWhere w = span_where(span);
    const auto r =
        db.query(&session.owner,
                 (std::string("select 1 from datimeteo where ") + kSpanWhere + " limit 1").c_str(),
                 {w.from_year, w.to_year, w.from_key, w.to_key});
    failed = !r.ok;
    if (r.ok && r.rows.empty())
        session.owner.message(chart ? "Chart" : "Export", "No data for " + span_label(span),
                              Icon::error);
    return r.ok && !r.rows.empty();
}

// Writes `text` to `path` whole (beside it first, then renamed over it), or leaves it as it
// was; false, the owner told, on failure.
bool write_file(Session& session, const std::string& path, const std::string& text)
{
    const std::string part = path + ".part";
    std::error_code ec;
    {
        std::ofstream f(part, std::ios::binary | std::ios::trunc);
        if (f && f.write(text.data(), static_cast<std::streamsize>(text.size())) && f.flush()) {
            f.close();
            if (!f.fail()) {
                std::filesystem::rename(part, path, ec);
                if (!ec) return true;
            }
        }
    }
    std::filesystem::remove(part, ec);
    session.owner.message("Error", "Can't write " + path, Icon::error);
    return false;
}

}  // namespace

void add_chart(CLI::App& app, Args& args)
{
    ChartArgs& c = args.chart;
    std::vector<std::string> kinds(kChartKinds.begin(), kChartKinds.end());
    app.add_option("KIND", c.kind, "What to draw")->required()->check(CLI::IsMember(kinds));
    add_span(&app, c, true);
}

void add_export(CLI::App& app, Args& args)
{
    add_span(&app, args.chart, false);
    app.add_flag("--daily", args.chart.daily, "One row a day: the monthly report's day figures");
}

Exit run_chart(Session& session)
{
    const ChartArgs& c = session.args.chart;
    const auto kind = chart_kind(c.kind);
    auto choice = chosen_span(session, true);
    if (!kind || !choice) return kUsage;
    if (!session.load_station()) return kFailed;
    auto db = Db::open(&session.owner, session.settings.InitPathDB + kDbFile);
    if (!db) return kFailed;
    bool failed = false;
    if (!choice->span) {
        choice->span = last_hours_span(&session.owner, *db, c.last_hours, failed);
        if (failed) return kFailed;
        if (!choice->span) {
            session.owner.message("Chart",
                                  "No data for the last " + std::to_string(c.last_hours) +
                                      " hours: the station holds no records",
                                  Icon::error);
            return kFailed;
        }
    }
    if (!has_data(session, *db, *choice->span, true, failed)) return kFailed;
    const Units u = UnitConvert(session.settings);
    Series series;
    if (!read_series(&session.owner, *db, session.settings, u, *kind, *choice->span, series))
        return kFailed;
    const std::string svg = chart_svg(series, u);

    std::string path = c.out;
    if (path.empty()) {
        const std::string folder = session.settings.InitPathRep + "charts";
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        path = folder + kSep + c.kind + "_" + choice->name + ".svg";
    }
    if (!write_file(session, path, svg)) return kFailed;
    session.console.out << path << '\n';
    return kOk;
}

Exit run_export(Session& session)
{
    const ChartArgs& c = session.args.chart;
    const auto choice = chosen_span(session, false);
    if (!choice) return kUsage;
    if (!session.load_station()) return kFailed;
    auto db = Db::open(&session.owner, session.settings.InitPathDB + kDbFile);
    if (!db) return kFailed;
    bool failed = false;
    if (!has_data(session, *db, *choice->span, false, failed)) return kFailed;
    const Units u = UnitConvert(session.settings);
    long rows = 0;
    if (c.out.empty()) {
        return export_csv(&session.owner, *db, session.settings, u, *choice->span, c.daily,
                          session.console.out, rows)
                   ? kOk
                   : kFailed;
    }
    // A file is written whole or not at all: beside its place first, then renamed over it.
    const std::string part = c.out + ".part";
    {
        std::ofstream f(part, std::ios::binary | std::ios::trunc);
        const bool ok = f && export_csv(&session.owner, *db, session.settings, u, *choice->span,
                                        c.daily, f, rows);
        const bool written = ok && f.flush();
        f.close();
        if (!written) {
            std::error_code ec;
            std::filesystem::remove(part, ec);
            // A failed statement was told already.
            if (!ok && !f.fail()) return kFailed;
            session.owner.message("Error", "Can't write " + c.out, Icon::error);
            return kFailed;
        }
    }
    std::error_code ec;
    std::filesystem::rename(part, c.out, ec);
    if (ec) {
        std::filesystem::remove(part, ec);
        session.owner.message("Error", "Can't write " + c.out, Icon::error);
        return kFailed;
    }
    session.console.out << c.out << '\n';
    return kOk;
}

}  // namespace nimbora
