// desktop_fixture.h: a product folder with its templates, an in-memory user store and the
// shared desktop state, for the main window and dialog tests; and the helpers they drive
// widgets with.
#pragma once

#include "app/AppState.h"
#include "app/ids.h"
#include "config/install.h"
#include "support/files.h"
#include "support/gui.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <memory>
#include <vector>

namespace nimbora::test {

// The child of `parent` carrying `id` as its objectName; a failure when there is none.
template <class T>
T* child(const QObject* parent, int id)
{
    T* w = parent->findChild<T*>(widget_id(id));
    EXPECT_NE(w, nullptr) << "no widget " << id;
    return w;
}

// The boxes answered so far; the answering stops when this goes away, so a box a test did
// not expect is never answered by a later test's helper.
class BoxAnswers {
public:
    ~BoxAnswers()
    {
        if (timer_) timer_->deleteLater();
    }
    std::size_t size() const { return seen_->size(); }
    const SeenBox& operator[](std::size_t i) const { return seen_->at(i); }
    std::vector<SeenBox> all() const { return *seen_; }

    std::shared_ptr<std::vector<SeenBox>> seen_ = std::make_shared<std::vector<SeenBox>>();
    QPointer<QTimer> timer_;
};

// Answers the next message boxes in turn, each with its button; records what each showed.
inline std::unique_ptr<BoxAnswers> answer_boxes(std::vector<QMessageBox::StandardButton> buttons,
                                                int timeout_ms = 5000)
{
    auto answers = std::make_unique<BoxAnswers>();
    auto seen = answers->seen_;
    auto last = std::make_shared<QPointer<QMessageBox>>();
    auto waited = std::make_shared<int>(0);
    auto* timer = new QTimer(qApp);
    answers->timer_ = timer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [=] {
        *waited += 10;
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box && box != last->data() && box->isVisible()) {
            const QMessageBox::StandardButton button = buttons[seen->size()];
            seen->push_back(SeenBox{true, box->windowTitle(), box->text(), box->icon()});
            *last = box;
            if (QAbstractButton* b = box->button(button))
                b->click();
            else
                box->reject();
        }
        if (seen->size() == buttons.size() || *waited > timeout_ms) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
    return answers;
}

// Selects `name` in the list box 1114 of `dialog`.
inline void select_station(QWidget* dialog, const QString& name)
{
    auto* list = child<QListWidget>(dialog, ids::kStationList);
    const auto found = list->findItems(name, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << name.toStdString();
    list->setCurrentItem(found.front());
}

// Clicks the button `id` as the user would: a check box or radio button on its indicator.
inline void click(QWidget* parent, int id)
{
    auto* b = child<QAbstractButton>(parent, id);
    if (!b) return;
    if (qobject_cast<QPushButton*>(b))
        QTest::mouseClick(b, Qt::LeftButton);
    else
        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(8, b->height() / 2));
}

// The names of the list box 1114, in order.
inline QStringList station_list(QWidget* dialog)
{
    QStringList names;
    auto* list = child<QListWidget>(dialog, ids::kStationList);
    for (int i = 0; list && i < list->count(); ++i) names << list->item(i)->text();
    return names;
}

// An installed product folder, no station open.
class DesktopHome : public testing::Test {
protected:
    DesktopHome()
    {
        EXPECT_TRUE(install_product(nullptr, home.folder()).ok);
        state.places.HomePath = state.places.DocPath = home.folder();
        state.stop_schedule = [this] { ++stops; };
    }

    TempDir home;
    MemoryUserStore store;
    AppState state{store, {}, {}, nullptr, {}, {}, {}};
    int stops = 0;
};

}  // namespace nimbora::test
