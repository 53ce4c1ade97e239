#include "ui/app/PopupEscapeGuard.h"

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
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_Escape) return QObject::eventFilter(watched, event);
    const bool popupOpen = QApplication::activePopupWidget() != nullptr;
    if (type == QEvent::ShortcutOverride) {
        if (popupOpen) m_popupEscapeTime = key->timestamp();
        return false;
    }
    // The press of the same key stroke: a popup still open handles it itself; one already closed
    // by it means the press is spent.
    const bool spent = m_popupEscapeTime && *m_popupEscapeTime == key->timestamp() && !popupOpen;
    m_popupEscapeTime.reset();
    return spent;
}

}  // namespace moxtel
