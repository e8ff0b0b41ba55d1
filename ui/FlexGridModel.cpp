#include "ui/FlexGridModel.h"

#include <algorithm>

#include "ui/Latin1Text.h"

namespace {

int ClampFixed(int fixed, int count) {
    return std::clamp(fixed, 0, std::min(1, count));
}

const std::string& EmptyText() {
    static const std::string empty;
    return empty;
}

}  // namespace

FlexGridModel::FlexGridModel(int rows, int cols, int fixedRows, int fixedCols, QObject* parent)
    : QAbstractTableModel(parent),
      rows_(std::max(rows, 0)),
      cols_(std::max(cols, 0)),
      fixedRows_(ClampFixed(fixedRows, rows_)),
      fixedCols_(ClampFixed(fixedCols, cols_)),
      cells_(static_cast<std::size_t>(rows_) * static_cast<std::size_t>(cols_)) {}

bool FlexGridModel::IsCell(int row, int col) const {
    return row >= 0 && row < rows_ && col >= 0 && col < cols_;
}

std::size_t FlexGridModel::CellOffset(int row, int col) const {
    return static_cast<std::size_t>(row) * static_cast<std::size_t>(cols_) +
           static_cast<std::size_t>(col);
}

const std::string& FlexGridModel::CellText(int row, int col) const {
    return IsCell(row, col) ? cells_[CellOffset(row, col)] : EmptyText();
}

void FlexGridModel::SetCellText(int row, int col, const std::string& text) {
    if (!IsCell(row, col)) {
        return;
    }
    std::string& cell = cells_[CellOffset(row, col)];
    if (cell == text) {
        return;
    }
    cell = text;
    AnnounceCell(row, col);
}

void FlexGridModel::AnnounceCell(int row, int col) {
    const bool inFixedRow = row < fixedRows_;
    const bool inFixedCol = col < fixedCols_;
    if (inFixedRow && inFixedCol) {
        emit cornerTextChanged();
    } else if (inFixedRow) {
        emit fixedCellChanged(Qt::Horizontal, col - fixedCols_);
    } else if (inFixedCol) {
        emit fixedCellChanged(Qt::Vertical, row - fixedRows_);
    } else {
        const QModelIndex cell = index(row - fixedRows_, col - fixedCols_);
        emit dataChanged(cell, cell);
    }
}

void FlexGridModel::GrowTo(int rows) {
    if (rows <= rows_) {
        return;
    }
    beginInsertRows(QModelIndex(), rows_ - fixedRows_, rows - 1 - fixedRows_);
    cells_.resize(static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols_));
    rows_ = rows;
    endInsertRows();
}

int FlexGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_ - fixedRows_;
}

int FlexGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : cols_ - fixedCols_;
}

QVariant FlexGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) {
        return {};
    }
    if (role != Qt::DisplayRole) {
        return {};
    }
    return Latin1Text(CellText(index.row() + fixedRows_, index.column() + fixedCols_));
}

QVariant FlexGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) {
        return {};
    }
    // A grid without a fixed row or column hides that header; nothing to show.
    if (orientation == Qt::Horizontal) {
        return fixedRows_ > 0 ? Latin1Text(CellText(0, section + fixedCols_)) : QVariant();
    }
    return fixedCols_ > 0 ? Latin1Text(CellText(section + fixedRows_, 0)) : QVariant();
}

Qt::ItemFlags FlexGridModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}
