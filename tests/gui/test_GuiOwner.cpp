// A job on a worker thread speaks to the window through GuiOwner.
#include "app/GuiOwner.h"
#include "support/gui.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QTest>

#include <atomic>
#include <memory>
#include <thread>

namespace nimbora {
namespace {

TEST(GuiOwner, WorkerMessageWaitsForTheAnswerAndProgressReachesTheBar)
{
    QMainWindow main;
    QDialog dialog(&main);
    auto* label = new QLabel(&dialog);
    auto* bar = new QProgressBar(&dialog);
    GuiOwner owner(&dialog, &main, &main);
    owner.set_status_label(label);
    owner.set_progress_bar(bar);
    bool menu = true;
    owner.set_menu_hook([&](bool on) { menu = on; });

    auto seen = test::answer_next_box(QMessageBox::Ok);
    std::atomic<bool> done = false;
    std::thread job([&] {
        owner.menu_enabled(false);
        owner.status("Loading 2012-02.wlk");
        owner.progress_range(0, 16);
        owner.progress_step(1);
        owner.progress_step(1);
        owner.message("Report", "Report successfully created 25\xB0", Icon::information);
        done = true;
    });
    QTRY_VERIFY_WITH_TIMEOUT(done, 5000);
    job.join();
    QCoreApplication::processEvents();

    EXPECT_TRUE(seen->shown);
    EXPECT_EQ(seen->caption, "Report");
    EXPECT_EQ(seen->text, QString::fromLatin1("Report successfully created 25\xB0"));
    EXPECT_EQ(seen->icon, QMessageBox::Information);
    EXPECT_EQ(label->text(), "Loading 2012-02.wlk");
    EXPECT_EQ(bar->value(), 2);
    EXPECT_FALSE(menu);
}

TEST(GuiOwner, AClosedDialogLeavesProgressNowhereAndMessagesToTheMainWindow)
{
    QMainWindow main;
    auto dialog = std::make_unique<QDialog>(&main);
    auto* bar = new QProgressBar(dialog.get());
    GuiOwner owner(dialog.get(), &main, &main);
    owner.set_progress_bar(bar);
    dialog.reset();

    auto seen = test::answer_next_box(QMessageBox::Ok);
    std::atomic<bool> done = false;
    std::thread job([&] {
        owner.progress_range(0, 16);
        owner.progress_step(1);
        owner.message("Error", "x.txt: Error creating file", Icon::error);
        done = true;
    });
    QTRY_VERIFY_WITH_TIMEOUT(done, 5000);
    job.join();
    EXPECT_TRUE(seen->shown);
    EXPECT_EQ(seen->caption, "Error");
}

TEST(GuiOwner, QuestionsAnswerYesOrNo)
{
    auto yes = test::answer_next_box(QMessageBox::Yes);
    EXPECT_TRUE(ask_question(nullptr, "Warning", "Continue anyway?"));
    auto no = test::answer_next_box(QMessageBox::No);
    EXPECT_FALSE(ask_question(nullptr, "Warning", "Continue anyway?"));
    EXPECT_EQ(no->text, "Continue anyway?");
}

}  // namespace
}  // namespace nimbora
