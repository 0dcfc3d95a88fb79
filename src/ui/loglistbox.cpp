#include "ui/loglistbox.h"

#include <QPainter>
#include <QScrollBar>

#include <algorithm>

LogListBox::LogListBox(QWidget* parent)
    : QAbstractScrollArea(parent)
{
    verticalScrollBar()->setSingleStep(1);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
}

void LogListBox::AddLine(const QString& line)
{
    lines_.push_back(line);
    UpdateScrollRange();
    if (isVisible())
        viewport()->update();
}

void LogListBox::Clear()
{
    lines_.clear();
    lines_.shrink_to_fit();
    UpdateScrollRange();
    viewport()->update();
}

int LogListBox::TopIndex() const { return verticalScrollBar()->value(); }

void LogListBox::SetTopIndex(int index)
{
    // Like a list box, the top index can go as far as the last line.
    verticalScrollBar()->setMaximum(std::max(0, Count() - 1));
    verticalScrollBar()->setValue(std::clamp(index, 0, std::max(0, Count() - 1)));
    viewport()->update();
}

void LogListBox::UpdateScrollRange()
{
    QScrollBar* bar = verticalScrollBar();
    const int visible = std::max(1, viewport()->height() / itemHeight_);
    bar->setPageStep(visible);
    bar->setMaximum(std::max({0, Count() - visible, bar->value()}));
}

void LogListBox::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollRange();
}

void LogListBox::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::Text));
    const int first = TopIndex();
    const int rows = viewport()->height() / itemHeight_ + 1;
    for (int i = 0; i < rows && first + i < Count(); ++i)
        painter.drawText(QRect(2, i * itemHeight_, viewport()->width() - 4, itemHeight_),
                         Qt::AlignLeft | Qt::AlignVCenter, lines_[static_cast<size_t>(first + i)]);
}
