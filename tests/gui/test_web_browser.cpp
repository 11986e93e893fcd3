// SPDX-License-Identifier: GPL-3.0-or-later
// The station's web site in a real browser: each page kind loaded headless from file:// at a
// phone's and a desktop's size, light and dark. The screenshot must show a page (not a blank
// one, the background the colour scheme asks for) and the page as rendered must hold the
// figures.
#include "config/Db.h"
#include "config/schema.h"
#include "support/files.h"
#include "support/report_station.h"
#include "web/site.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QSet>

#include <cstdlib>
#include <string>
#include <vector>

namespace nimbora {
namespace {

using test::Rec;

// Two days of March 2009 and the latest record on 10 July 2010 at 12:30.
// clang-format off
const Rec kMarch[] = {
//   day   time     temp  hi    lo    hum dew bar     wspd  gust  dir    rain rate heat chill sol hsol et uv huv run
    {"05", "06:30",  2.5,  3.0,  2.1, 80, 1.0, 1012.0, 0.0,  2.0, "NNE", 0.0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {"05", "14:10", 14.0, 14.6, 13.0, 50, 3.0, 1010.0, 22.5, 35.4, "NNE", 3.2, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {"06", "13:40", 15.5, 16.2, 15.0, 45, 3.5, 1008.0, 15.0, 24.1, "  W", 0.0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
};
const Rec kJuly[] = {
    {"10", "12:00", 21.0, 21.5, 20.0, 55, 11.9, 1013.0, 4.0,  8.0, "  N", 0.4, 0.8, 21, 21, 0, 0, 0, 0, 0, 0},
    {"10", "12:30", 20.5, 21.0, 20.1, 60, 12.3, 1013.2, 5.0,  9.0, "NNE", 0.2, 1.2, 20, 20, 0, 0, 0, 0, 0, 0},
};
// clang-format on

bool have_chromium()
{
    return std::system("command -v chromium >/dev/null 2>&1") == 0;
}

class WebBrowser : public testing::Test {
protected:
    void SetUp() override
    {
        if (!have_chromium())
            GTEST_SKIP()
                << "chromium is not installed (scripts/install-deps.sh --test installs it)";
        st.insert("2009", "03", kMarch);
        st.insert("2010", "07", kJuly);
        st.all_columns();
        st.settings.Rep_Name = "Lake & <b>Hill</b>";
        auto db = Db::open(&st.owner, st.db_path());
        ASSERT_TRUE(db);
        SiteCounts counts;
        ASSERT_TRUE(write_site(&st.owner, *db, st.settings, site(), counts, LiveMonthAt{}));
    }
    std::string site() const { return st.dir.folder() + "web/"; }

    // Runs the browser headless on the page `name` with `args`; its standard output.
    std::string browse(const std::string& name, const std::string& args)
    {
        const std::string out = st.dir.folder() + "browser.out";
        const std::string command = "timeout 120 chromium --headless --no-sandbox --disable-gpu "
                                    "--hide-scrollbars --user-data-dir='" +
                                    st.dir.folder() + "profile' " + args + " 'file://" + site() +
                                    name + "' >'" + out + "' 2>/dev/null";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return test::read_file(out);
    }

    // A screenshot of `name` at `width` x `height`, dark or light.
    QImage screenshot(const std::string& name, int width, int height, bool dark)
    {
        const std::string png = st.dir.folder() + "shot.png";
        std::remove(png.c_str());
        browse(name, "--screenshot='" + png + "' --window-size=" + std::to_string(width) + "," +
                         std::to_string(height) + (dark ? " --force-dark-mode" : ""));
        return QImage(QString::fromStdString(png));
    }

    test::ReportStation st;
};

struct PageKind {
    const char* name;
    std::vector<const char*> figures;  // texts of the rendered page
};

// The figures each page kind shows, as the browser serialises its DOM. Day 5 averages 2.5
// and 14.0: 8.25, printed to the even digit as the report prints it.
const PageKind kPages[] = {
    {"index.html",
     {"<h1>Lake &amp; &lt;b&gt;Hill&lt;/b&gt;</h1>", "<dd>10/07/2010 12:30</dd>",
      "<dd>20.5 \xC2\xB0"
      "C</dd>",
      "<dd>0.6 mm</dd>", "<a href=\"2009-03.html\">Mar</a>", "<a href=\"records.html\">"}},
    {"2009-03.html",
     {"<th scope=\"row\">5</th><td>8.2</td><td>2.1</td><td>6:30</td><td>14.6</td><td>14:10</td>",
      "<th scope=\"row\">SUM</th>", "alt=\"Wind rose"}},
    {"2009.html", {"<a href=\"2009-03.html\">March</a>", "<th scope=\"row\">2009</th>"}},
    {"records.html",
     {"<th scope=\"row\">Temperature</th><td>21.5 \xC2\xB0"
      "C</td><td>12:00</td><td>10/07/2010</td><td>2.1 \xC2\xB0"
      "C</td><td>06:30</td><td>05/03/2009</td>"}},
};

TEST_F(WebBrowser, EveryPageKindRendersItsFiguresAtPhoneAndDesktopWidths)
{
    for (const PageKind& kind : kPages) {
        SCOPED_TRACE(kind.name);
        const std::string dom = browse(kind.name, "--dump-dom");
        for (const char* figure : kind.figures)
            EXPECT_NE(dom.find(figure), std::string::npos) << figure << "\n" << dom;

        for (const auto& [width, height] : {std::pair{390, 844}, std::pair{1280, 900}}) {
            for (const bool dark : {false, true}) {
                SCOPED_TRACE(std::to_string(width) + (dark ? " dark" : " light"));
                const QImage shot = screenshot(kind.name, width, height, dark);
                ASSERT_FALSE(shot.isNull());
                EXPECT_EQ(shot.width(), width);
                EXPECT_EQ(shot.height(), height);
                // The page's background in the corner, and text and rules over it: many
                // colours (anti-aliased text), a fair share of pixels off the background.
                const QRgb background = shot.pixel(1, 1);
                QSet<QRgb> colours;
                long off = 0, all = 0;
                for (int y = 0; y < shot.height(); y += 2)
                    for (int x = 0; x < shot.width(); x += 2) {
                        const QRgb p = shot.pixel(x, y);
                        colours.insert(p);
                        off += p != background;
                        ++all;
                    }
                EXPECT_GT(colours.size(), 16);
                EXPECT_GT(off * 100, all) << off << " of " << all;  // more than 1 %
                const int lightness = QColor(background).lightness();
                if (dark)
                    EXPECT_LT(lightness, 60);
                else
                    EXPECT_GT(lightness, 200);
            }
        }
    }
}

}  // namespace
}  // namespace nimbora
