// SPDX-License-Identifier: GPL-3.0-or-later
// insert.h: one weather row into `datimeteo` or `TempMeteo`. Values are bound, never spliced
// into SQL, and each is rounded exactly as the row's printf format has always rounded it, so
// the stored values are those the text statement stored.
#pragma once

#include "config/handles.h"
#include "import/Wlk.h"

#include <string>
#include <string_view>

namespace nimbora {

// "INSERT INTO <table> values(?,...)" with the 23 columns in table order.
std::string insert_sql(std::string_view table);

// Binds the row's 23 values; a field equal to its missing-value marker binds NULL (Rain,
// RainRate and WindRun never do). The texts are bound where they lie in `w`, without a copy:
// `w` must stay unchanged until the statement has been stepped.
void bind_weather(sqlite3_stmt* insert, const WeatherData& w);

// The statement as text, as "error.txt" shows it:
// "INSERT INTO datimeteo values('2012','02','01','00:01', 22.500,...,  0.00)".
std::string insert_text(std::string_view table, const WeatherData& w);

// `value` rounded to `decimals` places as printf("%.*f") rounds it, as a double.
double round_as_printed(double value, int decimals);

}  // namespace nimbora
