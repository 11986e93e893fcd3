// SPDX-License-Identifier: GPL-3.0-or-later
// schema.h: the station database: its file name and the weather table. `datimeteo` (in every
// station database) and the current month's temporary `TempMeteo` share one shape: 23
// columns, all nullable, keyed by the four text columns Year, Month, Day, Time.
#pragma once

namespace nimbora {

// The station database's file name, in InitPathDB (and in the product folder's template).
inline constexpr const char* kDbFile = "NimboDB.s3db";

#define NIMBORA_WEATHER_COLUMNS                                                                    \
    " ( [Year] VARCHAR(4) NULL, [Month] VARCHAR(2) NULL, [Day] VARCHAR(2) NULL,"                   \
    " [Time] VARCHAR(5) NULL, [Temperature] FLOAT NULL, [HiTemp] FLOAT NULL,"                      \
    " [LowTemp] FLOAT NULL, [Humidity] INTEGER NULL, [Dewpoint] FLOAT NULL,"                       \
    " [Pressure] FLOAT NULL, [Windspeed] FLOAT NULL, [Gustspeed] FLOAT NULL,"                      \
    " [Direction] VARCHAR(3) NULL, [Rain] FLOAT NULL, [RainRate] FLOAT NULL,"                      \
    " [HeatIndex] FLOAT NULL, [Windchill] FLOAT NULL, [SolarRad] INTEGER NULL,"                    \
    " [HiSolarRad] INTEGER NULL, [ET] FLOAT NULL, [UV] FLOAT NULL, [HiUV] FLOAT NULL,"             \
    " WindRun FLOAT, PRIMARY KEY ([Year],[Month],[Day],[Time]) )"

// The temporary table of the current month's report, on the connection that creates it. Its
// records come from one WLK file, whose keys are never NULL, so it is stored in the order of
// its key alone (WITHOUT ROWID): one b-tree to fill and to read, not a table and its index.
inline constexpr const char* kCreateTempMeteo =
    "CREATE TEMPORARY TABLE [TempMeteo]" NIMBORA_WEATHER_COLUMNS " WITHOUT ROWID";

// The station table, as the template database holds it.
inline constexpr const char* kCreateDatiMeteo = "CREATE TABLE [datimeteo]" NIMBORA_WEATHER_COLUMNS;

#undef NIMBORA_WEATHER_COLUMNS

}  // namespace nimbora
