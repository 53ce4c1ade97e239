#include "app/DatabaseFailureBox.h"

#include <QApplication>
#include <QTimer>

#include "app/WindowServices.h"

namespace moxtel {

void DatabaseFailureBox::operator()(const std::string& description) {
    if (description == m_shown) return;
    m_shown = description;
    m_services.ShowAppMessage(QApplication::activeWindow(), QString::fromStdString(description),
                              MessageIcon::Exclamation);
    // Queued after the box has closed, so it runs when the click's handler has returned.
    QTimer::singleShot(0, &m_clearer, [this] { m_shown.clear(); });
}

}  // namespace moxtel
