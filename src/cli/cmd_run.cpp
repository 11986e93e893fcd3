// SPDX-License-Identifier: GPL-3.0-or-later
// cmd_run.cpp: "run", the unattended daemon: the open station's upload schedule until SIGINT
// or SIGTERM; SIGHUP reloads the station's settings.
#include "cli/commands.h"

#include "automation/Scheduler.h"
#include "config/function.h"
#include "config/read_conf.h"
#include "jobs/busy.h"
#include "upload/FTPConnection.h"

#include <CLI/CLI.hpp>

#include <QCoreApplication>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstring>
#include <functional>
#include <iterator>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>

namespace nimbora {
namespace {

constexpr int kUploadPollMs = 100;  // how often the wait for a running upload looks at it

int g_signal_pipe[2] = {-1, -1};

constexpr char kStopByte = 'S';    // SIGINT or SIGTERM
constexpr char kReloadByte = 'H';  // SIGHUP

extern "C" void on_daemon_signal(int signo)
{
    const int saved = errno;
    const char byte = signo == SIGHUP ? kReloadByte : kStopByte;
    [[maybe_unused]] const ssize_t written = ::write(g_signal_pipe[1], &byte, 1);
    errno = saved;
}

// "pipe2: Too many open files": the call that failed and the system's reason.
std::string failed_call(const char* call)
{
    return std::string(call) + ": " + std::strerror(errno);
}

// SIGINT, SIGTERM and SIGHUP while this lives: the handler only writes a byte into a pipe,
// and the event loop reads it and calls on_stop or on_reload, in the order the signals came.
// The previous handlers come back on destruction.
class DaemonSignals {
public:
    DaemonSignals() = default;
    ~DaemonSignals() { restore(); }
    DaemonSignals(const DaemonSignals&) = delete;
    DaemonSignals& operator=(const DaemonSignals&) = delete;

    // Installs the handlers. Empty when they are in place, else the failing call and its
    // reason, with nothing left installed.
    std::string install()
    {
        if (::pipe2(g_signal_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
            g_signal_pipe[0] = g_signal_pipe[1] = -1;
            return failed_call("pipe2");
        }
        struct sigaction action {};
        action.sa_handler = on_daemon_signal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (; installed_ < std::size(kSignals); ++installed_) {
            const int signo = kSignals[installed_];
            if (sigaction(signo, &action, &old_[installed_]) != 0) {
                std::string failure = failed_call(kNames[installed_]);
                restore();
                return failure;
            }
        }
        notifier_ = std::make_unique<QSocketNotifier>(static_cast<qintptr>(g_signal_pipe[0]),
                                                      QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { read_pipe(); });
        return {};
    }

    std::function<void()> on_stop;
    std::function<void()> on_reload;

private:
    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
    static constexpr const char* kNames[] = {"sigaction(SIGINT)", "sigaction(SIGTERM)",
                                             "sigaction(SIGHUP)"};

    void restore()
    {
        notifier_.reset();
        for (; installed_ > 0; --installed_)
            sigaction(kSignals[installed_ - 1], &old_[installed_ - 1], nullptr);
        for (int& fd : g_signal_pipe) {
            if (fd >= 0) ::close(fd);
            fd = -1;
        }
    }

    void read_pipe()
    {
        char bytes[64];
        for (ssize_t got; (got = ::read(g_signal_pipe[0], bytes, sizeof bytes)) > 0;) {
            for (ssize_t i = 0; i < got; ++i) {
                const auto& call = bytes[i] == kReloadByte ? on_reload : on_stop;
                if (call) call();
            }
        }
    }

    std::size_t installed_ = 0;
    struct sigaction old_[std::size(kSignals)]{};
    std::unique_ptr<QSocketNotifier> notifier_;
};

// The session's owner, one call at a time: uploads speak from their own thread.
class SerialOwner : public Owner {
public:
    explicit SerialOwner(Owner& inner) : inner_(inner) {}

    void message(std::string_view caption, std::string_view text, Icon icon) override
    {
        std::lock_guard lock(mutex_);
        inner_.message(caption, text, icon);
    }
    bool question(std::string_view caption, std::string_view text, Icon icon,
                  bool unanswered) override
    {
        std::lock_guard lock(mutex_);
        return inner_.question(caption, text, icon, unanswered);
    }
    void status(std::string_view text) override
    {
        std::lock_guard lock(mutex_);
        inner_.status(text);
    }
    void progress_range(int low, int high) override
    {
        std::lock_guard lock(mutex_);
        inner_.progress_range(low, high);
    }
    void progress_step(int step) override
    {
        std::lock_guard lock(mutex_);
        inner_.progress_step(step);
    }
    void progress_reset() override
    {
        std::lock_guard lock(mutex_);
        inner_.progress_reset();
    }
    void busy(bool) override {}
    void menu_enabled(bool) override {}

private:
    Owner& inner_;
    std::mutex mutex_;
};

// The tray tip on one line: "Nimbora - [Hill]  FTP Upload ON (Every: 1 hr.)".
std::string status_line(const Settings& s, const Places& places)
{
    const std::string tip = MkTipMsg(s, places.StationName, TimerActive);
    return tip.substr(0, tip.find('\n')) + "  " + std::string(status_part(tip));
}

}  // namespace

void add_run(CLI::App&, Args&) {}

Exit run_daemon(Session& session)
{
    if (!session.load_station()) return kFailed;
    if (session.settings.TransferEnabled == 0) {
        session.owner.message("Run",
                              "Automatic upload is off for this station: turn it on with "
                              "\"config set TransferEnabled 1\"",
                              Icon::error);
        return kFailed;
    }

    // The program's main made one; a caller without one gets it here.
    std::unique_ptr<QCoreApplication> own_app;
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "nimbora-cli";
        static char* argv[] = {name, nullptr};
        own_app = std::make_unique<QCoreApplication>(argc, argv);
        // Qt adopted the user's locale; reports and logs need '.' as the decimal point.
        std::setlocale(LC_NUMERIC, "C");
    }

    DaemonSignals handlers;
    if (const std::string failure = handlers.install(); !failure.empty()) {
        session.owner.message("Error", failure, Icon::error);
        return kFailed;
    }

    SerialOwner owner(session.owner);
    Settings& settings = session.settings;
    const Places& places = session.places;
    // One line, written again only when its text changes.
    std::string shown;
    const auto show = [&](std::string line) {
        if (line == shown) return;
        shown = std::move(line);
        if (session.console.err_is_terminal) {
            owner.status(shown);
        } else {
            session.console.out << shown << '\n';
            session.console.out.flush();
        }
    };
    const auto show_status = [&] { show(status_line(settings, places)); };

    auto scheduler = std::make_unique<Scheduler>([&] { return settings; },
                                                 [&] {
                                                     ReportJob job;
                                                     job.hOwner = &owner;
                                                     job.settings = settings;
                                                     job.DocPath = places.DocPath;
                                                     start_upload(std::move(job));
                                                 },
                                                 &owner);
    QObject::connect(scheduler.get(), &Scheduler::status_changed, show_status);

    // SIGHUP: the settings files as they are now, and the schedule started again from them
    // (an upload in progress goes on with the settings it started with). Files that cannot
    // be read are told and leave the running schedule as it is.
    const auto reload = [&] {
        Settings fresh;
        if (read_conf(&owner, kConfEntries, places.DocPath, fresh) != 0) return;
        scheduler->stop_schedule();
        settings = fresh;
        shown.clear();  // the status line again: the reload is done
        scheduler->tick(local_now());
        show_status();
    };

    // The first SIGINT or SIGTERM ends the event loop; a later one cuts a running upload.
    int stops = 0;
    bool waiting = false;
    handlers.on_stop = [&] {
        ++stops;
        if (stops == 1) QCoreApplication::quit();
        if (stops > 1 && waiting) cut_uploads();
    };
    handlers.on_reload = [&] {
        if (stops == 0) reload();
    };

    scheduler->start();
    scheduler->tick(local_now());  // the schedule is due now, not ten seconds from now
    // After the tick: a watch that the line announces is already in place.
    show_status();
    QCoreApplication::exec();

    scheduler.reset();  // no tick may start the schedule again
    if (FTPActive.load() != 0) {
        show("Waiting for the upload in progress to end (stop again to cut it)");
        waiting = true;
        if (stops > 1) cut_uploads();
        // The upload releases FTPActive as its last step; the loop keeps reading signals.
        QEventLoop wait;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (FTPActive.load() == 0) wait.quit();
        });
        poll.start(kUploadPollMs);
        wait.exec();
    }
    wait_for_uploads();
    if (session.console.err_is_terminal) owner.status("");
    return kOk;
}

}  // namespace nimbora
