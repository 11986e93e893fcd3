// The desktop program's entry point.
#include "app/GuiOwner.h"
#include "app/JobRunner.h"
#include "app/MainWindow.h"
#include "automation/Scheduler.h"
#include "automation/UserStore.h"
#include "jobs/busy.h"
#include "upload/FTPConnection.h"

#include <curl/curl.h>

#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <QThread>

#include <clocale>
#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    using namespace nimbora;
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

    QtUserStore store;
    const auto [x, y] = start_position(store);
    AppState state{
        store, start_places(store, documents_HomePath()), Settings{}, nullptr, {}, {}, {}, nullptr};
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
