#pragma once
// The start field: an editable text with a drop-down list, which tells when the list has closed,
// whether or not an entry was picked.

#include <QComboBox>
#include <QMetaObject>

class TComboBox : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;

    // The list hides before a picked entry reaches the text, so the news goes out once the pick has
    // landed: a listener then reads the text the user sees.
    void hidePopup() override
    {
        QComboBox::hidePopup();
        QMetaObject::invokeMethod(
            this, [this] { Q_EMIT CloseUp(); }, Qt::QueuedConnection);
    }

Q_SIGNALS:
    void CloseUp();
};
