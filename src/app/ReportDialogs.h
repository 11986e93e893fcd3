// SPDX-License-Identifier: GPL-3.0-or-later
// ReportDialogs.h: the dialogs of the Report menu. Each shows what can be reported, checks
// the choice, and on OK starts its report as the program's one job; it stays open while the
// job runs (progress in its status or progress bar) and Cancel closes it.
#pragma once

#include "app/JobRunner.h"

#include <QUrl>

#include <functional>
#include <string>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLineEdit;

namespace nimbora {

struct AppState;

// Ids of the report and load dialogs and of their controls (objectName: the id in decimal).
namespace ids::jobs {
inline constexpr int kAnnualDialog = 303;
inline constexpr int kStatisticsDialog = 306;
inline constexpr int kMonthlyDialog = 308;
inline constexpr int kLoadDialog = 312;
inline constexpr int kCurrentMonthDialog = 316;
inline constexpr int kDateRangeDialog = 336;
inline constexpr int kGlobalDialog = 344;
inline constexpr int kWebPagesDialog = 346;
inline constexpr int kWebFolder = 1512;  // the site's folder (read only)

inline constexpr int kStatusBar = 2002;    // report dialogs' status bar
inline constexpr int kProgressBar = 2003;  // report dialogs' progress bar
inline constexpr int kLoadStatusBar = 2004;

inline constexpr int kDecades = 40035;    // "Subdivision by decade"
inline constexpr int kWindDetail = 1004;  // "Detailed wind report"
inline constexpr int kMonthlyYear = 1016;
inline constexpr int kMonthlyMonth = 1018;
inline constexpr int kCurrentMonthText = 1500;
inline constexpr int kAnnualYear = 1012;
inline constexpr int kGlobalFrom = 1006;
inline constexpr int kGlobalTo = 1010;
inline constexpr int kAllTime = 1000;
inline constexpr int kStatisticsYear = 1014;
inline constexpr int kMonthlyDetail = 1002;
inline constexpr int kFirstDate = 1110;  // first record (Statistics: hidden)
inline constexpr int kLastDate = 1112;   // last record (Statistics: hidden)
inline constexpr int kStartDate = 1106;
inline constexpr int kEndDate = 1108;

inline constexpr int kFirstRecord = 1064;
inline constexpr int kLastRecord = 1066;
inline constexpr int kWlkList = 1082;
inline constexpr int kSelectAll = 1020;
inline constexpr int kClearAll = 1022;
inline constexpr int kLoad = 1024;
inline constexpr int kReload = 1080;
}  // namespace ids::jobs

// "Monthly Report": a year, then one of its months; MonthReport.
class MonthlyReportDialog : public JobDialog {
public:
    MonthlyReportDialog(AppState& state, QWidget* parent);
    void reject() override;

private:
    void year_changed();
    void ok() override;

    QCheckBox* decades_;
    QCheckBox* wind_detail_;
    QComboBox* year_;
    QComboBox* month_;
    std::string anno_, mese_;  // the chosen year and month texts
};

// "Current Month Report": the month in progress, from its WLK file; LoadTempTable.
class CurrentMonthDialog : public JobDialog {
public:
    CurrentMonthDialog(AppState& state, QWidget* parent);

private:
    void ok() override;

    QCheckBox* decades_;
    QCheckBox* wind_detail_;
};

// "Annual Report": one year; YearReport.
class AnnualReportDialog : public JobDialog {
public:
    AnnualReportDialog(AppState& state, QWidget* parent);
    void reject() override;

private:
    void ok() override;

    QComboBox* year_;
    std::string anno_;
};

// "Web Pages": the station's web site written into its "web" folder (WebPages), then its
// index.html opened in the default browser.
class WebPagesDialog : public JobDialog {
public:
    WebPagesDialog(AppState& state, QWidget* parent);

private:
    void ok() override;
    std::string folder_;
};

// How the Web Pages dialog opens the site's index: QDesktopServices::openUrl unless replaced
// (tests replace it, so no browser starts); an empty function puts the default back.
void set_url_opener(std::function<void(const QUrl&)> opener);

// "Global Report": every year held; GlobalReport.
class GlobalReportDialog : public JobDialog {
public:
    GlobalReportDialog(AppState& state, QWidget* parent);

private:
    void ok() override;
};

// "Statistics": all time, a year, or a year month by month; MkSummary or MkSummaryMonth.
class StatisticsDialog : public JobDialog {
public:
    StatisticsDialog(AppState& state, QWidget* parent);
    void reject() override;

private:
    void ok() override;

    QCheckBox* all_time_;
    QComboBox* year_;
    QCheckBox* monthly_detail_;
    QLineEdit* first_;
    QLineEdit* last_;
    std::string anno_;
};

// "Date Range": any span of days within the records held; ReportRange.
class DateRangeDialog : public JobDialog {
public:
    DateRangeDialog(AppState& state, QWidget* parent);

private:
    void ok() override;

    QLineEdit* first_;
    QLineEdit* last_;
    QDateEdit* start_;
    QDateEdit* end_;
};

}  // namespace nimbora
