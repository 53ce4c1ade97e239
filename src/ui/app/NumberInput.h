#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QLineEdit;

namespace moxtel {

// Makes an edit take only a decimal number, or nothing: a typed character that would make the
// text anything else is ignored, and a pasted text that is no number is refused and reported
// through onBadPaste with the pasted text (keyboard, context menu and middle-click pastes alike).
// A guard that allows a percent sign takes one at the end of the number ("1.23%"). The guard lives
// as a child of the edit.
class NumberInputGuard : public QObject {
    Q_OBJECT
  public:
    enum class Percent { Refused, Allowed };
    NumberInputGuard(QLineEdit& edit, std::function<void(const QString&)> onBadPaste,
                     Percent percent = Percent::Refused);

    // Whether text is a number the edit accepts ("", "12", "-0.5", ".5", "12." alike; "1.23%" too
    // when a percent sign is allowed).
    static bool IsNumberText(const QString& text, Percent percent = Percent::Refused);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void OnRejected();

    QLineEdit& m_edit;
    std::function<void(const QString&)> m_onBadPaste;
    Percent m_percent;
    bool m_typing = false;  // a key press is being handled: a rejection is a typed character
};

}  // namespace moxtel
