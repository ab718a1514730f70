#pragma once

#include <QAbstractTableModel>

#include <memory>
#include <string>
#include <vector>

namespace sentinex {

class Database;
class SelectionPages;

/// The rows of DBGrid1: the selection copied into `temp`, fetched a page at a time as the grid is
/// scrolled, so a whole history shows at once without being read whole.
class HistoryGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit HistoryGridModel(std::shared_ptr<Database> reportDb, QObject* parent = nullptr);
    ~HistoryGridModel() override;

    /// Shows the selection in `temp` from its first record.
    void showSelection();
    /// Shows nothing (a search has started or stopped).
    void clear();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

private:
    std::unique_ptr<SelectionPages> m_pages;
    std::vector<std::vector<std::string>> m_rows;
    bool m_showing = false;
};

} // namespace sentinex
