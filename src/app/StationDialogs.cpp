// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/StationDialogs.h"

#include "app/GuiOwner.h"
#include "app/dialog_util.h"
#include "config/format.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace nimbora {
namespace {

// A list box of the stations, sorted as the engine sorts them.
QListWidget* station_list(const AppState& state, QWidget* parent)
{
    auto* list = new QListWidget(parent);
    list->setObjectName(widget_id(ids::kStationList));
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    for (const std::string& name : list_stations(state.places.HomePath))
        list->addItem(qt_text(name));
    return list;
}

// The name selected in `list`; empty when nothing is.
std::string selected(const QListWidget* list)
{
    const QList<QListWidgetItem*> items = list->selectedItems();
    return items.isEmpty() ? std::string() : text_of(items.front()->text());
}

// A list dialog: the list on the left, the action, Cancel and "?" under each other on the right.
void list_layout(QDialog* d, QListWidget* list, QPushButton* action, const char* help_page)
{
    auto* cancel = make_button(QDialog::tr("Cancel"), ids::kCancel, d);
    QObject::connect(cancel, &QPushButton::clicked, d, &QDialog::reject);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(action);
    buttons->addWidget(cancel);
    buttons->addStretch();
    buttons->addWidget(help_button(d, help_page), 0, Qt::AlignRight);
    auto* row = new QHBoxLayout(d);
    row->addWidget(list, 1);
    row->addLayout(buttons);
    action->setDefault(true);
    d->resize(300, 200);
}

}  // namespace

NewStationDialog::NewStationDialog(AppState& state, QWidget* parent)
    : QDialog(parent), state_(state),
      name_(make_edit(ids::kStationNameEdit, static_cast<int>(kStationNameMax), this))
{
    setObjectName(widget_id(ids::kNewStationDialog));
    setWindowTitle(tr("New Station"));
    auto* create = make_button(tr("Create"), ids::kCreateButton, this);
    create->setDefault(true);
    auto* cancel = make_button(tr("Cancel"), ids::kCancel, this);
    connect(create, &QPushButton::clicked, this, &NewStationDialog::create);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* form = new QVBoxLayout(this);
    form->addWidget(new QLabel(tr("Station name:"), this));
    form->addWidget(name_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(help_button(this, "Nimbora.chm::/new-station.html"));
    buttons->addStretch();
    buttons->addWidget(create);
    buttons->addWidget(cancel);
    form->addLayout(buttons);
    resize(280, 110);
}

void NewStationDialog::create()
{
    const std::string name = text_of(name_->text());
    if (name.empty()) return;
    GuiOwner owner(this, state_.main_window, this, state_.boxes);
    if (create_station(&owner, state_.places.HomePath, name)) accept();
}

OpenStationDialog::OpenStationDialog(AppState& state, QWidget* parent)
    : QDialog(parent), state_(state), list_(station_list(state, this))
{
    setObjectName(widget_id(ids::kOpenStationDialog));
    setWindowTitle(tr("Open Station"));
    auto* open = make_button(tr("Open"), ids::kOpenButton, this);
    connect(open, &QPushButton::clicked, this, &OpenStationDialog::open);
    connect(list_, &QListWidget::itemDoubleClicked, this, &OpenStationDialog::open);
    list_layout(this, list_, open, "Nimbora.chm::/open-station.html");
}

void OpenStationDialog::open()
{
    const std::string name = selected(list_);
    if (name.empty()) return;
    GuiOwner owner(this, state_.main_window, this, state_.boxes);
    switch (open_station(&owner, state_.store, state_.places, state_.settings, name,
                         state_.stop_schedule)) {
    case OpenResult::opened:
    case OpenResult::store_failed:  // the name changed; the owner heard why nothing loaded
        accept();
        break;
    case OpenResult::already_open:
    case OpenResult::not_found:
        break;
    }
}

DeleteStationDialog::DeleteStationDialog(AppState& state, QWidget* parent)
    : QDialog(parent), state_(state), list_(station_list(state, this))
{
    setObjectName(widget_id(ids::kDeleteStationDialog));
    setWindowTitle(tr("Delete Station"));
    auto* del = make_button(tr("Delete"), ids::kDeleteButton, this);
    connect(del, &QPushButton::clicked, this, &DeleteStationDialog::remove);
    list_layout(this, list_, del, "Nimbora.chm::/delete-station.html");
}

void DeleteStationDialog::remove()
{
    const std::string name = selected(list_);
    if (name.empty()) return;
    GuiOwner owner(this, state_.main_window, this, state_.boxes);
    if (!owner.question(strf("Delete station '%s'", name.c_str()), "Are you sure ?", Icon::question,
                        false))
        return;
    if (delete_station(&owner, state_.store, state_.places, state_.settings, name,
                       state_.stop_schedule) != DeleteResult::failed)
        accept();
}

}  // namespace nimbora
