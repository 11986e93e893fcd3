// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/GuiOwner.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QStatusBar>
#include <QThread>

#include <mutex>

namespace nimbora {
namespace {

QMessageBox::Icon box_icon(Icon icon)
{
    switch (icon) {
    case Icon::information:
        return QMessageBox::Information;
    case Icon::warning:
        return QMessageBox::Warning;
    case Icon::error:
        return QMessageBox::Critical;
    case Icon::question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

// Our texts are 8-bit (the degree sign is 0xB0).
QString text_of(std::string_view s)
{
    return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}

void show_message(QWidget* parent, const std::string& caption, const std::string& text, Icon icon)
{
    QMessageBox box(box_icon(icon), text_of(caption), text_of(text), QMessageBox::Ok, parent);
    box.exec();
}

bool ask_question(QWidget* parent, const std::string& caption, const std::string& text, Icon icon)
{
    QMessageBox box(box_icon(icon), text_of(caption), text_of(text),
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

}  // namespace

std::atomic<bool> GuiOwner::closed_ = false;

void GuiOwner::close_all()
{
    closed_ = true;
}

GuiOwner::GuiOwner(QWidget* window, QWidget* fallback, QObject* parent, Owner* boxes)
    : QObject(parent), window_(window), fallback_(fallback), boxes_(boxes)
{
}

void GuiOwner::on_gui(std::function<void()> fn, bool wait)
{
    if (QThread::currentThread() == thread()) {
        fn();
        return;
    }
    QMetaObject::invokeMethod(this, std::move(fn),
                              wait ? Qt::BlockingQueuedConnection : Qt::QueuedConnection);
}

bool GuiOwner::show_box(const std::function<void(QWidget* parent)>& box)
{
    // Two jobs asking at once would nest their boxes; one at a time.
    static std::mutex one_box;
    const bool worker = QThread::currentThread() != thread();
    std::unique_lock lock(one_box, std::defer_lock);
    if (worker) lock.lock();
    if (closed_) return false;  // the program began to end while another job's box was up
    on_gui(
        [this, &box] {
            QWidget* parent = window_ ? window_.data() : fallback_.data();
            box(parent);
        },
        true);
    return true;
}

void GuiOwner::message(std::string_view caption, std::string_view text, Icon icon)
{
    if (closed_) return;
    if (boxes_) {
        // On the GUI thread, as a real box would be: after everything the job sent before it.
        show_box([this, c = std::string(caption), t = std::string(text), icon](QWidget*) {
            boxes_->message(c, t, icon);
        });
        return;
    }
    show_box([c = std::string(caption), t = std::string(text), icon](QWidget* parent) {
        show_message(parent, c, t, icon);
    });
}

bool GuiOwner::question(std::string_view caption, std::string_view text, Icon icon, bool unanswered)
{
    if (closed_) return unanswered;
    bool yes = unanswered;
    if (boxes_) {
        const bool asked =
            show_box([this, c = std::string(caption), t = std::string(text), icon, unanswered,
                      &yes](QWidget*) { yes = boxes_->question(c, t, icon, unanswered); });
        return asked ? yes : unanswered;
    }
    const bool shown = show_box([c = std::string(caption), t = std::string(text), icon, &yes](
                                    QWidget* parent) { yes = ask_question(parent, c, t, icon); });
    return shown ? yes : unanswered;
}

void GuiOwner::status(std::string_view text)
{
    on_gui(
        [this, t = text_of(text)] {
            if (status_label_) status_label_->setText(t);
            if (status_bar_) status_bar_->showMessage(t);
        },
        false);
}

void GuiOwner::progress_range(int low, int high)
{
    on_gui(
        [this, low, high] {
            if (progress_bar_) {
                progress_bar_->setRange(low, high);
                progress_bar_->setValue(low);
            }
        },
        false);
}

void GuiOwner::progress_step(int step)
{
    on_gui(
        [this, step] {
            if (progress_bar_) progress_bar_->setValue(progress_bar_->value() + step);
        },
        false);
}

void GuiOwner::progress_reset()
{
    on_gui(
        [this] {
            if (progress_bar_) progress_bar_->reset();
        },
        false);
}

void GuiOwner::busy(bool on)
{
    on_gui(
        [this, on] {
            if (on) {
                ++busy_depth_;
                QApplication::setOverrideCursor(Qt::WaitCursor);
            } else if (busy_depth_ > 0) {
                --busy_depth_;
                QApplication::restoreOverrideCursor();
            }
        },
        false);
}

void GuiOwner::menu_enabled(bool on)
{
    on_gui(
        [this, on] {
            if (menu_hook_) menu_hook_(on);
        },
        false);
}

}  // namespace nimbora
