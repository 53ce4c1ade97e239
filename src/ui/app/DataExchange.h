#pragma once

#include <QString>

class QWidget;

namespace moxtel {

// One pass of the member/control exchange of a window: saving copies every control into its
// member, loading copies every member into its control. A window's DoDataExchange lists its
// members once; the same list serves both directions. Controls are found by their id.
class DataExchange {
  public:
    DataExchange(const QWidget& window, bool saving) : m_window(window), m_saving(saving) {}

    bool Saving() const { return m_saving; }

    // Plain text of an edit; of a drop-down list the chosen item's text (loading chooses the
    // item of that text, none when there is no such item); of a date picker its displayed text
    // (saving only: loading leaves the picker's date alone).
    void Text(int id, QString& value) const;
    // Index of a drop-down list's chosen item, -1 when nothing is chosen.
    void Selection(int id, int& index) const;
    // State of a check box: 0 or 1.
    void Check(int id, int& state) const;

  private:
    QWidget* Find(int id) const;

    const QWidget& m_window;
    bool m_saving;
};

}  // namespace moxtel
