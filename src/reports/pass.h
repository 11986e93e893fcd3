// SPDX-License-Identifier: GPL-3.0-or-later
// pass.h: what a report's one pass over its records needs to compute, in the program, the
// figures SQLite's aggregates gave it before, to the last printed digit: the values of a
// record as SQLite holds them, min() and max() (the first of equal values stays), sum() and
// avg() added in the order SQLite adds them, each figure read back from SQLite's own text of
// it, and the wind of a period by direction text.
#pragma once

#include "config/Db.h"
#include "config/format.h"
#include "config/handles.h"
#include "reports/layout.h"
#include "reports/wind.h"

#include <sqlite3.h>

#include <array>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace nimbora {

// Runs `sql` with its text parameters and hands each row to `row`. Sets `failed` and tells the
// owner when the statement failed; the rows until then have been handed over.
void each_row(Owner* owner, Db& db, const std::string& sql,
              std::initializer_list<std::string_view> params,
              const std::function<void(sqlite3_stmt*)>& row, bool& failed);

// A value of a record: NULL is skipped by min, max, sum, avg and count as SQLite skips it.
struct Cell {
    bool null = true, integer = false;
    double v = 0;
    sqlite3_int64 i = 0;
};

// Column `c` of the row `r` has just stepped to.
inline Cell read_cell(sqlite3_stmt* r, int c)
{
    Cell cell;
    const int type = sqlite3_column_type(r, c);
    if (type == SQLITE_NULL) return cell;
    cell.null = false;
    cell.integer = type == SQLITE_INTEGER;
    if (cell.integer) {
        cell.i = sqlite3_column_int64(r, c);
        cell.v = static_cast<double>(cell.i);
    } else {
        cell.v = sqlite3_column_double(r, c);
    }
    return cell;
}

// The text of column `c` (empty for NULL), valid until the next step.
inline std::string_view column_text(sqlite3_stmt* r, int c)
{
    const unsigned char* t = sqlite3_column_text(r, c);
    return t ? std::string_view(reinterpret_cast<const char*>(t),
                                static_cast<std::size_t>(sqlite3_column_bytes(r, c)))
             : std::string_view();
}

// The text SQLite prints for a cell's value.
inline std::string cell_text(const Cell& c)
{
    return c.integer ? strf("%lld", static_cast<long long>(c.i)) : sqlite_text(c.v);
}

// min() or max() of a column: the first of equal values stays, as in SQLite's own.
struct Extreme {
    Cell best;
    // True when `c` became the extreme: the first record holding it.
    bool lower(const Cell& c)
    {
        if (c.null || (!best.null && !(c.v < best.v))) return false;
        best = c;
        return true;
    }
    bool raise(const Cell& c)
    {
        if (c.null || (!best.null && !(c.v > best.v))) return false;
        best = c;
        return true;
    }
    // The value as read back from the statement's text; 0 for NULL.
    double number() const { return best.null ? 0.0 : num(cell_text(best)); }
    int whole() const { return best.null ? 0 : inum(cell_text(best)); }
};

// sum() of a REAL column, added in the order SQLite adds it; NULL without values.
struct Sum {
    bool held = false;
    double v = 0;
    void add(const Cell& c)
    {
        if (c.null) return;
        held = true;
        v += c.v;
    }
    double number() const { return held ? num(sqlite_text(v)) : 0.0; }
};

// avg(): SQLite's sum in double divided by the count of values.
struct Average {
    double sum = 0;
    long long count = 0;
    void add(const Cell& c)
    {
        if (c.null) return;
        sum += c.v;
        ++count;
    }
    double number() const
    {
        return count > 0 ? num(sqlite_text(sum / static_cast<double>(count))) : 0.0;
    }
};

// The record a statement once found as the first equal to an extreme printed with "%f" into
// it: the first record holding the extreme, which the pass keeps, whenever SQLite reads the
// printed text back as the extreme itself. Only when it does not (more than six decimals)
// must the statement run.
class PrintedValue {
public:
    // False, with `failed` set and the owner told, when the check could not be prepared.
    bool prepare(Owner* owner, Db& db, bool& failed);
    // Whether SQLite reads `printed` back as `value`.
    bool reads_back(const std::string& printed, double value);

private:
    StmtHandle as_real_;
};

// The wind of a period, record by record, per direction text: what the wind tables and the
// dominant direction selected with "group by direction" before.
class WindTally {
public:
    // A record's direction (`has_direction` false for NULL), wind speed and gust.
    void add(std::string_view direction, bool has_direction, const Cell& speed, const Cell& gust);

    // The direction with the most records of positive speed or gust: of equal counts the last
    // in text order (how "order by 2 desc" gives back equal counts); the empty text when only
    // records without a direction moved; "---" when none did.
    std::string dominant() const;
    // Percent of the records with a direction blowing from each direction with a speed above
    // 0, and in slot 17 the calm rest; zeros without a direction.
    WindRow percentages() const;
    // The average speed (stored units) from each direction over its records of speed above 0,
    // as SQLite's text of avg() reads back; 0 for a direction without one.
    WindSpeeds speeds() const;
    // The same in single precision, as the monthly tables hold them.
    WindRow speed_row() const;

private:
    struct Direction {
        std::string text;
        int all = 0, moving = 0, windy = 0;
        double windy_sum = 0;
    };
    // The directions in text order, as "group by direction" gives them.
    std::vector<const Direction*> by_text() const;

    std::vector<Direction> directions_;
    std::size_t last_ = 0;
    bool moving_without_direction_ = false;
};

// The wind of a span read in one pass: all its records, and those of each decade of a month
// ("day >= '01' and day <= '10'", '11'..'20', '21'..'31', compared as texts).
struct SpanWind {
    WindTally all;
    std::array<WindTally, 3> decades;
};

}  // namespace nimbora
