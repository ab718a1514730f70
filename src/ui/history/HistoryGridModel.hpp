#pragma once

#include <QAbstractTableModel>

#include <memory>
#include <string>
#include <vector>

namespace sentinex {

class Database;
class Operator;
class SelectionPages;

/// The rows of DBGrid1: the selection copied into `temp`, fetched a page at a time as the grid is
/// scrolled, so a whole history shows at once without being read whole. A page that cannot be read while
/// the grid scrolls is shown as "Errore" once the view has finished its work, and the grid keeps the
/// rows it has.
class HistoryGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    HistoryGridModel(std::shared_ptr<Database> reportDb, Operator& op, QObject* parent = nullptr);
    ~HistoryGridModel() override;

    /// Shows the selection in `temp` from its first record. Throws DatabaseError when the first page
    /// cannot be read; the grid is then empty.
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
    Operator& m_op;
    std::vector<std::vector<std::string>> m_rows;
    bool m_showing = false;
};

} // namespace sentinex
