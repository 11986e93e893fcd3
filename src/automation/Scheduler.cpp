// SPDX-License-Identifier: GPL-3.0-or-later
#include "automation/Scheduler.h"

#include "automation/FolderWatch.h"
#include "jobs/Owner.h"
#include "jobs/busy.h"
#include "upload/schedule.h"

namespace nimbora {

Scheduler::Scheduler(SettingsSource settings, UploadStarter start_upload, Owner* owner,
                     QObject* parent)
    : QObject(parent), settings_(std::move(settings)), start_upload_(std::move(start_upload)),
      owner_(owner)
{
    tick_timer_.setInterval(kTickMs);
    connect(&tick_timer_, &QTimer::timeout, this, [this] { tick(local_now()); });
    connect(&upload_timer_, &QTimer::timeout, this, &Scheduler::request_upload);
}

Scheduler::~Scheduler()
{
    tick_timer_.stop();
    stop_schedule();
}

void Scheduler::start()
{
    tick_timer_.start();
}

void Scheduler::tick(const LocalTime& now)
{
    // A message box shown by a start runs the event loop, and with it later ticks.
    if (in_tick_) return;
    in_tick_ = true;
    const Settings s = settings_();
    const TickDecision d = tick_decision(s, running_ ? 1 : 0, now);
    if (d.action == TickAction::start_timer) start_periodic(d.period_ms, s.IntervMin);
    if (d.action == TickAction::start_watch) start_watch(s);
    in_tick_ = false;
}

void Scheduler::start_periodic(int period_ms, int IntervMin)
{
    upload_timer_.start(period_ms);
    if (!upload_timer_.isActive()) {
        // Not running: the next tick tries again.
        tell(owner_, "Error!", "Timer Creation Failed!", Icon::error);
        return;
    }
    running_ = true;
    started_IntervMin_ = IntervMin;
    TimerActive = 1;
    emit status_changed();
    request_upload();  // the first upload runs at the start
}

void Scheduler::start_watch(const Settings& s)
{
    std::string failure;
    for (const std::string& folder : watch_folders(s)) {
        auto* watch = new FolderWatch(folder, this);
        if (!watch->start()) {
            failure = "Cannot watch the folder " + folder + ": " + watch->error();
            delete watch;
            break;  // the folders after it are not watched
        }
        connect(watch, &FolderWatch::file_changed, this, &Scheduler::file_changed);
        connect(watch, &FolderWatch::events_lost, this, &Scheduler::request_upload);
        watches_.push_back(watch);
    }
    // Running even when a folder failed: the schedule is retried only after a restart.
    running_ = true;
    started_IntervMin_ = 0;
    TimerActive = 1;
    emit status_changed();
    if (!failure.empty()) tell(owner_, "Error", failure, Icon::error);
}

void Scheduler::stop_schedule()
{
    // Undo what this scheduler started, even when someone cleared TimerActive already.
    switch (stop_decision(running_, started_IntervMin_)) {
    case StopAction::nothing:
        break;
    case StopAction::kill_timer:
        upload_timer_.stop();
        break;
    case StopAction::stop_watch:
        for (FolderWatch* watch : watches_) {
            watch->stop();
            disconnect(watch, nullptr, this, nullptr);
            // This may run inside the watch's own signal: delete it from the event loop.
            watch->deleteLater();
        }
        watches_.clear();
        break;
    }
    running_ = false;
    TimerActive = 0;
}

std::vector<std::string> Scheduler::watched_folders() const
{
    std::vector<std::string> folders;
    for (const FolderWatch* watch : watches_) folders.push_back(watch->folder());
    return folders;
}

void Scheduler::file_changed(const QByteArray& name)
{
    if (FTPActive != 0) return;  // a change during an upload is dropped
    const std::string_view text(name.constData(), static_cast<std::size_t>(name.size()));
    if (change_counts(settings_(), text, local_now())) request_upload();
}

void Scheduler::request_upload()
{
    if (FTPActive != 0 || !start_upload_) return;  // dropped while an upload runs
    start_upload_();
}

}  // namespace nimbora
