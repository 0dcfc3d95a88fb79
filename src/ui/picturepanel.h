#pragma once
// A panel with a background picture, tiled (the band area) or stretched (the strips, banners).

#include <QFrame>
#include <QPixmap>

class PicturePanel : public QFrame {
    Q_OBJECT
public:
    enum class Fill { Tile, Stretch };
    PicturePanel(const QString& picture, Fill fill, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap picture_;
    QPixmap rendered_; // the picture at the panel's current size
    Fill fill_;
};
