// SPDX-License-Identifier: GPL-3.0-or-later
// The FTP Log viewer driven through its widgets, headless.
#include "app/AppState.h"
#include "app/FtpLogDialog.h"
#include "app/dialog_util.h"
#include "support/RecordingOwner.h"
#include "support/files.h"
#include "support/gui.h"

#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include <filesystem>

namespace nimbora {
namespace {

using test::TempDir;

class FtpLogDialogTest : public testing::Test {
protected:
    FtpLogDialogTest()
        : state{store, Places{dir.folder(), "Hill", dir.folder()}, {}, nullptr, {}, {}, {}, &boxes}
    {
    }

    std::filesystem::path log() const { return dir.path() / "Ftp.log"; }

    TempDir dir;
    MemoryUserStore store;
    test::RecordingOwner boxes;
    AppState state;
};

TEST_F(FtpLogDialogTest, OpensScrolledToTheEnd)
{
    std::string text;
    for (int i = 0; i < 400; ++i) text += "05/12/2008 14:05 FTP: Connection opened\r\n";
    text += "05/12/2008 14:06 FTP:  3/3 file(s) uploaded\r\n";
    test::write_file(log(), text);

    FtpLogDialog d(state, nullptr);
    QPlainTextEdit* view = d.findChild<QPlainTextEdit*>(widget_id(FtpLogDialog::kText));
    ASSERT_NE(view, nullptr);
    test::with_next_modal([view](QWidget* w) {
        QScrollBar* bar = view->verticalScrollBar();
        EXPECT_GT(bar->maximum(), 0);
        EXPECT_EQ(bar->value(), bar->maximum());
        EXPECT_TRUE(w->findChild<QPushButton*>(widget_id(FtpLogDialog::kClear))->isEnabled());
        QTest::mouseClick(w->findChild<QPushButton*>(widget_id(ids::kOk)), Qt::LeftButton);
    });
    EXPECT_EQ(d.exec(), QDialog::Accepted);
    EXPECT_TRUE(view->toPlainText().endsWith("FTP:  3/3 file(s) uploaded\n"));
    EXPECT_FALSE(view->toPlainText().contains('\r'));
    EXPECT_TRUE(view->isReadOnly());
}

TEST_F(FtpLogDialogTest, ClearAsksAndOnlyYesDeletes)
{
    test::write_file(log(), "05/12/2008 14:05 FTP error 2: File not found - /x/25\xB0.txt\r\n");
    FtpLogDialog d(state, nullptr);
    d.show();
    QPlainTextEdit* view = d.findChild<QPlainTextEdit*>(widget_id(FtpLogDialog::kText));
    QPushButton* clear = d.findChild<QPushButton*>(widget_id(FtpLogDialog::kClear));
    EXPECT_TRUE(view->toPlainText().contains(QString::fromLatin1("25\xB0.txt")));

    boxes.answer({false});
    QTest::mouseClick(clear, Qt::LeftButton);
    ASSERT_EQ(boxes.messages.size(), 1u);
    EXPECT_TRUE(boxes.messages[0].asked);
    EXPECT_EQ(boxes.messages[0].caption, "Delete log file");
    EXPECT_EQ(boxes.messages[0].text, "Are you sure ?");
    EXPECT_EQ(boxes.messages[0].icon, Icon::question);
    EXPECT_TRUE(std::filesystem::exists(log()));
    EXPECT_FALSE(view->toPlainText().isEmpty());
    EXPECT_TRUE(clear->isEnabled());

    boxes.answer({true});
    QTest::mouseClick(clear, Qt::LeftButton);
    EXPECT_EQ(boxes.messages.size(), 2u);
    EXPECT_FALSE(std::filesystem::exists(log()));
    EXPECT_TRUE(view->toPlainText().isEmpty());
    EXPECT_FALSE(clear->isEnabled());
}

TEST_F(FtpLogDialogTest, MissingLogShowsNothingToClear)
{
    FtpLogDialog d(state, nullptr);
    d.show();
    EXPECT_TRUE(
        d.findChild<QPlainTextEdit*>(widget_id(FtpLogDialog::kText))->toPlainText().isEmpty());
    EXPECT_FALSE(d.findChild<QPushButton*>(widget_id(FtpLogDialog::kClear))->isEnabled());
}

}  // namespace
}  // namespace nimbora
