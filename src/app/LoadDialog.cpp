// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/LoadDialog.h"

#include "app/AppState.h"
#include "app/ReportDialogs.h"
#include "app/dialog_util.h"
#include "config/db_helpers.h"
#include "config/stations.h"
#include "import/load_db.h"
#include "jobs/JobEnd.h"
#include "jobs/busy.h"
#include "reports/requests.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>

#include <memory>
#include <optional>
#include <utility>

namespace nimbora {

LoadDialog::LoadDialog(AppState& state, QWidget* parent)
    : JobDialog(state, parent, ids::jobs::kLoadDialog, "Load Database"),
      first_(new QLineEdit(this)), last_(new QLineEdit(this)), files_(new QListWidget(this)),
      reload_(new QCheckBox(tr("Reload selected file(s)"), this))
{
    for (auto [edit, id] :
         {std::pair{first_, ids::jobs::kFirstRecord}, std::pair{last_, ids::jobs::kLastRecord}}) {
        edit->setObjectName(widget_id(id));
        edit->setReadOnly(true);
    }
    files_->setObjectName(widget_id(ids::jobs::kWlkList));
    files_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    files_->setSortingEnabled(true);
    reload_->setObjectName(widget_id(ids::jobs::kReload));

    auto* group = new QGroupBox(tr("Database"), this);
    auto* span = new QFormLayout(group);
    span->addRow(tr("First Available Record:"), first_);
    span->addRow(tr("Last Available Record:"), last_);
    body()->addWidget(group);
    body()->addWidget(new QLabel(tr("Select file(s) to load"), this));

    auto* select_all = make_button(tr("Select All"), ids::jobs::kSelectAll, this);
    auto* clear_all = make_button(tr("Clear All"), ids::jobs::kClearAll, this);
    auto* load_button = make_button(tr("Load"), ids::jobs::kLoad, this);
    auto* cancel = make_button(tr("Cancel"), ids::kCancel, this);
    connect(select_all, &QPushButton::clicked, files_, &QListWidget::selectAll);
    connect(clear_all, &QPushButton::clicked, files_, &QListWidget::clearSelection);
    connect(load_button, &QPushButton::clicked, this, [this] { load(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* grid = new QGridLayout;
    grid->addWidget(files_, 0, 0, 5, 1);
    grid->addWidget(select_all, 0, 1);
    grid->addWidget(clear_all, 1, 1);
    grid->addWidget(load_button, 2, 1);
    grid->addWidget(cancel, 3, 1);
    grid->addWidget(help_button(this, "Nimbora.chm::/Load.html"), 4, 1, Qt::AlignRight);
    grid->addWidget(reload_, 5, 0, 1, 2);
    body()->addLayout(grid);
    add_status_bar(ids::jobs::kLoadStatusBar);
    resize(360, sizeHint().height());

    if (!show_span()) {
        close_at_open();
        return;
    }
    for (const std::string& name : list_wlk_files(state.settings.InitPathWLK))
        files_->addItem(qt_text(name));
    if (files_->count() == 0) owner()->message("Error", "Wlk file(s) not found", Icon::error);
}

bool LoadDialog::show_span()
{
    const auto span = GetFLRecord(owner(), db_path());
    if (!span) return false;
    first_->setText(qt_text(span->first));
    last_->setText(qt_text(span->second));
    return true;
}

std::vector<std::string> LoadDialog::selected_files() const
{
    std::vector<std::string> names;
    for (int row = 0; row < files_->count(); ++row)
        if (files_->item(row)->isSelected()) names.push_back(text_of(files_->item(row)->text()));
    return names;
}

void LoadDialog::load()
{
    ReportJob job = job_for(state_);
    load_request(job, selected_files(), reload_->isChecked());
    // The span is read again once the import has committed, then shown if the dialog is open.
    auto span = std::make_shared<std::optional<std::pair<std::string, std::string>>>();
    const std::string db = db_path();
    QPointer<LoadDialog> self(this);
    start(
        std::move(job),
        [span, db](ReportJob& j) {
            // ThActive stays claimed until the span has been read (a job started in between
            // would find the database in use); the import's messages wait until it is free.
            JobEnd end(j);
            if (load_db(j).code == 0) *span = GetFLRecord(j.hOwner, db);
            end.finish(0);
        },
        [self, span] {
            if (!self || !*span) return;
            self->first_->setText(qt_text((*span)->first));
            self->last_->setText(qt_text((*span)->second));
        });
}

}  // namespace nimbora
