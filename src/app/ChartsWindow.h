// SPDX-License-Identifier: GPL-3.0-or-later
// ChartsWindow.h: Report > Charts...: the engine's SVG chart of the open station for a kind and
// a span, scaled to the window, the figures of the point under the mouse, Save as SVG or PNG
// and Export CSV. A window of its own beside the main window: it follows the station that is
// open and draws again after a job (an import) ends.
#pragma once

#include "charts/series.h"

#include <QByteArray>
#include <QDialog>
#include <QWidget>

#include <optional>
#include <string>

class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QSpinBox;
class QSvgRenderer;

namespace nimbora {

struct AppState;
class GuiOwner;

namespace ids::charts {
inline constexpr int kWindow = 350;
inline constexpr int kMenuItem = 40051;  // Report > Charts...
inline constexpr int kKind = 1130;
inline constexpr int kSpan = 1132;
inline constexpr int kYear = 1134;
inline constexpr int kMonth = 1136;
inline constexpr int kFrom = 1138;
inline constexpr int kTo = 1140;
inline constexpr int kView = 1142;
inline constexpr int kValue = 1144;  // the figures of the point under the mouse
inline constexpr int kSaveSvg = 1146;
inline constexpr int kSavePng = 1148;
inline constexpr int kExportCsv = 1150;
}  // namespace ids::charts

// The spans the window offers, in its list's order.
enum class ChartSpanChoice { month, year, range, hours24, days7, days30, months12 };

// The chart itself: the SVG drawn scaled to the widget (keeping its proportions), and the
// figures of the point under the mouse from the series, since Qt's renderer has no hit test.
class ChartView : public QWidget {
    Q_OBJECT
public:
    explicit ChartView(QWidget* parent);
    ~ChartView() override;

    // Shows `svg` drawn from `series`; an empty `svg` shows `note` instead.
    void show_chart(const QByteArray& svg, const Series& series, const Units& u);
    void show_note(const QString& note);
    const QByteArray& svg() const { return svg_; }
    // The picture at the widget's size, as painted.
    QImage picture() const;
    // The figures of the point or direction at `pos` (widget coordinates); empty for none.
    QString value_at(QPointF pos) const;

signals:
    void hovered(const QString& value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    // Where the 800 x 400 viewBox is drawn in the widget.
    QRectF target() const;

    QSvgRenderer* renderer_;
    QByteArray svg_;
    std::optional<Series> series_;
    Units units_;
    QString note_;
};

class ChartsWindow : public QDialog {
    Q_OBJECT
public:
    ChartsWindow(AppState& state, QWidget* parent);

    // Draws the chart of the open station for the chosen kind and span; a station other than
    // the one drawn last starts at the month of its latest record.
    void refresh();
    // Greyed while a job runs (the database may be written); drawn again when it ends.
    void set_jobs_running(bool running);

    void choose(ChartKind kind, ChartSpanChoice span);
    void choose_month(int year, int month);
    ChartView* view() const { return view_; }

    // The chart drawn, as SVG or as a PNG of the view's size; the figures of the span as CSV
    // (one row a day for a month or more, else one a record). False, told, when not written.
    bool save_svg(const QString& path);
    bool save_png(const QString& path);
    bool export_csv(const QString& path);

private:
    void span_changed();
    std::optional<ChartSpan> chosen_span(Db& db, bool& failed) const;

    AppState& state_;
    GuiOwner* owner_;
    QComboBox* kind_;
    QComboBox* span_;
    QSpinBox* year_;
    QComboBox* month_;
    QDateEdit* from_;
    QDateEdit* to_;
    ChartView* view_;
    QLabel* value_;
    QPushButton* save_svg_;
    QPushButton* save_png_;
    QPushButton* export_csv_;
    std::string station_;  // the DocPath drawn last
    std::optional<ChartSpan> drawn_;
    bool jobs_running_ = false;
    bool quiet_ = false;  // no drawing while the controls are set
};

}  // namespace nimbora
