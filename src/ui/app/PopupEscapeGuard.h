#pragma once

#include <QObject>
#include <optional>

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
    // When an Escape was offered as a shortcut while a popup was open: the key stroke's time, which
    // its press carries too.
    std::optional<quint64> m_popupEscapeTime;
};

}  // namespace moxtel
