#include "ui/resultsmodel.h"

ResultsModel::ResultsModel(QObject* parent)
    : QAbstractTableModel(parent)
{
}

ResultsModel::RowId ResultsModel::InsertTop(const QString& caption)
{
    beginInsertRows(QModelIndex(), 0, 0);
    Row row;
    row.id = nextId_++;
    row.caption = caption;
    rows_.push_front(std::move(row));
    endInsertRows();
    return rows_.front().id;
}

ResultsModel::RowId ResultsModel::Append(const QString& caption)
{
    const int at = Count();
    beginInsertRows(QModelIndex(), at, at);
    Row row;
    row.id = nextId_++;
    row.caption = caption;
    rows_.push_back(std::move(row));
    endInsertRows();
    return rows_.back().id;
}

int ResultsModel::IndexOf(RowId id) const
{
    if (id < oldestId_ || rows_.empty())
        return -1;
    // New rows sit at either end: Quick rows at the top, Thorough rows at the bottom.
    if (rows_.front().id == id)
        return 0;
    if (rows_.back().id == id)
        return Count() - 1;
    for (int i = 0; i < Count(); ++i)
        if (rows_[static_cast<size_t>(i)].id == id)
            return i;
    return -1;
}

ResultsModel::Row* ResultsModel::Find(RowId id)
{
    const int i = IndexOf(id);
    return i < 0 ? nullptr : &rows_[static_cast<size_t>(i)];
}

void ResultsModel::AddCell(RowId id, const QString& text)
{
    const int i = IndexOf(id);
    if (i < 0)
        return;
    Row& row = rows_[static_cast<size_t>(i)];
    if (row.cells.size() >= kCells)
        return;
    row.cells.append(text);
    const QModelIndex changed = index(i, static_cast<int>(row.cells.size()));
    Q_EMIT dataChanged(changed, changed, {Qt::DisplayRole});
}

void ResultsModel::SetCell(RowId id, int cell, const QString& text)
{
    const int i = IndexOf(id);
    if (i < 0 || cell < 0 || cell >= kCells)
        return;
    Row& row = rows_[static_cast<size_t>(i)];
    if (cell >= row.cells.size())
        return;
    row.cells[cell] = text;
    const QModelIndex changed = index(i, cell + 1);
    Q_EMIT dataChanged(changed, changed, {Qt::DisplayRole});
}

void ResultsModel::SetLogAnchor(RowId id, int anchor)
{
    if (Row* row = Find(id))
        row->logAnchor = std::make_unique<int>(anchor);
}

void ResultsModel::Clear()
{
    if (rows_.empty())
        return;
    beginResetModel();
    rows_.clear();
    oldestId_ = nextId_;
    endResetModel();
}

QString ResultsModel::Caption(int row) const
{
    return row >= 0 && row < Count() ? rows_[static_cast<size_t>(row)].caption : QString();
}

QString ResultsModel::Cell(int row, int cell) const
{
    if (row < 0 || row >= Count())
        return {};
    const Row& r = rows_[static_cast<size_t>(row)];
    return cell >= 0 && cell < r.cells.size() ? r.cells[cell] : QString();
}

int ResultsModel::CellCount(int row) const
{
    return row >= 0 && row < Count() ? static_cast<int>(rows_[static_cast<size_t>(row)].cells.size()) : 0;
}

std::optional<int> ResultsModel::LogAnchor(int row) const
{
    if (row < 0 || row >= Count() || !rows_[static_cast<size_t>(row)].logAnchor)
        return std::nullopt;
    return *rows_[static_cast<size_t>(row)].logAnchor;
}

int ResultsModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : Count(); }

int ResultsModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumns; }

QVariant ResultsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= Count())
        return {};
    if (role == Qt::DisplayRole)
        return index.column() == 0 ? Caption(index.row()) : Cell(index.row(), index.column() - 1);
    if (role == Qt::DecorationRole && index.column() == 0 && !icon_.isNull())
        return icon_;
    return {};
}

QVariant ResultsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const char* const kCaptions[kColumns]
        = {"IP Address", "Status", "Host Name", "MAC Address", "WorkGrp/Domain", ""};
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < kColumns)
        return QString::fromLatin1(kCaptions[section]);
    return {};
}
