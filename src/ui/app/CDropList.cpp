#include "ui/app/CDropList.h"

namespace moxtel {

CDropList::CDropList(bool sorted, QWidget* parent) : QComboBox(parent), m_sorted(sorted) {
    setEditable(false);
    setMaxVisibleItems(16);
}

int CDropList::AddString(const QString& text) {
    const int chosen = currentIndex();
    int index = count();
    if (m_sorted) {
        index = 0;
        while (index < count() && QString::compare(itemText(index), text, Qt::CaseSensitive) <= 0) ++index;
    }
    insertItem(index, text);
    // Inserting into an empty list would choose the new item; a list starts with nothing chosen.
    setCurrentIndex(chosen < 0 ? -1 : (index <= chosen ? chosen + 1 : chosen));
    return index;
}

}  // namespace moxtel
