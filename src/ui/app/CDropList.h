#pragma once

#include <QComboBox>

namespace moxtel {

// A drop-down list without typing. When sorted, AddString puts each item at its place in text
// order (code unit order: "0", "100", "1000", "1000+", "200", ...), whatever the order of adding.
class CDropList : public QComboBox {
    Q_OBJECT
  public:
    explicit CDropList(bool sorted, QWidget* parent = nullptr);

    // Adds an item and returns its index.
    int AddString(const QString& text);
    bool Sorted() const { return m_sorted; }

  private:
    bool m_sorted;
};

}  // namespace moxtel
