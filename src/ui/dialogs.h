#pragma once
// What the three tool dialogs share: their font and the way components are named and placed.

#include <QFont>
#include <QString>
#include <QWidget>

class QLabel;

namespace dialogs {

// A dialog of fixed size: title and close box only, no minimise or maximise box on any desktop.
inline constexpr Qt::WindowFlags kFixedDialog = Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint
    | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;

// MS Sans Serif at 11 pixels, the dialogs' font.
QFont DialogFont();

template <typename W, typename... Args>
W* Place(const char* name, QWidget* parent, int x, int y, Args&&... args)
{
    auto* w = new W(std::forward<Args>(args)..., parent);
    w->setObjectName(QString::fromLatin1(name));
    w->move(x, y);
    return w;
}

// A white, filled background, as the dialogs' bands and panels have.
void WhiteBackground(QWidget* w);

// A label sized to its text.
QLabel* Text(const char* name, QWidget* parent, int x, int y, const QString& text);

} // namespace dialogs
