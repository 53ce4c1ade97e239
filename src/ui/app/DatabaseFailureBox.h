#pragma once

#include <QObject>
#include <string>

namespace moxtel {

class IWindowServices;

// Shows a database failure in the application's message box. The statements of one click that
// fail for the same reason (every query of a locked or damaged file does) show it once: the same
// text is shown again only once control has gone back to the event loop, at the next click.
// Used on the GUI thread only.
class DatabaseFailureBox {
  public:
    explicit DatabaseFailureBox(IWindowServices& services) : m_services(services) {}
    void operator()(const std::string& description);

  private:
    IWindowServices& m_services;
    std::string m_shown;  // the text shown in this click, empty between clicks
    QObject m_clearer;    // owns the queued clear, so none runs after this box is gone
};

}  // namespace moxtel
