#pragma once

// Escape pressed while a drop-down list or a date picker's calendar is open, delivered as a display
// server delivers it: to the window that has the keyboard, left to Qt to route into the open popup.
// A key sent straight to the popup widget would pass whatever the window does with Escape.

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QStyleOptionSpinBox>
#include <QTest>
#include <QWindow>

namespace moxtel::test {

// Opens the control's popup as a user does: a list by its keyboard command (F4 through the window),
// a date picker by a click on its arrow.
inline bool OpenPopup(QWidget& window, QWidget& control) {
    control.setFocus();
    if (qobject_cast<QComboBox*>(&control)) {
        QTest::keyClick(window.windowHandle(), Qt::Key_F4);
    } else if (auto* picker = qobject_cast<QDateEdit*>(&control)) {
        const QPoint arrow(picker->width() - 6, picker->height() / 2);
        QTest::mouseClick(picker, Qt::LeftButton, {}, arrow);
    }
    return QTest::qWaitFor([] { return QApplication::activePopupWidget() != nullptr; });
}

// Escape as the window receives it from the display server.
inline void PressEscape(QWidget& window) { QTest::keyClick(window.windowHandle(), Qt::Key_Escape); }

}  // namespace moxtel::test
