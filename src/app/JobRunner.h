// SPDX-License-Identifier: GPL-3.0-or-later
// JobRunner.h: starts the import and report jobs of the desktop program on worker threads,
// one at a time, and keeps track of them until they have ended.
#pragma once

#include "app/GuiOwner.h"
#include "jobs/ReportJob.h"

#include <QDialog>

#include <functional>
#include <optional>
#include <string>

class QBoxLayout;
class QProgressBar;
class QStatusBar;
class QWidget;

namespace nimbora {

struct AppState;

// Where a job reports: the dialog that starts it and that dialog's status or progress bar.
// Any of them may close while the job runs.
struct JobView {
    QWidget* dialog = nullptr;
    QStatusBar* status_bar = nullptr;
    QProgressBar* progress_bar = nullptr;
};

// A job record holding copies of the open station's settings and folder.
ReportJob job_for(const AppState& state);

// Runs `work(job)` on a worker thread as the program's one job. Claims ThActive first and
// hands the claim to the job (job.busy); when another job holds it, starts nothing, shows
// nothing and returns false. The job's owner reports to `view` while the dialog is open, and
// to state.main_window (or the dialog's parent) after; the Report menu is greyed through
// state.report_menu_enabled until the job has released ThActive (before its last message).
// `on_done`, when given, runs on the GUI thread after the work, only if the dialog is still open. A
// thread that cannot be made is told ("Could not load function") and gives false. Call on the GUI
// thread.
bool start_job(AppState& state, const JobView& view, ReportJob job,
               std::function<void(ReportJob&)> work, std::function<void()> on_done = {});

// Jobs started and not yet ended and cleaned up.
int running_jobs();

// Returns once every started job has ended, its thread joined and its owner gone. Keeps the
// GUI thread's events flowing meanwhile, so a job's message boxes still show and can be
// answered. Call before the main window and the application go away.
void wait_for_jobs();

struct Refusal;

// What the dialogs that start jobs share: their own messages, the status or progress bar the
// job reports to, the OK / Cancel / "?" row, and the start of their job. A dialog whose
// opening failed (its database could not be read, already told) is rejected by exec() at
// once, as if closed while opening.
class JobDialog : public QDialog {
public:
    int exec() override;
    void open() override;
    bool opened() const { return opened_; }

protected:
    JobDialog(AppState& state, QWidget* parent, int id, const char* title);

    // Messages of the dialog itself, owned by it and shown at once.
    Owner* owner() { return &owner_; }
    void refuse(const Refusal& r);
    // The station database's file.
    std::string db_path() const;
    // Marks the opening as failed: exec() returns at once.
    void close_at_open() { opened_ = false; }

    // The dialog's rows go into `body()`; the status or progress bar sits under them.
    QBoxLayout* body() { return body_; }
    void add_status_bar(int id);
    void add_progress_bar(int id);
    // "OK" (calling ok()), "Cancel" and "?" opening `help_page`, as the last row of body().
    void add_ok_cancel_help(const char* help_page);
    virtual void ok() {}

    // Starts `work` with `job` as the program's one job, reporting to this dialog; false when
    // nothing started (another job runs: silently).
    bool start(ReportJob job, std::function<void(ReportJob&)> work,
               std::function<void()> on_done = {});
    // Shows `refusal` when there is one (the dialog stays open), else starts as above.
    void start_unless(const std::optional<Refusal>& refusal, ReportJob job,
                      std::function<void(ReportJob&)> work);

    AppState& state_;

private:
    GuiOwner owner_;
    QBoxLayout* body_;
    QStatusBar* status_bar_ = nullptr;
    QProgressBar* progress_bar_ = nullptr;
    bool opened_ = true;
};

}  // namespace nimbora
