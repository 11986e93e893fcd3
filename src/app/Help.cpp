// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Help.h"

#include <QDialog>
#include <QFile>
#include <QIcon>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace nimbora {
namespace {

constexpr std::string_view kHelpFile = "Nimbora.chm";
const QString kHelpRoot = QStringLiteral("qrc:/nimbora/help/");
const QString kContents = QStringLiteral("index.html");

// The page of the program's help for a name as the program has always written it.
QString page_file(std::string_view page)
{
    if (page.substr(0, kHelpFile.size()) != kHelpFile) return kContents;
    page.remove_prefix(kHelpFile.size());
    if (page.substr(0, 3) != "::/") return kContents;
    page.remove_prefix(3);
    const QString file = QString::fromLatin1(page.data(), static_cast<qsizetype>(page.size()));
    if (file.isEmpty() || file.contains(QLatin1Char('/')) ||
        !QFile::exists(QStringLiteral(":/nimbora/help/") + file))
        return kContents;
    return file;
}

}  // namespace

QString help_page_url(std::string_view page)
{
    return kHelpRoot + page_file(page);
}

void show_help(QWidget* parent, std::string_view page)
{
    // One viewer per owner: a window of the dialog that asked, so that it stays usable
    // while that dialog is modal, and closes with it.
    QObject* holder = parent ? static_cast<QObject*>(parent) : nullptr;
    QDialog* viewer =
        holder ? holder->findChild<QDialog*>(QStringLiteral("help"), Qt::FindDirectChildrenOnly)
               : nullptr;
    QTextBrowser* browser = nullptr;
    if (viewer) {
        browser = viewer->findChild<QTextBrowser*>();
    } else {
        viewer = new QDialog(parent, Qt::Window);
        viewer->setObjectName(QStringLiteral("help"));
        viewer->setAttribute(Qt::WA_DeleteOnClose);
        viewer->setWindowTitle(QDialog::tr("Nimbora Help"));
        viewer->setWindowIcon(QIcon(QStringLiteral(":/nimbora/nimbora.png")));
        browser = new QTextBrowser(viewer);
        browser->setObjectName(QStringLiteral("helpBrowser"));
        browser->setOpenExternalLinks(false);
        auto* contents = new QPushButton(QDialog::tr("Contents"), viewer);
        auto* close = new QPushButton(QDialog::tr("Close"), viewer);
        QObject::connect(contents, &QPushButton::clicked, browser,
                         [browser] { browser->setSource(QUrl(kHelpRoot + kContents)); });
        QObject::connect(close, &QPushButton::clicked, viewer, &QDialog::close);
        auto* buttons = new QHBoxLayout;
        buttons->addWidget(contents);
        buttons->addStretch();
        buttons->addWidget(close);
        auto* layout = new QVBoxLayout(viewer);
        layout->addWidget(browser);
        layout->addLayout(buttons);
        viewer->resize(560, 480);
    }
    browser->setSource(QUrl(help_page_url(page)));
    viewer->show();
    viewer->raise();
    viewer->activateWindow();
}

}  // namespace nimbora
