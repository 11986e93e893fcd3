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

// Shows a message box on the GUI thread with the caption, text and icon, owned by
// `parent` (may be null). Returns when the user dismissed it.
void show_message(QWidget* parent, std::string_view caption, std::string_view text, Icon icon);

// Asks a question with Yes and No (Escape answers No). True for Yes.
bool ask_question(QWidget* parent, std::string_view caption, std::string_view text,
                  Icon icon = Icon::question);

// Lives on the GUI thread, parented to something that outlives every job (the main
// window). The window, status bar and progress bar it reports to may be closed while the
// job runs: progress then goes nowhere and messages go to the fallback window.
class GuiOwner : public QObject, public Owner {
    Q_OBJECT
public:
    GuiOwner(QWidget* window, QWidget* fallback, QObject* parent);

    void set_status_bar(QStatusBar* bar) { status_bar_ = bar; }
    void set_status_label(QLabel* label) { status_label_ = label; }
    void set_progress_bar(QProgressBar* bar) { progress_bar_ = bar; }
    // Called with false when a job starts and true when it ends (the Report menu).
    void set_menu_hook(std::function<void(bool)> hook) { menu_hook_ = std::move(hook); }

    // From now on no owner shows a message: the program is ending and its jobs finish
    // silently (a job waiting on a box the GUI thread no longer serves would never end).
    static void close_all();

    void message(std::string_view caption, std::string_view text, Icon icon) override;
    void status(std::string_view text) override;
    void progress_range(int low, int high) override;
    void progress_step(int step) override;
    void progress_reset() override;
    void busy(bool on) override;
    void menu_enabled(bool on) override;

private:
    // Runs `fn` on the GUI thread: at once when called there, else queued (or blocking).
    void on_gui(std::function<void()> fn, bool wait);

    QPointer<QWidget> window_;
    QPointer<QWidget> fallback_;
    QPointer<QStatusBar> status_bar_;
    QPointer<QLabel> status_label_;
    QPointer<QProgressBar> progress_bar_;
    std::function<void(bool)> menu_hook_;
    int busy_depth_ = 0;
    static std::atomic<bool> closed_;
};

}  // namespace nimbora
