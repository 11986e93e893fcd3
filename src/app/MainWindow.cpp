// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MainWindow.h"

#include "app/AboutDialog.h"
#include "app/ChartsWindow.h"
#include "app/FtpLogDialog.h"
#include "app/GuiOwner.h"
#include "app/Help.h"
#include "app/InternetDialog.h"
#include "app/LoadDialog.h"
#include "app/ReportDialogs.h"
#include "app/SetupDialogs.h"
#include "app/StationDialogs.h"
#include "app/UpdateCheck.h"
#include "app/dialog_util.h"
#include "automation/Scheduler.h"
#include "config/format.h"
#include "config/function.h"
#include "config/install.h"
#include "config/read_conf.h"
#include "jobs/busy.h"
#include "upload/FTPConnection.h"

#include <QCloseEvent>
#include <QIcon>
#include <QLabel>
#include <QMenuBar>
#include <QPointer>
#include <QShortcut>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWindowStateChangeEvent>

namespace nimbora {
namespace {

constexpr int kWidth = 431, kHeight = 260;
const QString kIconFile = QStringLiteral(":/nimbora/nimbora.png");
const QString kBackgroundFile = QStringLiteral(":/nimbora/background.png");

std::string join(const std::vector<std::string>& items)
{
    std::string out;
    for (const std::string& item : items) out += "\n" + item;
    return out;
}

}  // namespace

QString station_title(std::string_view StationName)
{
    return qt_text(
        strf("%s - [%.*s]", Version, static_cast<int>(StationName.size()), StationName.data()));
}

bool offer_installation(Owner* owner, const std::string& HomePath)
{
    const std::vector<std::string> missing = missing_installation(HomePath);
    if (missing.empty()) return true;
    const std::string question =
        "Nimbora is not set up in this documents folder; missing:" + join(missing) +
        "\n\nMake the Nimbora folder and the templates new stations start from?";
    if (!ask(owner, Version, question, Icon::question, false)) return false;
    return install_product(owner, HomePath).ok;
}

MainWindow::MainWindow(AppState& state, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint),
      state_(state)
{
    setObjectName(QStringLiteral("MainWindow"));
    setWindowIcon(QIcon(kIconFile));
    setFixedSize(kWidth, kHeight);
    owner_ = new GuiOwner(this, this, this, state_.boxes);
    owner_->set_menu_hook([this](bool on) { set_report_menu(on); });

    auto* bar = new QStatusBar(this);
    bar->setObjectName(widget_id(ids::kStatusBar));
    bar->setSizeGripEnabled(false);
    status_ = new QLabel(bar);
    status_->setObjectName(QStringLiteral("statusText"));
    bar->addWidget(status_, 1);
    setStatusBar(bar);

    auto* picture = new QLabel(this);
    picture->setObjectName(widget_id(ids::kBackground));
    picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    const QPixmap background(kBackgroundFile);
    if (background.isNull())
        owner_->message("Error", "Could not load BITMAP!", Icon::warning);
    else
        picture->setPixmap(background);
    setCentralWidget(picture);

    build_menus();
    build_tray();
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(f1, &QShortcut::activated, this, &MainWindow::help);

    // A job keeps its own copy of the menu callback and may end after this window is gone:
    // the callbacks reach the window only while it exists.
    const QPointer<MainWindow> self(this);
    state_.main_window = this;
    state_.refresh_status = [self] {
        if (self) self->refresh_status();
    };
    state_.report_menu_enabled = [self](bool on) {
        if (self) self->set_report_menu(on);
    };

    // The schedule uploads with a copy of the settings and folder in force at each start.
    scheduler_ = new Scheduler([this] { return state_.settings; },
                               [this] {
                                   ReportJob job;
                                   job.hOwner = owner_;
                                   job.settings = state_.settings;
                                   job.DocPath = state_.places.DocPath;
                                   start_upload(std::move(job));
                               },
                               owner_, this);
    connect(scheduler_, &Scheduler::status_changed, this, &MainWindow::refresh_status);
    state_.stop_schedule = [self] {
        if (!self) return;
        self->scheduler_->stop_schedule();
        self->refresh_status();
    };

    setWindowTitle(state_.has_station() ? station_title(state_.places.StationName)
                                        : QString::fromLatin1(Version));
    update_station_menus();
    refresh_status();
}

MainWindow::~MainWindow()
{
    // The shared state outlives the window; its callbacks must not.
    state_.main_window = nullptr;
    state_.refresh_status = nullptr;
    state_.report_menu_enabled = nullptr;
    state_.stop_schedule = nullptr;
    if (tray_) tray_->hide();
}

void MainWindow::load_settings()
{
    read_conf(owner_, kConfEntries, state_.places.DocPath, state_.settings);
    refresh_status();
}

void MainWindow::start_schedule()
{
    scheduler_->start();
}

QAction* MainWindow::add_item(QMenu* menu, const QString& text, int id, void (MainWindow::*slot)())
{
    QAction* a = menu->addAction(text);
    a->setObjectName(widget_id(id));
    connect(a, &QAction::triggered, this, slot);
    items_[id] = a;
    return a;
}

void MainWindow::build_menus()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName(widget_id(ids::kMainMenu));

    QMenu* file = bar->addMenu(tr("&File"));
    file->setObjectName(QStringLiteral("File"));
    add_item(file, tr("&New Station"), ids::kNewStation, &MainWindow::new_station);
    add_item(file, tr("&Open Station"), ids::kOpenStation, &MainWindow::open_station);
    add_item(file, tr("&Delete Station"), ids::kDeleteStation, &MainWindow::delete_station);
    file->addSeparator();
    add_item(file, tr("&Load Database"), ids::kLoadDatabase, &MainWindow::load_database);
    add_item(file, tr("&View Ftp Log"), ids::kViewFtpLog, &MainWindow::view_ftp_log);
    file->addSeparator();
    add_item(file, tr("E&xit"), ids::kExit, &MainWindow::exit_program);

    setup_menu_ = bar->addMenu(tr("&Setup"));
    setup_menu_->setObjectName(QStringLiteral("Setup"));
    add_item(setup_menu_, tr("&Report"), ids::kSetupReport, &MainWindow::setup_report);
    add_item(setup_menu_, tr("&Directories"), ids::kSetupDirectories,
             &MainWindow::setup_directories);
    add_item(setup_menu_, tr("&Units"), ids::kSetupUnits, &MainWindow::setup_units);
    add_item(setup_menu_, tr("&Internet"), ids::kSetupInternet, &MainWindow::setup_internet);

    report_menu_ = bar->addMenu(tr("&Report"));
    report_menu_->setObjectName(QStringLiteral("Report"));
    add_item(report_menu_, tr("&Current Month"), ids::kCurrentMonth, &MainWindow::current_month);
    add_item(report_menu_, tr("&Monthly"), ids::kMonthly, &MainWindow::monthly_report);
    add_item(report_menu_, tr("&Annual"), ids::kAnnual, &MainWindow::annual_report);
    add_item(report_menu_, tr("&Global"), ids::kGlobal, &MainWindow::global_report);
    add_item(report_menu_, tr("&Date Range"), ids::kDateRange, &MainWindow::date_range);
    add_item(report_menu_, tr("&Statistics"), ids::kStatistics, &MainWindow::statistics);
    report_menu_->addSeparator();
    add_item(report_menu_, tr("C&harts..."), ids::charts::kMenuItem, &MainWindow::charts);
    add_item(report_menu_, tr("&Web Pages..."), ids::kWebPages, &MainWindow::web_pages);

    QMenu* help_menu = bar->addMenu(tr("&Help"));
    help_menu->setObjectName(QStringLiteral("Help"));
    add_item(help_menu, tr("&Help"), ids::kHelp, &MainWindow::help);
    add_item(help_menu, tr("&Check for Updates"), ids::kCheckUpdates, &MainWindow::check_updates);
    help_menu->addSeparator();
    add_item(help_menu, tr("&About"), ids::kAbout, &MainWindow::about);
}

void MainWindow::build_tray()
{
    tray_menu_ = new QMenu(this);
    tray_menu_->setObjectName(widget_id(ids::kTrayMenu));
    struct Item {
        int id;
        QString text;
        void (MainWindow::*slot)();
    };
    for (const Item& item : {Item{ids::kShowWindow, tr("Show &Nimbora"), &MainWindow::show_normal},
                             Item{ids::kAbout, tr("&About"), &MainWindow::about},
                             Item{ids::kExit, tr("E&xit"), &MainWindow::exit_program}}) {
        QAction* a = tray_menu_->addAction(item.text);
        a->setObjectName(widget_id(item.id));
        connect(a, &QAction::triggered, this, item.slot);
        tray_items_[item.id] = a;
    }
    tray_ = new QSystemTrayIcon(QIcon(kIconFile), this);
    tray_->setContextMenu(tray_menu_);
    connect(tray_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                refresh_status();
                if (reason == QSystemTrayIcon::DoubleClick) show_normal();
            });
    if (QSystemTrayIcon::isSystemTrayAvailable()) tray_->show();
}

Owner* MainWindow::owner() const
{
    return owner_;
}

QAction* MainWindow::action(int id, bool tray) const
{
    const auto& items = tray ? tray_items_ : items_;
    const auto it = items.find(id);
    return it == items.end() ? nullptr : it->second;
}

QString MainWindow::status_text() const
{
    return status_->text();
}

QString MainWindow::tray_tip() const
{
    return tray_->toolTip();
}

bool MainWindow::hides_in_tray() const
{
    return tray_->isVisible();
}

void MainWindow::refresh_status()
{
    const std::string tip = MkTipMsg(state_.settings, state_.places.StationName, TimerActive);
    status_->setText(qt_text(status_part(tip)));
    tray_->setToolTip(qt_text(tip));
}

void MainWindow::update_station_menus()
{
    const bool on = state_.has_station();
    items_[ids::kLoadDatabase]->setEnabled(on);
    items_[ids::kViewFtpLog]->setEnabled(on);
    setup_menu_->menuAction()->setEnabled(on);
    report_menu_->menuAction()->setEnabled(on && jobs_allow_reports_);
}

void MainWindow::set_report_menu(bool on)
{
    jobs_allow_reports_ = on;
    for (int id : {ids::kMonthly, ids::kAnnual, ids::kStatistics}) items_[id]->setEnabled(on);
    update_station_menus();
    // A job may be writing the database: the charts wait for its end, then draw again.
    if (charts_) charts_->set_jobs_running(!on);
}

template <class Dialog>
void MainWindow::run_dialog()
{
    Dialog dialog(state_, this);
    dialog.exec();
    refresh_status();
    // The open station, its units or its records may have changed.
    if (charts_) charts_->refresh();
}

void MainWindow::new_station()
{
    run_dialog<NewStationDialog>();
}

void MainWindow::open_station()
{
    const std::string before = state_.places.StationName;
    run_dialog<OpenStationDialog>();
    if (state_.places.StationName == before) return;
    update_station_menus();
    // A name the store refused was reported; the title keeps the station whose settings
    // are still loaded.
    if (state_.store.get_string("StationName") == state_.places.StationName)
        setWindowTitle(station_title(state_.places.StationName));
}

void MainWindow::delete_station()
{
    const std::string before = state_.places.StationName;
    run_dialog<DeleteStationDialog>();
    if (state_.places.StationName != before) {
        setWindowTitle(station_title(state_.places.StationName));
        update_station_menus();
    }
}

void MainWindow::load_database()
{
    run_dialog<LoadDialog>();
}

void MainWindow::view_ftp_log()
{
    run_dialog<FtpLogDialog>();
}

void MainWindow::setup_report()
{
    run_dialog<ReportSetupDialog>();
}

void MainWindow::setup_directories()
{
    run_dialog<DirectoriesDialog>();
}

void MainWindow::setup_units()
{
    run_dialog<UnitsDialog>();
}

void MainWindow::setup_internet()
{
    run_dialog<InternetDialog>();
}

void MainWindow::current_month()
{
    run_dialog<CurrentMonthDialog>();
}

void MainWindow::monthly_report()
{
    run_dialog<MonthlyReportDialog>();
}

void MainWindow::annual_report()
{
    run_dialog<AnnualReportDialog>();
}

void MainWindow::global_report()
{
    run_dialog<GlobalReportDialog>();
}

void MainWindow::web_pages()
{
    run_dialog<WebPagesDialog>();
}

void MainWindow::charts()
{
    if (!charts_) charts_ = new ChartsWindow(state_, this);
    charts_->show();
    charts_->raise();
    charts_->activateWindow();
}

void MainWindow::date_range()
{
    run_dialog<DateRangeDialog>();
}

void MainWindow::statistics()
{
    run_dialog<StatisticsDialog>();
}

void MainWindow::help()
{
    show_help(this, "Nimbora.chm");
}

void MainWindow::check_updates()
{
    CheckVersion(owner_, nVer);
}

void MainWindow::about()
{
    run_dialog<AboutDialog>();
}

void MainWindow::show_normal()
{
    showNormal();
    raise();
    activateWindow();
    refresh_status();
}

void MainWindow::exit_program()
{
    exiting_ = true;
    close();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // The close box only hides the window while the tray icon can bring it back.
    if (!exiting_ && hides_in_tray()) {
        event->ignore();
        hide();
        return;
    }
    event->accept();
    tray_->hide();
    emit quit_requested();
}

void MainWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized() && hides_in_tray()) {
        // Minimising hides the window in the tray; it comes back in its normal state.
        QTimer::singleShot(0, this, [this] {
            setWindowState(windowState() & ~Qt::WindowMinimized);
            hide();
        });
    }
}

void MainWindow::moveEvent(QMoveEvent* event)
{
    QMainWindow::moveEvent(event);
    if (!save_position(state_.store, pos().x(), pos().y())) {
        // A box of its own, owned by no window.
        GuiOwner owner(nullptr, nullptr, nullptr, state_.boxes);
        owner.message("Error", "Error saving settings to registry", Icon::error);
    }
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    refresh_status();
}

}  // namespace nimbora
