#include "ui/spinedit.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>

#include <limits>

TSpinEdit::TSpinEdit(QWidget* parent)
    : QAbstractSpinBox(parent)
{
    setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    setKeyboardTracking(true);
    connect(lineEdit(), &QLineEdit::textChanged, this, [this] { Q_EMIT Changed(); });
}

int TSpinEdit::ValueOf(const QString& text)
{
    // Leading blanks are read past, as the integer conversion does; anything else makes it no number.
    qsizetype start = 0;
    while (start < text.size() && text[start] == QLatin1Char(' '))
        ++start;
    bool ok = false;
    const qlonglong v = text.mid(start).toLongLong(&ok, 10);
    if (!ok || v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
        return 0;
    return static_cast<int>(v);
}

int TSpinEdit::Value() const { return ValueOf(lineEdit()->text()); }

void TSpinEdit::SetValue(int value) { lineEdit()->setText(QString::number(value)); }

QString TSpinEdit::Text() const { return lineEdit()->text(); }

void TSpinEdit::SetText(const QString& text) { lineEdit()->setText(text); }

void TSpinEdit::stepBy(int steps)
{
    const qlonglong next = static_cast<qlonglong>(Value()) + steps;
    if (next < std::numeric_limits<int>::min() || next > std::numeric_limits<int>::max())
        return;
    SetValue(static_cast<int>(next));
    lineEdit()->selectAll();
}

QAbstractSpinBox::StepEnabled TSpinEdit::stepEnabled() const { return StepUpEnabled | StepDownEnabled; }

QValidator::State TSpinEdit::validate(QString&, int&) const
{
    // Any text may stand in the field (pasted, say); it simply reads as 0 when it is no number.
    return QValidator::Acceptable;
}

void TSpinEdit::keyPressEvent(QKeyEvent* event)
{
    const QString text = event->text();
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        QApplication::beep();
        event->accept();
        return;
    }
    if (text.size() == 1 && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        const QChar c = text[0];
        const bool control = c.unicode() < 0x20;
        const bool allowed = (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('+')
            || c == QLatin1Char('-') || c == QLocale().decimalPoint().at(0);
        if (!control && !allowed) {
            QApplication::beep();
            event->accept();
            return;
        }
    }
    QAbstractSpinBox::keyPressEvent(event);
}
