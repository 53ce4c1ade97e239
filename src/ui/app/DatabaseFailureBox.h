#pragma once

#include <QObject>
#include <string>

namespace moxtel {

class IWindowServices;

// Shows a database failure in the application's message box. The statements of one click that
// fail for the same reason (every query of a locked or damaged file does) show it once: the same
// text is shown again only once control has gone back to the event loop, at the next click.
// Failures met on other threads (the readers of an import look up stored names) are queued to the
// thread the box was made on, the GUI thread, and shown there when it next takes events; the
// reporting thread goes on at once, so a GUI thread waiting for it cannot deadlock.
class DatabaseFailureBox {
  public:
    explicit DatabaseFailureBox(IWindowServices& services) : m_services(services) {}
    void operator()(const std::string& description);

  private:
    void Show(const std::string& description);

    IWindowServices& m_services;
    std::string m_shown;  // the text shown in this click, empty between clicks
    QObject m_clearer;    // owns the queued clear and reports, so none runs after this box is gone
};

}  // namespace moxtel
