#include "ui/CMSFlexGrid.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionHeader>
#include <algorithm>
#include <map>

#include "run/LineEnd.h"
#include "ui/FlexGridDelegate.h"
#include "ui/FlexGridHeader.h"
#include "ui/FlexGridModel.h"
#include "ui/Latin1Text.h"

namespace {

constexpr int kTwipsPerInch = 1440;
// A growing grid grows this far and no further; a burst block holds at most
// about 52500 readings, so only a bad row number gets near it.
constexpr int kMaxGrowRows = 1 << 20;
// Room around a line of text, as the grid's cells and headers draw it.
constexpr int kRowPadding = 4;

}  // namespace

CMSFlexGrid::CMSFlexGrid(int rows, int cols, int fixedRows, int fixedCols, QWidget* parent)
    : QTableView(parent),
      model_(new FlexGridModel(rows, cols, fixedRows, fixedCols, this)),
      delegate_(new FlexGridDelegate(kRowPadding / 2, this)) {
    setModel(model_);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    // Tab leaves the grid for the next control, as in the dialog's tab order.
    setTabKeyNavigation(false);
    setWordWrap(false);
    // Column by column would hide the rest of a column wider than the view.
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setItemDelegate(delegate_);
    SetUpHeaders();
    ApplyRowHeight();
    connect(model_, &FlexGridModel::fixedCellChanged, this, &CMSFlexGrid::RepaintFixedCell);
    connect(model_, &FlexGridModel::cornerTextChanged, this, [this] {
        if (corner_ != nullptr) {
            corner_->update();
        }
    });
}

void CMSFlexGrid::SetUpHeaders() {
    topHeader_ = new FlexGridHeader(Qt::Horizontal, this);
    sideHeader_ = new FlexGridHeader(Qt::Vertical, this);
    setHorizontalHeader(topHeader_);
    setVerticalHeader(sideHeader_);
    topHeader_->setVisible(model_->FixedRows() > 0);
    sideHeader_->setVisible(model_->FixedCols() > 0);
    // Fixed row heights and a fixed header width: nothing is measured from
    // the contents, so writing a number into the side header stays cheap.
    sideHeader_->setFixedWidth(topHeader_->defaultSectionSize() / 2);
    // The corner shows the top-left fixed cell; Qt's corner button draws no text.
    corner_ = findChild<QAbstractButton*>();
    if (corner_ != nullptr) {
        corner_->installEventFilter(this);
    }
}

void CMSFlexGrid::RepaintFixedCell(Qt::Orientation orientation, int section) {
    (orientation == Qt::Horizontal ? topHeader_ : sideHeader_)->RepaintSection(section);
}

void CMSFlexGrid::ApplyRowHeight() {
    const int height = fontMetrics().height() + kRowPadding;
    QHeaderView* side = verticalHeader();
    side->setMinimumSectionSize(height);
    side->setDefaultSectionSize(height);
    horizontalHeader()->setFixedHeight(height);
}

void CMSFlexGrid::changeEvent(QEvent* event) {
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        ApplyRowHeight();
    }
}

void CMSFlexGrid::SetRow(int row) {
    if (growsWithRow_ && row >= model_->Rows() && row < kMaxGrowRows) {
        model_->GrowTo(row + 1);
    }
    row_ = row;
}

void CMSFlexGrid::SetCol(int col) {
    col_ = col;
}

void CMSFlexGrid::SetText(const std::string& text) {
    model_->SetCellText(row_, col_, text);
}

void CMSFlexGrid::SetColWidth(int col, int twips) {
    if (col < 0 || col >= model_->Cols() || twips < 0) {
        return;
    }
    const int pixels = TwipsToPixels(twips, logicalDpiX());
    if (col < model_->FixedCols()) {
        verticalHeader()->setFixedWidth(pixels);
    } else {
        horizontalHeader()->resizeSection(col - model_->FixedCols(), pixels);
    }
}

int CMSFlexGrid::Rows() const {
    return model_->Rows();
}

int CMSFlexGrid::Cols() const {
    return model_->Cols();
}

int CMSFlexGrid::FixedRows() const {
    return model_->FixedRows();
}

int CMSFlexGrid::FixedCols() const {
    return model_->FixedCols();
}

const std::string& CMSFlexGrid::CellText(int row, int col) const {
    return model_->CellText(row, col);
}

int CMSFlexGrid::ColWidthPixels(int col) const {
    if (col < 0 || col >= model_->Cols()) {
        return 0;
    }
    if (col < model_->FixedCols()) {
        return verticalHeader()->width();
    }
    return horizontalHeader()->sectionSize(col - model_->FixedCols());
}

int CMSFlexGrid::TwipsToPixels(int twips, int dotsPerInch) {
    const long long scaled = static_cast<long long>(twips) * dotsPerInch;
    return static_cast<int>((scaled + kTwipsPerInch / 2) / kTwipsPerInch);
}

QString CMSFlexGrid::SelectedText() const {
    // Row by row, columns in order, whatever order the cells were picked in.
    std::map<int, std::map<int, QString>> rows;
    for (const QModelIndex& index : selectionModel()->selectedIndexes()) {
        const std::string& cell = model_->CellText(index.row() + model_->FixedRows(),
                                                   index.column() + model_->FixedCols());
        rows[index.row()][index.column()] = Latin1Text(WithoutLineEnd(cell));
    }
    QString text;
    for (const auto& [row, cells] : rows) {
        QStringList fields;
        for (const auto& [col, cell] : cells) {
            fields << cell;
        }
        text += fields.join(u'\t') + u'\n';
    }
    return text;
}

void CMSFlexGrid::CopySelection() const {
    QApplication::clipboard()->setText(SelectedText());
}

void CMSFlexGrid::keyPressEvent(QKeyEvent* event) {
    if (event == QKeySequence::Copy) {
        CopySelection();
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

bool CMSFlexGrid::eventFilter(QObject* watched, QEvent* event) {
    if (watched == corner_ && event->type() == QEvent::Paint) {
        return PaintCorner(corner_);
    }
    return QTableView::eventFilter(watched, event);
}

bool CMSFlexGrid::PaintCorner(QWidget* corner) {
    QStyleOptionHeader option;
    option.initFrom(corner);
    option.rect = corner->rect();
    option.state |= QStyle::State_Raised;
    option.position = QStyleOptionHeader::OnlyOneSection;
    option.orientation = Qt::Horizontal;
    option.textAlignment = horizontalHeader()->defaultAlignment();
    option.text = Latin1Text(model_->CellText(0, 0));
    QPainter painter(corner);
    style()->drawControl(QStyle::CE_Header, &option, &painter, corner);
    return true;
}
