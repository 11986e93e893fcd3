// SPDX-License-Identifier: GPL-3.0-or-later
// FtpLogDialog.h: "FTP Log": the station's upload log, shown from its end, and its deletion.
#pragma once

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

namespace nimbora {

struct AppState;

class FtpLogDialog : public QDialog {
    Q_OBJECT
public:
    // Widget ids (each widget's objectName is its id in decimal).
    static constexpr int kText = 1008;
    static constexpr int kClear = 40033;

    FtpLogDialog(AppState& state, QWidget* parent);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void clear_log();
    void scroll_to_end();

    AppState& state_;
    QPlainTextEdit* text_ = nullptr;
    QPushButton* clear_ = nullptr;
};

}  // namespace nimbora
