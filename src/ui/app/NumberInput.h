#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QLineEdit;

namespace moxtel {

// Makes an edit take only a decimal number, or nothing: a typed character that would make the
// text anything else is ignored, and a pasted text that is no number is refused and reported
// through onBadPaste with the pasted text (keyboard, context menu and middle-click pastes alike).
// The guard lives as a child of the edit.
class NumberInputGuard : public QObject {
    Q_OBJECT
  public:
    NumberInputGuard(QLineEdit& edit, std::function<void(const QString&)> onBadPaste);

    // Whether text is a number the edit accepts ("", "12", "-0.5", ".5", "12." alike).
    static bool IsNumberText(const QString& text);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void OnRejected();

    QLineEdit& m_edit;
    std::function<void(const QString&)> m_onBadPaste;
    bool m_typing = false;  // a key press is being handled: a rejection is a typed character
};

}  // namespace moxtel
