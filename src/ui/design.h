#pragma once
// What the windows keep whatever the user's desktop: the design's light colours, its captions as
// screen readers announce them, and a place inside the screen.

#include <QColor>
#include <QMargins>
#include <QPalette>
#include <QPoint>
#include <QRect>
#include <QSize>

class QLabel;
class QWidget;

namespace design {

// The design's colours: black text on white fields and light grey faces, whatever palette the desktop
// gives the application. Every text role reaches 4.5:1 against the background it is drawn on.
// window: the colour of the window's own background.
QPalette Palette(const QColor& window = QColor(240, 240, 240));

// Announces a field by the caption of the label beside it, without its colon: as the field's name,
// and as the label's relation to it, which is what carries the caption where the toolkit names a
// field by its contents (an editable drop-down list).
void Announce(QLabel* label, QWidget* field);

// The frame that the design's platform draws around a client area: 776 x 543 outside, 760 x 504 in.
inline constexpr QMargins kDesignFrame{8, 31, 8, 8};

// Where a window whose frame is designed at `frame` goes inside the screen's available `area`: where
// it lies inside already, it stays; where part of it lies outside, it moves the least distance that
// brings it inside; where it is larger than the area, it goes to the area's top-left corner and
// shrinks to fit.
QRect FitFrame(const QRect& frame, const QRect& area);

// Places a window, client area `size` with its frame at `framePos`, inside the available area of the
// screen there, by FitFrame; the window's own frame counts once the platform knows it, the design's
// until then. A window of fixed size only moves.
void PlaceOnScreen(QWidget* window, const QPoint& framePos, const QSize& size);

} // namespace design
