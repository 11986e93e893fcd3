// SPDX-License-Identifier: GPL-3.0-or-later
// event_loop.h: a QCoreApplication for the automation tests and waits on its event loop.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <clocale>
#include <functional>

namespace nimbora::test {

// The process's QCoreApplication, made on first use. Qt adopts the user's locale when it
// starts; the tests keep the C locale the test main chose.
inline void ensure_app()
{
    if (QCoreApplication::instance()) return;
    static int argc = 1;
    static char name[] = "automation_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = new QCoreApplication(argc, argv);
    (void)app;
    std::setlocale(LC_ALL, "C");
}

// Runs the event loop until `done` holds, for at most `timeout_ms`; returns `done()`. The
// limit is generous: it only keeps a broken test from hanging.
inline bool wait_until(const std::function<bool()>& done, int timeout_ms = 10000)
{
    QElapsedTimer clock;
    clock.start();
    QTimer wake;  // keeps the wait below from sleeping past the limit
    wake.start(20);
    while (!done()) {
        if (clock.elapsed() > timeout_ms) return done();
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// Runs the event loop for `ms`, for what must not happen: whatever was coming has come.
inline void settle(int ms = 300)
{
    wait_until([] { return false; }, ms);
}

}  // namespace nimbora::test
