#pragma once
// Editable combo box that announces when its list is about to drop down, so a window can refill
// the list from the database right before the user sees it.
#include <QComboBox>

namespace kestrum::records {

class ListCombo : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;

    void showPopup() override
    {
        emit dropDown();
        QComboBox::showPopup();
    }

    /// Replaces the items without touching the typed text.
    void setValues(const QStringList& values)
    {
        const QString text = currentText();
        clear();
        addItems(values);
        setEditText(text);
    }

signals:
    void dropDown();
};

}  // namespace kestrum::records
