// SPDX-License-Identifier: GPL-3.0-or-later
// GuiOwner.h: a job's owner in the desktop program. Jobs run on worker threads; every call
// here is carried over to the GUI thread. Message boxes block the job until answered.
#pragma once

#include "jobs/Owner.h"

#include <QLabel>
#include <QObject>
#include <QPointer>
#include <QProgressBar>
#include <QStatusBar>
#include <QWidget>

#include <atomic>
#include <functional>

namespace nimbora {

// The owner of a job and of a window's own messages and questions in the desktop program.
// Lives on the GUI thread, parented to something that outlives every job (the main
// window). The window, status bar and progress bar it reports to may be closed while the
// job runs: progress then goes nowhere and messages go to the fallback window.
//
// Messages and questions are message boxes owned by the window (OK; Yes and No, Escape
// answering No), each waiting for its answer. When `boxes` is given (AppState::boxes: tests
// set it), they go to that owner instead, on the GUI thread in the order a box would come,
// and no box is shown.
class GuiOwner : public QObject, public Owner {
    Q_OBJECT
public:
    GuiOwner(QWidget* window, QWidget* fallback, QObject* parent, Owner* boxes = nullptr);

    void set_status_bar(QStatusBar* bar) { status_bar_ = bar; }
    void set_status_label(QLabel* label) { status_label_ = label; }
    void set_progress_bar(QProgressBar* bar) { progress_bar_ = bar; }
    // Called with false when a job starts and true when it ends (the Report menu).
    void set_menu_hook(std::function<void(bool)> hook) { menu_hook_ = std::move(hook); }

    // From now on no owner shows a message or asks: the program is ending and its jobs
    // finish silently (a job waiting on a box the GUI thread no longer serves would never
    // end); questions get their `unanswered` answer.
    static void close_all();

    void message(std::string_view caption, std::string_view text, Icon icon) override;
    bool question(std::string_view caption, std::string_view text, Icon icon,
                  bool unanswered) override;
    void status(std::string_view text) override;
    void progress_range(int low, int high) override;
    void progress_step(int step) override;
    void progress_reset() override;
    void busy(bool on) override;
    void menu_enabled(bool on) override;

private:
    // Runs `fn` on the GUI thread: at once when called there, else queued (or blocking).
    void on_gui(std::function<void()> fn, bool wait);
    // Runs `box` (which shows a box) on the GUI thread and waits for it, one box at a time.
    // False when the program began to end first: nothing was shown.
    bool show_box(const std::function<void(QWidget* parent)>& box);

    QPointer<QWidget> window_;
    QPointer<QWidget> fallback_;
    QPointer<QStatusBar> status_bar_;
    QPointer<QLabel> status_label_;
    QPointer<QProgressBar> progress_bar_;
    std::function<void(bool)> menu_hook_;
    Owner* boxes_ = nullptr;
    int busy_depth_ = 0;
    static std::atomic<bool> closed_;
};

}  // namespace nimbora
