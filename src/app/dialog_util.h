// SPDX-License-Identifier: GPL-3.0-or-later
// dialog_util.h: what the desktop program's dialogs share: ids as object names, the "?"
// button and F1, and our 8-bit texts in Qt strings.
#pragma once

#include "app/ids.h"

#include <QString>

#include <string>
#include <string_view>

class QDialog;
class QLineEdit;
class QPushButton;
class QWidget;

namespace nimbora {

// Our texts are 8-bit (Windows-1252; the degree sign is 0xB0), as the settings files hold them.
QString qt_text(std::string_view text);
std::string text_of(const QString& text);

// A push button with `text` whose objectName is `id`.
QPushButton* make_button(const QString& text, int id, QWidget* parent);

// A line edit limited to `max` characters, objectName `id`.
QLineEdit* make_edit(int id, int max, QWidget* parent);

// The "?" button (id 9) opening `page`; F1 anywhere in the dialog opens it too.
QPushButton* help_button(QDialog* dialog, const char* page);

}  // namespace nimbora
