#include "HistoryGridModel.hpp"

#include "history/SelectionPages.hpp"

namespace sentinex {

namespace {
constexpr int kPageRows = 500;
}

HistoryGridModel::HistoryGridModel(std::shared_ptr<Database> reportDb, QObject* parent)
    : QAbstractTableModel(parent), m_pages(std::make_unique<SelectionPages>(std::move(reportDb))) {}

HistoryGridModel::~HistoryGridModel() = default;

void HistoryGridModel::showSelection() {
    beginResetModel();
    m_rows.clear();
    m_pages->restart();
    m_showing = true;
    m_rows = m_pages->next(kPageRows);
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
    auto more = m_pages->next(kPageRows);
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
