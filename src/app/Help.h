// SPDX-License-Identifier: GPL-3.0-or-later
// Help.h: the program's own help pages, shown in its help viewer.
#pragma once

#include <QString>

#include <string_view>

class QWidget;

namespace nimbora {

// Opens the help page named as the program has always named it: "Nimbora.chm" for the
// whole help (its contents page), "Nimbora.chm::/MonthlyReport.html" for one page. An
// unknown page opens the contents page.
void show_help(QWidget* parent, std::string_view page);

// The address of that page in the program's resources ("qrc:/nimbora/help/...").
QString help_page_url(std::string_view page);

}  // namespace nimbora
