#include "HistoryGridModel.hpp"

#include "core/Operator.hpp"
#include "history/SelectionPages.hpp"
#include "ui/common/SlotGuard.hpp"

#include <QTimer>

#include <exception>

namespace sentinex {

namespace {
constexpr int kPageRows = 500;
}

HistoryGridModel::HistoryGridModel(std::shared_ptr<Database> reportDb, Operator& op, QObject* parent)
    : QAbstractTableModel(parent), m_pages(std::make_unique<SelectionPages>(std::move(reportDb))), m_op(op) {}

HistoryGridModel::~HistoryGridModel() = default;

void HistoryGridModel::showSelection() {
    beginResetModel();
    m_rows.clear();
    try {
        m_pages->restart();
        m_rows = m_pages->next(kPageRows);
        m_showing = true;
    } catch (...) {
        // The reset must end whatever happens, or the grid is left half torn down.
        m_rows.clear();
        m_showing = false;
        endResetModel();
        throw;
    }
    endResetModel();
}

void HistoryGridModel::clear() {
    beginResetModel();
    m_rows.clear();
    m_showing = false;
    endResetModel();
}

int HistoryGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int HistoryGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(SelectionPages::columnCaptions().size());
}

QVariant HistoryGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || role != Qt::DisplayRole || index.row() >= rowCount()) {
        return {};
    }
    const auto& row = m_rows[static_cast<std::size_t>(index.row())];
    return QString::fromStdString(row.at(static_cast<std::size_t>(index.column())));
}

QVariant HistoryGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) {
        return {};
    }
    if (orientation == Qt::Vertical) {
        return section + 1;
    }
    return QString::fromStdString(SelectionPages::columnCaptions().at(static_cast<std::size_t>(section)));
}

bool HistoryGridModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && m_showing && !m_pages->atEnd();
}

void HistoryGridModel::fetchMore(const QModelIndex& parent) {
    if (!canFetchMore(parent)) {
        return;
    }
    std::vector<SelectionPages::Row> more;
    try {
        more = m_pages->next(kPageRows);
    } catch (...) {
        // The view asks for more in the middle of its layout, outside any slot's guard: stop asking, keep the
        // rows shown, and tell the operator once the view is done.
        m_showing = false;
        QTimer::singleShot(0, this,
                           [this, failure = std::current_exception()] { SlotGuard::report(m_op, failure); });
        return;
    }
    if (more.empty()) {
        return;
    }
    const int first = rowCount();
    beginInsertRows({}, first, first + static_cast<int>(more.size()) - 1);
    for (auto& r : more) {
        m_rows.push_back(std::move(r));
    }
    endInsertRows();
}

} // namespace sentinex
