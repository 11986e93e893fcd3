// SPDX-License-Identifier: GPL-3.0-or-later
// gui.h: the modal windows a desktop test meets. Message boxes and questions of the program
// go to a recording owner (AppState::boxes); what is left is a dialog the code under test runs
// with exec() (a file picker, a dialog opened from a menu), and GuiOwner's own boxes.
#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

namespace nimbora::test {

// A watch for the next modal window to show. It fires once: `fn` runs with the window as
// soon as the window's own event loop runs (inside its exec()), so `fn` may drive it and close
// it. Nothing polls and nothing times out: the window's Show event arms the call.
class ModalWatch {
public:
    bool fired() const { return fired_; }
    // Disarms a watch that has not fired (a test that expects no window).
    void cancel() { cancelled_ = true; }

    // Set and read by gui.cpp only.
    std::function<bool(QWidget*)> accepts_;
    std::function<void(QWidget*)> fn_;
    bool fired_ = false;
    bool cancelled_ = false;
};

// Arms a watch for the next modal window (a dialog in exec(), a file picker, a box). Call
// before the action that opens it. A watch still armed when the test ends fails that test:
// the window it expected never opened.
std::shared_ptr<ModalWatch> with_next_modal(std::function<void(QWidget*)> fn);

// What a real message box showed before the test answered it.
struct SeenBox {
    bool shown = false;
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QPointer<QWidget> parent;  // the window that owns the box
    bool parented = false;     // it had a parent when shown
};

// Answers the next message box with `button` (Ok, Yes, No, ...) and records what it showed,
// through a watch as above. Only GuiOwner's own tests meet real boxes.
std::shared_ptr<SeenBox> answer_next_box(QMessageBox::StandardButton button);

// Ends the watches of a test that has ended: each still armed and not cancelled is a
// failure. The GUI tests' main calls it after every test.
void end_of_test_watches();

}  // namespace nimbora::test
