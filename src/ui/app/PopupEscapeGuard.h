#pragma once

#include <QObject>

namespace moxtel {

// Keeps the Escape that closes an open drop-down list from also cancelling the window under it.
// Qt's combo box closes its list while the key is still being offered as a shortcut; the key press
// itself then reaches the window, whose Escape closes it (the main window's ends the program). The
// guard, one per application, drops that key press. Escape with no popup open is untouched.
class PopupEscapeGuard : public QObject {
    Q_OBJECT
  public:
    // Installs the application's guard once; later calls do nothing.
    static void Install();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    using QObject::QObject;
    bool m_closedByThisKey = false;  // an Escape offered while a popup was open, its press not yet seen
};

}  // namespace moxtel
