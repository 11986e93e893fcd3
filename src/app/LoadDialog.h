// SPDX-License-Identifier: GPL-3.0-or-later
// LoadDialog.h: "Load Database": the span of records held, the WLK files of the station's
// WLK folder, and their import as the program's one job.
#pragma once

#include "app/JobRunner.h"

#include <string>
#include <vector>

class QCheckBox;
class QLineEdit;
class QListWidget;

namespace nimbora {

struct AppState;

class LoadDialog : public JobDialog {
public:
    LoadDialog(AppState& state, QWidget* parent);

    // The listed file names that are selected, in list order.
    std::vector<std::string> selected_files() const;

private:
    void load();
    // Shows the first and last record held; false when the database could not be opened.
    bool show_span();

    QLineEdit* first_;
    QLineEdit* last_;
    QListWidget* files_;
    QCheckBox* reload_;
};

}  // namespace nimbora
