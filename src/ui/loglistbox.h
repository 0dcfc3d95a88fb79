#pragma once
// The list box that holds the detail log. The log grows by hundreds of thousands of lines in a
// flood of replies, so this box stores plain strings and paints only the visible ones: appending a
// line costs the same however long the log is.

#include <QAbstractScrollArea>
#include <QString>

#include <vector>

class LogListBox : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit LogListBox(QWidget* parent = nullptr);

    void AddLine(const QString& line);
    int Count() const { return static_cast<int>(lines_.size()); }
    const QString& Line(int i) const { return lines_[static_cast<size_t>(i)]; }
    const std::vector<QString>& Lines() const { return lines_; }
    void Clear();

    // The first visible line, as a list box's top index.
    int TopIndex() const;
    void SetTopIndex(int index);
    int ItemHeight() const { return itemHeight_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void UpdateScrollRange();

    std::vector<QString> lines_;
    int itemHeight_ = 14;
};
