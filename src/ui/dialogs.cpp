#include "ui/dialogs.h"

#include "ui/artwork.h"
#include "ui/design.h"

#include <QLabel>

namespace dialogs {

QFont DialogFont()
{
    LoadArtwork();
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    return font;
}

void WhiteBackground(QWidget* w)
{
    w->setPalette(design::Palette(Qt::white));
    w->setAutoFillBackground(true);
}

QLabel* Text(const char* name, QWidget* parent, int x, int y, const QString& text)
{
    auto* label = Place<QLabel>(name, parent, x, y, text);
    label->adjustSize();
    return label;
}

} // namespace dialogs
