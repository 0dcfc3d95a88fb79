#pragma once
// The rows of the results table. Quick rows are inserted at the top, Thorough rows appended at the
// end; both must stay cheap with tens of thousands of rows, so rows live in a deque and every row
// carries an id that outlives index shifts: late cells find their row, or find it gone.

#include <QAbstractTableModel>
#include <QIcon>
#include <QStringList>

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>

class ResultsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using RowId = std::uint64_t;
    static constexpr int kColumns = 6;
    static constexpr int kCells = 5; // Status, Host Name, MAC Address, WorkGrp/Domain, and the empty sixth

    explicit ResultsModel(QObject* parent = nullptr);

    RowId InsertTop(const QString& caption);
    RowId Append(const QString& caption);
    // Cells are added in column order after the caption; a row gone (cleared) ignores them.
    void AddCell(RowId id, const QString& text);
    void SetCell(RowId id, int cell, const QString& text); // cell 0 is Status
    void SetLogAnchor(RowId id, int anchor);
    void Clear();

    int Count() const { return static_cast<int>(rows_.size()); }
    QString Caption(int row) const;
    QString Cell(int row, int cell) const; // empty for a cell never added
    int CellCount(int row) const;
    std::optional<int> LogAnchor(int row) const;
    void SetRowIcon(const QIcon& icon) { icon_ = icon; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    struct Row {
        RowId id = 0;
        QString caption;
        QStringList cells;
        std::unique_ptr<int> logAnchor; // attached to Quick rows only
    };
    Row* Find(RowId id);
    int IndexOf(RowId id) const;

    std::deque<Row> rows_;
    RowId nextId_ = 1;
    RowId oldestId_ = 1; // ids below this belong to rows cleared away
    QIcon icon_;
};
