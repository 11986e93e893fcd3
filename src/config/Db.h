// SPDX-License-Identifier: GPL-3.0-or-later
// Db.h: one connection to a station database, and the transaction that guards a job's work.
#pragma once

#include "config/handles.h"
#include "jobs/Owner.h"

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nimbora {

// Rows of text cells, exactly SQLite's text of each value; NULL reads as an empty cell.
using Rows = std::vector<std::vector<std::string>>;

class Db {
public:
    // Opens `path` read-write, never creating it. On failure tells the owner
    // "Can't open database: PATH: %s\n" (caption "Error") and returns nothing.
    static std::optional<Db> open(Owner* owner, const std::string& path);
    // Uses a connection someone else opened and will close.
    static Db borrow(sqlite3* connection);

    Db(Db&& other) noexcept;
    Db& operator=(Db&& other) noexcept;
    Db(const Db&) = delete;
    Db& operator=(const Db&) = delete;
    ~Db();

    sqlite3* get() const { return db_; }

    // Runs a statement without results. On failure tells the owner SQLite's message
    // (caption "Database", warning icon) and returns false.
    bool exec(Owner* owner, const char* sql);

    // Runs a query with its ? parameters bound to `texts`; the rows that arrived before a
    // failure are kept. `ok` is false, and the owner told as by exec, when it failed.
    struct Result {
        Rows rows;
        bool ok = true;
    };
    Result query(Owner* owner, const char* sql, std::initializer_list<std::string_view> texts = {});

    // SQLite's text of the last failure on this connection.
    std::string error() const;

private:
    Db(sqlite3* db, bool owned) : db_(db), owned_(owned) {}
    sqlite3* db_ = nullptr;
    bool owned_ = false;
};

// "BEGIN IMMEDIATE": the write lock is taken at the start, so a database held by another
// program refuses the job at once instead of failing it halfway. Rolls back in its
// destructor unless committed.
class Transaction {
public:
    // Tells the owner and leaves `active()` false when the transaction cannot begin.
    Transaction(Db& db, Owner* owner);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    bool active() const { return active_; }
    // The one call that makes the work visible; false (the owner told) when it failed, and
    // then everything is rolled back.
    bool commit(Owner* owner);

private:
    Db& db_;
    bool active_ = false;
};

// Adds to a connection the function in_span(PART, ..., FROM, TO): whether the texts PART ...
// joined lie between FROM and TO, exactly as "PART||...||PART >= FROM and PART||...||PART <= TO"
// compares them (byte by byte, then the shorter first; NULL when any argument is NULL), without
// building the joined text for every record. False when it could not be added. Every
// connection Db::open opens has it.
bool add_in_span(sqlite3* db);

// Tells the owner SQLite's message for a failed statement: caption "Database", warning icon.
void tell_database_error(Owner* owner, std::string_view message);

}  // namespace nimbora
