// SPDX-License-Identifier: GPL-3.0-or-later
// FolderWatch_inotify.cpp: the folder watch on Linux. inotify names the file that changed;
// IN_CLOSE_WRITE fires once a writer has finished (IN_MODIFY would fire mid-write) and
// IN_MOVED_TO covers a file written elsewhere and renamed into place.
#include "automation/FolderWatchPlatform.h"

#include <QSocketNotifier>

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <vector>

namespace nimbora {
namespace {

class InotifyWatch : public FolderWatchPlatform {
public:
    InotifyWatch(int fd, QObject* context, Sink sink)
        : fd_(fd), sink_(std::move(sink)), alive_(std::make_shared<bool>(true))
    {
        notifier_ = new QSocketNotifier(static_cast<qintptr>(fd_), QSocketNotifier::Read, context);
        QObject::connect(notifier_, &QSocketNotifier::activated, notifier_,
                         [this] { read_events(); });
    }

    ~InotifyWatch() override
    {
        *alive_ = false;
        // This may run inside read_events, called from the notifier's own signal: disable
        // it now and let the event loop (or its parent) delete it.
        notifier_->setEnabled(false);
        QObject::disconnect(notifier_, nullptr, nullptr, nullptr);
        notifier_->deleteLater();
        ::close(fd_);
    }

    InotifyWatch(const InotifyWatch&) = delete;
    InotifyWatch& operator=(const InotifyWatch&) = delete;

private:
    void read_events()
    {
        std::vector<std::string> names;
        bool lost = false;
        alignas(inotify_event) char buffer[16384];
        for (;;) {
            const ssize_t got = ::read(fd_, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) break;  // EAGAIN: everything pending has been read
            for (ssize_t at = 0; at < got;) {
                inotify_event event;
                std::memcpy(&event, buffer + at, sizeof event);
                const char* name = buffer + at + sizeof event;
                if (event.mask & IN_Q_OVERFLOW) lost = true;
                if ((event.mask & (IN_CLOSE_WRITE | IN_MOVED_TO)) && !(event.mask & IN_ISDIR) &&
                    event.len > 0)
                    names.emplace_back(name, strnlen(name, event.len));
                at += static_cast<ssize_t>(sizeof event + event.len);
            }
        }
        // A receiver may stop the watch and so destroy this object: stop as soon as it did.
        const std::shared_ptr<bool> alive = alive_;
        const Sink sink = sink_;
        if (lost && sink.events_lost) {
            sink.events_lost();
            if (!*alive) return;
        }
        for (const std::string& name : names) {
            if (sink.file_written) sink.file_written(name);
            if (!*alive) return;
        }
    }

    int fd_;
    Sink sink_;
    std::shared_ptr<bool> alive_;
    QSocketNotifier* notifier_;  // a child of the context: deleted later, or with the context
};

}  // namespace

std::unique_ptr<FolderWatchPlatform> FolderWatchPlatform::open(const std::string& folder,
                                                               QObject* context, Sink sink,
                                                               std::error_code& error)
{
    error.clear();
    const int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0) {
        error.assign(errno, std::system_category());
        return nullptr;
    }
    if (inotify_add_watch(fd, folder.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO | IN_ONLYDIR) < 0) {
        error.assign(errno, std::system_category());
        ::close(fd);
        return nullptr;
    }
    return std::make_unique<InotifyWatch>(fd, context, std::move(sink));
}

}  // namespace nimbora
