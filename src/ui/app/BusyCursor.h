#pragma once

#include <QApplication>
#include <QCursor>

namespace moxtel {

// Shows the busy cursor while it lives; the arrow comes back when it goes.
class BusyCursor {
  public:
    BusyCursor() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace moxtel
