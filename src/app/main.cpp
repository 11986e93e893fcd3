// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop program's entry point.
#include "app/GuiOwner.h"
#include "app/JobRunner.h"
#include "app/MainWindow.h"
#include "app/arguments.h"
#include "automation/Scheduler.h"
#include "automation/UserStore.h"
#include "config/about.h"
#include "jobs/busy.h"
#include "upload/FTPConnection.h"

#include <curl/curl.h>

#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <QThread>

#include <clocale>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    using namespace nimbora;
    // --version and --help need no display: answered before Qt starts.
    const DesktopArgs early = parse_desktop_args(std::vector<std::string>(argv + 1, argv + argc));
    if (early.version || early.help) {
        const std::string text = early.version ? version_text("nimbora") : desktop_usage();
        std::fputs(text.c_str(), stdout);
        return 0;
    }
    // Before QApplication, which may start threads: libcurl's global set-up is not thread-safe.
    const CURLcode curl_ready = curl_global_init(CURL_GLOBAL_DEFAULT);
    QApplication app(argc, argv);
    // Qt adopted the user's locale; reports and settings need '.' as the decimal point.
    std::setlocale(LC_NUMERIC, "C");
    if (curl_ready != CURLE_OK) {
        const std::string text = std::string("curl_global_init: ") + curl_easy_strerror(curl_ready);
        std::fprintf(stderr, "%s\n", text.c_str());
        QMessageBox::critical(nullptr, QStringLiteral("Error"), QString::fromLatin1(text.c_str()));
        return 1;
    }
    QApplication::setApplicationName(QString::fromLatin1(Version));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/nimbora/nimbora.png")));
    // The window hides in the tray; only Exit ends the program.
    QApplication::setQuitOnLastWindowClosed(false);

    // What is left once Qt took its own options.
    std::vector<std::string> words;
    for (const QString& a : QApplication::arguments().mid(1)) words.push_back(a.toStdString());
    const DesktopArgs args = parse_desktop_args(words);
    if (!args.error.empty()) {
        std::fprintf(stderr, "nimbora: %s (nimbora --help lists the options)\n",
                     args.error.c_str());
        curl_global_cleanup();
        return 2;
    }

    QtUserStore store;
    const auto [x, y] = start_position(store);
    Places places = chosen_places(store, documents_HomePath(), args.home, args.station);
    AppState state{store, places, Settings{}, nullptr, {}, {}, {}, nullptr};
    if (!args.station.empty()) {
        std::error_code ec;
        if (check_station_name(args.station) ||
            !std::filesystem::is_directory(state.places.DocPath, ec)) {
            // As the command line says it, before any window shows.
            std::fprintf(stderr, "Error: Station not found: %s\n", args.station.c_str());
            curl_global_cleanup();
            return 1;
        }
    }
    int code = 0;
    {
        MainWindow window(state);
        window.move(x, y);
        QObject::connect(&window, &MainWindow::quit_requested, &app, &QApplication::quit,
                         Qt::QueuedConnection);
        offer_installation(window.owner(), state.places.HomePath);
        window.load_settings();
        window.show();
        window.start_schedule();
        code = QApplication::exec();
        // Jobs and uploads report to this window: let them end, silently, before it goes.
        // Events are still served meanwhile, for a message that was already on its way.
        window.scheduler()->stop_schedule();
        GuiOwner::close_all();
        while (running_jobs() > 0 || FTPActive.load() != 0) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            QThread::msleep(10);
        }
        wait_for_jobs();
        wait_for_uploads();
    }
    curl_global_cleanup();
    return code;
}
