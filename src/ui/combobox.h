#pragma once
// The start field: an editable text with a drop-down list, which tells when the list has closed,
// whether or not an entry was picked.

#include <QComboBox>

class TComboBox : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;

    void hidePopup() override
    {
        QComboBox::hidePopup();
        Q_EMIT CloseUp();
    }

Q_SIGNALS:
    void CloseUp();
};
