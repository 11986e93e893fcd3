// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/gui.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <vector>

namespace nimbora::test {

// The armed watches, first armed first served, and the one filter on the application that
// sees every window show.
struct Watches : QObject {
    std::vector<std::shared_ptr<ModalWatch>> armed;

    static Watches& get()
    {
        static Watches* watches = [] {
            auto* w = new Watches;
            w->setParent(qApp);
            qApp->installEventFilter(w);
            return w;
        }();
        return *watches;
    }

    bool eventFilter(QObject* object, QEvent* event) override
    {
        if (event->type() != QEvent::Show || !object->isWidgetType()) return false;
        auto* window = static_cast<QWidget*>(object);
        if (!window->isWindow() || !window->isModal()) return false;
        for (auto it = armed.begin(); it != armed.end(); ++it) {
            const std::shared_ptr<ModalWatch> watch = *it;
            if (watch->cancelled_ || !watch->accepts_(window)) continue;
            armed.erase(it);
            watch->fired_ = true;
            // Queued: exec() has shown the window and is about to run its event loop; the
            // call comes from inside that loop.
            QPointer<QWidget> target(window);
            QTimer::singleShot(0, window, [watch, target] {
                if (target) watch->fn_(target);
            });
            break;
        }
        return false;
    }
};

std::shared_ptr<ModalWatch> with_next_modal(std::function<void(QWidget*)> fn)
{
    auto watch = std::make_shared<ModalWatch>();
    watch->accepts_ = [](QWidget*) { return true; };
    watch->fn_ = std::move(fn);
    Watches::get().armed.push_back(watch);
    return watch;
}

std::shared_ptr<SeenBox> answer_next_box(QMessageBox::StandardButton button)
{
    auto seen = std::make_shared<SeenBox>();
    auto watch = std::make_shared<ModalWatch>();
    watch->accepts_ = [](QWidget* w) { return qobject_cast<QMessageBox*>(w) != nullptr; };
    watch->fn_ = [seen, button](QWidget* w) {
        auto* box = static_cast<QMessageBox*>(w);
        seen->shown = true;
        seen->caption = box->windowTitle();
        seen->text = box->text();
        seen->icon = box->icon();
        seen->parent = box->parentWidget();
        seen->parented = box->parentWidget() != nullptr;
        if (QAbstractButton* b = box->button(button))
            b->click();
        else
            box->reject();
    };
    Watches::get().armed.push_back(watch);
    return seen;
}

void end_of_test_watches()
{
    auto& armed = Watches::get().armed;
    for (const auto& watch : armed)
        if (!watch->cancelled_) ADD_FAILURE() << "a modal window the test waited for never opened";
    armed.clear();
}

}  // namespace nimbora::test
