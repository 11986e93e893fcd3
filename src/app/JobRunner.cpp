// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/JobRunner.h"

#include "app/AppState.h"
#include "app/GuiOwner.h"
#include "app/dialog_util.h"
#include "config/schema.h"
#include "config/stations.h"
#include "reports/requests.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QVBoxLayout>
#include <QWidget>

#include <list>
#include <memory>
#include <system_error>
#include <thread>
#include <utility>

namespace nimbora {
namespace {

struct Running {
    std::thread thread;
    std::unique_ptr<GuiOwner> owner;
    QPointer<QWidget> dialog;
    std::function<void()> on_done;
};

// Touched on the GUI thread only; a worker reaches its own entry through a queued call.
std::list<std::unique_ptr<Running>>& jobs()
{
    static std::list<std::unique_ptr<Running>> running;
    return running;
}

// The end of a job, on the GUI thread: its thread joined, the dialog told, the owner gone.
void finish(Running* entry)
{
    entry->thread.join();
    auto& all = jobs();
    const bool others = all.size() > 1;
    // A job started meanwhile (the claim drops before this runs) keeps the menu grey.
    if (!others) entry->owner->menu_enabled(true);
    if (entry->dialog && entry->on_done) entry->on_done();
    all.remove_if([entry](const std::unique_ptr<Running>& r) { return r.get() == entry; });
}

}  // namespace

ReportJob job_for(const AppState& state)
{
    ReportJob job;
    job.settings = state.settings;
    job.DocPath = state.places.DocPath;
    return job;
}

bool start_job(AppState& state, const JobView& view, ReportJob job,
               std::function<void(ReportJob&)> work, std::function<void()> on_done)
{
    BusyClaim claim = BusyClaim::try_claim(ThActive);
    if (!claim) return false;

    QWidget* fallback = state.main_window;
    if (!fallback && view.dialog) fallback = view.dialog->parentWidget();
    auto entry = std::make_unique<Running>();
    entry->owner = std::make_unique<GuiOwner>(view.dialog, fallback, nullptr, state.boxes);
    entry->owner->set_status_bar(view.status_bar);
    entry->owner->set_progress_bar(view.progress_bar);
    // A job gives the menus back once it has released ThActive, before its last message; a
    // job started since holds the flag again and keeps them grey.
    entry->owner->set_menu_hook([hook = state.report_menu_enabled](bool on) {
        if (hook && (!on || ThActive.load() == 0)) hook(on);
    });
    entry->dialog = view.dialog;
    entry->on_done = std::move(on_done);

    job.hOwner = entry->owner.get();
    job.busy = std::move(claim);
    Running* self = entry.get();
    try {
        entry->thread = std::thread([self, work = std::move(work), job = std::move(job)]() mutable {
            work(job);
            job = ReportJob();  // the claim, if the work left it, drops before the end is told
            QMetaObject::invokeMethod(
                qApp, [self] { finish(self); }, Qt::QueuedConnection);
        });
    } catch (const std::system_error&) {
        entry->owner->message("Error", "Could not load function", Icon::error);
        return false;
    }
    entry->owner->menu_enabled(false);
    jobs().push_back(std::move(entry));
    return true;
}

int running_jobs()
{
    return static_cast<int>(jobs().size());
}

void wait_for_jobs()
{
    while (!jobs().empty()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

JobDialog::JobDialog(AppState& state, QWidget* parent, int id, const char* title)
    : QDialog(parent), state_(state), owner_(this, parent, nullptr, state.boxes),
      body_(new QVBoxLayout)
{
    setObjectName(widget_id(id));
    setWindowTitle(tr(title));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    body_->setContentsMargins(11, 11, 11, 11);
    outer->addLayout(body_);
}

int JobDialog::exec()
{
    if (!opened_) {
        setResult(QDialog::Rejected);
        return QDialog::Rejected;
    }
    return QDialog::exec();
}

void JobDialog::open()
{
    if (!opened_) {
        setResult(QDialog::Rejected);
        emit rejected();
        emit finished(QDialog::Rejected);
        return;
    }
    QDialog::open();
}

void JobDialog::refuse(const Refusal& r)
{
    owner_.message(r.caption, r.text, r.icon);
}

std::string JobDialog::db_path() const
{
    return state_.settings.InitPathDB + kDbFile;
}

void JobDialog::add_status_bar(int id)
{
    status_bar_ = new QStatusBar(this);
    status_bar_->setObjectName(widget_id(id));
    status_bar_->setSizeGripEnabled(false);
    layout()->addWidget(status_bar_);
}

void JobDialog::add_progress_bar(int id)
{
    // Along the bottom edge, as high as a horizontal scroll bar.
    progress_bar_ = new QProgressBar(this);
    progress_bar_->setObjectName(widget_id(id));
    progress_bar_->setTextVisible(false);
    progress_bar_->setRange(0, 100);
    progress_bar_->setValue(0);
    progress_bar_->setFixedHeight(style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    layout()->addWidget(progress_bar_);
}

void JobDialog::add_ok_cancel_help(const char* help_page)
{
    auto* ok_button = make_button(tr("OK"), ids::kOk, this);
    ok_button->setDefault(true);
    auto* cancel = make_button(tr("Cancel"), ids::kCancel, this);
    connect(ok_button, &QPushButton::clicked, this, [this] { ok(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* row = new QHBoxLayout;
    row->addWidget(help_button(this, help_page));
    row->addStretch();
    row->addWidget(ok_button);
    row->addWidget(cancel);
    body_->addLayout(row);
}

bool JobDialog::start(ReportJob job, std::function<void(ReportJob&)> work,
                      std::function<void()> on_done)
{
    return start_job(state_, {this, status_bar_, progress_bar_}, std::move(job), std::move(work),
                     std::move(on_done));
}

void JobDialog::start_unless(const std::optional<Refusal>& refusal, ReportJob job,
                             std::function<void(ReportJob&)> work)
{
    if (refusal)
        refuse(*refusal);
    else
        start(std::move(job), std::move(work));
}

}  // namespace nimbora
