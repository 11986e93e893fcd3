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

}  // namespace

void show_message(QWidget* parent, std::string_view caption, std::string_view text, Icon icon)
{
    QMessageBox box(box_icon(icon), text_of(caption), text_of(text), QMessageBox::Ok, parent);
    box.exec();
}

bool ask_question(QWidget* parent, std::string_view caption, std::string_view text, Icon icon)
{
    QMessageBox box(box_icon(icon), text_of(caption), text_of(text),
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

std::atomic<bool> GuiOwner::closed_ = false;

void GuiOwner::close_all()
{
    closed_ = true;
}

GuiOwner::GuiOwner(QWidget* window, QWidget* fallback, QObject* parent)
    : QObject(parent), window_(window), fallback_(fallback)
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

void GuiOwner::message(std::string_view caption, std::string_view text, Icon icon)
{
    if (closed_) return;
    // Two jobs asking at once would nest their boxes; one at a time.
    static std::mutex one_box;
    const bool worker = QThread::currentThread() != thread();
    std::unique_lock lock(one_box, std::defer_lock);
    if (worker) lock.lock();
    if (closed_) return;  // the program began to end while another job's box was up
    std::string caption_copy(caption), text_copy(text);
    on_gui(
        [this, caption_copy, text_copy, icon] {
            QWidget* parent = window_ ? window_.data() : fallback_.data();
            show_message(parent, caption_copy, text_copy, icon);
        },
        true);
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
