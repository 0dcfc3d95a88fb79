#include "ui/picturepanel.h"

#include <QPainter>

PicturePanel::PicturePanel(const QString& picture, Fill fill, QWidget* parent)
    : QFrame(parent)
    , picture_(picture)
    , fill_(fill)
{
}

void PicturePanel::paintEvent(QPaintEvent* event)
{
    // Scaling or tiling the picture on every paint is costly while replies pour in and the status
    // strip repaints for each; the background is drawn once per size and then only copied.
    const QRect area = contentsRect();
    const qreal dpr = devicePixelRatioF();
    if (rendered_.size() != area.size() * dpr) {
        rendered_ = QPixmap(area.size() * dpr);
        rendered_.setDevicePixelRatio(dpr);
        rendered_.fill(Qt::transparent);
        QPainter render(&rendered_);
        const QRect target(QPoint(0, 0), area.size());
        if (fill_ == Fill::Tile)
            render.drawTiledPixmap(target, picture_);
        else
            render.drawPixmap(target, picture_);
    }
    {
        QPainter painter(this);
        painter.drawPixmap(area.topLeft(), rendered_);
    }
    QFrame::paintEvent(event);
}
