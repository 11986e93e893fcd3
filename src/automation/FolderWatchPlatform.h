// SPDX-License-Identifier: GPL-3.0-or-later
// FolderWatchPlatform.h: the platform's side of watching one folder. FolderWatch holds one;
// each system has its own source file (Linux: FolderWatch_inotify.cpp).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <system_error>

class QObject;

namespace nimbora {

// Reports, on the thread of `context`'s event loop, the files written directly in one folder.
class FolderWatchPlatform {
public:
    struct Sink {
        // A file directly in the folder was closed after writing or renamed into it; its
        // name relative to the folder. Files in subfolders are never reported.
        std::function<void(const std::string& name)> file_written;
        // The system dropped change events: any file of the folder may have changed.
        std::function<void()> events_lost;
    };

    virtual ~FolderWatchPlatform() = default;

    // Starts watching `folder`; null, with the system's reason in `error`, when it cannot be
    // watched (missing, not a folder, no resources left). Nothing is reported once the object
    // is destroyed.
    static std::unique_ptr<FolderWatchPlatform> open(const std::string& folder, QObject* context,
                                                     Sink sink, std::error_code& error);
};

}  // namespace nimbora
