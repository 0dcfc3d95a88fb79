#pragma once
// The start field: an editable text with a drop-down list, which tells when the list has closed,
// whether or not an entry was picked.

#include <QComboBox>
#include <QMetaObject>

class TComboBox : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;

    void showPopup() override
    {
        listOpen_ = true;
        QComboBox::showPopup();
    }

    // The list hides before a picked entry reaches the text, so the news goes out once the pick has
    // landed: a listener then reads the text the user sees. Qt also calls this whenever the field
    // hides (with its window, or while a tool bar takes it in), list or no list: only a list that
    // was open closes up.
    void hidePopup() override
    {
        QComboBox::hidePopup();
        if (!listOpen_)
            return;
        listOpen_ = false;
        QMetaObject::invokeMethod(
            this, [this] { Q_EMIT CloseUp(); }, Qt::QueuedConnection);
    }

Q_SIGNALS:
    void CloseUp();

private:
    bool listOpen_ = false;
};
