#include "ui/design.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace design {

QPalette Palette(const QColor& window)
{
    const QColor black(Qt::black);
    const QColor white(Qt::white);
    const QColor face(240, 240, 240);
    // Grey text stays readable (4.5:1 on the face colour) where items are disabled.
    const QColor grey(109, 109, 109);
    // Dark enough that white text on it keeps 4.5:1, selected or not, focused or not.
    const QColor selection(0, 102, 204);

    QPalette pal;
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const bool disabled = group == QPalette::Disabled;
        pal.setColor(group, QPalette::Window, window);
        pal.setColor(group, QPalette::WindowText, disabled ? grey : black);
        pal.setColor(group, QPalette::Base, disabled ? face : white);
        pal.setColor(group, QPalette::AlternateBase, QColor(247, 247, 247));
        pal.setColor(group, QPalette::Text, disabled ? grey : black);
        pal.setColor(group, QPalette::PlaceholderText, grey);
        pal.setColor(group, QPalette::Button, face);
        pal.setColor(group, QPalette::ButtonText, disabled ? grey : black);
        pal.setColor(group, QPalette::BrightText, white);
        pal.setColor(group, QPalette::Light, white);
        pal.setColor(group, QPalette::Midlight, QColor(227, 227, 227));
        pal.setColor(group, QPalette::Mid, QColor(160, 160, 160));
        pal.setColor(group, QPalette::Dark, QColor(160, 160, 160));
        pal.setColor(group, QPalette::Shadow, QColor(105, 105, 105));
        pal.setColor(group, QPalette::Highlight, disabled ? grey : selection);
        pal.setColor(group, QPalette::HighlightedText, white);
        pal.setColor(group, QPalette::ToolTipBase, QColor(255, 255, 225));
        pal.setColor(group, QPalette::ToolTipText, black);
        pal.setColor(group, QPalette::Link, selection);
        pal.setColor(group, QPalette::LinkVisited, QColor(128, 0, 128));
    }
    return pal;
}

void Announce(QLabel* label, QWidget* field)
{
    QString caption = label->text();
    if (caption.endsWith(QLatin1Char(':')))
        caption.chop(1);
    label->setBuddy(field);
    label->setAccessibleName(caption);
    field->setAccessibleName(caption);
}

QRect FitFrame(const QRect& frame, const QRect& area)
{
    if (frame.width() > area.width() || frame.height() > area.height())
        return QRect(area.topLeft(), frame.size().boundedTo(area.size()));
    QRect fitted = frame;
    if (fitted.right() > area.right())
        fitted.moveRight(area.right());
    if (fitted.bottom() > area.bottom())
        fitted.moveBottom(area.bottom());
    if (fitted.left() < area.left())
        fitted.moveLeft(area.left());
    if (fitted.top() < area.top())
        fitted.moveTop(area.top());
    return fitted;
}

void PlaceOnScreen(QWidget* window, const QPoint& framePos, const QSize& size)
{
    QMargins margins = kDesignFrame;
    if (const QWindow* handle = window->windowHandle(); handle != nullptr && !handle->frameMargins().isNull())
        margins = handle->frameMargins();
    const QScreen* screen = QGuiApplication::screenAt(framePos);
    if (screen == nullptr)
        screen = window->screen();
    const QRect fitted = FitFrame(QRect(framePos, size.grownBy(margins)), screen->availableGeometry());
    if (window->minimumSize() != window->maximumSize())
        window->resize(fitted.size().shrunkBy(margins));
    window->move(fitted.topLeft());
}

} // namespace design
