#include "ui/picturepanel.h"

#include <QPainter>

PicturePanel::PicturePanel(const QString& picture, Fill fill, QWidget* parent)
    : QFrame(parent), picture_(picture), fill_(fill)
{
}

void PicturePanel::paintEvent(QPaintEvent* event)
{
    {
        QPainter painter(this);
        const QRect area = contentsRect();
        if (fill_ == Fill::Tile)
            painter.drawTiledPixmap(area, picture_);
        else
            painter.drawPixmap(area, picture_);
    }
    QFrame::paintEvent(event);
}
