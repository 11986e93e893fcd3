// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SetupDialogs.h"

#include "app/GuiOwner.h"
#include "app/dialog_util.h"
#include "config/read_conf.h"
#include "config/settings_edit.h"

#include <QButtonGroup>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace nimbora {
namespace {

// OK (id 1), Cancel (id 2) and "?" (id 9) along the bottom of `d`.
QHBoxLayout* ok_cancel_help(QDialog* d, const char* help_page)
{
    auto* ok = make_button(QDialog::tr("OK"), ids::kOk, d);
    ok->setDefault(true);
    auto* cancel = make_button(QDialog::tr("Cancel"), ids::kCancel, d);
    QObject::connect(ok, &QPushButton::clicked, d, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, d, &QDialog::reject);
    auto* row = new QHBoxLayout;
    row->addWidget(help_button(d, help_page));
    row->addStretch();
    row->addWidget(ok);
    row->addWidget(cancel);
    return row;
}

struct DescriptionField {
    int id;
    const char* label;
    std::size_t max;
    std::string Settings::*field;
};

const std::array<DescriptionField, 6> kDescription{{
    {ids::kRepName, "Name", kRepNameMax, &Settings::Rep_Name},
    {ids::kRepCity, "City", kRepCityMax, &Settings::Rep_City},
    {ids::kRepState, "State", kRepStateMax, &Settings::Rep_State},
    {ids::kRepElev, "Elev.", kRepElevMax, &Settings::Rep_Elev},
    {ids::kRepLat, "Lat.", kRepLatMax, &Settings::Rep_Lat},
    {ids::kRepLong, "Long.", kRepLongMax, &Settings::Rep_Long},
}};

// The column boxes' texts, in ReportChk byte order.
const std::array<const char*, kReportColumns> kColumnText = {"Temperature",
                                                             "Dew Point",
                                                             "Heat Index",
                                                             "Wind Chill",
                                                             "Rel. Humidity",
                                                             "Pressure",
                                                             "Solar Radiation",
                                                             "ET",
                                                             "UV",
                                                             "Rain Rate",
                                                             "Rain",
                                                             "Wind",
                                                             "Wind Run",
                                                             "N. Samples",
                                                             "Temperature Range"};

struct Folder {
    int edit, browse;
    const char* label;
    const char* key;
    std::string Settings::*field;
};

const std::array<Folder, 3> kFolders{{
    {ids::kReportDir, ids::kReportDirBrowse, "Report directory:", "InitPathRep",
     &Settings::InitPathRep},
    {ids::kDatabaseDir, ids::kDatabaseDirBrowse, "Database directory:", "InitPathDB",
     &Settings::InitPathDB},
    {ids::kWlkDir, ids::kWlkDirBrowse, "Wlk directory:", "InitPathWLK", &Settings::InitPathWLK},
}};

constexpr int kFolderEditMax = 260;

struct UnitButton {
    int id;
    const char* text;
};
struct UnitGroup {
    const char* title;
    signed char Settings::*code;
    std::vector<UnitButton> buttons;  // index = the unit code
};

const std::array<UnitGroup, 4>& unit_groups()
{
    static const std::array<UnitGroup, 4> groups{{
        {"Temperature",
         &Settings::UnitTemp,
         {{ids::kTempC, "\xB0"
                        "C"},
          {ids::kTempF, "\xB0"
                        "F"}}},
        {"Rain", &Settings::UnitRain, {{ids::kRainMm, "mm"}, {ids::kRainInch, "inch"}}},
        {"Wind Speed",
         &Settings::UnitWind,
         {{ids::kWindKmh, "Km/h"},
          {ids::kWindMph, "mph"},
          {ids::kWindKnot, "knot"},
          {ids::kWindMs, "m/s"}}},
        {"Barometer",
         &Settings::UnitBar,
         {{ids::kBarHpa, "hPa"},
          {ids::kBarMb, "mb"},
          {ids::kBarMmHg, "mmHg"},
          {ids::kBarInHg, "inHg"}}},
    }};
    return groups;
}

}  // namespace

void AllColumnsBox::nextCheckState()
{
    // Unchecked becomes checked (all); checked and indeterminate become unchecked (none).
    setCheckState(checkState() == Qt::Unchecked ? Qt::Checked : Qt::Unchecked);
}

ReportSetupDialog::ReportSetupDialog(AppState& state, QWidget* parent)
    : QDialog(parent), state_(state)
{
    setObjectName(widget_id(ids::kReportSetupDialog));
    setWindowTitle(tr("Report"));
    const Settings& s = state_.settings;

    auto* station = new QGroupBox(tr("Station"), this);
    auto* grid = new QGridLayout(station);
    for (std::size_t i = 0; i < kDescription.size(); ++i) {
        const DescriptionField& f = kDescription[i];
        edits_[i] = make_edit(f.id, static_cast<int>(f.max), station);
        edits_[i]->setText(qt_text(s.*f.field));
        edits_[i]->setMinimumWidth(170);
        const int row = static_cast<int>(i % 3), col = static_cast<int>(i / 3) * 2;
        grid->addWidget(new QLabel(tr(f.label), station), row, col);
        grid->addWidget(edits_[i], row, col + 1);
    }

    auto* optional = new QGroupBox(tr("Optional Values"), this);
    auto* boxes = new QGridLayout(optional);
    all_ = new AllColumnsBox(optional);
    all_->setObjectName(widget_id(ids::kAllColumns));
    all_->setTristate(true);
    all_->setToolTip(tr("All or none"));
    boxes->addWidget(all_, 0, 0);
    connect(all_, &QCheckBox::clicked, this, &ReportSetupDialog::all_clicked);
    for (int i = 0; i < kReportColumns; ++i) {
        auto* box = new QCheckBox(tr(kColumnText[static_cast<std::size_t>(i)]), optional);
        box->setObjectName(widget_id(ids::column_box(i)));
        if (s.column(i)) {
            box->setChecked(true);
            ++NumCheck_;
        }
        connect(box, &QCheckBox::clicked, this, &ReportSetupDialog::column_clicked);
        columns_[static_cast<std::size_t>(i)] = box;
        boxes->addWidget(box, 1 + i / 3, i % 3);
    }
    show_all_state();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(station);
    layout->addWidget(optional);
    layout->addLayout(ok_cancel_help(this, "Nimbora.chm::/Report.html"));
}

void ReportSetupDialog::show_all_state()
{
    all_->setCheckState(NumCheck_ == 0                ? Qt::Unchecked
                        : NumCheck_ == kReportColumns ? Qt::Checked
                                                      : Qt::PartiallyChecked);
}

void ReportSetupDialog::column_clicked(bool checked)
{
    NumCheck_ += checked ? 1 : -1;
    show_all_state();
}

void ReportSetupDialog::all_clicked()
{
    const bool all = all_->checkState() == Qt::Checked;
    for (QCheckBox* box : columns_) box->setChecked(all);
    NumCheck_ = all ? kReportColumns : 0;
    show_all_state();
}

void ReportSetupDialog::accept()
{
    Settings& s = state_.settings;
    for (std::size_t i = 0; i < kDescription.size(); ++i)
        s.*kDescription[i].field = text_of(edits_[i]->text());
    s.ReportChk.fill(0);
    for (std::size_t i = 0; i < columns_.size(); ++i) s.ReportChk[i] = columns_[i]->isChecked();
    GuiOwner owner(this, state_.main_window, this, state_.boxes);
    write_conf(&owner, state_.places.DocPath, s);
    QDialog::accept();
}

DirectoriesDialog::DirectoriesDialog(AppState& state, QWidget* parent)
    : QDialog(parent), state_(state), OldInitPathDB_(state.settings.InitPathDB)
{
    setObjectName(widget_id(ids::kDirectoriesDialog));
    setWindowTitle(tr("Directories"));
    auto* grid = new QGridLayout;
    for (std::size_t i = 0; i < kFolders.size(); ++i) {
        const Folder& f = kFolders[i];
        const int row = static_cast<int>(i) * 2;
        edits_[i] = make_edit(f.edit, kFolderEditMax, this);
        edits_[i]->setText(qt_text(state_.settings.*f.field));
        edits_[i]->setMinimumWidth(420);
        auto* browse = make_button(QStringLiteral("..."), f.browse, this);
        browse->setFixedWidth(32);
        QLineEdit* edit = edits_[i];
        std::string Settings::*field = f.field;
        // The picker starts at the folder in force, not at what the edit holds now.
        connect(browse, &QPushButton::clicked, this, [this, edit, field] {
            const QString chosen = QFileDialog::getExistingDirectory(
                this, tr("Select Folder"),
                QFile::decodeName(QByteArray::fromStdString(state_.settings.*field)));
            if (chosen.isEmpty()) return;
            // The file system's own bytes, as the settings hold every path (not the
            // 8-bit text of the name, which is wrong for any non-ASCII folder).
            std::string folder = QFile::encodeName(QDir::toNativeSeparators(chosen)).toStdString();
            if (folder.back() != kSep) folder += kSep;
            edit->setText(qt_text(folder));
        });
        grid->addWidget(new QLabel(tr(f.label), this), row, 0, 1, 2);
        grid->addWidget(edits_[i], row + 1, 0);
        grid->addWidget(browse, row + 1, 1);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(ok_cancel_help(this, "Nimbora.chm::/Directories.html"));
}

void DirectoriesDialog::accept()
{
    // Every folder is checked, so each wrong one is named in turn.
    bool valid = true;
    GuiOwner owner(this, state_.main_window, this, state_.boxes);
    for (std::size_t i = 0; i < kFolders.size(); ++i) {
        const std::string text = text_of(edits_[i]->text());
        if (auto problem = check_setting(state_.settings, kFolders[i].key, text)) {
            owner.message(problem->caption, problem->text, problem->icon);
            edits_[i]->setFocus();
            edits_[i]->selectAll();
            valid = false;
        }
    }
    if (!valid) return;

    Settings& s = state_.settings;
    for (std::size_t i = 0; i < kFolders.size(); ++i)
        apply_setting(s, kFolders[i].key, text_of(edits_[i]->text()));
    write_conf(&owner, state_.places.DocPath, s);
    if (s.InitPathDB != OldInitPathDB_) move_database(OldInitPathDB_, s.InitPathDB);
    QDialog::accept();
}

UnitsDialog::UnitsDialog(AppState& state, QWidget* parent) : QDialog(parent), state_(state)
{
    setObjectName(widget_id(ids::kUnitsDialog));
    setWindowTitle(tr("Units"));
    auto* row = new QHBoxLayout;
    for (std::size_t g = 0; g < unit_groups().size(); ++g) {
        const UnitGroup& group = unit_groups()[g];
        auto* box = new QGroupBox(tr(group.title), this);
        auto* column = new QVBoxLayout(box);
        groups_[g] = new QButtonGroup(this);
        for (std::size_t code = 0; code < group.buttons.size(); ++code) {
            auto* radio = new QRadioButton(qt_text(group.buttons[code].text), box);
            radio->setObjectName(widget_id(group.buttons[code].id));
            groups_[g]->addButton(radio, static_cast<int>(code));
            column->addWidget(radio);
            if (state_.settings.*group.code == static_cast<signed char>(code))
                radio->setChecked(true);
        }
        column->addStretch();
        row->addWidget(box);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addLayout(ok_cancel_help(this, "Nimbora.chm::/Units.html"));
}

void UnitsDialog::accept()
{
    // A two-button group (temperature, rain) gives 0 for its first button and 1 otherwise;
    // a wind or barometer group without a checked button keeps its code.
    Settings& s = state_.settings;
    for (std::size_t g = 0; g < unit_groups().size(); ++g) {
        const UnitGroup& group = unit_groups()[g];
        int code = groups_[g]->checkedId();
        if (group.buttons.size() == 2) code = code == 0 ? 0 : 1;
        if (code >= 0) s.*group.code = static_cast<signed char>(code);
    }
    GuiOwner owner(this, state_.main_window, this, state_.boxes);
    write_conf(&owner, state_.places.DocPath, s);
    QDialog::accept();
}

}  // namespace nimbora
