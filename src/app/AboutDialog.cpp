// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AboutDialog.h"

#include "app/GuiOwner.h"
#include "app/dialog_util.h"
#include "config/about.h"

#include <QFrame>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>

namespace nimbora {

std::string Version2()
{
    return std::string(Version) + "\r\n Version " + nVer +
           "\r\n\r\n Weather station reports\r\n by the Nimbora developers";
}

AboutDialog::AboutDialog(AppState& state, QWidget* parent) : QDialog(parent)
{
    setObjectName(widget_id(ids::kAboutDialog));
    setWindowTitle(tr("About..."));
    setFixedSize(380, 190);

    auto* frame = new QFrame(this);
    frame->setFrameShape(QFrame::StyledPanel);
    frame->setGeometry(10, 10, 360, 130);

    // The picture sits at its natural size at (25, 30).
    auto* picture = new QLabel(this);
    picture->setObjectName(widget_id(ids::kAboutPicture));
    const QPixmap pixmap(QStringLiteral(":/nimbora/about.png"));
    if (pixmap.isNull()) {
        // Told before the dialog shows: the box belongs to the window that opens it.
        GuiOwner owner(parent, parent, this, state.boxes);
        owner.message("Error", "Could not load BITMAP!", Icon::warning);
    } else {
        picture->setPixmap(pixmap);
        picture->setGeometry(25, 30, pixmap.width(), pixmap.height());
    }

    auto* text = new QTextEdit(this);
    text->setObjectName(widget_id(ids::kAboutText));
    text->setReadOnly(true);
    text->setFrameShape(QFrame::NoFrame);
    text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    text->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    text->viewport()->setAutoFillBackground(false);
    text->setPlainText(qt_text(Version2()).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    // Centred, line by line.
    for (QTextBlock b = text->document()->begin(); b.isValid(); b = b.next()) {
        QTextCursor cursor(b);
        QTextBlockFormat format = cursor.blockFormat();
        format.setAlignment(Qt::AlignHCenter);
        cursor.setBlockFormat(format);
    }
    text->setGeometry(130, 25, 235, 105);

    // The licence, beside OK: the about text keeps its own form.
    auto* licence = new QLabel(qt_text(licence_line()), this);
    licence->setObjectName(QStringLiteral("licence"));
    licence->setGeometry(12, 152, 270, 28);

    auto* ok = make_button(tr("OK"), ids::kOk, this);
    ok->setDefault(true);
    ok->setGeometry(290, 152, 80, 28);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace nimbora
