#pragma once

// The page list of the status bar: page i is the item i + 1. The items are
// numbers made when shown, not stored, so that a document of many pages
// costs nothing per page until the list is opened.

#include <QAbstractListModel>

#include <algorithm>

namespace kavitro {

class PageListModel final : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : m_count; }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= m_count)
            return {};
        if (role == Qt::DisplayRole || role == Qt::EditRole)
            return QString::number(index.row() + 1);
        if (role == Qt::UserRole)
            return index.row();
        return {};
    }

    // Pages added or removed at the end.
    void SetPageCount(int count) {
        count = std::max(count, 0);
        if (count > m_count) {
            beginInsertRows({}, m_count, count - 1);
            m_count = count;
            endInsertRows();
        } else if (count < m_count) {
            beginRemoveRows({}, count, m_count - 1);
            m_count = count;
            endRemoveRows();
        }
    }

private:
    int m_count = 0;
};

}  // namespace kavitro
