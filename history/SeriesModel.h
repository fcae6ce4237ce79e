#pragma once
// The shown series: day entries ascending by day, each displayed as its line (EntryLine) by the
// list box. Core functions work on the entry list; the model tells the view what changed.

#include "history/DayEntry.h"

#include <QAbstractListModel>

namespace History {

class SeriesModel : public QAbstractListModel
{
    Q_OBJECT
public:
    explicit SeriesModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    const EntryList& Items() const { return m_items; }
    int Count() const { return static_cast<int>(m_items.size()); }
    const DayEntry& At(int row) const { return m_items.at(static_cast<std::size_t>(row)); }

    void SetItems(EntryList items);

private:
    EntryList m_items;
};

} // namespace History
