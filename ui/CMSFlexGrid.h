#pragma once

#include <QTableView>
#include <string>

class FlexGridDelegate;
class FlexGridHeader;
class FlexGridModel;

// A display-only grid driven the FlexGrid way: set the current Row and Col,
// then put the Text of that cell. Row 0 and column 0 (when fixed) are drawn
// by the view's headers and stay in view while the grid scrolls.
class CMSFlexGrid : public QTableView {
    Q_OBJECT

public:
    CMSFlexGrid(int rows, int cols, int fixedRows, int fixedCols, QWidget* parent = nullptr);

    void SetRow(int row);
    void SetCol(int col);
    // The cell at the current Row and Col, fixed cells included; a current
    // cell outside the grid takes no text.
    void SetText(const std::string& text);
    void SetColWidth(int col, int twips);

    // When set, a Row beyond the last row adds rows up to it, so a run that
    // delivers more readings than the grid was made for loses none.
    void SetGrowsWithRow(bool grows) { growsWithRow_ = grows; }

    int Row() const { return row_; }
    int Col() const { return col_; }
    int Rows() const;
    int Cols() const;
    int FixedRows() const;
    int FixedCols() const;
    const std::string& CellText(int row, int col) const;
    int ColWidthPixels(int col) const;

    // The selected cells, tab-separated, one line a row; a cell's own
    // trailing line end is left out so each row stays one line.
    QString SelectedText() const;
    void CopySelection() const;

    static int TwipsToPixels(int twips, int dotsPerInch);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SetUpHeaders();
    void ApplyRowHeight();
    void RepaintFixedCell(Qt::Orientation orientation, int section);
    bool PaintCorner(QWidget* corner);

    FlexGridModel* model_;
    FlexGridDelegate* delegate_;
    FlexGridHeader* topHeader_ = nullptr;
    FlexGridHeader* sideHeader_ = nullptr;
    QWidget* corner_ = nullptr;
    int row_ = 0;
    int col_ = 0;
    bool growsWithRow_ = false;
};
