// gui.h: answering the desktop program's modal boxes and dialogs from a test.
#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>
#include <memory>

namespace nimbora::test {

// What a message box showed before the test answered it.
struct SeenBox {
    bool shown = false;
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

// Answers the next message box that becomes modal with `button` (Ok, Yes, No, ...) and
// records what it showed. Call before the action that opens the box; the answer comes from
// a timer, so it works inside the box's own exec(). Gives up after `timeout_ms`.
std::shared_ptr<SeenBox> answer_next_box(QMessageBox::StandardButton button, int timeout_ms = 5000);

// Runs `fn` with the next modal widget once it is shown (a dialog opened by the
// action the test performs next), again from a timer.
void with_next_modal(std::function<void(QWidget*)> fn, int timeout_ms = 5000);

}  // namespace nimbora::test
