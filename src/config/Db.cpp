#include "config/Db.h"

#include "config/format.h"

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
