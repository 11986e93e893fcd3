// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ChartsWindow.h"

#include "app/AppState.h"
#include "app/GuiOwner.h"
#include "app/dialog_util.h"
#include "charts/csv.h"
#include "charts/svg.h"
#include "config/schema.h"

#include <QComboBox>
#include <QDate>
#include <QDateEdit>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QSvgRenderer>
#include <QVBoxLayout>

#include <cmath>
#include <filesystem>
#include <fstream>

namespace nimbora {
namespace {

const char* const kSpanNames[] = {"Month",       "Year",         "Date range",    "Last 24 hours",
                                  "Last 7 days", "Last 30 days", "Last 12 months"};
const char* const kMonths[] = {"January",   "February", "March",    "April",
                               "May",       "June",     "July",     "August",
                               "September", "October",  "November", "December"};

QString utf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

int hours_of(ChartSpanChoice c)
{
    switch (c) {
    case ChartSpanChoice::hours24:
        return 24;
    case ChartSpanChoice::days7:
        return 7 * 24;
    case ChartSpanChoice::days30:
        return 30 * 24;
    case ChartSpanChoice::months12:
        return 365 * 24;
    default:
        return 0;
    }
}

}  // namespace

ChartView::ChartView(QWidget* parent) : QWidget(parent), renderer_(new QSvgRenderer(this))
{
    setObjectName(widget_id(ids::charts::kView));
    setMouseTracking(true);
    setMinimumSize(400, 200);
}

ChartView::~ChartView() = default;

void ChartView::show_chart(const QByteArray& svg, const Series& series, const Units& u)
{
    svg_ = svg;
    series_ = series;
    units_ = u;
    note_.clear();
    renderer_->load(svg_);
    update();
}

void ChartView::show_note(const QString& note)
{
    svg_.clear();
    series_.reset();
    note_ = note;
    renderer_->load(QByteArray());
    update();
}

QRectF ChartView::target() const
{
    double w = width(), h = w * kChartHeight / kChartWidth;
    if (h > height()) {
        h = height();
        w = h * kChartWidth / kChartHeight;
    }
    return {(width() - w) / 2, (height() - h) / 2, w, h};
}

QImage ChartView::picture() const
{
    QImage image(size(), QImage::Format_ARGB32);
    image.fill(palette().color(QPalette::Window));
    QPainter p(&image);
    if (!svg_.isEmpty()) renderer_->render(&p, target());
    return image;
}

QString ChartView::value_at(QPointF pos) const
{
    if (!series_ || svg_.isEmpty()) return {};
    const QRectF t = target();
    const double x = (pos.x() - t.left()) / t.width() * kChartWidth;
    const double y = (pos.y() - t.top()) / t.height() * kChartHeight;
    if (series_->kind == ChartKind::windrose) {
        const double dx = x - kRoseX, dy = y - kRoseY;
        const double r = std::hypot(dx, dy);
        if (r > kRoseRadius + 10) return {};
        if (r < 22) return utf8(direction_title(*series_, units_, kCalm));
        const double degrees = std::atan2(dx, -dy) * 180 / 3.14159265358979323846;
        const auto d =
            static_cast<std::size_t>(std::lround((degrees < 0 ? degrees + 360 : degrees) / 22.5)) %
            kDirections;
        return utf8(direction_title(*series_, units_, d));
    }
    if (y < kPlotTop || y > kPlotBottom) return {};
    const auto i = point_near(*series_, x);
    return i ? utf8(point_title(*series_, units_, series_->points[*i])) : QString();
}

void ChartView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (!svg_.isEmpty()) {
        renderer_->render(&p, target());
        return;
    }
    p.drawText(rect(), Qt::AlignCenter | Qt::TextWordWrap, note_);
}

void ChartView::mouseMoveEvent(QMouseEvent* event)
{
    emit hovered(value_at(event->position()));
}

void ChartView::leaveEvent(QEvent*)
{
    emit hovered(QString());
}

ChartsWindow::ChartsWindow(AppState& state, QWidget* parent)
    : QDialog(parent), state_(state),
      owner_(new GuiOwner(this, state.main_window, this, state.boxes))
{
    setObjectName(widget_id(ids::charts::kWindow));
    setWindowTitle(tr("Charts"));
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    setWindowFlag(Qt::WindowMinimizeButtonHint);
    setAttribute(Qt::WA_DeleteOnClose);

    kind_ = new QComboBox(this);
    kind_->setObjectName(widget_id(ids::charts::kKind));
    for (const char* k : kChartKinds) {
        QString name = QString::fromLatin1(k);
        name[0] = name[0].toUpper();
        kind_->addItem(name == QStringLiteral("Windrose") ? tr("Wind rose") : name);
    }
    span_ = new QComboBox(this);
    span_->setObjectName(widget_id(ids::charts::kSpan));
    for (const char* s : kSpanNames) span_->addItem(QString::fromLatin1(s));
    year_ = new QSpinBox(this);
    year_->setObjectName(widget_id(ids::charts::kYear));
    year_->setRange(1900, 2999);
    month_ = new QComboBox(this);
    month_->setObjectName(widget_id(ids::charts::kMonth));
    for (const char* m : kMonths) month_->addItem(QString::fromLatin1(m));
    from_ = new QDateEdit(this);
    from_->setObjectName(widget_id(ids::charts::kFrom));
    to_ = new QDateEdit(this);
    to_->setObjectName(widget_id(ids::charts::kTo));
    for (QDateEdit* e : {from_, to_}) {
        e->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
        e->setCalendarPopup(true);
    }

    view_ = new ChartView(this);
    value_ = new QLabel(this);
    value_->setObjectName(widget_id(ids::charts::kValue));
    value_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    save_svg_ = make_button(tr("Save as SVG..."), ids::charts::kSaveSvg, this);
    save_png_ = make_button(tr("Save as PNG..."), ids::charts::kSavePng, this);
    export_csv_ = make_button(tr("Export CSV..."), ids::charts::kExportCsv, this);

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(tr("Chart:"), this));
    top->addWidget(kind_);
    top->addWidget(new QLabel(tr("Span:"), this));
    top->addWidget(span_);
    top->addWidget(month_);
    top->addWidget(year_);
    top->addWidget(from_);
    top->addWidget(to_);
    top->addStretch(1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(value_, 1);
    bottom->addWidget(save_svg_);
    bottom->addWidget(save_png_);
    bottom->addWidget(export_csv_);
    bottom->addWidget(help_button(this, "Nimbora.chm::/charts.html"));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(view_, 1);
    layout->addLayout(bottom);
    resize(900, 560);

    connect(view_, &ChartView::hovered, value_, &QLabel::setText);
    const auto redraw = [this] {
        if (!quiet_) refresh();
    };
    connect(kind_, &QComboBox::currentIndexChanged, this, redraw);
    connect(span_, &QComboBox::currentIndexChanged, this, [this, redraw] {
        span_changed();
        redraw();
    });
    connect(month_, &QComboBox::currentIndexChanged, this, redraw);
    connect(year_, &QSpinBox::valueChanged, this, redraw);
    connect(from_, &QDateEdit::dateChanged, this, redraw);
    connect(to_, &QDateEdit::dateChanged, this, redraw);
    connect(save_svg_, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getSaveFileName(this, tr("Save as SVG"), QString(),
                                                          tr("SVG pictures (*.svg)"));
        if (!path.isEmpty()) save_svg(path);
    });
    connect(save_png_, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getSaveFileName(this, tr("Save as PNG"), QString(),
                                                          tr("PNG pictures (*.png)"));
        if (!path.isEmpty()) save_png(path);
    });
    connect(export_csv_, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getSaveFileName(this, tr("Export CSV"), QString(),
                                                          tr("CSV files (*.csv)"));
        if (!path.isEmpty()) export_csv(path);
    });
    span_changed();
    refresh();
}

void ChartsWindow::span_changed()
{
    const auto c = static_cast<ChartSpanChoice>(span_->currentIndex());
    month_->setVisible(c == ChartSpanChoice::month);
    year_->setVisible(c == ChartSpanChoice::month || c == ChartSpanChoice::year);
    from_->setVisible(c == ChartSpanChoice::range);
    to_->setVisible(c == ChartSpanChoice::range);
}

void ChartsWindow::choose(ChartKind kind, ChartSpanChoice span)
{
    quiet_ = true;
    kind_->setCurrentIndex(static_cast<int>(kind));
    span_->setCurrentIndex(static_cast<int>(span));
    quiet_ = false;
    span_changed();
    refresh();
}

void ChartsWindow::choose_month(int year, int month)
{
    quiet_ = true;
    year_->setValue(year);
    month_->setCurrentIndex(month - 1);
    span_->setCurrentIndex(static_cast<int>(ChartSpanChoice::month));
    quiet_ = false;
    span_changed();
    refresh();
}

void ChartsWindow::set_jobs_running(bool running)
{
    jobs_running_ = running;
    for (QWidget* w : std::initializer_list<QWidget*>{kind_, span_, year_, month_, from_, to_,
                                                      save_svg_, save_png_, export_csv_})
        w->setEnabled(!running);
    if (!running) refresh();
}

std::optional<ChartSpan> ChartsWindow::chosen_span(Db& db, bool& failed) const
{
    const auto c = static_cast<ChartSpanChoice>(span_->currentIndex());
    const int y = year_->value(), m = month_->currentIndex() + 1;
    switch (c) {
    case ChartSpanChoice::month:
        return ChartSpan{{y, m, 1}, {y, m, QDate(y, m, 1).daysInMonth()}};
    case ChartSpanChoice::year:
        return ChartSpan{{y, 1, 1}, {y, 12, 31}};
    case ChartSpanChoice::range: {
        const QDate a = from_->date(), b = to_->date();
        if (b < a) return std::nullopt;
        return ChartSpan{{a.year(), a.month(), a.day()}, {b.year(), b.month(), b.day()}};
    }
    default:
        return last_hours_span(nullptr, db, hours_of(c), failed);
    }
}

void ChartsWindow::refresh()
{
    drawn_.reset();
    if (jobs_running_) return;
    // Drawing tells nothing in boxes (it runs on every change): the view says what is wrong.
    if (!state_.has_station()) {
        view_->show_note(tr("No station is open."));
        return;
    }
    auto db = Db::open(nullptr, state_.settings.InitPathDB + kDbFile);
    if (!db) {
        view_->show_note(tr("The station's database cannot be opened."));
        return;
    }
    bool failed = false;
    if (station_ != state_.places.DocPath) {
        // Another station: start at the month of its latest record.
        station_ = state_.places.DocPath;
        const auto latest = last_hours_span(nullptr, *db, 1, failed);
        const QDate day = latest ? QDate(latest->to.year, latest->to.month, latest->to.day)
                                 : QDate::currentDate();
        quiet_ = true;
        year_->setValue(day.year());
        month_->setCurrentIndex(day.month() - 1);
        from_->setDate(day.addDays(-6));
        to_->setDate(day);
        quiet_ = false;
    }
    const auto span = chosen_span(*db, failed);
    if (failed) return view_->show_note(tr("The station's database cannot be read."));
    if (!span) {
        const bool range = span_->currentIndex() == static_cast<int>(ChartSpanChoice::range);
        return view_->show_note(range ? tr("The last day is before the first.")
                                      : tr("The station holds no records."));
    }
    const Units u = UnitConvert(state_.settings);
    Series series;
    if (!read_series(nullptr, *db, state_.settings, u,
                     static_cast<ChartKind>(kind_->currentIndex()), *span, series))
        return view_->show_note(tr("The station's database cannot be read."));
    if (series.records == 0)
        return view_->show_note(tr("No data for %1").arg(utf8(span_label(*span))));
    const std::string svg = chart_svg(series, u);
    view_->show_chart(QByteArray(svg.data(), static_cast<qsizetype>(svg.size())), series, u);
    drawn_ = span;
}

bool ChartsWindow::save_svg(const QString& path)
{
    const QByteArray& svg = view_->svg();
    if (svg.isEmpty()) {
        owner_->message("Charts", "No chart to save", Icon::error);
        return false;
    }
    {
        std::ofstream f(path.toStdString(), std::ios::binary | std::ios::trunc);
        if (f && f.write(svg.constData(), svg.size()) && f.flush()) return true;
    }
    std::error_code ec;
    std::filesystem::remove(path.toStdString(), ec);
    owner_->message("Charts", "Can't write " + path.toStdString(), Icon::error);
    return false;
}

bool ChartsWindow::save_png(const QString& path)
{
    if (view_->svg().isEmpty()) {
        owner_->message("Charts", "No chart to save", Icon::error);
        return false;
    }
    if (view_->picture().save(path, "PNG")) return true;
    std::error_code ec;
    std::filesystem::remove(path.toStdString(), ec);
    owner_->message("Charts", "Can't write " + path.toStdString(), Icon::error);
    return false;
}

bool ChartsWindow::export_csv(const QString& path)
{
    if (!drawn_) {
        owner_->message("Charts", "No data to export", Icon::error);
        return false;
    }
    auto db = Db::open(owner_, state_.settings.InitPathDB + kDbFile);
    if (!db) return false;
    const auto c = static_cast<ChartSpanChoice>(span_->currentIndex());
    const bool daily = c == ChartSpanChoice::month || c == ChartSpanChoice::year ||
                       c == ChartSpanChoice::range || c == ChartSpanChoice::months12;
    bool ok = false, written = false;
    {
        std::ofstream f(path.toStdString(), std::ios::binary | std::ios::trunc);
        long rows = 0;
        ok = f && nimbora::export_csv(owner_, *db, state_.settings, UnitConvert(state_.settings),
                                      *drawn_, daily, f, rows);
        written = ok && f.flush();
        if (written) return true;
        ok = ok || !f;  // a stream that failed was not told yet
    }
    std::error_code ec;
    std::filesystem::remove(path.toStdString(), ec);
    if (ok) owner_->message("Charts", "Can't write " + path.toStdString(), Icon::error);
    return false;
}

}  // namespace nimbora
