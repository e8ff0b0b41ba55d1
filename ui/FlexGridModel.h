#pragma once

#include <QAbstractTableModel>
#include <string>
#include <vector>

// The cells of one grid, fixed ones included, as the bytes they were given.
// The fixed row and column are offered as header data, so the views' headers
// draw them and keep them in view; the other cells are the model's items.
// Only the changed cell is ever announced: the grid is refilled one cell at a
// time with a message drain in between, and anything wider makes that slow.
// For the same reason a fixed cell is announced with fixedCellChanged, not
// headerDataChanged: item views answer the latter by laying out every row.
class FlexGridModel : public QAbstractTableModel {
    Q_OBJECT

public:
    // `fixedRows` and `fixedCols` are 0 or 1; the headers hold at most one.
    FlexGridModel(int rows, int cols, int fixedRows, int fixedCols, QObject* parent = nullptr);

    int Rows() const { return rows_; }
    int Cols() const { return cols_; }
    int FixedRows() const { return fixedRows_; }
    int FixedCols() const { return fixedCols_; }

    bool IsCell(int row, int col) const;
    // The cell's bytes; empty for a cell outside the grid.
    const std::string& CellText(int row, int col) const;
    // Stores the text and announces that one cell; ignored outside the grid.
    void SetCellText(int row, int col, const std::string& text);
    // Adds empty rows at the end until the grid has `rows` rows.
    void GrowTo(int rows);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

signals:
    // A cell of the fixed row (Qt::Horizontal, section = column - FixedCols)
    // or of the fixed column (Qt::Vertical, section = row - FixedRows).
    void fixedCellChanged(Qt::Orientation orientation, int section);
    // The top-left cell lies in neither header.
    void cornerTextChanged();

private:
    std::size_t CellOffset(int row, int col) const;
    void AnnounceCell(int row, int col);

    int rows_;
    int cols_;
    int fixedRows_;
    int fixedCols_;
    std::vector<std::string> cells_;  // row by row
};
