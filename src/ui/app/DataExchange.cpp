#include "ui/app/DataExchange.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QWidget>

namespace moxtel {

QWidget* DataExchange::Find(int id) const {
    QWidget* control = m_window.findChild<QWidget*>(QString::number(id));
    Q_ASSERT_X(control, "DataExchange", "no control with this id");
    return control;
}

void DataExchange::Text(int id, QString& value) const {
    QWidget* control = Find(id);
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        if (m_saving)
            value = edit->text();
        else if (edit->text() != value)
            edit->setText(value);
    } else if (auto* list = qobject_cast<QComboBox*>(control)) {
        if (m_saving)
            value = list->currentIndex() < 0 ? QString() : list->currentText();
        else
            list->setCurrentIndex(list->findText(value));
    } else if (auto* picker = qobject_cast<QDateTimeEdit*>(control)) {
        if (m_saving) value = picker->text();
    }
}

void DataExchange::Selection(int id, int& index) const {
    auto* list = qobject_cast<QComboBox*>(Find(id));
    if (!list) return;
    if (m_saving)
        index = list->currentIndex();
    else
        list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
}

void DataExchange::Check(int id, int& state) const {
    auto* box = qobject_cast<QAbstractButton*>(Find(id));
    if (!box) return;
    if (m_saving)
        state = box->isChecked() ? 1 : 0;
    else
        box->setChecked(state != 0);
}

}  // namespace moxtel
