// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/dialog_util.h"

#include "app/Help.h"

#include <QDialog>
#include <QKeySequence>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>

namespace nimbora {

QString qt_text(std::string_view text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::string text_of(const QString& text)
{
    return text.toLatin1().toStdString();
}

QPushButton* make_button(const QString& text, int id, QWidget* parent)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(widget_id(id));
    b->setAutoDefault(false);
    return b;
}

QLineEdit* make_edit(int id, int max, QWidget* parent)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(widget_id(id));
    e->setMaxLength(max);
    return e;
}

QPushButton* help_button(QDialog* dialog, const char* page)
{
    QPushButton* b = make_button(QStringLiteral("?"), ids::kHelpButton, dialog);
    b->setFixedWidth(28);
    const std::string target(page);
    QObject::connect(b, &QPushButton::clicked, dialog,
                     [dialog, target] { show_help(dialog, target); });
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), dialog);
    f1->setContext(Qt::WindowShortcut);
    QObject::connect(f1, &QShortcut::activated, dialog,
                     [dialog, target] { show_help(dialog, target); });
    return b;
}

}  // namespace nimbora
