// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ReportDialogs.h"

#include "app/AppState.h"
#include "app/dialog_util.h"
#include "config/db_helpers.h"
#include "config/function.h"
#include "reports/GlobalRep.h"
#include "reports/MonthRep.h"
#include "reports/ReportRange.h"
#include "reports/YearRep.h"
#include "reports/current_month.h"
#include "reports/requests.h"
#include "reports/summary.h"
#include "web/site.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDateEdit>
#include <QDesktopServices>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>
#include <memory>
#include <vector>

namespace nimbora {
namespace {

QCheckBox* check_box(const QString& text, int id, QWidget* parent)
{
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(widget_id(id));
    return box;
}

QComboBox* combo(int id, QWidget* parent)
{
    auto* c = new QComboBox(parent);
    c->setObjectName(widget_id(id));
    c->setMinimumContentsLength(9);
    return c;
}

// The list holds `items` with none of them chosen yet, as a fresh list box does.
void fill(QComboBox* c, const std::vector<std::string>& items)
{
    const QSignalBlocker quiet(c);
    c->clear();
    for (const std::string& item : items) c->addItem(qt_text(item));
    c->setCurrentIndex(-1);
}

QLineEdit* read_only(int id, QWidget* parent)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(widget_id(id));
    e->setReadOnly(true);
    return e;
}

// "Subdivision by decade" and "Detailed wind report"; the latter only with the Wind column.
void decade_and_wind(QWidget* parent, const Settings& s, QCheckBox*& decades, QCheckBox*& wind)
{
    decades = check_box(QDialog::tr("Subdivision by decade"), ids::jobs::kDecades, parent);
    wind = check_box(QDialog::tr("Detailed wind report"), ids::jobs::kWindDetail, parent);
    wind->setEnabled(wind_detail_allowed(s));
}

Ymd ymd(const QDate& d)
{
    return {d.year(), d.month(), d.day()};
}

QDateEdit* date_picker(int id, QWidget* parent)
{
    auto* picker = new QDateEdit(QDate::currentDate(), parent);
    picker->setObjectName(widget_id(id));
    picker->setCalendarPopup(true);
    picker->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
    return picker;
}

}  // namespace

MonthlyReportDialog::MonthlyReportDialog(AppState& state, QWidget* parent)
    : JobDialog(state, parent, ids::jobs::kMonthlyDialog, "Monthly Report"),
      year_(combo(ids::jobs::kMonthlyYear, this)), month_(combo(ids::jobs::kMonthlyMonth, this))
{
    decade_and_wind(this, state.settings, decades_, wind_detail_);
    auto* lists = new QFormLayout;
    lists->addRow(tr("Year:"), year_);
    lists->addRow(tr("Month:"), month_);
    body()->addLayout(lists);
    body()->addWidget(decades_);
    body()->addWidget(wind_detail_);
    add_ok_cancel_help("Nimbora.chm::/MonthlyReport.html");
    add_status_bar(ids::jobs::kStatusBar);

    const auto years = GetYear(owner(), db_path());
    if (!years) {
        close_at_open();
        return;
    }
    fill(year_, *years);
    fill(month_, {});
    connect(year_, &QComboBox::currentIndexChanged, this, [this] { year_changed(); });
}

void MonthlyReportDialog::year_changed()
{
    fill(month_, {});
    anno_ = control_text(text_of(year_->currentText()), 4);
    const auto months = GetMonth(owner(), db_path(), anno_);
    if (!months) {
        reject();
        return;
    }
    fill(month_, *months);
}

void MonthlyReportDialog::ok()
{
    mese_ = control_text(text_of(month_->currentText()), 9);
    ReportJob job = job_for(state_);
    const auto refusal = monthly_request(job, anno_, mese_, decades_->isChecked(),
                                         wind_detail_->isEnabled() && wind_detail_->isChecked());
    start_unless(refusal, std::move(job), [](ReportJob& j) { MonthReport(j); });
}

void MonthlyReportDialog::reject()
{
    mese_.clear();
    JobDialog::reject();
}

CurrentMonthDialog::CurrentMonthDialog(AppState& state, QWidget* parent)
    : JobDialog(state, parent, ids::jobs::kCurrentMonthDialog, "Current Month Report")
{
    decade_and_wind(this, state.settings, decades_, wind_detail_);
    auto* title = new QLabel(qt_text(current_month_title(local_now())), this);
    title->setObjectName(widget_id(ids::jobs::kCurrentMonthText));
    title->setMinimumSize(200, 15);
    body()->addWidget(title);
    body()->addWidget(decades_);
    body()->addWidget(wind_detail_);
    add_ok_cancel_help("Nimbora.chm::/CurrMonthlyReport.html");
    add_status_bar(ids::jobs::kStatusBar);
}

void CurrentMonthDialog::ok()
{
    ReportJob job = job_for(state_);
    current_month_request(job, local_now(), decades_->isChecked(),
                          wind_detail_->isEnabled() && wind_detail_->isChecked());
    start(std::move(job), [](ReportJob& j) { LoadTempTable(j); });
}

AnnualReportDialog::AnnualReportDialog(AppState& state, QWidget* parent)
    : JobDialog(state, parent, ids::jobs::kAnnualDialog, "Annual Report"),
      year_(combo(ids::jobs::kAnnualYear, this))
{
    body()->addWidget(new QLabel(tr("Select a year:"), this));
    body()->addWidget(year_);
    add_ok_cancel_help("Nimbora.chm::/AnnualReport.html");
    add_status_bar(ids::jobs::kStatusBar);

    const auto years = GetYear(owner(), db_path());
    if (!years) {
        close_at_open();
        return;
    }
    fill(year_, *years);
}

void AnnualReportDialog::ok()
{
    anno_ = control_text(text_of(year_->currentText()), 4);
    ReportJob job = job_for(state_);
    const auto refusal = annual_request(job, anno_);
    start_unless(refusal, std::move(job), [](ReportJob& j) { YearReport(j); });
}

void AnnualReportDialog::reject()
{
    anno_.clear();
    JobDialog::reject();
}

namespace {

std::function<void(const QUrl&)>& url_opener()
{
    static std::function<void(const QUrl&)> opener;
    return opener;
}

}  // namespace

void set_url_opener(std::function<void(const QUrl&)> opener)
{
    url_opener() = std::move(opener);
}

WebPagesDialog::WebPagesDialog(AppState& state, QWidget* parent)
    : JobDialog(state, parent, ids::jobs::kWebPagesDialog, "Web Pages"),
      folder_(default_site_folder(job_for(state).DocPath))
{
    auto* folder = read_only(ids::jobs::kWebFolder, this);
    folder->setText(qt_text(folder_));
    // Wide enough for the whole folder (up to a screen's share), read from its start.
    constexpr int kMostWidth = 600;
    folder->setMinimumWidth(
        std::min(kMostWidth, folder->fontMetrics().horizontalAdvance(folder->text()) + 16));
    folder->setCursorPosition(0);
    auto* form = new QFormLayout;
    form->addRow(tr("Folder"), folder);
    body()->addLayout(form);
    add_ok_cancel_help("Nimbora.chm::/web-pages.html");
    add_progress_bar(ids::jobs::kProgressBar);
}

void WebPagesDialog::ok()
{
    auto written = std::make_shared<bool>(false);
    const QString index = qt_text(folder_ + "/index.html");
    start(
        job_for(state_), [written](ReportJob& j) { *written = WebPages(j) == 0; },
        [written, index] {
            if (!*written || !QFileInfo::exists(index)) return;
            const QUrl url = QUrl::fromLocalFile(index);
            if (url_opener())
                url_opener()(url);
            else
                QDesktopServices::openUrl(url);
        });
}

GlobalReportDialog::GlobalReportDialog(AppState& state, QWidget* parent)
    : JobDialog(state, parent, ids::jobs::kGlobalDialog, "Global Report")
{
    auto* from = read_only(ids::jobs::kGlobalFrom, this);
    auto* to = read_only(ids::jobs::kGlobalTo, this);
    auto* group = new QGroupBox(tr("Year"), this);
    auto* span = new QFormLayout(group);
    span->addRow(tr("From"), from);
    span->addRow(tr("To"), to);
    body()->addWidget(group);
    add_ok_cancel_help("Nimbora.chm::/GlobalReport.html");
    add_progress_bar(ids::jobs::kProgressBar);

    const auto years = GetYear2(owner(), db_path());
    if (!years) {
        close_at_open();
        return;
    }
    from->setText(qt_text(years->first));
    to->setText(qt_text(years->second));
}

void GlobalReportDialog::ok()
{
    start(job_for(state_), [](ReportJob& j) { GlobalReport(j); });
}

StatisticsDialog::StatisticsDialog(AppState& state, QWidget* parent)
    : JobDialog(state, parent, ids::jobs::kStatisticsDialog, "Statistics"),
      all_time_(check_box(tr("All Time"), ids::jobs::kAllTime, this)),
      year_(combo(ids::jobs::kStatisticsYear, this)),
      monthly_detail_(check_box(tr("Monthly Detail"), ids::jobs::kMonthlyDetail, this)),
      first_(read_only(ids::jobs::kFirstDate, this)), last_(read_only(ids::jobs::kLastDate, this))
{
    first_->hide();
    last_->hide();
    body()->addWidget(all_time_);
    body()->addWidget(year_);
    body()->addWidget(monthly_detail_);
    add_ok_cancel_help("Nimbora.chm::/Statistics.html");
    add_progress_bar(ids::jobs::kProgressBar);
    connect(all_time_, &QCheckBox::toggled, this, [this](bool on) {
        year_->setEnabled(statistics_choices_enabled(on));
        monthly_detail_->setEnabled(statistics_choices_enabled(on));
    });

    const auto years = GetYear(owner(), db_path());
    if (!years) {
        close_at_open();
        return;
    }
    fill(year_, *years);
    const auto span = GetFLRecord(owner(), db_path());
    if (!span) {
        close_at_open();
        return;
    }
    first_->setText(qt_text(span->first));
    last_->setText(qt_text(span->second));
}

void StatisticsDialog::ok()
{
    StatisticsChoice c;
    c.all_time = all_time_->isChecked();
    c.year = text_of(year_->currentText());
    c.monthly_detail = monthly_detail_->isChecked();
    c.first_record = text_of(first_->text());
    c.last_record = text_of(last_->text());
    ReportJob job = job_for(state_);
    if (auto refusal = statistics_request(job, c)) {
        refuse(*refusal);
        return;
    }
    anno_ = year_text(job.year);
    if (statistics_monthly_detail(c))
        start(std::move(job), [](ReportJob& j) { MkSummaryMonth(j); });
    else
        start(std::move(job), [](ReportJob& j) { MkSummary(j); });
}

void StatisticsDialog::reject()
{
    anno_.clear();
    JobDialog::reject();
}

DateRangeDialog::DateRangeDialog(AppState& state, QWidget* parent)
    : JobDialog(state, parent, ids::jobs::kDateRangeDialog, "Date Range"),
      first_(read_only(ids::jobs::kFirstDate, this)), last_(read_only(ids::jobs::kLastDate, this)),
      start_(date_picker(ids::jobs::kStartDate, this)), end_(date_picker(ids::jobs::kEndDate, this))
{
    auto* group = new QGroupBox(tr("Database"), this);
    auto* span = new QFormLayout(group);
    span->addRow(tr("First Available Date:"), first_);
    span->addRow(tr("Last Available Date:"), last_);
    body()->addWidget(group);
    auto* dates = new QFormLayout;
    dates->addRow(tr("Start Date:"), start_);
    dates->addRow(tr("End Date:"), end_);
    body()->addLayout(dates);
    add_ok_cancel_help("Nimbora.chm::/date-range.html");
    add_progress_bar(ids::jobs::kProgressBar);

    const auto records = GetFLRecord(owner(), db_path());
    if (!records) {
        close_at_open();
        return;
    }
    first_->setText(qt_text(record_day(records->first)));
    last_->setText(qt_text(record_day(records->second)));
}

void DateRangeDialog::ok()
{
    ReportJob job = job_for(state_);
    const auto refusal = date_range_request(job, text_of(first_->text()), text_of(last_->text()),
                                            ymd(start_->date()), ymd(end_->date()));
    start_unless(refusal, std::move(job), [](ReportJob& j) { ReportRange(j); });
}

}  // namespace nimbora
