// SPDX-License-Identifier: GPL-3.0-or-later
// ids.h: the identifiers of the desktop program's menu items, controls and dialogs. Each
// widget carries its id as its objectName (widget_id), so tests and help find it by id.
#pragma once

#include <QString>

namespace nimbora::ids {

// Main menu and tray menu commands.
inline constexpr int kNewStation = 40015;
inline constexpr int kOpenStation = 40021;
inline constexpr int kDeleteStation = 40025;
inline constexpr int kLoadDatabase = 40000;
inline constexpr int kViewFtpLog = 40017;
inline constexpr int kExit = 9002;
inline constexpr int kSetupReport = 40006;
inline constexpr int kSetupDirectories = 40007;
inline constexpr int kSetupUnits = 40001;
inline constexpr int kSetupInternet = 40008;
inline constexpr int kCurrentMonth = 40005;
inline constexpr int kMonthly = 40004;
inline constexpr int kAnnual = 40002;
inline constexpr int kGlobal = 40011;
inline constexpr int kDateRange = 40009;
inline constexpr int kStatistics = 40003;
inline constexpr int kWebPages = 40053;
inline constexpr int kHelp = 9010;
inline constexpr int kCheckUpdates = 40010;
inline constexpr int kAbout = 9006;
inline constexpr int kShowWindow = 40013;

// Main window parts, resources and timers.
inline constexpr int kMainMenu = 101;
inline constexpr int kTrayMenu = 318;
inline constexpr int kIcon = 201;
inline constexpr int kBackground = 202;
inline constexpr int kStatusBar = 2001;
inline constexpr int kMainTimer = 1600;
inline constexpr int kMainTimerMs = 10000;

// Buttons every dialog shares.
inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;
inline constexpr int kHelpButton = 9;

// Station dialogs.
inline constexpr int kNewStationDialog = 338;
inline constexpr int kOpenStationDialog = 340;
inline constexpr int kDeleteStationDialog = 342;
inline constexpr int kStationNameEdit = 1122;
inline constexpr int kCreateButton = 1120;
inline constexpr int kStationList = 1114;
inline constexpr int kOpenButton = 1116;
inline constexpr int kDeleteButton = 1118;

// Report settings dialog.
inline constexpr int kReportSetupDialog = 309;
inline constexpr int kRepName = 1068, kRepCity = 1070, kRepState = 1072, kRepElev = 1074,
                     kRepLat = 1076, kRepLong = 1078;
inline constexpr int kAllColumns = 1001;    // three-state box standing for all 15 columns
inline constexpr int kFirstColumn = 40037;  // column box i is 40037 + 2 * i
constexpr int column_box(int i)
{
    return kFirstColumn + 2 * i;
}

// Directories dialog.
inline constexpr int kDirectoriesDialog = 310;
inline constexpr int kReportDir = 1028, kDatabaseDir = 1030, kWlkDir = 1036;
inline constexpr int kReportDirBrowse = 1032, kDatabaseDirBrowse = 1034, kWlkDirBrowse = 1038;

// Units dialog.
inline constexpr int kUnitsDialog = 314;
inline constexpr int kTempC = 1040, kTempF = 1042;
inline constexpr int kRainMm = 1044, kRainInch = 1046;
inline constexpr int kWindKmh = 1048, kWindMph = 1050, kWindKnot = 1052, kWindMs = 1054;
inline constexpr int kBarHpa = 1056, kBarMb = 1058, kBarMmHg = 1060, kBarInHg = 1062;

// About box.
inline constexpr int kAboutDialog = 301;
inline constexpr int kAboutText = 1102;
inline constexpr int kAboutPicture = 315;

}  // namespace nimbora::ids

namespace nimbora {

// The objectName a widget with `id` carries: the id in decimal.
inline QString widget_id(int id)
{
    return QString::number(id);
}

}  // namespace nimbora
