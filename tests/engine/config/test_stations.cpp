// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/stations.h"

#include "config/install.h"
#include "config/read_conf.h"
#include "config/schema.h"
#include "jobs/busy.h"
#include "support/RecordingOwner.h"
#include "support/files.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace nimbora {
namespace {

using test::RecordingOwner;
using test::TempDir;

class Stations : public testing::Test {
protected:
    void SetUp() override
    {
        home = dir.folder() + "Nimbora/";
        ASSERT_TRUE(install_product(nullptr, home).ok);
        places.HomePath = home;
        places.DocPath = home;
    }

    TempDir dir;
    std::string home;
    RecordingOwner owner;
    MemoryUserStore store;
    Places places;
    Settings settings;
    int stops = 0;
    std::function<void()> stop = [this] { ++stops; };
};

TEST_F(Stations, InstallationMakesTheTemplatesOnce)
{
    EXPECT_TRUE(missing_installation(home).empty());
    const Settings t = template_settings();
    Settings s;
    ASSERT_EQ(read_conf(nullptr, kConfEntries, home, s), 0);
    EXPECT_EQ(s.InitPathRep, home);  // empty folders default to where the files are
    EXPECT_TRUE(s.column(kTemperature) && s.column(kRain) && s.column(kWind));
    EXPECT_FALSE(s.column(kDewPoint));
    EXPECT_EQ(s.Interval, "1 hr.");
    EXPECT_EQ(s.IntervMin, 60);
    EXPECT_EQ(s.TimeStart, "00:00");
    EXPECT_EQ(s.FtpPort, "21");
    EXPECT_EQ(s.RemotePath, "/");
    EXPECT_EQ(s.TransferEnabled, 0);

    // The template database holds an empty datimeteo of 23 columns keyed by the date.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2((home + kDbFile).c_str(), &db, SQLITE_OPEN_READWRITE, nullptr),
              SQLITE_OK);
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "select * from datimeteo", -1, &st, nullptr), SQLITE_OK);
    EXPECT_EQ(sqlite3_column_count(st), 23);
    EXPECT_STREQ(sqlite3_column_name(st, 22), "WindRun");
    sqlite3_finalize(st);
    char* err = nullptr;
    EXPECT_EQ(sqlite3_exec(
                  db, "insert into datimeteo(year,month,day,time) values('2008','05','01','00:05')",
                  nullptr, nullptr, &err),
              SQLITE_OK);
    EXPECT_NE(sqlite3_exec(
                  db, "insert into datimeteo(year,month,day,time) values('2008','05','01','00:05')",
                  nullptr, nullptr, &err),
              SQLITE_OK);
    sqlite3_free(err);
    sqlite3_close(db);

    // A second run replaces nothing.
    test::write_file(home + "nimbrep.conf", "<City>Kept</City>\r\n");
    const InstallResult again = install_product(nullptr, home);
    EXPECT_TRUE(again.ok);
    EXPECT_TRUE(again.made.empty());
    EXPECT_EQ(test::read_file(home + "nimbrep.conf"), "<City>Kept</City>\r\n");
}

TEST_F(Stations, Lifecycle)
{
    ASSERT_TRUE(create_station(&owner, home, "beta"));
    ASSERT_TRUE(create_station(&owner, home, "Alpha"));
    ASSERT_TRUE(create_station(&owner, home, "gamma"));
    EXPECT_EQ(list_stations(home), (std::vector<std::string>{"Alpha", "beta", "gamma"}));
    EXPECT_TRUE(fs::is_regular_file(home + "beta/NimboDB.s3db"));
    EXPECT_TRUE(places.StationName.empty());  // creating does not open

    EXPECT_EQ(open_station(&owner, store, places, settings, "beta", stop), OpenResult::opened);
    EXPECT_EQ(places.StationName, "beta");
    EXPECT_EQ(places.DocPath, home + "beta/");
    EXPECT_EQ(settings.InitPathDB, home + "beta/");
    EXPECT_EQ(store.get_string("StationName"), "beta");
    EXPECT_EQ(open_station(&owner, store, places, settings, "beta", stop),
              OpenResult::already_open);
    EXPECT_EQ(open_station(&owner, store, places, settings, "delta", stop), OpenResult::not_found);

    EXPECT_EQ(delete_station(&owner, store, places, settings, "gamma", stop),
              DeleteResult::deleted);
    EXPECT_EQ(places.StationName, "beta");
    EXPECT_EQ(delete_station(&owner, store, places, settings, "beta", stop),
              DeleteResult::deleted_open);
    EXPECT_EQ(places.StationName, "");
    EXPECT_EQ(places.DocPath, home + "beta/");  // kept until another station opens
    EXPECT_FALSE(store.get_string("StationName"));
    EXPECT_EQ(list_stations(home), std::vector<std::string>{"Alpha"});
    EXPECT_EQ(stops, 0);

    EXPECT_EQ(owner.lines(), (std::vector<std::string>{
                                 "New Station: Station created successfully",
                                 "New Station: Station created successfully",
                                 "New Station: Station created successfully",
                                 "Open Station: Station already open!",
                                 "Open Station: Station not found: delta",
                                 "Delete Station: Station deleted successfully",
                                 "Delete Station: Station deleted successfully",
                             }));

    // The next start reopens what the store names.
    ASSERT_TRUE(store.set_string("StationName", "Alpha"));
    const Places next = start_places(store, home);
    EXPECT_EQ(next.StationName, "Alpha");
    EXPECT_EQ(next.DocPath, home + "Alpha/");
}

TEST_F(Stations, CreatingAnExistingStationChangesNothing)
{
    ASSERT_TRUE(create_station(nullptr, home, "Hill"));
    test::write_file(home + "Hill/nimbrep.conf", "mine");
    EXPECT_FALSE(create_station(&owner, home, "Hill"));
    EXPECT_EQ(test::read_file(home + "Hill/nimbrep.conf"), "mine");
    EXPECT_FALSE(create_station(&owner, dir.folder() + "nowhere/", "Hill"));
    EXPECT_EQ(owner.lines(), (std::vector<std::string>{"New Station: Could not create station",
                                                       "New Station: Could not create station"}));
}

TEST_F(Stations, NamesThatCannotBeFolders)
{
    for (const char* bad : {"",      ".",    "..",   " Hill",    "Hill ",
                            "Hill.", "a/b",  "a\\b", "a:b",      "a*b",
                            "a?b",   "a\"b", "a<b",  "a>b",      "a|b",
                            "a\tb",  "CON",  "com1", "Lpt9.txt", "123456789012345678901"}) {
        EXPECT_TRUE(check_station_name(bad)) << '"' << bad << '"';
        EXPECT_FALSE(create_station(nullptr, home, bad)) << '"' << bad << '"';
    }
    for (const char* good :
         {"Hill", "Monte Rosa", "st.2", "12345678901234567890", "Console", "com0"})
        EXPECT_FALSE(check_station_name(good)) << '"' << good << '"';
    EXPECT_EQ(list_stations(home), std::vector<std::string>{});
    // ".." would name the documents folder itself.
    EXPECT_EQ(delete_station(nullptr, store, places, settings, "..", stop), DeleteResult::failed);
    EXPECT_TRUE(fs::is_directory(home));
}

TEST_F(Stations, FolderWithASubfolderIsNotDeleted)
{
    ASSERT_TRUE(create_station(nullptr, home, "Hill"));
    fs::create_directory(home + "Hill/reports");
    EXPECT_EQ(delete_station(&owner, store, places, settings, "Hill", stop), DeleteResult::failed);
    EXPECT_TRUE(fs::is_regular_file(home + "Hill/NimboDB.s3db"));  // nothing deleted at all
    EXPECT_EQ(owner.lines(), std::vector<std::string>{"Delete Station: Could not delete station"});
}

TEST_F(Stations, ChangingStationStopsTheUploadSchedule)
{
    ASSERT_TRUE(create_station(nullptr, home, "One"));
    ASSERT_TRUE(create_station(nullptr, home, "Two"));
    ASSERT_EQ(open_station(nullptr, store, places, settings, "One", stop), OpenResult::opened);
    settings.TransferEnabled = 1;
    TimerActive = 1;
    ASSERT_EQ(open_station(nullptr, store, places, settings, "Two", stop), OpenResult::opened);
    EXPECT_EQ(stops, 1);
    EXPECT_EQ(TimerActive, 0);

    settings.TransferEnabled = 1;
    ASSERT_EQ(delete_station(nullptr, store, places, settings, "One", stop), DeleteResult::deleted);
    EXPECT_EQ(stops, 1);  // another station's deletion leaves the schedule alone
    ASSERT_EQ(delete_station(nullptr, store, places, settings, "Two", stop),
              DeleteResult::deleted_open);
    EXPECT_EQ(stops, 2);
    EXPECT_EQ(settings.TransferEnabled, 0);
}

TEST_F(Stations, RefusedStoreWriteLeavesTheSettingsUnloaded)
{
    ASSERT_TRUE(create_station(nullptr, home, "Hill"));
    store.fail_writes = true;
    settings.Rep_City = "previous";
    EXPECT_EQ(open_station(&owner, store, places, settings, "Hill", stop),
              OpenResult::store_failed);
    EXPECT_EQ(places.StationName, "Hill");
    EXPECT_EQ(places.DocPath, home);
    EXPECT_EQ(settings.Rep_City, "previous");
    EXPECT_EQ(owner.lines(), std::vector<std::string>{"Error: Error saving settings to registry"});
}

TEST(UserStore, WindowPosition)
{
    MemoryUserStore store;
    EXPECT_EQ(start_position(store), std::make_pair(300, 300));
    ASSERT_TRUE(store.set_int("PosX", 40));
    EXPECT_EQ(start_position(store), std::make_pair(300, 300));  // PosY missing
    ASSERT_TRUE(save_position(store, 120, 80));
    EXPECT_EQ(start_position(store), std::make_pair(120, 80));
    ASSERT_TRUE(save_position(store, -32000, -32000));  // minimised: off screen
    EXPECT_EQ(start_position(store), std::make_pair(120, 80));
    ASSERT_TRUE(save_position(store, -5, 100000));
    EXPECT_EQ(start_position(store), std::make_pair(120, 100000));
    store.fail_writes = true;
    EXPECT_FALSE(save_position(store, 1, 2));
}

}  // namespace
}  // namespace nimbora
