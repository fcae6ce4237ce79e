#include "history/SeriesModel.h"

#include <algorithm>

namespace History {

SeriesModel::SeriesModel(QObject* parent) : QAbstractListModel(parent) {}

int SeriesModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : Count();
}

QVariant SeriesModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= Count() || role != Qt::DisplayRole)
        return {};
    return QString::fromLatin1(At(index.row()));
}

void SeriesModel::SetItems(EntryList items)
{
    beginResetModel();
    m_items = std::move(items);
    endResetModel();
}

void SeriesModel::SetItem(int row, std::string entry)
{
    m_items.at(static_cast<std::size_t>(row)) = std::move(entry);
    emit dataChanged(index(row), index(row), {Qt::DisplayRole});
}

int SeriesModel::InsertSorted(std::string entry)
{
    const auto at = std::upper_bound(m_items.begin(), m_items.end(), entry);
    const int row = static_cast<int>(at - m_items.begin());
    beginInsertRows({}, row, row);
    m_items.insert(at, std::move(entry));
    endInsertRows();
    return row;
}

} // namespace History
