#include "history/SeriesModel.h"

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
    return QString::fromLatin1(EntryLine(At(index.row())));
}

void SeriesModel::SetItems(EntryList items)
{
    beginResetModel();
    m_items = std::move(items);
    endResetModel();
}

} // namespace History
