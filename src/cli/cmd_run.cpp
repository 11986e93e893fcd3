// cmd_run.cpp: "run", the unattended daemon: the open station's upload schedule until SIGINT
// or SIGTERM.
#include "cli/commands.h"

#include "automation/Scheduler.h"
#include "config/function.h"
#include "upload/FTPConnection.h"

#include <CLI/CLI.hpp>

#include <QCoreApplication>
#include <QSocketNotifier>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <memory>
#include <mutex>
#include <ostream>

namespace nimbora {
namespace {

int g_stop_pipe[2] = {-1, -1};

extern "C" void on_stop_signal(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_stop_pipe[1], &byte, 1);
    errno = saved;
}

// SIGINT and SIGTERM quit the event loop while this lives: the handler only writes a byte
// into a pipe, and the loop reads it. The previous handlers come back on destruction.
class StopSignals {
public:
    StopSignals()
    {
        if (::pipe2(g_stop_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
        struct sigaction action {};
        action.sa_handler = on_stop_signal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(SIGINT, &action, &old_int_);
        sigaction(SIGTERM, &action, &old_term_);
        notifier_ = std::make_unique<QSocketNotifier>(static_cast<qintptr>(g_stop_pipe[0]),
                                                      QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [] {
            char byte;
            while (::read(g_stop_pipe[0], &byte, 1) > 0) {}
            QCoreApplication::quit();
        });
        installed_ = true;
    }
    ~StopSignals()
    {
        if (!installed_) return;
        notifier_.reset();
        sigaction(SIGINT, &old_int_, nullptr);
        sigaction(SIGTERM, &old_term_, nullptr);
        ::close(g_stop_pipe[0]);
        ::close(g_stop_pipe[1]);
        g_stop_pipe[0] = g_stop_pipe[1] = -1;
    }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    bool installed() const { return installed_; }

private:
    bool installed_ = false;
    struct sigaction old_int_ {};
    struct sigaction old_term_ {};
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

    StopSignals stop_signals;
    if (!stop_signals.installed()) {
        session.owner.message("Error", "Could not load function", Icon::error);
        return kFailed;
    }

    SerialOwner owner(session.owner);
    const Settings& settings = session.settings;
    const Places& places = session.places;
    // One line, written again only when its text changes.
    std::string shown;
    auto show_status = [&] {
        std::string line = status_line(settings, places);
        if (line == shown) return;
        shown = std::move(line);
        if (session.console.err_is_terminal) {
            owner.status(shown);
        } else {
            session.console.out << shown << '\n';
            session.console.out.flush();
        }
    };

    Scheduler scheduler([&] { return settings; },
                        [&] {
                            ReportJob job;
                            job.hOwner = &owner;
                            job.settings = settings;
                            job.DocPath = places.DocPath;
                            start_upload(std::move(job));
                        },
                        &owner);
    QObject::connect(&scheduler, &Scheduler::status_changed, show_status);

    show_status();
    scheduler.start();
    scheduler.tick(local_now());  // the schedule is due now, not ten seconds from now
    QCoreApplication::exec();

    scheduler.stop_schedule();
    wait_for_uploads();
    if (session.console.err_is_terminal) owner.status("");
    return kOk;
}

}  // namespace nimbora
