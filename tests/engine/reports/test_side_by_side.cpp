// SPDX-License-Identifier: GPL-3.0-or-later
// The parts of a long span read side by side: each part once, on a connection to the same
// database, and a failure told as the first failing part told it.
#include "config/Db.h"
#include "reports/side_by_side.h"
#include "support/RecordingOwner.h"
#include "support/files.h"

#include <gtest/gtest.h>

#include <map>
#include <mutex>
#include <set>
#include <string>

namespace nimbora {
namespace {

// A database file with y - 2000 rows in table t for each year y from 2001 to 2012.
struct SideBySide : ::testing::Test {
    test::TempDir dir;
    std::string path = dir.folder() + "years.s3db";
    std::optional<Db> db;

    void SetUp() override
    {
        test::write_file(path, "");  // an empty file is an empty database
        db = Db::open(nullptr, path);
        ASSERT_TRUE(db);
        ASSERT_TRUE(db->query(nullptr, "create table t(year text)").ok);
        ASSERT_TRUE(db->query(nullptr, "begin").ok);
        for (int y = 2001; y <= 2012; ++y)
            for (int i = 0; i < y - 2000; ++i)
                ASSERT_TRUE(db->query(nullptr, "insert into t values(?)", {std::to_string(y)}).ok);
        ASSERT_TRUE(db->query(nullptr, "commit").ok);
    }
};

TEST_F(SideBySide, EveryYearReadOnceOnAConnectionToTheSameFile)
{
    std::mutex mutex;
    std::map<int, int> rows;  // year: rows counted, -1 when read twice
    std::set<sqlite3*> connections;
    test::RecordingOwner owner;
    ASSERT_TRUE(read_side_by_side(&owner, *db, 12, [&](Owner* o, Db& c, int part) {
        const int year = 2001 + part;
        const auto r = c.query(o, "select count(*) from t where year=?", {std::to_string(year)});
        std::lock_guard lock(mutex);
        connections.insert(c.get());
        rows[year] = rows.count(year) ? -1 : std::stoi(r.rows.at(0).at(0));
        return r.ok;
    }));
    ASSERT_EQ(rows.size(), 12u);
    for (int y = 2001; y <= 2012; ++y) EXPECT_EQ(rows[y], y - 2000) << y;
    EXPECT_TRUE(connections.count(db->get()));  // the caller's connection reads too
    EXPECT_TRUE(owner.messages.empty());

    // One part, and none: the caller's connection, or nothing.
    rows.clear();
    connections.clear();
    ASSERT_TRUE(read_side_by_side(&owner, *db, 1, [&](Owner*, Db& c, int part) {
        const int year = 2005 + part;
        connections.insert(c.get());
        rows[year] = 1;
        return true;
    }));
    EXPECT_EQ(rows, (std::map<int, int>{{2005, 1}}));
    EXPECT_EQ(connections, std::set<sqlite3*>{db->get()});
    EXPECT_TRUE(read_side_by_side(&owner, *db, 0, [](Owner*, Db&, int) {
        ADD_FAILURE() << "no part to read";
        return false;
    }));
}

// Two parts fail, each with SQLite's own message: only the earlier one reaches the owner,
// once, after every thread has ended, and the whole read fails.
TEST_F(SideBySide, OnlyTheFirstFailedYearIsTold)
{
    test::RecordingOwner owner;
    EXPECT_FALSE(read_side_by_side(&owner, *db, 12, [](Owner* o, Db& c, int part) {
        const int year = 2001 + part;
        if (year != 2004 && year != 2009) return c.query(o, "select count(*) from t").ok;
        const std::string table = "missing" + std::to_string(year);
        return c.query(o, ("select * from " + table).c_str()).ok;
    }));
    ASSERT_EQ(owner.messages.size(), 1u);
    EXPECT_NE(owner.messages[0].text.find("missing2004"), std::string::npos)
        << owner.messages[0].text;
}

// Inside a transaction of the caller's, other connections would not see what it sees (its
// snapshot, its own writes): every part is read on its connection.
TEST_F(SideBySide, InsideATransactionOnTheCallersConnection)
{
    ASSERT_TRUE(db->query(nullptr, "begin").ok);
    ASSERT_TRUE(db->query(nullptr, "insert into t values('2007')").ok);
    std::map<int, std::string> rows;
    test::RecordingOwner owner;
    EXPECT_TRUE(read_side_by_side(&owner, *db, 3, [&](Owner* o, Db& c, int part) {
        const int year = 2006 + part;
        EXPECT_EQ(c.get(), db->get());
        const auto r = c.query(o, "select count(*) from t where year=?", {std::to_string(year)});
        rows[year] = r.rows.at(0).at(0);
        return r.ok;
    }));
    EXPECT_EQ(rows, (std::map<int, std::string>{{2006, "6"}, {2007, "8"}, {2008, "8"}}));
    ASSERT_TRUE(db->query(nullptr, "rollback").ok);
}

// A temporary view of the caller's standing in for the table: other connections would read
// the table itself, so every part is read on the caller's connection, through the view.
TEST_F(SideBySide, TemporaryViewOnTheCallersConnection)
{
    ASSERT_TRUE(db->query(nullptr, "create temp view t as select '2007' as year").ok);
    std::map<int, std::string> rows;
    test::RecordingOwner owner;
    EXPECT_TRUE(read_side_by_side(&owner, *db, 3, [&](Owner* o, Db& c, int part) {
        EXPECT_EQ(c.get(), db->get());
        const auto r =
            c.query(o, "select count(*) from t where year=?", {std::to_string(2006 + part)});
        rows[2006 + part] = r.rows.at(0).at(0);
        return r.ok;
    }));
    EXPECT_EQ(rows, (std::map<int, std::string>{{2006, "0"}, {2007, "1"}, {2008, "0"}}));
}

// A database without a file (in memory) cannot be opened a second time: every part is read
// on the caller's connection, which alone holds the table.
TEST(SideBySideInMemory, ReadOnTheCallersConnection)
{
    auto db = Db::open(nullptr, ":memory:");
    ASSERT_TRUE(db);
    ASSERT_TRUE(db->query(nullptr, "create table t(year text)").ok);
    int parts = 0;
    test::RecordingOwner owner;
    EXPECT_TRUE(read_side_by_side(&owner, *db, 8, [&](Owner* o, Db& c, int) {
        EXPECT_EQ(c.get(), db->get());
        ++parts;
        return c.query(o, "select count(*) from t").ok;
    }));
    EXPECT_EQ(parts, 8);
    EXPECT_TRUE(owner.messages.empty());
}

}  // namespace
}  // namespace nimbora
