// SPDX-License-Identifier: GPL-3.0-or-later
// desktop_fixture.h: a product folder with its templates, an in-memory user store and the
// shared desktop state, for the main window and dialog tests; and the helpers they drive
// widgets with.
#pragma once

#include "app/AppState.h"
#include "app/ids.h"
#include "config/install.h"
#include "support/RecordingOwner.h"
#include "support/files.h"
#include "support/gui.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

namespace nimbora::test {

// The child of `parent` carrying `id` as its objectName; a failure when there is none.
template <class T>
T* child(const QObject* parent, int id)
{
    T* w = parent->findChild<T*>(widget_id(id));
    EXPECT_NE(w, nullptr) << "no widget " << id;
    return w;
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

// An installed product folder, no station open. The windows' message boxes and questions
// go to `boxes`.
class DesktopHome : public testing::Test {
protected:
    DesktopHome()
    {
        EXPECT_TRUE(install_product(nullptr, home.folder()).ok);
        state.places.HomePath = state.places.DocPath = home.folder();
        state.stop_schedule = [this] { ++stops; };
    }
    ~DesktopHome() override { EXPECT_EQ(boxes.unused_answers(), 0u) << "a question never asked"; }

    TempDir home;
    MemoryUserStore store;
    RecordingOwner boxes;
    AppState state{store, {}, {}, nullptr, {}, {}, {}, &boxes};
    int stops = 0;
};

}  // namespace nimbora::test
