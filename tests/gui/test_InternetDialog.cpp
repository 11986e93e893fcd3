// SPDX-License-Identifier: GPL-3.0-or-later
// The Internet Settings dialog driven through its widgets, headless.
#include "app/AppState.h"
#include "app/InternetDialog.h"
#include "app/dialog_util.h"
#include "config/read_conf.h"
#include "support/RecordingOwner.h"
#include "support/files.h"
#include "support/gui.h"
#include "support/secure_servers.h"
#include "upload/FTPConnection.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <filesystem>

#include <memory>
#include <unistd.h>

namespace nimbora {
namespace {

using test::TempDir;

template <typename W>
W* find(QWidget* dialog, int id)
{
    W* w = dialog->findChild<W*>(widget_id(id));
    EXPECT_NE(w, nullptr) << "no widget " << id;
    return w;
}

void click(QWidget* dialog, int id)
{
    QTest::mouseClick(find<QPushButton>(dialog, id), Qt::LeftButton);
}

void type(QWidget* dialog, int id, const QString& text)
{
    QLineEdit* e = find<QLineEdit>(dialog, id);
    e->clear();
    QTest::keyClicks(e, text);
}

QStringList list_of(QWidget* dialog)
{
    QStringList out;
    QListWidget* list = find<QListWidget>(dialog, InternetDialog::kFiles);
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
}

// A station with its settings files and three files to upload.
class InternetDialogTest : public testing::Test {
protected:
    InternetDialogTest()
        : state{store, Places{dir.folder(), "Hill", dir.folder()}, {}, nullptr, {}, {}, {}, &boxes}
    {
        Settings& s = state.settings;
        s.InitPathRep = s.InitPathDB = s.InitPathWLK = dir.folder();
        s.FtpHost = "ftp.example.org";
        s.FtpPort = "21";
        s.User = "keeper";
        s.Pwd = "secret";
        s.RemotePath = "/meteo";
        s.Interval = "1 hr.";
        s.IntervMin = 60;
        s.TimeStart = "08:30";
        s.ReportUpload = 2;
        for (int i = 0; i < 3; ++i) {
            const std::string name = "file" + std::to_string(i) + ".txt";
            test::write_file(dir.path() / name, "x");
            s.FileList[static_cast<std::size_t>(i)] = dir.folder() + name;
        }
        EXPECT_EQ(write_conf(nullptr, dir.folder(), s), 0);
        state.stop_schedule = [this] {
            ++stops;
            interval_at_stop = state.settings.Interval;
        };
        state.refresh_status = [this] { ++refreshes; };
    }

    std::unique_ptr<InternetDialog> open()
    {
        auto d = std::make_unique<InternetDialog>(state, nullptr);
        d->show();
        return d;
    }

    Settings saved() const
    {
        Settings back;
        EXPECT_EQ(read_conf(nullptr, kConfEntries, dir.folder(), back), 0);
        return back;
    }

    TempDir dir;
    MemoryUserStore store;
    test::RecordingOwner boxes;
    AppState state;
    int stops = 0;
    int refreshes = 0;
    std::string interval_at_stop;
};

TEST_F(InternetDialogTest, ShowsTheSettingsAndTheCounter)
{
    auto d = open();
    EXPECT_EQ(find<QPushButton>(d.get(), InternetDialog::kOnOff)->text(), "OFF");
    EXPECT_EQ(d->ball(), InternetDialog::kBallOff);
    EXPECT_EQ(find<QLineEdit>(d.get(), InternetDialog::kHost)->text(), "ftp.example.org");
    EXPECT_EQ(find<QLineEdit>(d.get(), InternetDialog::kPassword)->echoMode(), QLineEdit::Password);
    EXPECT_EQ(find<QComboBox>(d.get(), InternetDialog::kUploadEvery)->currentText(), "1 hr.");
    EXPECT_EQ(find<QComboBox>(d.get(), InternetDialog::kUploadEvery)->count(), 14);
    EXPECT_TRUE(find<QCheckBox>(d.get(), InternetDialog::kDecades)->isChecked());
    EXPECT_EQ(list_of(d.get()).size(), 3);
    QLineEdit* counter = find<QLineEdit>(d.get(), InternetDialog::kCounter);
    EXPECT_EQ(counter->text(), " 3/10");

    // Remove the selected entries, then clear the rest.
    QListWidget* list = find<QListWidget>(d.get(), InternetDialog::kFiles);
    list->item(0)->setSelected(true);
    list->item(2)->setSelected(true);
    click(d.get(), InternetDialog::kRemove);
    EXPECT_EQ(list_of(d.get()), QStringList{qt_text(dir.folder() + "file1.txt")});
    EXPECT_EQ(counter->text(), " 1/10");
    click(d.get(), InternetDialog::kClear);
    EXPECT_TRUE(list_of(d.get()).isEmpty());
    EXPECT_EQ(counter->text(), "0/10");
}

TEST_F(InternetDialogTest, AddIgnoresTheSamePathInOtherLetterCaseAndAFullList)
{
    test::write_file(dir.path() / "new.txt", "x");
    test::write_file(dir.path() / "FILE0.TXT", "x");
    auto d = open();
    const auto pick = [&](const std::string& path) {
        test::with_next_modal([path](QWidget* w) {
            auto* picker = qobject_cast<QFileDialog*>(w);
            ASSERT_NE(picker, nullptr);
            // Typed into the file name box: the folder view fills in the background.
            auto* name = picker->findChild<QLineEdit*>("fileNameEdit");
            ASSERT_NE(name, nullptr);
            name->setText(QString::fromStdString(path));
            static_cast<QDialog*>(picker)->accept();
            EXPECT_EQ(picker->result(), QDialog::Accepted);
        });
        click(d.get(), InternetDialog::kAdd);
    };
    pick(dir.folder() + "FILE0.TXT");
    EXPECT_EQ(list_of(d.get()).size(), 3);
    pick(dir.folder() + "new.txt");
    EXPECT_EQ(list_of(d.get()).size(), 4);
    EXPECT_EQ(list_of(d.get()).back(), qt_text(dir.folder() + "new.txt"));
    EXPECT_EQ(find<QLineEdit>(d.get(), InternetDialog::kCounter)->text(), " 4/10");
    // A name beyond plain ASCII is kept as the file system spells it, so the upload finds it.
    const std::string accented = "caf\xC3\xA9 25\xC2\xB0.txt";
    test::write_file(dir.path() / accented, "x");
    pick(dir.folder() + accented);
    ASSERT_EQ(list_of(d.get()).size(), 5);
    EXPECT_EQ(text_of(list_of(d.get()).back()), dir.folder() + accented);
    EXPECT_TRUE(std::filesystem::exists(text_of(list_of(d.get()).back())));

    // With ten listed, "Add" opens nothing.
    QListWidget* list = find<QListWidget>(d.get(), InternetDialog::kFiles);
    while (list->count() < 10) list->addItem(QString("/f%1").arg(list->count()));
    // A picker would have been shown inside the click; the watch closes one that opens anyway.
    auto picker = test::with_next_modal([](QWidget* w) { static_cast<QDialog*>(w)->reject(); });
    click(d.get(), InternetDialog::kAdd);
    EXPECT_FALSE(picker->fired());
    picker->cancel();
    EXPECT_EQ(list->count(), 10);
}

TEST_F(InternetDialogTest, UnknownIntervalShowsOneMinuteAndOkStoresIt)
{
    state.settings.Interval = "7 min.";
    state.settings.IntervMin = 0;
    auto d = open();
    EXPECT_EQ(find<QComboBox>(d.get(), InternetDialog::kUploadEvery)->currentText(), "1 min.");
    EXPECT_EQ(state.settings.IntervMin, 0);  // opening alone changes nothing
    click(d.get(), ids::kOk);
    EXPECT_EQ(d->result(), QDialog::Accepted);
    EXPECT_EQ(state.settings.Interval, "1 min.");
    EXPECT_EQ(state.settings.IntervMin, 1);
    EXPECT_EQ(saved().Interval, "1 min.");
}

struct EmptyField {
    const char* name;
    int id;
    const char* question;
};

void PrintTo(const EmptyField& f, std::ostream* os)
{
    *os << f.name;
}

class InternetDialogEmptyField : public InternetDialogTest,
                                 public testing::WithParamInterface<EmptyField> {};

// An empty FTP field asks; No keeps the dialog open on the Ftp page with nothing stored,
// Yes lets the empty value through.
TEST_P(InternetDialogEmptyField, AsksAndNoKeepsTheDialogOpen)
{
    auto d = open();
    find<QTabWidget>(d.get(), InternetDialog::kTabs)->setCurrentIndex(1);
    find<QLineEdit>(d.get(), GetParam().id)->clear();
    boxes.answer({false});
    click(d.get(), ids::kOk);
    ASSERT_EQ(boxes.messages.size(), 1u);
    EXPECT_TRUE(boxes.messages[0].asked);
    EXPECT_EQ(boxes.messages[0].caption, "Error");
    EXPECT_EQ(boxes.messages[0].text, GetParam().question);
    EXPECT_EQ(boxes.messages[0].icon, Icon::error);
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(find<QTabWidget>(d.get(), InternetDialog::kTabs)->currentIndex(), 0);
    EXPECT_EQ(saved().FtpHost, "ftp.example.org");

    boxes.answer({true});
    click(d.get(), ids::kOk);
    EXPECT_EQ(boxes.messages.size(), 2u);
    EXPECT_EQ(d->result(), QDialog::Accepted);
    EXPECT_FALSE(d->isVisible());
}

INSTANTIATE_TEST_SUITE_P(
    Fields, InternetDialogEmptyField,
    testing::Values(
        EmptyField{"Host", InternetDialog::kHost, "Invalid FTP Host!\nContinue anyway?"},
        EmptyField{"Port", InternetDialog::kPort, "Invalid FTP port!\nContinue anyway?"},
        EmptyField{"Folder", InternetDialog::kFolder, "Invalid Folder!\nContinue anyway?"},
        EmptyField{"User", InternetDialog::kUser, "Invalid User Name!\nContinue anyway?"},
        EmptyField{"Password", InternetDialog::kPassword, "Invalid Password!\nContinue anyway?"}),
    [](const auto& param_info) { return std::string(param_info.param.name); });

TEST_F(InternetDialogTest, QuestionsComeInFieldOrder)
{
    auto d = open();
    find<QLineEdit>(d.get(), InternetDialog::kPassword)->clear();
    find<QLineEdit>(d.get(), InternetDialog::kHost)->clear();
    boxes.answer({true, false});
    click(d.get(), ids::kOk);
    ASSERT_EQ(boxes.messages.size(), 2u);
    EXPECT_EQ(boxes.messages[0].text, "Invalid FTP Host!\nContinue anyway?");
    EXPECT_EQ(boxes.messages[1].text, "Invalid Password!\nContinue anyway?");
    EXPECT_NE(d->result(), QDialog::Accepted);
    EXPECT_TRUE(d->isVisible());
    // No one to answer: the first question stops the OK.
    boxes.clear();
    click(d.get(), ids::kOk);
    EXPECT_EQ(boxes.messages.size(), 1u);
    EXPECT_TRUE(d->isVisible());
}

TEST_F(InternetDialogTest, StartTimeRefusedUnlessOnFileChange)
{
    auto d = open();
    find<QTabWidget>(d.get(), InternetDialog::kTabs)->setCurrentIndex(0);
    type(d.get(), InternetDialog::kStartTime, "25:00");
    QTest::mouseClick(find<QCheckBox>(d.get(), InternetDialog::kPassive), Qt::LeftButton);
    click(d.get(), ids::kOk);
    ASSERT_EQ(boxes.messages.size(), 1u);
    EXPECT_FALSE(boxes.messages[0].asked);
    EXPECT_EQ(boxes.messages[0].text, "Invalid Starting Time!");
    EXPECT_EQ(boxes.messages[0].caption, "Error");
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(find<QTabWidget>(d.get(), InternetDialog::kTabs)->currentIndex(), 1);
    // A refused OK stores nothing but the passive box, and saves nothing.
    EXPECT_EQ(state.settings.TimeStart, "08:30");
    EXPECT_EQ(state.settings.Passive, 1);
    EXPECT_EQ(saved().Passive, 0);
    EXPECT_EQ(stops, 0);

    QComboBox* every = find<QComboBox>(d.get(), InternetDialog::kUploadEvery);
    every->setCurrentIndex(every->findText("on file change"));
    EXPECT_FALSE(find<QLineEdit>(d.get(), InternetDialog::kStartTime)->isEnabled());
    click(d.get(), ids::kOk);
    EXPECT_EQ(d->result(), QDialog::Accepted);
    EXPECT_EQ(state.settings.TimeStart, "25:00");
    EXPECT_EQ(state.settings.IntervMin, 0);
    EXPECT_EQ(state.settings.Passive, 1);
    EXPECT_EQ(saved().TimeStart, "25:00");
}

TEST_F(InternetDialogTest, SwitchedOnIsSavedAndReopensOn)
{
    InternetDialog d(state, nullptr);
    test::with_next_modal([](QWidget* w) {
        type(w, InternetDialog::kPort, "2121");
        click(w, InternetDialog::kOnOff);
        EXPECT_EQ(find<QPushButton>(w, InternetDialog::kOnOff)->text(), "ON");
        click(w, ids::kOk);
    });
    EXPECT_EQ(d.exec(), QDialog::Accepted);
    EXPECT_EQ(saved().TransferEnabled, 1);
    EXPECT_EQ(saved().FtpPort, "2121");
    EXPECT_EQ(refreshes, 1);

    // A fresh start: the settings as read from the station folder.
    state.settings = saved();
    auto again = open();
    EXPECT_EQ(find<QPushButton>(again.get(), InternetDialog::kOnOff)->text(), "ON");
    EXPECT_EQ(again->ball(), InternetDialog::kBallOn);
    const QImage ball = again->findChild<QLabel*>("ball")->pixmap().toImage();
    const QColor centre = ball.pixelColor(11, 11);
    EXPECT_GT(centre.green(), centre.red());

    // OFF again, then Cancel: forgotten.
    const int stops_before = stops;
    click(again.get(), InternetDialog::kOnOff);
    EXPECT_EQ(again->ball(), InternetDialog::kBallOff);
    click(again.get(), ids::kCancel);
    EXPECT_EQ(state.settings.TransferEnabled, 1);
    EXPECT_EQ(stops, stops_before);
}

TEST_F(InternetDialogTest, WebPagesAndTheirFolderAreSavedAndARefusedFolderKeepsTheDialogOpen)
{
    InternetDialog d(state, nullptr);
    test::with_next_modal([](QWidget* w) {
        QLineEdit* folder = find<QLineEdit>(w, InternetDialog::kWebFolder);
        EXPECT_FALSE(folder->isEnabled());
        QCheckBox* web = find<QCheckBox>(w, InternetDialog::kWebUpload);
        web->setChecked(true);
        EXPECT_TRUE(folder->isEnabled());
        type(w, InternetDialog::kWebFolder, "a<b");
        click(w, ids::kOk);
        EXPECT_TRUE(w->isVisible());
        EXPECT_EQ(find<QTabWidget>(w, InternetDialog::kTabs)->currentIndex(), 1);
        type(w, InternetDialog::kWebFolder, "weather site");
        click(w, ids::kOk);
    });
    EXPECT_EQ(d.exec(), QDialog::Accepted);
    ASSERT_EQ(boxes.messages.size(), 1u);
    EXPECT_EQ(boxes.messages[0].text,
              "WebFolder: the settings file cannot hold '<' or a line break");
    EXPECT_EQ(saved().WebUpload, 1);
    EXPECT_EQ(saved().WebFolder, "weather site");

    state.settings = saved();
    auto again = open();
    EXPECT_TRUE(find<QCheckBox>(again.get(), InternetDialog::kWebUpload)->isChecked());
    EXPECT_EQ(find<QLineEdit>(again.get(), InternetDialog::kWebFolder)->text(), "weather site");
}

TEST_F(InternetDialogTest, EveryOkStopsTheScheduleUnderItsOldSettings)
{
    state.settings.TransferEnabled = 1;
    {
        auto d = open();
        click(d.get(), ids::kCancel);
        EXPECT_EQ(stops, 0);
    }
    {
        auto d = open();
        find<QComboBox>(d.get(), InternetDialog::kUploadEvery)->setCurrentIndex(0);
        click(d.get(), ids::kOk);
        EXPECT_EQ(stops, 1);
        // Stopped under the settings it was started with.
        EXPECT_EQ(interval_at_stop, "1 hr.");
        EXPECT_EQ(state.settings.Interval, "1 min.");
    }
    {
        auto d = open();
        click(d.get(), InternetDialog::kOnOff);
        click(d.get(), ids::kOk);
        EXPECT_EQ(stops, 2);
        EXPECT_EQ(state.settings.TransferEnabled, 0);
    }
    {
        auto d = open();  // nothing changed: stopped all the same, restarted by the next tick
        click(d.get(), ids::kOk);
        EXPECT_EQ(stops, 3);
    }
}

TEST_F(InternetDialogTest, UntickingCurrentMonthUnticksDecadesAndWarnsOfAnEmptyList)
{
    auto d = open();
    QCheckBox* month = find<QCheckBox>(d.get(), InternetDialog::kCurrentMonth);
    QCheckBox* decades = find<QCheckBox>(d.get(), InternetDialog::kDecades);
    find<QTabWidget>(d.get(), InternetDialog::kTabs)->setCurrentIndex(1);
    QTest::mouseClick(month, Qt::LeftButton);
    EXPECT_FALSE(decades->isChecked());
    EXPECT_FALSE(decades->isEnabled());
    QTest::mouseClick(month, Qt::LeftButton);
    EXPECT_TRUE(decades->isEnabled());
    EXPECT_FALSE(decades->isChecked());
    QTest::mouseClick(month, Qt::LeftButton);

    click(d.get(), InternetDialog::kClear);
    click(d.get(), ids::kOk);
    ASSERT_EQ(boxes.messages.size(), 1u);
    EXPECT_EQ(boxes.messages[0].caption, "Warning");
    EXPECT_EQ(boxes.messages[0].text, "No files selected!");
    EXPECT_EQ(boxes.messages[0].icon, Icon::warning);
    EXPECT_EQ(d->result(), QDialog::Accepted);
    const Settings back = saved();
    EXPECT_EQ(back.ReportUpload, 0);
    EXPECT_EQ(back.FileList[0], "");
}

TEST_F(InternetDialogTest, ProtocolChoiceKeyFileAndWhatEachProtocolOffers)
{
    auto d = open();
    QComboBox* protocol = find<QComboBox>(d.get(), InternetDialog::kProtocol);
    ASSERT_EQ(protocol->count(), 3);
    EXPECT_EQ(protocol->currentIndex(), 0);
    QCheckBox* passive = find<QCheckBox>(d.get(), InternetDialog::kPassive);
    QLineEdit* key = find<QLineEdit>(d.get(), InternetDialog::kKeyFile);
    QPushButton* check = find<QPushButton>(d.get(), InternetDialog::kCheckServer);
    QLabel* hint = find<QLabel>(d.get(), InternetDialog::kHint);
    EXPECT_TRUE(passive->isEnabled());
    EXPECT_FALSE(key->isEnabled());
    EXPECT_FALSE(check->isEnabled());
    EXPECT_TRUE(hint->text().contains("in clear"));

    protocol->setCurrentIndex(2);  // SFTP
    EXPECT_FALSE(passive->isEnabled());
    EXPECT_TRUE(key->isEnabled());
    EXPECT_TRUE(check->isEnabled());
    EXPECT_TRUE(hint->text().contains("home folder")) << hint->text().toStdString();

    // The picker fills the key file; an unreadable one keeps the dialog open.
    test::write_file(dir.path() / "id_ed25519", "key");
    test::with_next_modal([this](QWidget* w) {
        auto* picker = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(picker, nullptr);
        auto* name = picker->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(name, nullptr);
        name->setText(QString::fromStdString(dir.folder() + "id_ed25519"));
        static_cast<QDialog*>(picker)->accept();
    });
    click(d.get(), InternetDialog::kKeyBrowse);
    EXPECT_EQ(text_of(key->text()), dir.folder() + "id_ed25519");
    type(d.get(), InternetDialog::kKeyFile, qt_text(dir.folder() + "missing"));
    click(d.get(), ids::kOk);
    ASSERT_EQ(boxes.messages.size(), 1u);
    EXPECT_EQ(boxes.messages[0].text, "KeyFile: cannot read " + dir.folder() + "missing");
    EXPECT_NE(d->result(), QDialog::Accepted);

    boxes.clear();
    type(d.get(), InternetDialog::kKeyFile, qt_text(dir.folder() + "id_ed25519"));
    click(d.get(), ids::kOk);
    EXPECT_EQ(d->result(), QDialog::Accepted);
    const Settings back = saved();
    EXPECT_EQ(back.Protocol, "sftp");
    EXPECT_EQ(back.KeyFile, dir.folder() + "id_ed25519");
    EXPECT_EQ(back.Passive, state.settings.Passive);
}

TEST_F(InternetDialogTest, CheckServerShowsTheHostKeyAndTrustsItOnYes)
{
    test::Sshd sshd;
    if (const std::string why = sshd.start(); !why.empty()) GTEST_SKIP() << why;
    FtpTiming t;
    t.connect_timeout = std::chrono::milliseconds(20000);
    set_ftp_timing(t);
    auto d = open();
    find<QComboBox>(d.get(), InternetDialog::kProtocol)->setCurrentIndex(2);
    type(d.get(), InternetDialog::kHost, "127.0.0.1");
    type(d.get(), InternetDialog::kPort, QString::number(sshd.port()));
    const std::string known_hosts = dir.folder() + kKnownHostsFile;

    boxes.answer({false});
    click(d.get(), InternetDialog::kCheckServer);
    ASSERT_EQ(boxes.messages.size(), 1u);
    const test::Message asked = boxes.messages[0];
    EXPECT_TRUE(asked.asked);
    EXPECT_EQ(asked.caption, "Check server");
    EXPECT_EQ(asked.icon, Icon::question);
    EXPECT_NE(asked.text.find("Host key: 256 " + sshd.fingerprint() + " (ED25519)"),
              std::string::npos)
        << asked.text;
    EXPECT_NE(asked.text.find("Trust this host key and add it to known_hosts?"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(known_hosts));

    boxes.clear();
    boxes.answer({true});
    click(d.get(), InternetDialog::kCheckServer);
    EXPECT_EQ(test::read_file(known_hosts), sshd.known_hosts_line() + "\n");

    // Trusted now: the box only says so.
    boxes.clear();
    click(d.get(), InternetDialog::kCheckServer);
    ASSERT_EQ(boxes.messages.size(), 1u);
    EXPECT_FALSE(boxes.messages[0].asked);
    EXPECT_NE(boxes.messages[0].text.find("already trusted"), std::string::npos);
    set_ftp_timing(FtpTiming{});
}

TEST_F(InternetDialogTest, CheckServerPinsASelfSignedCertificateOnYesAndOkSavesIt)
{
    test::TestCertificates certs;
    test::PureFtpd ftpd;
    if (geteuid() != 0) GTEST_SKIP() << "needs root (as CI runs): pure-ftpd";
    if (const std::string why = certs.make(); !why.empty()) GTEST_SKIP() << why;
    if (const std::string why = ftpd.start(certs.self_signed()); !why.empty()) GTEST_SKIP() << why;
    FtpTiming t;
    t.connect_timeout = std::chrono::milliseconds(20000);
    set_ftp_timing(t);
    auto d = open();
    find<QComboBox>(d.get(), InternetDialog::kProtocol)->setCurrentIndex(1);
    type(d.get(), InternetDialog::kHost, "127.0.0.1");
    type(d.get(), InternetDialog::kPort, QString::number(ftpd.port()));
    boxes.answer({true});
    click(d.get(), InternetDialog::kCheckServer);
    ASSERT_EQ(boxes.messages.size(), 1u);
    const std::string pin = certs.pin(certs.self_signed());
    EXPECT_NE(boxes.messages[0].text.find("Public-key pin: " + pin), std::string::npos)
        << boxes.messages[0].text;
    EXPECT_NE(boxes.messages[0].text.find("store its pin in PinnedKey?"), std::string::npos);
    EXPECT_EQ(saved().PinnedKey, "");  // kept until OK

    click(d.get(), ids::kOk);
    EXPECT_EQ(d->result(), QDialog::Accepted);
    const Settings back = saved();
    EXPECT_EQ(back.Protocol, "ftps");
    EXPECT_EQ(back.PinnedKey, pin);
    set_ftp_timing(FtpTiming{});
}

}  // namespace
}  // namespace nimbora
