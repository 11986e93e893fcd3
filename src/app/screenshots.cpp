// SPDX-License-Identifier: GPL-3.0-or-later
// nimbora-screenshots OUTDIR: a PNG of the main window and of every dialog, one file each,
// named after its window title. Runs headless on a demo station of its own (a temporary
// HOME), so it never touches the user's stations or settings.
#include "app/AboutDialog.h"
#include "app/ChartsWindow.h"
#include "app/FtpLogDialog.h"
#include "app/InternetDialog.h"
#include "app/LoadDialog.h"
#include "app/MainWindow.h"
#include "app/ReportDialogs.h"
#include "app/SetupDialogs.h"
#include "app/StationDialogs.h"
#include "config/UserStore.h"
#include "config/format.h"
#include "config/function.h"
#include "config/install.h"
#include "config/read_conf.h"
#include "config/settings_edit.h"
#include "import/load_db.h"
#include "import/synthetic.h"
#include "jobs/busy.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTabWidget>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace nimbora;

namespace {

using Factory = std::function<QWidget*(AppState&, QWidget*)>;

// The demo's messages go to stderr: no box may wait for an answer here.
class StderrOwner : public QuietOwner {
public:
    void message(std::string_view caption, std::string_view text, Icon) override
    {
        std::cerr << caption << ": " << text << '\n';
    }
};

template <class Dialog>
QWidget* make(AppState& state, QWidget* parent)
{
    return new Dialog(state, parent);
}

// The Internet Settings on their File tab: the files to upload and the web pages.
QWidget* internet_files(AppState& state, QWidget* parent)
{
    auto* dialog = new InternetDialog(state, parent);
    if (auto* tabs = dialog->findChild<QTabWidget*>()) tabs->setCurrentIndex(1);
    return dialog;
}

// Every window the program shows: its title (the file name) and how to make it. Add a
// dialog with one line.
const std::vector<std::pair<const char*, Factory>>& shots()
{
    static const std::vector<std::pair<const char*, Factory>> table = {
        {"New Station", make<NewStationDialog>},
        {"Open Station", make<OpenStationDialog>},
        {"Delete Station", make<DeleteStationDialog>},
        {"Load Database", make<LoadDialog>},
        {"FTP Log", make<FtpLogDialog>},
        {"Report", make<ReportSetupDialog>},
        {"Directories", make<DirectoriesDialog>},
        {"Units", make<UnitsDialog>},
        {"Internet Settings", make<InternetDialog>},
        {"Internet Settings (File)", internet_files},
        {"Current Month Report", make<CurrentMonthDialog>},
        {"Monthly Report", make<MonthlyReportDialog>},
        {"Annual Report", make<AnnualReportDialog>},
        {"Global Report", make<GlobalReportDialog>},
        {"Date Range", make<DateRangeDialog>},
        {"Statistics", make<StatisticsDialog>},
        {"Web Pages", make<WebPagesDialog>},
        {"Charts", make<ChartsWindow>},
        {"About", make<AboutDialog>},
    };
    return table;
}

// The demo station: three months of synthetic records ending last month, imported.
bool make_demo(AppState& state, Owner* owner)
{
    if (!install_product(owner, state.places.HomePath).ok) return false;
    if (!create_station(nullptr, state.places.HomePath, "Demo")) return false;
    if (open_station(owner, state.store, state.places, state.settings, "Demo", nullptr) !=
        OpenResult::opened)
        return false;
    Settings& s = state.settings;
    apply_demo_header(s);
    apply_setting(s, "FtpHost", "ftp.example.org");
    apply_setting(s, "User", "keeper");
    apply_setting(s, "RemotePath", "/weather");
    apply_setting(s, "File1", "");
    s.TransferEnabled = 1;
    s.ReportUpload = 1;
    if (write_conf(owner, state.places.DocPath, s) != 0) return false;

    ReportJob job;
    job.hOwner = owner;
    job.settings = s;
    job.DocPath = state.places.DocPath;
    const LocalTime now = local_now();
    for (int back = 3; back >= 1; --back) {
        const int index = now.year * 12 + (now.month - 1) - back;
        const int year = index / 12, month = index % 12 + 1;
        const std::string name = strf("%04d-%02d.wlk", year, month);
        if (!write_synthetic_month(s.InitPathWLK + name, year, month, 30,
                                   static_cast<std::uint32_t>(year * 100 + month)))
            return false;
        job.Files.push_back(name);
    }
    job.busy = BusyClaim::try_claim(ThActive);
    return load_db(job).code == 0;
}

// A file name from a window title: no separators, no trailing dots ("About..." -> "About").
QString file_name(QString title)
{
    title.replace(QLatin1Char('/'), QLatin1Char('-'));
    while (title.endsWith(QLatin1Char('.'))) title.chop(1);
    return title + QStringLiteral(".png");
}

bool save(QWidget* w, const QDir& out, const QString& title)
{
    w->show();
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
    const QString path = out.filePath(file_name(title));
    const bool ok = w->grab().save(path);
    std::cout << (ok ? "wrote " : "FAILED ") << path.toStdString() << '\n';
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: nimbora-screenshots OUTDIR\n";
        return 2;
    }
    const fs::path out_dir = fs::absolute(argv[1]);
    std::string home = (fs::temp_directory_path() / "nimbora-shots-XXXXXX").string();
    if (!mkdtemp(home.data())) return 1;
    setenv("HOME", home.c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
    setenv("XDG_RUNTIME_DIR", home.c_str(), 1);
    if (!getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("TZ", "UTC", 1);

    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setQuitOnLastWindowClosed(false);

    MemoryUserStore store;
    StderrOwner owner;
    AppState state{store, Places{}, Settings{}, nullptr, {}, {}, {}, &owner};
    state.places.HomePath = home + "/Documents/Nimbora/";
    state.places.DocPath = state.places.HomePath;

    int failures = 0;
    {
        MainWindow window(state);
        std::error_code ec;
        fs::create_directories(home + "/Documents", ec);
        if (!make_demo(state, &owner)) {
            std::cerr << "could not make the demo station\n";
            return 1;
        }
        fs::create_directories(out_dir, ec);
        const QDir out(QString::fromStdString(out_dir.string()));
        // The main window as it stands with the demo station open.
        window.setWindowTitle(station_title(state.places.StationName));
        window.update_station_menus();
        window.refresh_status();
        if (!save(&window, out, QStringLiteral("Nimbora"))) ++failures;
        for (const auto& [title, factory] : shots()) {
            QWidget* w = factory(state, &window);
            if (!save(w, out, QString::fromLatin1(title))) ++failures;
            w->close();
            delete w;
        }
    }
    std::error_code ec;
    fs::remove_all(home, ec);
    return failures ? 1 : 0;
}
