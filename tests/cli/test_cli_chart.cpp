// SPDX-License-Identifier: GPL-3.0-or-later
// The chart and export commands on a station with a synthetic month of hourly records.
#include "charts/csv.h"
#include "cli/cli_harness.h"
#include "import/synthetic.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace nimbora {
namespace {

class CliChart : public testing::Test, public test::CliHarness {
protected:
    void SetUp() override
    {
        ASSERT_EQ(run({"setup"}).code, kOk);
        ASSERT_EQ(run({"station", "new", "Hill"}).code, kOk);
        ASSERT_EQ(run({"station", "open", "Hill"}).code, kOk);
        ASSERT_TRUE(write_synthetic_month(folder + "2008-05.wlk", 2008, 5, 60, 2));
        ASSERT_EQ(run({"import", "--all"}).code, kOk);
    }
    static std::string read(const std::string& path)
    {
        std::ifstream f(path, std::ios::binary);
        std::ostringstream s;
        s << f.rdbuf();
        return s.str();
    }
    static std::size_t count(const std::string& text, const std::string& what)
    {
        std::size_t n = 0;
        for (std::size_t at = text.find(what); at != std::string::npos;
             at = text.find(what, at + 1))
            ++n;
        return n;
    }
    const std::string folder = home + "Hill/";
};

TEST_F(CliChart, WritesEachKindWhereItSays)
{
    for (const char* kind : kChartKinds) {
        const Result r = run({"chart", kind, "--year", "2008", "--month", "5"});
        const std::string path = folder + "charts/" + kind + "_2008-05.svg";
        EXPECT_EQ(r.code, kOk) << r.err;
        EXPECT_EQ(r.out, path + "\n");
        EXPECT_EQ(std::system(("xmllint --noout '" + path + "'").c_str()), 0) << kind;
    }
    Result r = run({"chart", "rain", "--from", "2008-05-30", "--to", "2008-05-31", "--out",
                    dir.folder() + "r.svg"});
    EXPECT_EQ(r.code, kOk) << r.err;
    EXPECT_EQ(r.out, dir.folder() + "r.svg\n");
    // Two days of hourly records: every record, a bar and a title each.
    EXPECT_EQ(count(read(dir.folder() + "r.svg"), "<title>30/05/2008 "), 24u);
    EXPECT_FALSE(fs::exists(dir.folder() + "r.svg.part"));
    r = run({"chart", "rain", "--year", "2008", "--out", dir.folder() + "none/r.svg"});
    EXPECT_EQ(r.code, kFailed);
    EXPECT_EQ(r.err, "Error: Can't write " + dir.folder() + "none/r.svg\n");

    r = run({"chart", "temperature", "--last-hours", "24"});
    EXPECT_EQ(r.code, kOk) << r.err;
    EXPECT_EQ(r.out, folder + "charts/temperature_last-24h.svg\n");
    // The last record of May is 31/05 at 24:00: the 24 hours up to it.
    EXPECT_NE(read(folder + "charts/temperature_last-24h.svg")
                  .find("<title>Outside temperature, 31/05/2008 00:01 \xE2\x80\x93 31/05/2008 "
                        "24:00</title>"),
              std::string::npos);
}

TEST_F(CliChart, RefusesBadCommandsAndEmptySpans)
{
    Result r = run({"chart", "clouds", "--year", "2008"});
    EXPECT_EQ(r.code, kUsage);
    EXPECT_NE(r.err.find("temperature,humidity,pressure,rain,wind,windrose,solar"),
              std::string::npos)
        << r.err;
    r = run({"chart", "rain"});
    EXPECT_EQ(r.code, kUsage);
    EXPECT_EQ(r.err, "Error: Give --year [--month], --from and --to, or --last-hours\n");
    r = run({"chart", "rain", "--year", "2008", "--month", "13"});
    EXPECT_EQ(r.code, kUsage);
    EXPECT_EQ(r.err, "Error: Not a month: 13\n");
    r = run({"chart", "rain", "--from", "2008-02-30", "--to", "2008-05-31"});
    EXPECT_EQ(r.code, kUsage);
    EXPECT_EQ(r.err, "Error: Not a date (YYYY-MM-DD): 2008-02-30\n");
    r = run({"chart", "rain", "--from", "2008-05-03", "--to", "2008-05-02"});
    EXPECT_EQ(r.code, kUsage);
    EXPECT_EQ(run({"chart", "rain", "--year", "2008", "--last-hours", "5"}).code, kUsage);
    EXPECT_EQ(run({"export", "--last-hours", "5"}).code, kUsage);

    r = run({"chart", "rain", "--year", "2008", "--month", "6"});
    EXPECT_EQ(r.code, kFailed);
    EXPECT_EQ(r.err, "Chart: No data for June 2008\n");
    EXPECT_EQ(r.out, "");
    EXPECT_FALSE(fs::exists(folder + "charts/rain_2008-06.svg"));
    r = run({"export", "--from", "2009-01-01", "--to", "2009-01-02"});
    EXPECT_EQ(r.code, kFailed);
    EXPECT_EQ(r.err, "Export: No data for 01/01/2009 \xE2\x80\x93 02/01/2009\n");
    EXPECT_EQ(r.out, "");
}

TEST_F(CliChart, ExportsRecordsAndDays)
{
    Result r = run({"export", "--from", "2008-05-02", "--to", "2008-05-02"});
    ASSERT_EQ(r.code, kOk) << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find("\r\n")), kRecordHeader);
    // Hourly records of one day: 01:00 to 24:00.
    EXPECT_EQ(count(r.out, "\r\n"), 25u);
    EXPECT_EQ(count(r.out, "\n"), 25u);
    EXPECT_NE(r.out.find("\r\n2008-05-02,01:00,"), std::string::npos);
    EXPECT_NE(r.out.find("\r\n2008-05-02,24:00,"), std::string::npos);

    r = run({"export", "--year", "2008", "--month", "may", "--daily", "--out",
             dir.folder() + "days.csv"});
    ASSERT_EQ(r.code, kOk) << r.err;
    EXPECT_EQ(r.out, dir.folder() + "days.csv\n");
    const std::string days = read(dir.folder() + "days.csv");
    EXPECT_EQ(days.substr(0, days.find("\r\n")), kDailyHeader);
    EXPECT_EQ(count(days, "\r\n"), 32u);
    EXPECT_NE(days.find("\r\n2008-05-31,"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir.folder() + "days.csv.part"));

    // A folder that is not there: nothing written, failure.
    r = run({"export", "--year", "2008", "--out", dir.folder() + "none/x.csv"});
    EXPECT_EQ(r.code, kFailed);
    EXPECT_EQ(r.err, "Error: Can't write " + dir.folder() + "none/x.csv\n");
}

// The web pages: by default in the station folder's "web", or where --out says; a second run
// writes nothing.
TEST_F(CliChart, WebWritesTheSiteOnceThenNothing)
{
    Result r = run({"web"});
    EXPECT_EQ(r.code, kOk) << r.err;
    // The 24 files of a one-month site and the two text reports of the report folder.
    EXPECT_EQ(r.out, folder + "web: 26 file(s) written, 0 unchanged\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder + "web/reports"), {}), 2);
    for (const char* name : {"index.html", "style.css", "2008.html", "2008-05.html",
                             "charts/temperature_2008-05.svg", "charts/windrose_2008-05.svg"})
        EXPECT_TRUE(fs::is_regular_file(folder + "web/" + name)) << name;
    r = run({"web"});
    EXPECT_EQ(r.out, folder + "web: 0 file(s) written, 26 unchanged\n");

    r = run({"web", "--out", dir.folder() + "site"});
    EXPECT_EQ(r.code, kOk) << r.err;
    EXPECT_EQ(read(dir.folder() + "site/2008-05.html"), read(folder + "web/2008-05.html"));
}

}  // namespace
}  // namespace nimbora
