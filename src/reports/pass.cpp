// SPDX-License-Identifier: GPL-3.0-or-later
#include "reports/pass.h"

#include <algorithm>

namespace nimbora {

void each_row(Owner* owner, Db& db, const std::string& sql,
              std::initializer_list<std::string_view> params,
              const std::function<void(sqlite3_stmt*)>& row, bool& failed)
{
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db.get(), sql.c_str(), -1, &raw, nullptr) != SQLITE_OK) {
        failed = true;
        tell_database_error(owner, sqlite3_errmsg(db.get()));
        return;
    }
    const StmtHandle stmt(raw);
    int n = 0;
    for (std::string_view p : params)
        sqlite3_bind_text(raw, ++n, p.data(), static_cast<int>(p.size()), SQLITE_STATIC);
    int rc;
    while ((rc = sqlite3_step(raw)) == SQLITE_ROW) row(raw);
    if (rc != SQLITE_DONE) {
        failed = true;
        tell_database_error(owner, sqlite3_errmsg(db.get()));
    }
}

bool PrintedValue::prepare(Owner* owner, Db& db, bool& failed)
{
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db.get(), "select cast(?1 as real)", -1, &raw, nullptr) != SQLITE_OK) {
        failed = true;
        tell_database_error(owner, sqlite3_errmsg(db.get()));
        return false;
    }
    as_real_.reset(raw);
    return true;
}

bool PrintedValue::reads_back(const std::string& printed, double value)
{
    if (!as_real_) return false;
    sqlite3_reset(as_real_.get());
    sqlite3_bind_text(as_real_.get(), 1, printed.c_str(), -1, SQLITE_TRANSIENT);
    return sqlite3_step(as_real_.get()) == SQLITE_ROW &&
           sqlite3_column_double(as_real_.get(), 0) == value;
}

void WindTally::add(std::string_view direction, bool has_direction, const Cell& speed,
                    const Cell& gust)
{
    // "windspeed > 0" and "gustspeed > 0 or windspeed > 0", as SQLite compares a NULL (never
    // true).
    const bool windy = !speed.null && speed.v > 0;
    const bool moving = windy || (!gust.null && gust.v > 0);
    if (!has_direction) {
        if (moving) moving_without_direction_ = true;
        return;
    }
    if (last_ >= directions_.size() || directions_[last_].text != direction) {
        for (last_ = 0; last_ < directions_.size(); ++last_)
            if (directions_[last_].text == direction) break;
        if (last_ == directions_.size()) directions_.push_back(Direction{std::string(direction)});
    }
    Direction& d = directions_[last_];
    ++d.all;
    if (moving) ++d.moving;
    if (windy) {
        ++d.windy;
        d.windy_sum += speed.v;
    }
}

std::vector<const WindTally::Direction*> WindTally::by_text() const
{
    std::vector<const Direction*> sorted;
    sorted.reserve(directions_.size());
    for (const Direction& d : directions_) sorted.push_back(&d);
    std::sort(sorted.begin(), sorted.end(),
              [](const Direction* a, const Direction* b) { return a->text < b->text; });
    return sorted;
}

std::string WindTally::dominant() const
{
    const Direction* best = nullptr;
    for (const Direction& d : directions_) {
        if (d.moving == 0) continue;
        if (!best || d.moving > best->moving || (d.moving == best->moving && d.text > best->text))
            best = &d;
    }
    if (best) return best->text;
    // The records without a direction form a group of their own, counted 0, first only when
    // it is the only one.
    return moving_without_direction_ ? std::string() : std::string("---");
}

WindRow WindTally::percentages() const
{
    WindRow row{};
    int total = 0;
    for (const Direction& d : directions_) total += d.all;
    // A period without a single direction has no shares to speak of: zeros, never NaN.
    if (total == 0) return row;
    int windy = 0;
    // A later text of the same name overwrites an earlier one's slot, as the rows came.
    for (const Direction* d : by_text()) {
        if (d->windy == 0) continue;
        windy += d->windy;
        if (const int i = direction_slot(d->text); i >= 0)
            row[static_cast<std::size_t>(i)] =
                static_cast<float>(d->windy) / static_cast<float>(total) * 100.0f;
    }
    row[kCalm] = static_cast<float>(total - windy) / static_cast<float>(total) * 100.0f;
    return row;
}

WindSpeeds WindTally::speeds() const
{
    WindSpeeds speeds{};
    for (const Direction* d : by_text())
        if (d->windy > 0)
            if (const int i = direction_slot(d->text); i >= 0)
                speeds[static_cast<std::size_t>(i)] =
                    num(sqlite_text(d->windy_sum / static_cast<double>(d->windy)));
    return speeds;
}

WindRow WindTally::speed_row() const
{
    WindRow row{};
    const WindSpeeds all = speeds();
    for (std::size_t i = 0; i < all.size(); ++i) row[i] = static_cast<float>(all[i]);
    return row;
}

}  // namespace nimbora
