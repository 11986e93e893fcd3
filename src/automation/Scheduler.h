// SPDX-License-Identifier: GPL-3.0-or-later
// Scheduler.h: the upload schedule of one running program (the desktop window or the
// daemon). It owns the 10-second tick, the periodic upload timer and the folder watch, and
// asks for uploads through the starter it is given; what to start when is decided by the
// functions of upload/schedule.h.
//
//     Scheduler scheduler([&] { return settings; }, [&] { start_upload(job()); }, &owner);
//     connect(&scheduler, &Scheduler::status_changed, this, &MainWindow::refresh_status);
//     scheduler.start();
//     ...
//     scheduler.stop_schedule();  // before the upload settings change or the station does
#pragma once

#include "config/Settings.h"
#include "config/function.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>

#include <functional>
#include <string>
#include <vector>

namespace nimbora {

class FolderWatch;
class Owner;

class Scheduler : public QObject {
    Q_OBJECT

public:
    // The settings in force now; read at every tick and every change.
    using SettingsSource = std::function<Settings()>;
    // Starts one upload, or does nothing while one runs. Called only while FTPActive is 0.
    using UploadStarter = std::function<void()>;

    // `owner` hears "Timer Creation Failed!" and a folder that cannot be watched ("Cannot
    // watch the folder FOLDER: the system's reason"); null is silent.
    Scheduler(SettingsSource settings, UploadStarter start_upload, Owner* owner,
              QObject* parent = nullptr);
    ~Scheduler() override;  // runs the stop sequence

    // Starts the 10-second tick; the first tick comes 10 s later (call tick() for one now).
    void start();

    // The stop sequence: stops the periodic timer or every folder watch, whichever the
    // running schedule was started with, and clears TimerActive. Once it returns no upload
    // is requested until a tick starts the schedule again. The tick itself keeps running.
    void stop_schedule();

    // One tick at local time `now`: starts the schedule when the settings ask for it. A
    // periodic start requests its first upload at once.
    void tick(const LocalTime& now);

    // True from a start by tick() until stop_schedule().
    bool running() const { return running_; }
    // The folders being watched (watch mode), in order.
    std::vector<std::string> watched_folders() const;

signals:
    // The schedule started: the status text and tray tip should be built again.
    void status_changed();

private:
    void start_periodic(int period_ms, int IntervMin);
    void start_watch(const Settings& s);
    void file_changed(const QByteArray& name);
    void request_upload();

    SettingsSource settings_;
    UploadStarter start_upload_;
    Owner* owner_;
    QTimer tick_timer_;
    QTimer upload_timer_;
    std::vector<FolderWatch*> watches_;  // children of this object
    bool running_ = false;
    int started_IntervMin_ = 0;  // the interval the running schedule was started with
    bool in_tick_ = false;
};

}  // namespace nimbora
