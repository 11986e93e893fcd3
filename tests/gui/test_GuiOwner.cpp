// SPDX-License-Identifier: GPL-3.0-or-later
// A job on a worker thread speaks to the window through GuiOwner. These tests answer the
// real message boxes: the path the program takes.
#include "app/GuiOwner.h"
#include "support/RecordingOwner.h"
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

// Long enough for a loaded machine under the sanitizers; no test waits for it to pass.
constexpr int kThreadMs = 60000;

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
    QTRY_VERIFY_WITH_TIMEOUT(done, kThreadMs);
    job.join();
    QCoreApplication::processEvents();

    EXPECT_TRUE(seen->shown);
    EXPECT_EQ(seen->caption, "Report");
    EXPECT_EQ(seen->text, QString::fromLatin1("Report successfully created 25\xB0"));
    EXPECT_EQ(seen->icon, QMessageBox::Information);
    EXPECT_EQ(seen->parent, &dialog);
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
    QTRY_VERIFY_WITH_TIMEOUT(done, kThreadMs);
    job.join();
    EXPECT_TRUE(seen->shown);
    EXPECT_EQ(seen->caption, "Error");
    EXPECT_EQ(seen->text, "x.txt: Error creating file");
    EXPECT_EQ(seen->icon, QMessageBox::Critical);
    // Owned by the main window: the dialog it was meant for is gone.
    EXPECT_TRUE(seen->parented);
    EXPECT_EQ(seen->parent, &main);
}

TEST(GuiOwner, QuestionsAnswerYesOrNoFromAnyThread)
{
    QMainWindow main;
    GuiOwner owner(&main, &main, &main);
    auto yes = test::answer_next_box(QMessageBox::Yes);
    EXPECT_TRUE(owner.question("Warning", "Continue anyway?", Icon::warning, false));
    EXPECT_EQ(yes->caption, "Warning");
    EXPECT_EQ(yes->icon, QMessageBox::Warning);
    EXPECT_EQ(yes->parent, &main);
    auto no = test::answer_next_box(QMessageBox::No);
    EXPECT_FALSE(owner.question("Warning", "Continue anyway?", Icon::question, true));
    EXPECT_EQ(no->text, "Continue anyway?");
    EXPECT_EQ(no->icon, QMessageBox::Question);
    // Escape is No, whatever the answer for no one to ask.
    auto escaped = test::answer_next_box(QMessageBox::Cancel);  // no such button: rejected
    EXPECT_FALSE(owner.question("Warning", "Continue anyway?", Icon::question, true));
    EXPECT_TRUE(escaped->shown);

    // A worker waits for the answer given on the GUI thread.
    auto from_worker = test::answer_next_box(QMessageBox::Yes);
    std::atomic<int> answer = -1;
    std::thread job([&] { answer = owner.question("Upload", "Send?", Icon::question, false); });
    QTRY_VERIFY_WITH_TIMEOUT(answer != -1, kThreadMs);
    job.join();
    EXPECT_EQ(answer.load(), 1);
    EXPECT_EQ(from_worker->text, "Send?");
}

TEST(GuiOwner, GivenAnOwnerForItsBoxesShowsNoneAndKeepsProgressOnTheWindow)
{
    QMainWindow main;
    auto* bar = new QProgressBar(&main);
    test::RecordingOwner boxes;
    GuiOwner owner(&main, &main, &main, &boxes);
    owner.set_progress_bar(bar);
    boxes.answer({true});
    auto never = test::with_next_modal([](QWidget* w) { w->close(); });
    std::atomic<bool> done = false;
    std::thread job([&] {
        owner.progress_range(0, 4);
        owner.progress_step(3);
        owner.message("Report", "done", Icon::information);
        EXPECT_TRUE(owner.question("Ask", "Yes?", Icon::question, false));
        EXPECT_FALSE(owner.question("Ask", "Again?", Icon::question, false));  // unscripted
        done = true;
    });
    // The recording owner hears them on the GUI thread, after the progress sent before them.
    QTRY_VERIFY_WITH_TIMEOUT(done, kThreadMs);
    job.join();
    EXPECT_EQ(bar->value(), 3);
    EXPECT_FALSE(never->fired());
    never->cancel();
    ASSERT_EQ(boxes.messages.size(), 3u);
    EXPECT_EQ(boxes.lines(),
              (std::vector<std::string>{"Report: done", "Ask: Yes?", "Ask: Again?"}));
    EXPECT_FALSE(boxes.messages[0].asked);
    EXPECT_TRUE(boxes.messages[1].answer);
    EXPECT_FALSE(boxes.messages[2].answer);
}

}  // namespace
}  // namespace nimbora
