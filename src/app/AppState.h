// SPDX-License-Identifier: GPL-3.0-or-later
// AppState.h: what the desktop program holds while it runs, shared by the main window and
// every dialog it opens. Lives on the GUI thread; jobs get their own copies.
#pragma once

#include "config/Settings.h"
#include "config/UserStore.h"
#include "config/stations.h"

#include <functional>

class QWidget;

namespace nimbora {

class Owner;

struct AppState {
    UserStore& store;   // "Software\Nimbora": PosX, PosY, StationName
    Places places;      // HomePath, StationName, DocPath
    Settings settings;  // the open station's settings (read_conf at start and on open)

    QWidget* main_window = nullptr;  // owns messages of jobs whose dialog has closed
    // The Report menu (and Load Database) greyed while a job runs, enabled after.
    std::function<void(bool)> report_menu_enabled;
    // The upload schedule's stop sequence; the next tick restarts it with new settings.
    std::function<void()> stop_schedule;
    // Refreshes the status text and the tray tip (MkTipMsg) after a change.
    std::function<void()> refresh_status;
    // Who answers the program's message boxes and questions: null in the program (a person,
    // through real boxes); tests set an owner that records them and answers as scripted.
    // Every GuiOwner the windows make is given it.
    Owner* boxes = nullptr;

    bool has_station() const { return !places.StationName.empty(); }
};

}  // namespace nimbora
