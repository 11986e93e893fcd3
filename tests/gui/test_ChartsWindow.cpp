// SPDX-License-Identifier: GPL-3.0-or-later
// Report > Charts... driven headless on a station of one synthetic month: each kind drawn, the
// figures under the mouse, Save as SVG and PNG, Export CSV, the wait while a job runs.
#include "app/AppState.h"
#include "app/ChartsWindow.h"
#include "app/dialog_util.h"
#include "charts/csv.h"
#include "config/UserStore.h"
#include "import/load_db.h"
#include "import/synthetic.h"
#include "support/RecordingOwner.h"
#include "support/report_station.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QImage>
#include <QSet>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace nimbora {
namespace {

std::string read(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

// The colours of a picture: one for an empty one.
int colours(const QImage& image)
{
    QSet<QRgb> seen;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2) seen.insert(image.pixel(x, y));
    return static_cast<int>(seen.size());
}

class ChartsWindowTest : public testing::Test {
protected:
    ChartsWindowTest()
        : state_{store_, Places{station_.dir.folder(), "Hill", station_.dir.folder()},
                 {},     nullptr,
                 {},     {},
                 {},     &boxes_}
    {
        const std::string folder = station_.dir.folder();
        EXPECT_TRUE(write_synthetic_month(folder + "2008-05.wlk", 2008, 5, 60, 1));
        ReportJob job;
        job.settings = station_.settings;
        job.Files = {"2008-05.wlk"};
        EXPECT_EQ(load_db(job).code, 0);
        station_.all_columns();
        state_.settings = station_.settings;
    }

    test::ReportStation station_;
    MemoryUserStore store_;
    test::RecordingOwner boxes_;
    AppState state_;
};

TEST_F(ChartsWindowTest, DrawsEachKindAndSavesIt)
{
    ChartsWindow w(state_, nullptr);
    w.resize(900, 560);
    w.show();
    // The month of the latest record comes first.
    ASSERT_FALSE(w.view()->svg().isEmpty());
    EXPECT_NE(w.view()->svg().indexOf("May 2008"), -1);
    for (std::size_t k = 0; k < kChartKinds.size(); ++k) {
        w.choose(static_cast<ChartKind>(k), ChartSpanChoice::month);
        const QImage picture = w.view()->picture();
        EXPECT_GT(colours(picture), 8) << kChartKinds[k];
        EXPECT_EQ(picture.size(), w.view()->size());
    }
    for (const ChartSpanChoice span :
         {ChartSpanChoice::hours24, ChartSpanChoice::days7, ChartSpanChoice::days30,
          ChartSpanChoice::months12, ChartSpanChoice::year}) {
        w.choose(ChartKind::temperature, span);
        EXPECT_FALSE(w.view()->svg().isEmpty()) << static_cast<int>(span);
    }

    // The figures under the mouse: a point of the month in the middle of the plot.
    w.choose(ChartKind::rain, ChartSpanChoice::month);
    const QSize size = w.view()->size();
    const QString value = w.view()->value_at(QPointF(size.width() / 2.0, size.height() / 2.0));
    EXPECT_TRUE(value.contains(QStringLiteral("/05/2008"))) << value.toStdString();
    EXPECT_TRUE(value.contains(QStringLiteral("rain "))) << value.toStdString();
    EXPECT_TRUE(w.view()->value_at(QPointF(1, 1)).isEmpty());
    w.choose(ChartKind::windrose, ChartSpanChoice::month);
    const QString calm = w.view()->value_at(QPointF(size.width() / 2.0, size.height() / 2.0));
    EXPECT_TRUE(calm.isEmpty() || calm.contains(QStringLiteral("%"))) << calm.toStdString();

    const std::string folder = station_.dir.folder();
    ASSERT_TRUE(w.save_png(QString::fromStdString(folder + "w.png")));
    const QImage png(QString::fromStdString(folder + "w.png"));
    EXPECT_EQ(png.size(), w.view()->size());
    ASSERT_TRUE(w.save_svg(QString::fromStdString(folder + "w.svg")));
    EXPECT_EQ(read(folder + "w.svg"), w.view()->svg().toStdString());
    EXPECT_EQ(std::system(("xmllint --noout '" + folder + "w.svg'").c_str()), 0);
    ASSERT_TRUE(w.export_csv(QString::fromStdString(folder + "w.csv")));
    const std::string csv = read(folder + "w.csv");
    EXPECT_EQ(csv.substr(0, csv.find("\r\n")), kDailyHeader);
    EXPECT_TRUE(boxes_.messages.empty());
}

TEST_F(ChartsWindowTest, WaitsForJobsAndFollowsTheStation)
{
    ChartsWindow w(state_, nullptr);
    auto* kind = w.findChild<QComboBox*>(widget_id(ids::charts::kKind));
    ASSERT_NE(kind, nullptr);
    w.set_jobs_running(true);
    EXPECT_FALSE(kind->isEnabled());
    w.refresh();
    w.set_jobs_running(false);
    EXPECT_TRUE(kind->isEnabled());
    EXPECT_FALSE(w.view()->svg().isEmpty());

    // A month without records draws nothing and says so.
    w.choose_month(2008, 6);
    EXPECT_TRUE(w.view()->svg().isEmpty());
    EXPECT_FALSE(w.save_png(QString::fromStdString(station_.dir.folder() + "none.png")));
    ASSERT_EQ(boxes_.messages.size(), 1u);
    EXPECT_EQ(boxes_.messages[0].text, "No chart to save");
    EXPECT_FALSE(std::filesystem::exists(station_.dir.folder() + "none.png"));
    boxes_.messages.clear();

    state_.places.StationName.clear();
    w.refresh();
    EXPECT_TRUE(w.view()->svg().isEmpty());
    EXPECT_TRUE(boxes_.messages.empty());
}

}  // namespace
}  // namespace nimbora
