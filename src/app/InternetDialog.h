// SPDX-License-Identifier: GPL-3.0-or-later
// InternetDialog.h: "Internet Settings": automatic upload on or off, the server (FTP, FTPS or
// SFTP, and a check of its identity), the interval and start time, the current month's report
// and the list of files to upload.
#pragma once

#include "upload/InternetFunc.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;

namespace nimbora {

struct AppState;

class InternetDialog : public QDialog {
    Q_OBJECT
public:
    // Widget ids (each widget's objectName is its id in decimal).
    static constexpr int kOnOff = 1096;
    static constexpr int kTabs = 1104;
    static constexpr int kHost = 1084;
    static constexpr int kPort = 1086;
    static constexpr int kPassive = 1094;
    static constexpr int kFolder = 1088;
    static constexpr int kUser = 1090;
    static constexpr int kPassword = 1092;
    static constexpr int kCurrentMonth = 1098;
    static constexpr int kDecades = 40035;
    static constexpr int kUploadEvery = 40023;
    static constexpr int kStartTime = 40019;
    static constexpr int kFiles = 40027;
    static constexpr int kAdd = 40029;
    static constexpr int kRemove = 40031;
    static constexpr int kClear = 40033;
    static constexpr int kCounter = 1100;
    static constexpr int kProtocol = 41001;     // FTP, FTPS, SFTP
    static constexpr int kKeyFile = 41002;      // SFTP private key
    static constexpr int kKeyBrowse = 41003;    // "..." beside it: a file picker
    static constexpr int kCheckServer = 41004;  // "Check server...": identity, Yes/No to trust
    static constexpr int kHint = 41005;         // what the chosen protocol means
    static constexpr int kWebUpload = 41006;    // "Web pages": publish the station's site
    static constexpr int kWebFolder = 41007;    // its remote folder
    // The status ball beside the button: green while on, red while off.
    static constexpr int kBallOn = 328;
    static constexpr int kBallOff = 327;

    InternetDialog(AppState& state, QWidget* parent);

    // The ball now shown: kBallOn or kBallOff.
    int ball() const { return ball_; }

    void accept() override;

private:
    QWidget* make_ftp_page();
    QWidget* make_file_page();
    void load(const InternetForm& f);
    InternetForm read_fields() const;
    void show_switch(bool on);  // the ON/OFF text and the ball
    void show_list(const std::vector<std::string>& files);
    std::vector<std::string> listed() const;
    void add_file();
    void remove_files();
    void clear_files();
    void focus_field(int tab, QLineEdit* edit);
    void help();
    void show_protocol(int protocol);  // enabled fields and the hint
    void pick_key_file();
    void check_server();

    AppState& state_;
    bool on_ = false;  // what the ON/OFF button says until OK
    int ball_ = kBallOff;

    QPushButton* on_off_ = nullptr;
    QLabel* ball_label_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    QLineEdit* host_ = nullptr;
    QLineEdit* port_ = nullptr;
    QCheckBox* passive_ = nullptr;
    QLineEdit* folder_ = nullptr;
    QLineEdit* user_ = nullptr;
    QLineEdit* password_ = nullptr;
    QComboBox* protocol_ = nullptr;
    QLineEdit* key_file_ = nullptr;
    QPushButton* key_browse_ = nullptr;
    QPushButton* check_server_ = nullptr;
    QLabel* hint_ = nullptr;
    std::string pinned_key_;  // kept until OK; "Check server..." may set it
    QCheckBox* current_month_ = nullptr;
    QCheckBox* decades_ = nullptr;
    QComboBox* upload_every_ = nullptr;
    QLineEdit* start_time_ = nullptr;
    QListWidget* files_ = nullptr;
    QLineEdit* counter_ = nullptr;
    QCheckBox* web_upload_ = nullptr;
    QLineEdit* web_folder_ = nullptr;
};

}  // namespace nimbora
