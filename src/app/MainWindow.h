// SPDX-License-Identifier: GPL-3.0-or-later
// MainWindow.h: the desktop program's one window: menus, background picture, status text,
// tray icon, the saved position and the upload schedule.
#pragma once

#include "app/AppState.h"

#include <QMainWindow>
#include <QPointer>

#include <map>

class QAction;
class QLabel;
class QMenu;
class QSystemTrayIcon;

namespace nimbora {

class ChartsWindow;
class GuiOwner;
class Owner;
class Scheduler;

// The window title: "Nimbora" before a station has been opened, then "Nimbora - [name]"
// (empty brackets once the open station is deleted).
QString station_title(std::string_view StationName);

// Offers the installation step when the product folder or a template is missing, and runs it
// on Yes; `owner` asks and tells (no one to ask: No). True when the installation is complete
// afterwards.
bool offer_installation(Owner* owner, const std::string& HomePath);

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // Sets up the shared state's callbacks (stop_schedule, refresh_status, the Report menu)
    // and the schedule; nothing runs until load_settings() and start_schedule().
    explicit MainWindow(AppState& state, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Loads the open station's settings (read_conf); messages are owned by this window.
    void load_settings();
    // Starts the 10-second tick of the upload schedule.
    void start_schedule();

    // The menu item, or tray item when `tray`, with this id; null for an unknown id.
    QAction* action(int id, bool tray = false) const;
    QMenu* setup_menu() const { return setup_menu_; }
    QMenu* report_menu() const { return report_menu_; }
    QMenu* tray_menu() const { return tray_menu_; }
    QString status_text() const;
    QString tray_tip() const;
    Scheduler* scheduler() const { return scheduler_; }
    // The window's own owner: its messages and questions, and the schedule's uploads.
    Owner* owner() const;
    // True when closing and minimising hide the window in the tray; without a notification
    // area the close box ends the program and minimising is ordinary.
    bool hides_in_tray() const;

    // Builds the tray tip (MkTipMsg) and the status text after its empty line.
    void refresh_status();
    // Greys or enables what needs an open station, as the station now stands.
    void update_station_menus();
    // The Report menu greyed while a job runs (never enabled without a station).
    void set_report_menu(bool on);

signals:
    // File > Exit or tray > Exit: the program should end.
    void quit_requested();

public slots:
    void new_station();
    void open_station();
    void delete_station();
    void load_database();
    void view_ftp_log();
    void setup_report();
    void setup_directories();
    void setup_units();
    void setup_internet();
    void current_month();
    void monthly_report();
    void annual_report();
    void global_report();
    void date_range();
    void statistics();
    // Report > Charts...: the charts window, opened or brought to the front.
    void charts();
    // Report > Web Pages...: the site written with progress, then opened in the browser.
    void web_pages();
    void help();
    void check_updates();
    void about();
    void show_normal();
    void exit_program();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void build_menus();
    void build_tray();
    QAction* add_item(QMenu* menu, const QString& text, int id, void (MainWindow::*slot)());
    template <class Dialog>
    void run_dialog();

    AppState& state_;
    GuiOwner* owner_ = nullptr;
    Scheduler* scheduler_ = nullptr;
    QMenu* setup_menu_ = nullptr;
    QMenu* report_menu_ = nullptr;
    QMenu* tray_menu_ = nullptr;
    QSystemTrayIcon* tray_ = nullptr;
    QLabel* status_ = nullptr;
    QPointer<ChartsWindow> charts_;
    std::map<int, QAction*> items_;
    std::map<int, QAction*> tray_items_;
    bool jobs_allow_reports_ = true;
    bool exiting_ = false;
};

}  // namespace nimbora
