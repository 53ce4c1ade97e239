#include "ui/app/DatabaseFailureBox.h"

#include <QApplication>
#include <QThread>
#include <QTimer>

#include "ui/app/WindowServices.h"

namespace moxtel {

void DatabaseFailureBox::operator()(const std::string& description) {
    if (QThread::currentThread() != m_clearer.thread()) {
        QMetaObject::invokeMethod(&m_clearer, [this, description] { Show(description); }, Qt::QueuedConnection);
        return;
    }
    Show(description);
}

void DatabaseFailureBox::Show(const std::string& description) {
    if (description == m_shown) return;
    m_shown = description;
    m_services.ShowAppMessage(QApplication::activeWindow(), QString::fromStdString(description),
                              MessageIcon::Exclamation);
    // Queued after the box has closed, so it runs when the click's handler has returned.
    QTimer::singleShot(0, &m_clearer, [this] { m_shown.clear(); });
}

}  // namespace moxtel
