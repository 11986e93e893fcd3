// SPDX-License-Identifier: GPL-3.0-or-later
// side_by_side.h: reading the parts of a long span side by side. The figures of one month (or
// one year) never depend on another's, so a long span can be read a part at a time on as many
// threads as the machine has cores, each on its own connection to the station database.
#pragma once

#include "config/Db.h"
#include "jobs/Owner.h"

#include <functional>

namespace nimbora {

// Calls `read(owner, db, part)` once for every part from 0 to `parts` - 1, the parts shared
// out in order among up to as many threads as there are cores: the calling thread reads on
// `db`, each other thread on a connection of its own to the same database file, which sees
// what is committed in the main database. Inside a transaction of the caller's, while the
// caller's connection holds temporary tables or views (they may stand in for the database's
// tables), for a database without a file, or when no other connection opens, every part is
// read on the calling thread. `read` returns false when a statement
// failed; it must only touch what belongs to its part. Messages are held until every thread
// has ended; then, when a part failed, the first failed part's messages are told to `owner`
// and the result is false. Questions get their `unanswered` reply; status and progress are
// not passed on.
bool read_side_by_side(Owner* owner, Db& db, int parts,
                       const std::function<bool(Owner*, Db&, int)>& read);

}  // namespace nimbora
