// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/InternetDialog.h"

#include "app/AppState.h"
#include "app/GuiOwner.h"
#include "app/Help.h"
#include "app/dialog_util.h"
#include "config/read_conf.h"
#include "config/settings_edit.h"
#include "upload/FTPConnection.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFontInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QShortcut>
#include <QTabWidget>
#include <QVBoxLayout>

namespace nimbora {
namespace {

constexpr int kBallSize = 22;

// The status ball: a shaded disc on a transparent square.
QPixmap ball_pixmap(int bitmap)
{
    const QColor fill = bitmap == InternetDialog::kBallOn ? QColor(0, 176, 0) : QColor(208, 0, 0);
    QPixmap pm(kBallSize, kBallSize);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient shade(QPointF(8, 7), 14);
    shade.setColorAt(0, fill.lighter(170));
    shade.setColorAt(1, fill);
    p.setPen(QPen(fill.darker(150), 1));
    p.setBrush(shade);
    p.drawEllipse(QRectF(1.5, 1.5, kBallSize - 3, kBallSize - 3));
    return pm;
}

// The pages of the tab control have a white background.
void white_page(QWidget* page)
{
    QPalette pal = page->palette();
    pal.setColor(QPalette::Window, Qt::white);
    page->setPalette(pal);
    page->setAutoFillBackground(true);
}

QCheckBox* make_check(const QString& text, int id, QWidget* parent)
{
    auto* c = new QCheckBox(text, parent);
    c->setObjectName(widget_id(id));
    return c;
}

}  // namespace

InternetDialog::InternetDialog(AppState& state, QWidget* parent) : QDialog(parent), state_(state)
{
    setWindowTitle(tr("Internet Settings"));
    setModal(true);

    on_off_ = make_button(QString(), kOnOff, this);
    QFont big = on_off_->font();
    const int dpi = screen() ? qRound(screen()->logicalDotsPerInchY()) : 96;
    big.setPixelSize((12 * dpi + 36) / 72 + 10);  // 12 points, rounded, and 10 pixels more
    big.setWeight(QFont::Black);
    on_off_->setFont(big);
    on_off_->setMinimumWidth(120);
    ball_label_ = new QLabel(this);
    ball_label_->setObjectName(QStringLiteral("ball"));
    ball_label_->setFixedSize(kBallSize, kBallSize);

    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(widget_id(kTabs));
    tabs_->addTab(make_ftp_page(), tr("Ftp"));
    tabs_->addTab(make_file_page(), tr("File"));

    auto* ok = make_button(tr("OK"), ids::kOk, this);
    ok->setDefault(true);
    auto* cancel = make_button(tr("Cancel"), ids::kCancel, this);
    auto* help_b = make_button(QStringLiteral("?"), ids::kHelpButton, this);
    help_b->setFixedWidth(28);
    connect(ok, &QPushButton::clicked, this, &InternetDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &InternetDialog::reject);
    connect(help_b, &QPushButton::clicked, this, &InternetDialog::help);
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    f1->setContext(Qt::WindowShortcut);
    connect(f1, &QShortcut::activated, this, &InternetDialog::help);

    // Only the button and the ball change until OK.
    connect(on_off_, &QPushButton::clicked, this, [this] { show_switch(!on_); });

    auto* top = new QHBoxLayout;
    top->addWidget(on_off_);
    top->addSpacing(12);
    top->addWidget(ball_label_);
    top->addStretch();
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(help_b);
    bottom->addStretch();
    bottom->addWidget(ok);
    bottom->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(tabs_, 1);
    layout->addLayout(bottom);
    resize(470, 430);

    load(internet_form(state_.settings));
    tabs_->setCurrentIndex(0);
}

QWidget* InternetDialog::make_ftp_page()
{
    auto* page = new QWidget;
    white_page(page);
    host_ = make_edit(kHost, static_cast<int>(kFtpHostMax), page);
    port_ = make_edit(kPort, static_cast<int>(kFtpPortDigits), page);
    port_->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), port_));
    port_->setMaximumWidth(70);
    passive_ = make_check(QString(), kPassive, page);
    folder_ = make_edit(kFolder, static_cast<int>(kRemotePathMax), page);
    user_ = make_edit(kUser, static_cast<int>(kUserMax), page);
    password_ = make_edit(kPassword, static_cast<int>(kPwdMax), page);
    password_->setEchoMode(QLineEdit::Password);
    protocol_ = new QComboBox(page);
    protocol_->setObjectName(widget_id(kProtocol));
    for (const char* label : kProtocolLabels) protocol_->addItem(QString::fromLatin1(label));
    key_file_ = make_edit(kKeyFile, static_cast<int>(kPathMax), page);
    key_file_->setMinimumWidth(220);
    key_browse_ = make_button(QStringLiteral("..."), kKeyBrowse, page);
    key_browse_->setFixedWidth(28);
    check_server_ = make_button(tr("Check server..."), kCheckServer, page);
    hint_ = new QLabel(page);
    hint_->setObjectName(widget_id(kHint));
    hint_->setWordWrap(true);
    connect(protocol_, &QComboBox::currentIndexChanged, this,
            [this](int row) { show_protocol(row); });
    connect(key_browse_, &QPushButton::clicked, this, &InternetDialog::pick_key_file);
    connect(check_server_, &QPushButton::clicked, this, &InternetDialog::check_server);

    auto* grid = new QGridLayout(page);
    int row = 0;
    const auto add = [&](const QString& label, QWidget* w) {
        auto* l = new QLabel(label, page);
        l->setBuddy(w);
        grid->addWidget(l, row, 0);
        grid->addWidget(w, row++, 1, Qt::AlignLeft);
    };
    add(tr("Protocol:"), protocol_);
    add(tr("Host:"), host_);
    add(tr("Port:"), port_);
    add(tr("Passive Mode:"), passive_);
    add(tr("Folder:"), folder_);
    add(tr("User Name:"), user_);
    add(tr("Password:"), password_);
    auto* key_row = new QWidget(page);
    auto* key_layout = new QHBoxLayout(key_row);
    key_layout->setContentsMargins(0, 0, 0, 0);
    key_layout->addWidget(key_file_);
    key_layout->addWidget(key_browse_);
    add(tr("Key file:"), key_row);
    grid->addWidget(check_server_, row++, 1, Qt::AlignLeft);
    grid->addWidget(hint_, row++, 0, 1, 2);
    grid->setRowStretch(row, 1);
    return page;
}

QWidget* InternetDialog::make_file_page()
{
    auto* page = new QWidget;
    white_page(page);
    current_month_ = make_check(tr("Current Month"), kCurrentMonth, page);
    decades_ = make_check(tr("Subdivision by decade"), kDecades, page);
    upload_every_ = new QComboBox(page);
    upload_every_->setObjectName(widget_id(kUploadEvery));
    for (const auto& entry : TimeInterval) upload_every_->addItem(QString::fromLatin1(entry.label));
    start_time_ = make_edit(kStartTime, static_cast<int>(kTimeStartMax), page);
    start_time_->setMaximumWidth(70);
    files_ = new QListWidget(page);
    files_->setObjectName(widget_id(kFiles));
    files_->setSelectionMode(QAbstractItemView::MultiSelection);
    files_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    auto* add = make_button(tr("Add"), kAdd, page);
    auto* remove = make_button(tr("Remove"), kRemove, page);
    auto* clear = make_button(tr("Clear"), kClear, page);
    counter_ = new QLineEdit(page);
    counter_->setObjectName(widget_id(kCounter));
    counter_->setReadOnly(true);
    counter_->setMaximumWidth(60);
    web_upload_ = make_check(tr("Web pages"), kWebUpload, page);
    web_upload_->setToolTip(
        tr("Each upload regenerates the station's web pages and sends the files that changed"));
    web_folder_ = make_edit(kWebFolder, static_cast<int>(kRemotePathMax), page);
    connect(web_upload_, &QCheckBox::toggled, this,
            [this](bool on) { web_folder_->setEnabled(web_folder_enabled(on)); });

    connect(current_month_, &QCheckBox::toggled, this, [this](bool on) {
        if (!on) decades_->setChecked(false);
        decades_->setEnabled(decades_enabled(on));
    });
    connect(upload_every_, &QComboBox::currentIndexChanged, this,
            [this](int row) { start_time_->setEnabled(start_time_enabled(row)); });
    connect(add, &QPushButton::clicked, this, &InternetDialog::add_file);
    connect(remove, &QPushButton::clicked, this, &InternetDialog::remove_files);
    connect(clear, &QPushButton::clicked, this, &InternetDialog::clear_files);

    auto* when = new QGridLayout;
    when->addWidget(current_month_, 0, 0, 1, 2);
    when->addWidget(decades_, 1, 0, 1, 2);
    when->addWidget(new QLabel(tr("Upload every"), page), 0, 2);
    when->addWidget(upload_every_, 0, 3);
    when->addWidget(new QLabel(tr("Starting at:"), page), 1, 2);
    when->addWidget(start_time_, 1, 3);
    when->addWidget(web_upload_, 2, 0, 1, 2);
    auto* web_label = new QLabel(tr("Web folder:"), page);
    web_label->setBuddy(web_folder_);
    when->addWidget(web_label, 2, 2);
    when->addWidget(web_folder_, 2, 3);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addWidget(clear);
    buttons->addStretch();
    buttons->addWidget(counter_);
    auto* list = new QHBoxLayout;
    list->addWidget(files_, 1);
    list->addLayout(buttons);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(when);
    layout->addLayout(list, 1);
    return page;
}

void InternetDialog::load(const InternetForm& f)
{
    show_switch(f.on);

    host_->setText(qt_text(f.host));
    port_->setText(qt_text(f.port));
    folder_->setText(qt_text(f.folder));
    user_->setText(qt_text(f.user));
    password_->setText(qt_text(f.password));
    passive_->setChecked(f.passive);
    key_file_->setText(qt_text(f.key_file));
    pinned_key_ = f.pinned_key;
    protocol_->setCurrentIndex(f.protocol);
    show_protocol(f.protocol);

    show_list(f.files);
    upload_every_->setCurrentIndex(f.interval);
    start_time_->setText(qt_text(f.time_start));
    start_time_->setEnabled(start_time_enabled(f.interval));
    current_month_->setChecked(f.current_month);
    decades_->setChecked(f.current_month && f.decades);
    decades_->setEnabled(decades_enabled(f.current_month));
    web_upload_->setChecked(f.web_upload);
    web_folder_->setText(qt_text(f.web_folder));
    web_folder_->setEnabled(web_folder_enabled(f.web_upload));
}

InternetForm InternetDialog::read_fields() const
{
    InternetForm f;
    f.on = on_;
    f.host = text_of(host_->text());
    f.port = text_of(port_->text());
    f.folder = text_of(folder_->text());
    f.user = text_of(user_->text());
    f.password = text_of(password_->text());
    f.passive = passive_->isChecked();
    f.protocol = protocol_->currentIndex();
    f.key_file = text_of(key_file_->text());
    f.pinned_key = pinned_key_;
    f.current_month = current_month_->isChecked();
    f.decades = decades_->isChecked();
    f.interval = upload_every_->currentIndex();
    f.time_start = text_of(start_time_->text());
    f.files = listed();
    f.web_upload = web_upload_->isChecked();
    f.web_folder = text_of(web_folder_->text());
    return f;
}

void InternetDialog::show_switch(bool on)
{
    on_ = on;
    on_off_->setText(on ? tr("ON") : tr("OFF"));
    ball_ = on ? kBallOn : kBallOff;
    ball_label_->setPixmap(ball_pixmap(ball_));
}

void InternetDialog::show_list(const std::vector<std::string>& files)
{
    files_->clear();
    for (const std::string& f : files) files_->addItem(qt_text(f));
    counter_->setText(qt_text(file_counter(files.size())));
}

std::vector<std::string> InternetDialog::listed() const
{
    std::vector<std::string> out;
    for (int i = 0; i < files_->count(); ++i) out.push_back(text_of(files_->item(i)->text()));
    return out;
}

void InternetDialog::add_file()
{
    std::vector<std::string> files = listed();
    if (!can_add_file(files.size())) return;
    QFileDialog picker(this);
    picker.setFileMode(QFileDialog::ExistingFile);
    picker.setNameFilter(tr("All Files (*)"));
    if (picker.exec() != QDialog::Accepted || picker.selectedFiles().isEmpty()) return;
    // The path as the file system spells it (our texts are 8-bit; a name is not Latin-1).
    const std::string path =
        QFile::encodeName(QDir::toNativeSeparators(picker.selectedFiles().front())).toStdString();
    if (add_upload_file(files, path) == AddFile::added) show_list(files);
}

void InternetDialog::remove_files()
{
    std::vector<std::string> files = listed();
    std::vector<int> rows;
    for (const QListWidgetItem* item : files_->selectedItems()) rows.push_back(files_->row(item));
    remove_upload_files(files, rows);
    show_list(files);
}

void InternetDialog::clear_files()
{
    files_->clear();
    counter_->setText(qt_text(cleared_counter()));
}

void InternetDialog::focus_field(int tab, QLineEdit* edit)
{
    tabs_->setCurrentIndex(tab);
    edit->setFocus();
    edit->selectAll();
}

void InternetDialog::show_protocol(int protocol)
{
    passive_->setEnabled(passive_enabled(protocol));
    key_file_->setEnabled(key_file_enabled(protocol));
    key_browse_->setEnabled(key_file_enabled(protocol));
    check_server_->setEnabled(check_server_enabled(protocol));
    hint_->setText(qt_text(protocol_hint(protocol)));
}

void InternetDialog::pick_key_file()
{
    QFileDialog picker(this);
    picker.setFileMode(QFileDialog::ExistingFile);
    picker.setNameFilter(tr("All Files (*)"));
    picker.setOption(QFileDialog::DontUseNativeDialog);
    picker.setFilter(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    if (picker.exec() != QDialog::Accepted || picker.selectedFiles().isEmpty()) return;
    // The path as the file system spells it, as the upload list takes its files.
    const std::string path =
        QFile::encodeName(QDir::toNativeSeparators(picker.selectedFiles().front())).toStdString();
    key_file_->setText(qt_text(path));
}

void InternetDialog::check_server()
{
    GuiOwner owner(this, state_.main_window, nullptr, state_.boxes);
    const Settings typed = apply_internet_form(state_.settings, read_fields());
    ServerCheck c =
        nimbora::check_server(typed, state_.places.DocPath, ftp_timing().connect_timeout);
    const std::string caption = "Check server";
    if (!c.ask) {
        owner.message(caption, c.text, c.icon);
        return;
    }
    if (!owner.question(caption, c.text, Icon::question, false)) return;
    if (const std::string problem = record_server(c, state_.places.DocPath); !problem.empty()) {
        owner.message(caption, problem, Icon::error);
        return;
    }
    pinned_key_ = c.settings.PinnedKey;
}

void InternetDialog::help()
{
    show_help(this, internet_help_page(tabs_->currentIndex()));
}

void InternetDialog::accept()
{
    const InternetForm f = read_fields();
    GuiOwner owner(this, state_.main_window, nullptr, state_.boxes);
    for (const FtpFieldCheck& c : check_ftp_fields(state_.settings, f)) {
        // No one to ask: the field stays as it was, the dialog open.
        if (c.check.confirm && owner.question(c.check.caption, c.check.text, c.check.icon, false))
            continue;
        if (!c.check.confirm) owner.message(c.check.caption, c.check.text, c.check.icon);
        QLineEdit* const edits[] = {host_, port_, folder_, user_, password_, key_file_};
        focus_field(0, edits[static_cast<int>(c.field)]);
        return;
    }
    if (auto refusal = check_start_time(f)) {
        owner.message(refusal->caption, refusal->text, refusal->icon);
        focus_field(1, start_time_);
        // The passive mode is taken even by an OK that the start time keeps open; the next
        // connection attempt of an upload reads it.
        state_.settings.Passive = f.passive ? 1 : 0;
        return;
    }

    if (auto refusal = check_web_folder(f)) {
        owner.message(refusal->caption, refusal->text, refusal->icon);
        focus_field(1, web_folder_);
        return;
    }

    Settings after = apply_internet_form(state_.settings, f);
    // A running schedule stops under the settings it was started with; the next tick starts
    // it again with the new ones (and uploads at once).
    if (state_.stop_schedule) state_.stop_schedule();
    state_.settings = std::move(after);
    if (auto warning = check_upload_list(state_.settings))
        owner.message(warning->caption, warning->text, warning->icon);
    write_conf(&owner, state_.places.DocPath, state_.settings);
    if (state_.refresh_status) state_.refresh_status();
    QDialog::accept();
}

}  // namespace nimbora
