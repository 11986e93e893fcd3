#include "support/gui.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

namespace nimbora::test {
namespace {

// Polls every 10 ms until `try_once` returns true or the time is up.
void poll(std::function<bool()> try_once, int timeout_ms)
{
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    auto timer = new QTimer(qApp);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, clock, try_once, timeout_ms] {
        if (try_once() || clock->elapsed() > timeout_ms) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
}

}  // namespace

std::shared_ptr<SeenBox> answer_next_box(QMessageBox::StandardButton button, int timeout_ms)
{
    auto seen = std::make_shared<SeenBox>();
    poll(
        [seen, button] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return false;
            seen->shown = true;
            seen->caption = box->windowTitle();
            seen->text = box->text();
            seen->icon = box->icon();
            if (QAbstractButton* b = box->button(button))
                b->click();
            else
                box->reject();
            return true;
        },
        timeout_ms);
    return seen;
}

void with_next_modal(std::function<void(QWidget*)> fn, int timeout_ms)
{
    QWidget* before = QApplication::activeModalWidget();
    poll(
        [fn, before] {
            QWidget* w = QApplication::activeModalWidget();
            if (!w || w == before || !w->isVisible()) return false;
            fn(w);
            return true;
        },
        timeout_ms);
}

}  // namespace nimbora::test
