// SPDX-License-Identifier: GPL-3.0-or-later
// AboutDialog.h: Help > About: the picture and the product and version text.
#pragma once

#include "app/AppState.h"

#include <QDialog>

#include <string>

namespace nimbora {

// The about text, lines separated by CR LF: the product, its version, an empty line and
// who makes it.
std::string Version2();

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    AboutDialog(AppState& state, QWidget* parent);
};

}  // namespace nimbora
