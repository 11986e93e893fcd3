// SPDX-License-Identifier: GPL-3.0-or-later
#include "charts/svg.h"

#include "config/format.h"

#include <algorithm>
#include <cmath>

namespace nimbora {
namespace {

constexpr double kWidth = kChartWidth, kHeight = kChartHeight;
constexpr double kLeft = kPlotLeft, kRight = kPlotRight, kTop = kPlotTop, kBottom = kPlotBottom;
// Mid-tone colours: readable on a light and on a dark background alike.
constexpr const char* kInk = "#888888";
constexpr const char* kRed = "#e8603c";
constexpr const char* kBlue = "#3d9be9";
constexpr const char* kGreen = "#2eaa8a";
constexpr const char* kAmber = "#e8a33c";
constexpr const char* kViolet = "#9370db";
constexpr const char* kFont = "font-family=\"DejaVu Sans, Verdana, sans-serif\"";
constexpr const char* kEnDash = "\xE2\x80\x93";

const char* const kMonthNames[12] = {"January",   "February", "March",    "April",
                                     "May",       "June",     "July",     "August",
                                     "September", "October",  "November", "December"};
const char* const kMonthShort[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

std::string escaped(std::string_view text)
{
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string n1(double v)
{
    return fixed(v, 1);
}

int days_in_month(int year, int month)
{
    const Ymd next = month == 12 ? Ymd{year + 1, 1, 1} : Ymd{year, month + 1, 1};
    return static_cast<int>(day_index(next) - day_index({year, month, 1}));
}

// A readable scale over [lo, hi]: its ends and step (1, 2, 2.5 or 5 times a power of ten).
struct Scale {
    double lo, hi, step;
    int decimals;
    double y(double v) const { return kBottom - (v - lo) / (hi - lo) * (kBottom - kTop); }
};
Scale nice_scale(double lo, double hi, bool from_zero)
{
    if (from_zero) lo = std::min(lo, 0.0);
    if (!(hi - lo > 1e-9)) {
        lo -= 1;
        hi += 1;
        if (from_zero) lo = std::max(lo, 0.0);
    }
    const double raw = (hi - lo) / 5;
    const double p = std::pow(10.0, std::floor(std::log10(raw)));
    const double f = raw / p;
    const double step = (f <= 1 ? 1 : f <= 2 ? 2 : f <= 2.5 ? 2.5 : f <= 5 ? 5 : 10) * p;
    Scale s{std::floor(lo / step + 1e-9) * step, std::ceil(hi / step - 1e-9) * step, step, 0};
    while (s.decimals < 4) {
        const double k = step * std::pow(10.0, s.decimals);
        if (std::fabs(k - std::round(k)) < 1e-6) break;
        ++s.decimals;
    }
    return s;
}

// What a series draws: a band between two figures, lines, bars.
struct Line {
    std::size_t index;
    std::string name;
    const char* colour;
    bool right = false, dashed = false;
};
struct Look {
    std::string title, axis, right_axis;
    int band_low = -1, band_high = -1;
    const char* band_colour = kRed;
    std::string band_name;
    int bars = -1;
    std::vector<Line> lines;
    bool from_zero = false, right_from_zero = false;
};

Look look_of(const Series& s, const Units& u)
{
    Look k;
    const bool aggregated = s.resolution != Resolution::record;
    const std::string temp = utf8_of_latin1(u.UTitle[0]);
    switch (s.kind) {
    case ChartKind::temperature:
        k.title = "Outside temperature";
        k.axis = "Temperature (" + temp + ")";
        if (aggregated) {
            k.band_low = 1;
            k.band_high = 2;
            k.band_name = "Lowest to highest";
        }
        k.lines = {{0, aggregated ? "Average" : "Temperature", kRed}, {3, "Dew point", kBlue}};
        break;
    case ChartKind::humidity:
        k.title = "Humidity";
        k.axis = "Humidity (%)";
        if (aggregated) {
            k.band_low = 1;
            k.band_high = 2;
            k.band_colour = kGreen;
            k.band_name = "Lowest to highest";
        }
        k.lines = {{0, aggregated ? "Average" : "Humidity", kGreen}};
        break;
    case ChartKind::pressure:
        k.title = "Pressure";
        k.axis = "Pressure (" + u.UTitle[3] + ")";
        if (aggregated) {
            k.band_low = 1;
            k.band_high = 2;
            k.band_colour = kViolet;
            k.band_name = "Lowest to highest";
        }
        k.lines = {{0, aggregated ? "Average" : "Pressure", kViolet}};
        break;
    case ChartKind::rain:
        k.title = "Rain";
        k.axis = "Rain (" + u.UTitle[1] + ")";
        k.right_axis = "Total (" + u.UTitle[1] + ")";
        k.bars = 0;
        k.lines = {{1, "Running total", kAmber, true}};
        k.from_zero = k.right_from_zero = true;
        break;
    case ChartKind::wind:
        k.title = "Wind";
        k.axis = "Speed (" + u.UTitle[2] + ")";
        k.lines = {{0, "Average speed", kGreen}, {1, "Highest gust", kRed, false, true}};
        k.from_zero = true;
        break;
    case ChartKind::solar:
    case ChartKind::windrose:
        k.title = "Solar radiation";
        k.axis = "Solar radiation (W/m\xC2\xB2)";
        k.lines = {{0, aggregated ? "Average" : "Solar radiation", kAmber},
                   {1, "Highest", kRed, false, true}};
        if (s.uv) {
            k.right_axis = "UV index";
            k.lines.push_back({2, "Highest UV", kViolet, true});
            k.right_from_zero = true;
        }
        k.from_zero = true;
        break;
    }
    return k;
}

// A point's figures as the reports print them, after its date.
std::string title_of(const Series& s, const Units& u, const Point& p)
{
    const bool aggregated = s.resolution != Resolution::record;
    const bool daily = s.resolution == Resolution::daily;
    std::string t = p.when;
    const auto add = [&t, &p](const char* name, std::size_t i, int decimals,
                              const std::string& unit, const std::string& at = {}) {
        t += std::string(t.size() == p.when.size() ? ": " : ", ") + name + " ";
        if (missing(p.v[i])) {
            t += "no data";
            return;
        }
        t += fixed(p.v[i], decimals) + unit;
        if (!at.empty()) t += " at " + at;
    };
    const std::string temp = " " + utf8_of_latin1(u.UTitle[0]);
    const int p_dec = spec_decimals(u.PSpec), r_dec = spec_decimals(u.RSpec);
    switch (s.kind) {
    case ChartKind::temperature:
        if (aggregated) {
            add("average", 0, 1, temp);
            add("lowest", 1, 1, temp, daily ? p.time_min : std::string());
            add("highest", 2, 1, temp, daily ? p.time_max : std::string());
        } else {
            add("temperature", 0, 1, temp);
        }
        add("dew point", 3, 1, temp);
        break;
    case ChartKind::humidity:
        add(aggregated ? "average" : "humidity", 0, 0, " %");
        if (aggregated) {
            add("lowest", 1, 0, " %");
            add("highest", 2, 0, " %");
        }
        break;
    case ChartKind::pressure:
        add(aggregated ? "average" : "pressure", 0, p_dec, " " + u.UTitle[3]);
        if (aggregated) {
            add("lowest", 1, p_dec, " " + u.UTitle[3]);
            add("highest", 2, p_dec, " " + u.UTitle[3]);
        }
        break;
    case ChartKind::rain:
        add("rain", 0, r_dec, " " + u.UTitle[1]);
        add("total", 1, r_dec, " " + u.UTitle[1]);
        break;
    case ChartKind::wind:
        add("average speed", 0, 1, " " + u.UTitle[2]);
        add("highest gust", 1, 1, " " + u.UTitle[2]);
        break;
    case ChartKind::solar:
    case ChartKind::windrose:
        add(aggregated ? "average" : "solar radiation", 0, aggregated ? 1 : 0, " W/m\xC2\xB2");
        add("highest", 1, 0, " W/m\xC2\xB2");
        if (s.uv) add("highest UV", 2, 1, "");
        break;
    }
    return t;
}

// The time axis: ticks a round interval apart, at most eight.
struct TimeTick {
    long x;
    std::string label;
};
std::vector<TimeTick> time_ticks(long from, long to)
{
    std::vector<TimeTick> ticks;
    const long span = std::max(1L, to - from);
    static constexpr long kMinutes[] = {10,  15,  30,   60,   120,      180,
                                        360, 720, 1440, 2880, 7 * 1440, 14 * 1440};
    for (const long step : kMinutes) {
        if (span / step > 8) continue;
        for (long x = (from + step - 1) / step * step; x <= to; x += step) {
            const long day = x / 1440;
            const int m = static_cast<int>(x - day * 1440);
            const Ymd d = date_of_index(day);
            ticks.push_back({x, step < 1440 && m != 0 ? strf("%02d:%02d", m / 60, m % 60)
                                                      : strf("%02d/%02d", d.day, d.month)});
        }
        return ticks;
    }
    static constexpr int kMonths[] = {1, 2, 3, 6, 12, 24, 60, 120, 240, 600};
    const Ymd a = date_of_index(from / 1440), b = date_of_index(to / 1440);
    const long first = a.year * 12L + a.month - 1, last = b.year * 12L + b.month - 1;
    for (const int step : kMonths) {
        if ((last - first) / step > 8 && step != 600) continue;
        for (long m = (first + step - 1) / step * step; m <= last + 1; m += step) {
            const int year = static_cast<int>(m / 12), month = static_cast<int>(m % 12) + 1;
            const long x = day_index({year, month, 1}) * 1440;
            if (x < from || x > to) continue;
            ticks.push_back({x, step < 12 ? strf("%s %04d", kMonthShort[month - 1], year)
                                          : strf("%04d", year)});
        }
        break;
    }
    return ticks;
}

class Svg {
public:
    Svg(const std::string& title, const std::string& desc)
    {
        out_ = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.2\" baseProfile=\"tiny\" "
               "viewBox=\"0 0 800 400\">\n<title>" +
               escaped(title) + "</title>\n<desc>" + escaped(desc) + "</desc>\n";
        text(kWidth / 2, 28, title, "middle", 18);
    }
    void text(double x, double y, const std::string& t, const char* anchor, int size = 13,
              const std::string& extra = {})
    {
        out_ += "<text x=\"" + n1(x) + "\" y=\"" + n1(y) + "\" " + kFont + " font-size=\"" +
                std::to_string(size) + "\" fill=\"" + kInk + "\" text-anchor=\"" + anchor + "\"" +
                extra + ">" + escaped(t) + "</text>\n";
    }
    void line(double x1, double y1, double x2, double y2, const char* colour, double opacity = 1)
    {
        out_ += "<line x1=\"" + n1(x1) + "\" y1=\"" + n1(y1) + "\" x2=\"" + n1(x2) + "\" y2=\"" +
                n1(y2) + "\" stroke=\"" + colour + "\" stroke-width=\"1\"" +
                (opacity < 1 ? " stroke-opacity=\"" + fixed(opacity, 2) + "\"" : std::string()) +
                "/>\n";
    }
    void raw(const std::string& s) { out_ += s; }
    std::string finish() { return out_ + "</svg>\n"; }

private:
    std::string out_;
};

// A legend entry's swatch and name at `x`; the x after it.
double legend(Svg& svg, double x, const char* colour, const std::string& name, double block,
              bool dashed = false)
{
    const double y = kHeight - 18;
    if (block > 0)
        svg.raw("<rect x=\"" + n1(x) + "\" y=\"" + n1(y - 9) +
                "\" width=\"16\" height=\"10\" fill=\"" + colour + "\"" +
                (block < 1 ? " fill-opacity=\"" + fixed(block, 2) + "\"" : std::string()) + "/>\n");
    else
        svg.raw("<line x1=\"" + n1(x) + "\" y1=\"" + n1(y - 4) + "\" x2=\"" + n1(x + 16) +
                "\" y2=\"" + n1(y - 4) + "\" stroke=\"" + colour + "\" stroke-width=\"2\"" +
                (dashed ? " stroke-dasharray=\"4,3\"" : "") + "/>\n");
    svg.text(x + 22, y, name, "start");
    return x + 22 + 7.5 * static_cast<double>(name.size()) + 20;
}

std::string series_desc(const Series& s, const std::string& title)
{
    static constexpr const char* kRes[] = {"points, one for each record", "hourly points",
                                           "daily points", "monthly points"};
    return title + ": " + std::to_string(s.points.size()) + " " +
           kRes[static_cast<int>(s.resolution)] + ".";
}

// The names of the wind rose's speed classes: "up to 5 Km/h", "5–12 Km/h", "above 30 Km/h".
std::array<std::string, kSpeedClasses> class_names(const Series& s, const std::string& unit)
{
    std::array<std::string, kSpeedClasses> names;
    const auto lim = [&](std::size_t i) {
        return fixed(s.limits[i], s.limits[i] == std::floor(s.limits[i]) ? 0 : 1);
    };
    for (std::size_t c = 0; c < kSpeedClasses; ++c)
        names[c] = c == 0                   ? "up to " + lim(0) + " " + unit
                   : c + 1 == kSpeedClasses ? "above " + lim(c - 1) + " " + unit
                                            : lim(c - 1) + kEnDash + lim(c) + " " + unit;
    return names;
}

std::string rose_svg(const Series& s, const Units& u, const std::string& span)
{
    const std::string title = "Wind direction, " + span;
    const std::string unit = u.UTitle[2];
    Svg svg(title, title + ": the share of time from each of the 16 directions by speed class (" +
                       unit + "), calm in the centre.");
    constexpr double cx = kRoseX, cy = kRoseY, r0 = 22, R = kRoseRadius;
    double top = 0;
    for (std::size_t d = 0; d < kDirections; ++d) {
        double total = 0;
        for (double v : s.rose[d]) total += v;
        top = std::max(top, total);
    }
    const Scale scale = nice_scale(0, std::max(top, 1.0), true);
    const auto radius = [&](double share) { return r0 + (R - r0) * share / scale.hi; };
    const auto at = [&](double r, double degrees) {
        const double a = degrees * 3.14159265358979323846 / 180;
        return n1(cx + r * std::sin(a)) + "," + n1(cy - r * std::cos(a));
    };
    for (double v = scale.step; v <= scale.hi + 1e-9; v += scale.step) {
        svg.raw("<circle cx=\"" + n1(cx) + "\" cy=\"" + n1(cy) + "\" r=\"" + n1(radius(v)) +
                "\" fill=\"none\" stroke=\"" + kInk + "\" stroke-opacity=\"0.4\"/>\n");
    }
    // Only the outer circle is labelled: no share reaches past it, so no wedge covers its label.
    svg.text(cx + 3, cy - radius(scale.hi) - 2, fixed(scale.hi, scale.decimals) + " %", "start",
             10);
    static constexpr const char* kClassColour[kSpeedClasses] = {"#5ab4e5", "#3fb68b", "#e8c33c",
                                                                "#e8863c", "#d9463c"};
    const std::array<std::string, kSpeedClasses> names = class_names(s, unit);
    for (std::size_t d = 0; d < kDirections; ++d) {
        const double mid = 22.5 * static_cast<double>(d);
        double inner = 0;
        for (std::size_t c = 0; c < kSpeedClasses; ++c) {
            const double share = s.rose[d][c];
            if (share <= 0) continue;
            const double outer = inner + share;
            std::string pts;
            for (int k = 0; k <= 4; ++k) pts += at(radius(outer), mid - 9 + 4.5 * k) + " ";
            for (int k = 4; k >= 0; --k)
                pts += at(radius(inner), mid - 9 + 4.5 * k) + (k ? " " : "");
            svg.raw("<polygon points=\"" + pts + "\" fill=\"" + kClassColour[c] +
                    "\" stroke=\"none\"><title>" + kPrevalWind[d] + ", " + escaped(names[c]) +
                    ": " + fixed(share, 1) + " % (" + kPrevalWind[d] + ": " +
                    fixed(s.shares[d], 1) + " %)</title></polygon>\n");
            inner = outer;
        }
        if (d % 2 == 0) {
            const double a = mid * 3.14159265358979323846 / 180;
            svg.text(cx + (R + 16) * std::sin(a), cy - (R + 16) * std::cos(a) + 4, kPrevalWind[d],
                     "middle");
        }
    }
    svg.raw("<circle cx=\"" + n1(cx) + "\" cy=\"" + n1(cy) + "\" r=\"" + n1(r0) + "\" fill=\"" +
            kInk + "\" fill-opacity=\"0.25\" stroke=\"" + kInk +
            "\"><title>Calm: " + fixed(s.shares[kCalm], 1) + " %</title></circle>\n");
    svg.text(cx, cy + 4, fixed(s.shares[kCalm], 1) + " %", "middle", 10);
    svg.text(470, 110, "Speed (" + unit + ")", "start", 13);
    for (std::size_t c = 0; c < kSpeedClasses; ++c) {
        const double y = 130 + 24.0 * static_cast<double>(c);
        svg.raw("<rect x=\"470\" y=\"" + n1(y) + "\" width=\"16\" height=\"12\" fill=\"" +
                kClassColour[c] + "\"/>\n");
        svg.text(494, y + 11, names[c], "start");
    }
    svg.raw("<circle cx=\"478\" cy=\"" + n1(130 + 24.0 * kSpeedClasses + 6) + "\" r=\"7\" fill=\"" +
            kInk + "\" fill-opacity=\"0.25\" stroke=\"" + kInk + "\"/>\n");
    svg.text(494, 130 + 24.0 * kSpeedClasses + 11, "Calm (centre)", "start");
    svg.text(470, 130 + 24.0 * kSpeedClasses + 40,
             "Circles every " + fixed(scale.step, scale.decimals) + " % of the time", "start");
    return svg.finish();
}

}  // namespace

std::string point_title(const Series& series, const Units& u, const Point& p)
{
    return title_of(series, u, p);
}

std::optional<std::size_t> point_near(const Series& s, double x)
{
    if (s.points.empty() || x < kLeft || x > kRight) return std::nullopt;
    const double span_x = static_cast<double>(std::max(1L, s.x_to - s.x_from));
    const double at = static_cast<double>(s.x_from) + (x - kLeft) / (kRight - kLeft) * span_x;
    const auto after =
        std::lower_bound(s.points.begin(), s.points.end(), at,
                         [](const Point& p, double v) { return static_cast<double>(p.x) < v; });
    if (after == s.points.begin()) return 0;
    if (after == s.points.end()) return s.points.size() - 1;
    const auto before = after - 1;
    const auto i = static_cast<std::size_t>(after - s.points.begin());
    return at - static_cast<double>(before->x) <= static_cast<double>(after->x) - at ? i - 1 : i;
}

std::string direction_title(const Series& s, const Units& u, std::size_t d)
{
    if (d > kDirections) return {};
    if (d == kCalm) return "Calm: " + fixed(s.shares[kCalm], 1) + " %";
    const auto names = class_names(s, u.UTitle[2]);
    std::string t = std::string(kPrevalWind[d]) + ": " + fixed(s.shares[d], 1) + " %";
    std::string parts;
    for (std::size_t c = 0; c < kSpeedClasses; ++c)
        if (s.rose[d][c] > 0)
            parts += (parts.empty() ? "" : ", ") + names[c] + " " + fixed(s.rose[d][c], 1) + " %";
    return parts.empty() ? t : t + " (" + parts + ")";
}

std::string span_label(const ChartSpan& s)
{
    const bool whole = s.from_minute <= 0 && s.to_minute >= 1440;
    if (whole && s.from.day == 1 && s.from.year == s.to.year) {
        if (s.from.month == s.to.month && s.to.day == days_in_month(s.to.year, s.to.month))
            return strf("%s %04d", kMonthNames[s.from.month - 1], s.from.year);
        if (s.from.month == 1 && s.to.month == 12 && s.to.day == 31)
            return strf("%04d", s.from.year);
    }
    const auto date = [](const Ymd& d) { return strf("%02d/%02d/%04d", d.day, d.month, d.year); };
    if (whole) return date(s.from) + " " + kEnDash + " " + date(s.to);
    const auto time = [](int m) { return strf(" %02d:%02d", m / 60, m % 60); };
    return date(s.from) + time(s.from_minute) + " " + kEnDash + " " + date(s.to) +
           time(s.to_minute);
}

std::string chart_svg(const Series& s, const Units& u)
{
    const std::string span = span_label(s.span);
    if (s.kind == ChartKind::windrose) return rose_svg(s, u, span);
    const Look look = look_of(s, u);
    const std::string title = look.title + ", " + span;
    Svg svg(title, series_desc(s, title));

    // The scales of the left and the right axis.
    double lo = INFINITY, hi = -INFINITY, rlo = INFINITY, rhi = -INFINITY;
    const auto take = [](double v, double& a, double& b) {
        if (missing(v)) return;
        a = std::min(a, v);
        b = std::max(b, v);
    };
    for (const Point& p : s.points) {
        if (look.band_low >= 0) {
            take(p.v[static_cast<std::size_t>(look.band_low)], lo, hi);
            take(p.v[static_cast<std::size_t>(look.band_high)], lo, hi);
        }
        if (look.bars >= 0) take(p.v[static_cast<std::size_t>(look.bars)], lo, hi);
        for (const Line& l : look.lines) take(p.v[l.index], l.right ? rlo : lo, l.right ? rhi : hi);
    }
    if (lo > hi) lo = hi = 0;
    if (rlo > rhi) rlo = rhi = 0;
    const Scale left = nice_scale(lo, hi, look.from_zero);
    const Scale right = nice_scale(rlo, rhi, look.right_from_zero);
    const double span_x = static_cast<double>(std::max(1L, s.x_to - s.x_from));
    const auto X = [&](long x) {
        return kLeft + static_cast<double>(x - s.x_from) / span_x * (kRight - kLeft);
    };

    // Grid, ticks and axis labels.
    for (double v = left.lo; v <= left.hi + left.step / 2; v += left.step) {
        svg.line(kLeft, left.y(v), kRight, left.y(v), kInk, 0.3);
        svg.text(kLeft - 6, left.y(v) + 4, fixed(v, left.decimals), "end");
    }
    if (!look.right_axis.empty())
        for (double v = right.lo; v <= right.hi + right.step / 2; v += right.step)
            svg.text(kRight + 6, right.y(v) + 4, fixed(v, right.decimals), "start");
    for (const TimeTick& t : time_ticks(s.x_from, s.x_to)) {
        svg.line(X(t.x), kTop, X(t.x), kBottom, kInk, 0.3);
        svg.text(X(t.x), kBottom + 16, t.label, "middle");
    }
    svg.line(kLeft, kBottom, kRight, kBottom, kInk);
    svg.line(kLeft, kTop, kLeft, kBottom, kInk);
    if (!look.right_axis.empty()) svg.line(kRight, kTop, kRight, kBottom, kInk);
    const double mid = (kTop + kBottom) / 2;
    svg.text(18, mid, look.axis, "middle", 13, " transform=\"rotate(-90 18 " + n1(mid) + ")\"");
    if (!look.right_axis.empty())
        svg.text(kWidth - 14, mid, look.right_axis, "middle", 13,
                 " transform=\"rotate(90 " + n1(kWidth - 14) + " " + n1(mid) + ")\"");
    static constexpr const char* kCaption[] = {"Every record", "Hourly figures", "Daily figures",
                                               "Monthly figures"};
    svg.text(kWidth / 2, kBottom + 36, kCaption[static_cast<int>(s.resolution)], "middle");

    const double bucket_w = static_cast<double>(s.bucket) / span_x * (kRight - kLeft);

    // The band, a polygon for each stretch without a gap.
    if (look.band_low >= 0) {
        const auto lo_i = static_cast<std::size_t>(look.band_low),
                   hi_i = static_cast<std::size_t>(look.band_high);
        std::size_t i = 0;
        while (i < s.points.size()) {
            std::size_t j = i;
            while (j < s.points.size() && !missing(s.points[j].v[lo_i]) &&
                   !missing(s.points[j].v[hi_i]) && (j == i || !s.points[j].gap_before))
                ++j;
            if (j == i + 1) {
                // A lone day between gaps: its range as a narrow bar.
                const Point& p = s.points[i];
                const double w = std::max(3.0, bucket_w * 0.6);
                const double top = left.y(p.v[hi_i]);
                svg.raw("<rect x=\"" + n1(X(p.x) - w / 2) + "\" y=\"" + n1(top) + "\" width=\"" +
                        n1(w) + "\" height=\"" + n1(std::max(1.0, left.y(p.v[lo_i]) - top)) +
                        "\" fill=\"" + look.band_colour + "\" fill-opacity=\"0.25\"/>\n");
            } else if (j > i) {
                std::string pts;
                for (std::size_t k = i; k < j; ++k)
                    pts += n1(X(s.points[k].x)) + "," + n1(left.y(s.points[k].v[hi_i])) + " ";
                for (std::size_t k = j; k-- > i;)
                    pts += n1(X(s.points[k].x)) + "," + n1(left.y(s.points[k].v[lo_i])) +
                           (k > i ? " " : "");
                svg.raw("<polygon points=\"" + pts + "\" fill=\"" + look.band_colour +
                        "\" fill-opacity=\"0.25\" stroke=\"none\"/>\n");
            } else {
                ++j;
            }
            i = j;
        }
    }

    // Bars, each with its title.
    if (look.bars >= 0) {
        const auto b = static_cast<std::size_t>(look.bars);
        const double w = std::max(1.0, bucket_w * 0.8);
        for (const Point& p : s.points) {
            if (missing(p.v[b])) continue;
            const double y = left.y(p.v[b]);
            svg.raw("<rect x=\"" + n1(X(p.x) - w / 2) + "\" y=\"" + n1(y) + "\" width=\"" + n1(w) +
                    "\" height=\"" + n1(left.y(0) - y) + "\" fill=\"" + kBlue + "\"><title>" +
                    escaped(title_of(s, u, p)) + "</title></rect>\n");
        }
    }

    // Lines: a new stroke after every gap and around every missing value.
    for (const Line& l : look.lines) {
        const Scale& sc = l.right ? right : left;
        std::string d;
        bool pen = false;
        for (const Point& p : s.points) {
            if (missing(p.v[l.index])) {
                pen = false;
                continue;
            }
            d += (pen && !p.gap_before ? "L" : "M") + n1(X(p.x)) + "," + n1(sc.y(p.v[l.index]));
            pen = true;
        }
        if (d.empty()) continue;
        svg.raw("<path d=\"" + d + "\" fill=\"none\" stroke=\"" + l.colour + "\" stroke-width=\"" +
                (s.points.size() > 400 ? "1" : "2") + "\"" +
                (l.dashed ? " stroke-dasharray=\"4,3\"" : "") + "/>\n");
        // Every point a dot when there are few; else only those no stroke reaches.
        for (std::size_t i = 0; i < s.points.size(); ++i) {
            const Point& p = s.points[i];
            if (missing(p.v[l.index])) continue;
            const bool joined_before =
                i > 0 && !p.gap_before && !missing(s.points[i - 1].v[l.index]);
            const bool joined_after = i + 1 < s.points.size() && !s.points[i + 1].gap_before &&
                                      !missing(s.points[i + 1].v[l.index]);
            if (s.points.size() <= 62 || (!joined_before && !joined_after))
                svg.raw("<circle cx=\"" + n1(X(p.x)) + "\" cy=\"" + n1(sc.y(p.v[l.index])) +
                        "\" r=\"2.5\" fill=\"" + l.colour + "\"/>\n");
        }
    }

    // Every point's title on a column of the plot, so hovering anywhere above it shows it.
    if (look.bars < 0)
        for (std::size_t i = 0; i < s.points.size(); ++i) {
            const double x = X(s.points[i].x);
            const double a =
                i > 0 ? (X(s.points[i - 1].x) + x) / 2 : std::max(kLeft, x - bucket_w / 2);
            const double b = i + 1 < s.points.size() ? (X(s.points[i + 1].x) + x) / 2
                                                     : std::min(kRight, x + bucket_w / 2);
            svg.raw("<rect x=\"" + n1(a) + "\" y=\"" + n1(kTop) + "\" width=\"" +
                    n1(std::max(0.1, b - a)) + "\" height=\"" + n1(kBottom - kTop) + "\" fill=\"" +
                    kInk + "\" fill-opacity=\"0\"><title>" + escaped(title_of(s, u, s.points[i])) +
                    "</title></rect>\n");
        }

    // The legend.
    double x = kLeft;
    if (look.band_low >= 0) x = legend(svg, x, look.band_colour, look.band_name, 0.25);
    if (look.bars >= 0)
        x = legend(svg, x, kBlue,
                   s.resolution == Resolution::daily     ? "Rain of the day"
                   : s.resolution == Resolution::monthly ? "Rain of the month"
                   : s.resolution == Resolution::hourly  ? "Rain of the hour"
                                                         : "Rain of the record",
                   1);
    for (const Line& l : look.lines) x = legend(svg, x, l.colour, l.name, 0, l.dashed);
    return svg.finish();
}

}  // namespace nimbora
