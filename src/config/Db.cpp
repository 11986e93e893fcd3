// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/Db.h"

#include "config/format.h"

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <span>
#include <string_view>
#include <utility>

namespace nimbora {
namespace {

// How long a statement waits for another program's lock before it fails.
constexpr int kBusyTimeoutMs = 2000;

}  // namespace

void tell_database_error(Owner* owner, std::string_view message)
{
    tell(owner, "Database", message, Icon::warning);
}

namespace {

// How the concatenation of `parts` compares with `text` as SQLite compares texts: byte by
// byte, then the shorter first.
int compare_joined(std::span<const std::string_view> parts, std::string_view text)
{
    std::size_t at = 0;
    for (std::string_view part : parts) {
        const std::size_t n = std::min(part.size(), text.size() - at);
        if (const int c = text.substr(at, n).compare(part.substr(0, n)); c != 0) return -c;
        if (n < part.size()) return 1;  // the text ends inside this part
        at += n;
    }
    return at < text.size() ? -1 : 0;
}

void in_span(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    constexpr int kMostParts = 8;
    const int count = argc - 2;
    if (count < 1 || count > kMostParts) {
        sqlite3_result_error(context, "in_span: between 1 and 8 parts, then two bounds", -1);
        return;
    }
    for (int i = 0; i < argc; ++i)
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL) return sqlite3_result_null(context);
    const auto text = [](sqlite3_value* v) {
        const auto* t = reinterpret_cast<const char*>(sqlite3_value_text(v));
        return std::string_view(t ? t : "", static_cast<std::size_t>(sqlite3_value_bytes(v)));
    };
    std::array<std::string_view, kMostParts> parts;
    for (int i = 0; i < count; ++i) parts[static_cast<std::size_t>(i)] = text(argv[i]);
    const std::span<const std::string_view> joined(parts.data(), static_cast<std::size_t>(count));
    sqlite3_result_int(context, compare_joined(joined, text(argv[count])) >= 0 &&
                                    compare_joined(joined, text(argv[count + 1])) <= 0);
}

}  // namespace

bool add_in_span(sqlite3* db)
{
    return sqlite3_create_function_v2(db, "in_span", -1,
                                      SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS,
                                      nullptr, in_span, nullptr, nullptr, nullptr) == SQLITE_OK;
}

std::optional<Db> Db::open(Owner* owner, const std::string& path)
{
    sqlite3* raw = nullptr;
    const int rc =
        sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        tell(owner, "Error",
             strf("Can't open database: %s: %s\n", path.c_str(),
                  raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc)),
             Icon::error);
        sqlite3_close_v2(raw);
        return std::nullopt;
    }
    sqlite3_busy_timeout(raw, kBusyTimeoutMs);
    // The function only fails to be added when memory runs out; a statement using it then
    // fails with SQLite's message.
    (void)add_in_span(raw);
    return Db(raw, true);
}

Db Db::borrow(sqlite3* connection)
{
    return Db(connection, false);
}

Db::Db(Db&& other) noexcept : db_(std::exchange(other.db_, nullptr)), owned_(other.owned_) {}

Db& Db::operator=(Db&& other) noexcept
{
    if (this != &other) {
        if (owned_) sqlite3_close_v2(db_);
        db_ = std::exchange(other.db_, nullptr);
        owned_ = other.owned_;
    }
    return *this;
}

Db::~Db()
{
    if (owned_) sqlite3_close_v2(db_);
}

std::string Db::error() const
{
    return sqlite3_errmsg(db_);
}

bool Db::exec(Owner* owner, const char* sql)
{
    char* raw = nullptr;
    const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, &raw);
    const SqliteText message(raw);
    if (rc == SQLITE_OK) return true;
    tell_database_error(owner, message ? message.get() : sqlite3_errstr(rc));
    return false;
}

Db::Result Db::query(Owner* owner, const char* sql, std::initializer_list<std::string_view> texts)
{
    Result result;
    sqlite3_stmt* raw = nullptr;
    int rc = sqlite3_prepare_v2(db_, sql, -1, &raw, nullptr);
    const StmtHandle stmt(raw);
    if (rc == SQLITE_OK) {
        int index = 1;
        for (std::string_view text : texts)
            sqlite3_bind_text(raw, index++, text.data(), static_cast<int>(text.size()),
                              SQLITE_TRANSIENT);
        const int columns = sqlite3_column_count(raw);
        while ((rc = sqlite3_step(raw)) == SQLITE_ROW) {
            auto& row = result.rows.emplace_back(static_cast<std::size_t>(columns));
            for (int c = 0; c < columns; ++c)
                if (const unsigned char* text = sqlite3_column_text(raw, c))
                    row[static_cast<std::size_t>(c)] = reinterpret_cast<const char*>(text);
        }
        if (rc == SQLITE_DONE) return result;
    }
    result.ok = false;
    tell_database_error(owner, sqlite3_errmsg(db_));
    return result;
}

Transaction::Transaction(Db& db, Owner* owner) : db_(db)
{
    active_ = db_.exec(owner, "BEGIN IMMEDIATE");
}

Transaction::~Transaction()
{
    if (active_) sqlite3_exec(db_.get(), "ROLLBACK", nullptr, nullptr, nullptr);
}

bool Transaction::commit(Owner* owner)
{
    if (!active_) return false;
    if (!db_.exec(owner, "COMMIT")) return false;  // still active: the destructor rolls back
    active_ = false;
    return true;
}

}  // namespace nimbora
