// SPDX-License-Identifier: GPL-3.0-or-later
// SetupDialogs.h: the Setup menu's Report, Directories and Units dialogs. Each edits the
// open station's settings and saves them with write_conf on OK; Cancel changes nothing.
#pragma once

#include "app/AppState.h"

#include <QCheckBox>
#include <QDialog>

#include <array>

class QButtonGroup;
class QLineEdit;

namespace nimbora {

// The box standing for all report columns: a click on it turns "all" into "none" and
// anything else into "all", so it never stops at the indeterminate state itself.
class AllColumnsBox : public QCheckBox {
    Q_OBJECT
public:
    using QCheckBox::QCheckBox;

protected:
    void nextCheckState() override;
};

// "Report": the station description printed in report headers and the optional columns.
class ReportSetupDialog : public QDialog {
    Q_OBJECT
public:
    ReportSetupDialog(AppState& state, QWidget* parent);

    int NumCheck() const { return NumCheck_; }

    void accept() override;

private:
    void column_clicked(bool checked);
    void all_clicked();
    void show_all_state();

    AppState& state_;
    std::array<QLineEdit*, 6> edits_{};
    std::array<QCheckBox*, kReportColumns> columns_{};
    AllColumnsBox* all_ = nullptr;
    int NumCheck_ = 0;  // checked column boxes
};

// "Directories": where reports, the database and the WLK files are.
class DirectoriesDialog : public QDialog {
    Q_OBJECT
public:
    DirectoriesDialog(AppState& state, QWidget* parent);

    void accept() override;

private:
    AppState& state_;
    std::array<QLineEdit*, 3> edits_{};  // report, database, WLK
    std::string OldInitPathDB_;
};

// "Units": the units reports print in, from the next report on.
class UnitsDialog : public QDialog {
    Q_OBJECT
public:
    UnitsDialog(AppState& state, QWidget* parent);

    void accept() override;

private:
    AppState& state_;
    std::array<QButtonGroup*, 4> groups_{};  // temperature, rain, wind speed, barometer
};

}  // namespace nimbora
