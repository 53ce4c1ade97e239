#include "app/PopupEscapeGuard.h"

#include <QApplication>
#include <QKeyEvent>

namespace moxtel {

void PopupEscapeGuard::Install() {
    auto* app = QCoreApplication::instance();
    const QString name = QStringLiteral("moxtelPopupEscapeGuard");
    if (!app || app->findChild<PopupEscapeGuard*>(name, Qt::FindDirectChildrenOnly)) return;
    auto* guard = new PopupEscapeGuard(app);
    guard->setObjectName(name);
    app->installEventFilter(guard);
}

bool PopupEscapeGuard::eventFilter(QObject* watched, QEvent* event) {
    const auto type = event->type();
    if (type != QEvent::ShortcutOverride && type != QEvent::KeyPress) return QObject::eventFilter(watched, event);
    if (static_cast<QKeyEvent*>(event)->key() != Qt::Key_Escape) return QObject::eventFilter(watched, event);
    const bool popupOpen = QApplication::activePopupWidget() != nullptr;
    if (type == QEvent::ShortcutOverride) {
        if (popupOpen) m_closedByThisKey = true;
        return false;
    }
    // The press that follows: a popup still open handles it itself; one already closed by it
    // means the press is spent.
    const bool spent = m_closedByThisKey && !popupOpen;
    m_closedByThisKey = false;
    return spent;
}

}  // namespace moxtel
