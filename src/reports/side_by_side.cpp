// SPDX-License-Identifier: GPL-3.0-or-later
#include "reports/side_by_side.h"

#include <algorithm>
#include <atomic>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace nimbora {

namespace {

// Holds a part's messages; passes nothing on from a thread that is not the caller's.
class PartOwner final : public QuietOwner {
public:
    void message(std::string_view caption, std::string_view text, Icon icon) override
    {
        held.push_back({std::string(caption), std::string(text), icon});
    }

    struct Message {
        std::string caption, text;
        Icon icon;
    };
    std::vector<Message> held;
};

// Whether the connection holds temporary tables, views, indexes or triggers; true when that
// cannot be told.
bool has_temporary_objects(Db& db)
{
    const auto r = db.query(nullptr, "select 1 from temp.sqlite_master limit 1");
    return !r.ok || !r.rows.empty();
}

}  // namespace

bool read_side_by_side(Owner* owner, Db& db, int parts,
                       const std::function<bool(Owner*, Db&, int)>& read)
{
    if (parts <= 0) return true;
    const auto count = static_cast<unsigned>(parts);
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const unsigned threads = std::min({cores, count, 8u});

    // Each part's messages, told only after the threads end and only for the first failure.
    std::vector<PartOwner> held(count);
    std::vector<char> ok(count, 1);
    std::atomic<unsigned> next{0};
    const auto work = [&](Db& connection) {
        for (unsigned i; (i = next.fetch_add(1)) < count;)
            ok[i] = read(&held[i], connection, static_cast<int>(i)) ? 1 : 0;
    };

    std::vector<std::thread> others;
    const char* file = sqlite3_db_filename(db.get(), "main");
    const std::string path = file ? file : "";
    // Inside a transaction of the caller's, other connections would see another snapshot and
    // none of its own writes; with temporary tables or views of its own (which may stand in
    // for a table of the database), other records.
    if (!path.empty() && sqlite3_get_autocommit(db.get()) && !has_temporary_objects(db)) {
        for (unsigned t = 1; t < threads; ++t) {
            others.emplace_back([&work, path] {
                // Opening fails only as the caller's own connection could fail now; the parts
                // are then read by the threads that have a connection.
                std::optional<Db> own = Db::open(nullptr, path);
                if (own) work(*own);
            });
        }
    }
    work(db);
    for (std::thread& t : others) t.join();

    for (unsigned i = 0; i < count; ++i) {
        if (!ok[i]) {
            for (const PartOwner::Message& m : held[i].held) tell(owner, m.caption, m.text, m.icon);
            return false;
        }
    }
    return true;
}

}  // namespace nimbora
