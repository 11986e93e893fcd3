// SPDX-License-Identifier: GPL-3.0-or-later
// StationDialogs.h: New, Open and Delete Station of the File menu.
#pragma once

#include "app/AppState.h"

#include <QDialog>

class QLineEdit;
class QListWidget;

namespace nimbora {

// "New Station": makes a station folder from the templates; the station is not opened.
class NewStationDialog : public QDialog {
    Q_OBJECT
public:
    NewStationDialog(AppState& state, QWidget* parent);

private:
    void create();

    AppState& state_;
    QLineEdit* name_;
};

// "Open Station": makes the chosen station the open one and loads its settings.
class OpenStationDialog : public QDialog {
    Q_OBJECT
public:
    OpenStationDialog(AppState& state, QWidget* parent);

private:
    void open();

    AppState& state_;
    QListWidget* list_;
};

// "Delete Station": removes a station folder after asking.
class DeleteStationDialog : public QDialog {
    Q_OBJECT
public:
    DeleteStationDialog(AppState& state, QWidget* parent);

private:
    void remove();

    AppState& state_;
    QListWidget* list_;
};

}  // namespace nimbora
