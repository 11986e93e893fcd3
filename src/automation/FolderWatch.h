// SPDX-License-Identifier: GPL-3.0-or-later
// FolderWatch.h: one watched folder of the upload schedule's watch mode.
#pragma once

#include "upload/schedule.h"

#include <QByteArray>
#include <QObject>

#include <memory>
#include <string>
#include <system_error>

namespace nimbora {

class FolderWatchPlatform;

// Watches the files directly in one folder and signals each finished write, a burst of writes
// to one file as one signal (RepeatFilter). Lives and signals on the thread that created it.
class FolderWatch : public QObject {
    Q_OBJECT

public:
    explicit FolderWatch(std::string folder, QObject* parent = nullptr);
    ~FolderWatch() override;

    // Starts watching; false when the folder cannot be watched, with the system's reason in
    // error().
    bool start();
    // Stops watching. Once it returns, no signal is emitted. Calling it again does nothing.
    void stop();

    const std::string& folder() const { return folder_; }
    // Why the last start() failed ("No such file or directory"); empty after a success.
    std::string error() const { return error_ ? error_.message() : std::string(); }

signals:
    // `name`: the file written, relative to the folder (8-bit, as the file system has it).
    void file_changed(const QByteArray& name);
    // Change events of the folder were lost: any of its files may have changed.
    void events_lost();

private:
    void written(const std::string& name);

    std::string folder_;
    RepeatFilter repeats_;
    std::unique_ptr<FolderWatchPlatform> platform_;
    std::error_code error_;
};

}  // namespace nimbora
