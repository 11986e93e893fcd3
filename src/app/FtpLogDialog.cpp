// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/FtpLogDialog.h"

#include "app/AppState.h"
#include "app/GuiOwner.h"
#include "app/dialog_util.h"
#include "upload/InternetFunc.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include <new>

namespace nimbora {
namespace {

// The log ends its lines with CR LF; the viewer wants plain line breaks.
QString viewer_text(const std::string& log)
{
    QString text = qt_text(log);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

}  // namespace

FtpLogDialog::FtpLogDialog(AppState& state, QWidget* parent) : QDialog(parent), state_(state)
{
    setWindowTitle(tr("FTP Log"));
    setModal(true);

    text_ = new QPlainTextEdit(this);
    text_->setObjectName(widget_id(kText));
    text_->setReadOnly(true);
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    text_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    text_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont fixed(QStringLiteral("Monospace"));
    fixed.setStyleHint(QFont::TypeWriter);
    text_->setFont(fixed);

    clear_ = make_button(tr("Clear"), kClear, this);
    auto* ok = make_button(tr("OK"), ids::kOk, this);
    ok->setDefault(true);
    connect(clear_, &QPushButton::clicked, this, &FtpLogDialog::clear_log);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(help_button(this, kFtpLogHelpPage));
    buttons->addStretch();
    buttons->addWidget(clear_);
    buttons->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_, 1);
    layout->addLayout(buttons);
    resize(560, 400);

    clear_->setEnabled(false);
    if (auto log = read_ftp_log(state_.places.DocPath)) {
        // The text shown takes a few times the size of the file: a log that does not fit is
        // shown empty, as one that could not be read.
        try {
            text_->setPlainText(viewer_text(*log));
            clear_->setEnabled(true);
        } catch (const std::bad_alloc&) {
            text_->clear();
        }
    }
    scroll_to_end();
}

void FtpLogDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // The scroll range is known only once the text has been laid out in its window.
    scroll_to_end();
}

void FtpLogDialog::scroll_to_end()
{
    text_->moveCursor(QTextCursor::End);
    text_->ensureCursorVisible();
    text_->verticalScrollBar()->setValue(text_->verticalScrollBar()->maximum());
}

void FtpLogDialog::clear_log()
{
    const SettingCheck question = clear_log_question();
    GuiOwner owner(this, state_.main_window, this, state_.boxes);
    if (!owner.question(question.caption, question.text, question.icon, false)) return;
    if (auto problem = clear_ftp_log(state_.places.DocPath)) {
        owner.message(problem->caption, problem->text, problem->icon);
        return;
    }
    text_->clear();
    clear_->setEnabled(false);
}

}  // namespace nimbora
