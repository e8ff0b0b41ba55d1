#include "FlexGridTest.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <limits>
#include <memory>

#include "CMSFlexGrid.h"
#include "FlexGridModel.h"

namespace {

// Small enough to check every cell, shaped like the dialog's grids: one fixed
// row and one fixed column.
constexpr int kRows = 5;
constexpr int kCols = 3;

std::unique_ptr<CMSFlexGrid> MakeGrid(int rows = kRows, int cols = kCols) {
    auto grid = std::make_unique<CMSFlexGrid>(rows, cols, 1, 1);
    grid->resize(400, 300);
    return grid;
}

void Put(CMSFlexGrid& grid, int row, int col, const std::string& text) {
    grid.SetRow(row);
    grid.SetCol(col);
    grid.SetText(text);
}

// Every cell's text, row by row, to compare whole grids.
QStringList AllCells(const CMSFlexGrid& grid) {
    QStringList cells;
    for (int r = 0; r < grid.Rows(); ++r) {
        for (int c = 0; c < grid.Cols(); ++c) {
            cells << QString::fromStdString(grid.CellText(r, c));
        }
    }
    return cells;
}

enum class Place { Corner, TopHeader, SideHeader, Item };

}  // namespace

Q_DECLARE_METATYPE(Place)

void FlexGridTest::textLandsInTheCurrentCell_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("col");
    QTest::addColumn<Place>("place");
    QTest::newRow("corner") << 0 << 0 << Place::Corner;
    QTest::newRow("fixed row") << 0 << 2 << Place::TopHeader;
    QTest::newRow("fixed column") << 3 << 0 << Place::SideHeader;
    QTest::newRow("first item") << 1 << 1 << Place::Item;
    QTest::newRow("last item") << kRows - 1 << kCols - 1 << Place::Item;
}

void FlexGridTest::textLandsInTheCurrentCell() {
    QFETCH(int, row);
    QFETCH(int, col);
    QFETCH(Place, place);
    auto grid = MakeGrid();
    Put(*grid, row, col, "cell");

    QCOMPARE(grid->Row(), row);
    QCOMPARE(grid->Col(), col);
    const QStringList cells = AllCells(*grid);
    QCOMPARE(cells.count(QStringLiteral("cell")), 1);
    QCOMPARE(grid->CellText(row, col), std::string("cell"));

    // Where the view shows it: headers for fixed cells, items for the rest.
    const QAbstractItemModel* model = grid->model();
    switch (place) {
        case Place::Corner:
            QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QString());
            QCOMPARE(model->headerData(0, Qt::Vertical).toString(), QString());
            break;
        case Place::TopHeader:
            QCOMPARE(model->headerData(col - 1, Qt::Horizontal).toString(), "cell");
            break;
        case Place::SideHeader:
            QCOMPARE(model->headerData(row - 1, Qt::Vertical).toString(), "cell");
            break;
        case Place::Item:
            QCOMPARE(model->index(row - 1, col - 1).data().toString(), "cell");
            break;
    }
}

void FlexGridTest::announcesOnlyTheChangedCell_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("col");
    QTest::addColumn<int>("items");
    QTest::addColumn<int>("fixed");
    QTest::addColumn<int>("corner");
    QTest::newRow("item") << 2 << 1 << 1 << 0 << 0;
    QTest::newRow("fixed column") << 4 << 0 << 0 << 1 << 0;
    QTest::newRow("fixed row") << 0 << 1 << 0 << 1 << 0;
    QTest::newRow("corner") << 0 << 0 << 0 << 0 << 1;
}

void FlexGridTest::announcesOnlyTheChangedCell() {
    QFETCH(int, row);
    QFETCH(int, col);
    QFETCH(int, items);
    QFETCH(int, fixed);
    QFETCH(int, corner);
    auto grid = MakeGrid();
    auto* model = qobject_cast<FlexGridModel*>(grid->model());
    QVERIFY(model != nullptr);
    QSignalSpy itemSpy(model, &QAbstractItemModel::dataChanged);
    QSignalSpy fixedSpy(model, &FlexGridModel::fixedCellChanged);
    QSignalSpy cornerSpy(model, &FlexGridModel::cornerTextChanged);
    // Any of these makes the view lay out or repaint all rows.
    QSignalSpy headerSpy(model, &QAbstractItemModel::headerDataChanged);
    QSignalSpy layoutSpy(model, &QAbstractItemModel::layoutChanged);
    QSignalSpy resetSpy(model, &QAbstractItemModel::modelReset);

    Put(*grid, row, col, "x");
    Put(*grid, row, col, "x");  // unchanged: nothing to announce

    QCOMPARE(itemSpy.count(), items);
    QCOMPARE(fixedSpy.count(), fixed);
    QCOMPARE(cornerSpy.count(), corner);
    QCOMPARE(headerSpy.count(), 0);
    QCOMPARE(layoutSpy.count(), 0);
    QCOMPARE(resetSpy.count(), 0);
    if (items == 1) {
        const QModelIndex first = itemSpy.at(0).at(0).toModelIndex();
        const QModelIndex last = itemSpy.at(0).at(1).toModelIndex();
        QCOMPARE(first, last);
        QCOMPARE(first.row(), row - 1);
        QCOMPARE(first.column(), col - 1);
    }
    if (fixed == 1) {
        const auto orientation = fixedSpy.at(0).at(0).value<Qt::Orientation>();
        const int section = fixedSpy.at(0).at(1).toInt();
        QCOMPARE(orientation, row == 0 ? Qt::Horizontal : Qt::Vertical);
        QCOMPARE(section, row == 0 ? col - 1 : row - 1);
    }
}

void FlexGridTest::currentCellOutsideTheGridTakesNoText_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("col");
    QTest::newRow("row -1") << -1 << 1;
    QTest::newRow("row past the end") << kRows << 1;
    QTest::newRow("col -1") << 1 << -1;
    QTest::newRow("col past the end") << 1 << kCols;
    QTest::newRow("far away") << 1 << 1000000;
}

void FlexGridTest::currentCellOutsideTheGridTakesNoText() {
    QFETCH(int, row);
    QFETCH(int, col);
    auto grid = MakeGrid();
    Put(*grid, 1, 1, "before");
    const QStringList before = AllCells(*grid);

    Put(*grid, row, col, "lost");

    QCOMPARE(AllCells(*grid), before);
    QCOMPARE(grid->Rows(), kRows);
    QCOMPARE(grid->CellText(row, col), std::string());
    grid->SetColWidth(col, 1440);  // also ignored, no crash
}

void FlexGridTest::growingGridAddsRowsUpToTheRow() {
    auto grid = MakeGrid();
    grid->SetGrowsWithRow(true);
    QSignalSpy insertSpy(grid->model(), &QAbstractItemModel::rowsInserted);

    Put(*grid, kRows + 2, 1, "far");
    QCOMPARE(grid->Rows(), kRows + 3);
    QCOMPARE(grid->model()->rowCount(), kRows + 2);
    QCOMPARE(grid->CellText(kRows + 2, 1), std::string("far"));
    QCOMPARE(grid->CellText(kRows, 1), std::string());
    QCOMPARE(insertSpy.count(), 1);

    Put(*grid, 2, 1, "inside");  // rows that exist add nothing
    Put(*grid, -1, 1, "negative");
    Put(*grid, std::numeric_limits<int>::max(), 1, "absurd");  // no overflow, no huge grid
    QCOMPARE(grid->Rows(), kRows + 3);
    QCOMPARE(insertSpy.count(), 1);
}

void FlexGridTest::showsBytesAsLatin1WithLineFeeds() {
    auto grid = MakeGrid();
    const std::string bytes("\xB5V \xE9\xFF\x80\n", 7);
    Put(*grid, 1, 1, bytes);
    Put(*grid, 2, 0, bytes);

    const QString expected =
        QString(QChar(0xB5)) + "V " + QChar(0xE9) + QChar(0xFF) + QChar(0x80) + QChar(u'\n');
    QCOMPARE(grid->model()->index(0, 0).data().toString(), expected);
    QCOMPARE(grid->model()->headerData(1, Qt::Vertical).toString(), expected);
    QCOMPARE(grid->CellText(1, 1), bytes);

    const std::string withZero("a\0b", 3);
    Put(*grid, 1, 2, withZero);
    QCOMPARE(grid->CellText(1, 2), withZero);
    QCOMPARE(grid->model()->index(0, 1).data().toString().size(), 3);
}

void FlexGridTest::lineFeedAddsNothingToTheVisibleRow() {
    // The line after a command's line feed lies below the row: the row looks
    // as it would without it, with no ellipsis or other mark.
    auto grid = MakeGrid();
    grid->SetColWidth(1, 2000);
    Put(*grid, 2, 1, "DR?");
    Put(*grid, 3, 1, "DR?\n");
    grid->show();
    QVERIFY(QTest::qWaitForWindowExposed(grid.get()));
    // Rows 2 to 4; row 1 holds the current cell and its focus frame.
    const QRect plain = grid->visualRect(grid->model()->index(1, 0));
    const QRect withLineFeed = grid->visualRect(grid->model()->index(2, 0));
    const QRect empty = grid->visualRect(grid->model()->index(3, 0));
    const QImage shown = grid->viewport()->grab().toImage();

    QCOMPARE(shown.copy(withLineFeed), shown.copy(plain));
    QVERIFY(shown.copy(plain) != shown.copy(empty));
}

void FlexGridTest::twipsToPixels_data() {
    QTest::addColumn<int>("twips");
    QTest::addColumn<int>("dpi");
    QTest::addColumn<int>("pixels");
    QTest::newRow("one inch at 96 dpi") << 1440 << 96 << 96;
    QTest::newRow("readings number column") << 700 << 96 << 47;  // 46.67
    QTest::newRow("log time column") << 1000 << 96 << 67;        // 66.67
    QTest::newRow("readings value column") << 1800 << 96 << 120;
    QTest::newRow("log command column at 120 dpi") << 2000 << 120 << 167;
    QTest::newRow("half pixel rounds up") << 15 << 48 << 1;  // 0.5
    QTest::newRow("below half rounds down") << 14 << 48 << 0;
    QTest::newRow("zero") << 0 << 96 << 0;
}

void FlexGridTest::twipsToPixels() {
    QFETCH(int, twips);
    QFETCH(int, dpi);
    QFETCH(int, pixels);
    QCOMPARE(CMSFlexGrid::TwipsToPixels(twips, dpi), pixels);
}

void FlexGridTest::columnWidthsGoToHeaderOrSection() {
    auto grid = MakeGrid();
    const int dpi = grid->logicalDpiX();
    grid->SetColWidth(0, 700);
    grid->SetColWidth(2, 2000);

    QCOMPARE(grid->verticalHeader()->width(), CMSFlexGrid::TwipsToPixels(700, dpi));
    QCOMPARE(grid->ColWidthPixels(0), CMSFlexGrid::TwipsToPixels(700, dpi));
    QCOMPARE(grid->horizontalHeader()->sectionSize(1), CMSFlexGrid::TwipsToPixels(2000, dpi));
    QCOMPARE(grid->ColWidthPixels(2), CMSFlexGrid::TwipsToPixels(2000, dpi));

    grid->SetColWidth(2, -1);  // no width: left as it was
    QCOMPARE(grid->ColWidthPixels(2), CMSFlexGrid::TwipsToPixels(2000, dpi));
}

void FlexGridTest::rowHeightsAreFixed() {
    auto grid = MakeGrid(50001, 2);
    QHeaderView* side = grid->verticalHeader();
    QCOMPARE(side->sectionResizeMode(0), QHeaderView::Fixed);
    QCOMPARE(side->sectionResizeMode(49999), QHeaderView::Fixed);
    QVERIFY(side->defaultSectionSize() >= grid->fontMetrics().height());
    // A long text changes no row's height.
    const int before = side->sectionSize(10);
    Put(*grid, 11, 1, std::string(500, 'W') + "\n\n\n");
    Put(*grid, 11, 0, std::string(500, 'W'));
    QCOMPARE(side->sectionSize(10), before);
    QCOMPARE(side->width(), grid->ColWidthPixels(0));
}

void FlexGridTest::isDisplayOnly() {
    auto grid = MakeGrid();
    Put(*grid, 1, 1, "keep");
    const QModelIndex cell = grid->model()->index(0, 0);
    QCOMPARE(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
    QVERIFY(!(grid->model()->flags(cell) & Qt::ItemIsEditable));
    QVERIFY(!grid->model()->setData(cell, QStringLiteral("typed")));

    grid->show();
    QVERIFY(QTest::qWaitForWindowExposed(grid.get()));
    grid->setCurrentIndex(cell);
    QTest::keyClicks(grid.get(), QStringLiteral("typed"));
    QTest::keyClick(grid.get(), Qt::Key_F2);
    QTest::keyClick(grid.get(), Qt::Key_Return);
    QCOMPARE(grid->CellText(1, 1), std::string("keep"));
}

void FlexGridTest::copiesSelectionTabSeparated_data() {
    QTest::addColumn<QList<QPoint>>("cells");  // (row, col) of the model's items
    QTest::addColumn<QString>("copied");
    QTest::newRow("one cell") << QList<QPoint>{{1, 0}} << "b1\n";
    QTest::newRow("one row") << QList<QPoint>{{0, 1}, {0, 0}} << "a1\ta2\n";
    QTest::newRow("block, picked out of order")
        << QList<QPoint>{{2, 1}, {0, 0}, {2, 0}, {0, 1}} << "a1\ta2\nc1\tc2\n";
    QTest::newRow("line end of a cell dropped") << QList<QPoint>{{3, 0}, {3, 1}} << "d1\td2\n";
    QTest::newRow("nothing") << QList<QPoint>{} << "";
}

void FlexGridTest::copiesSelectionTabSeparated() {
    QFETCH(QList<QPoint>, cells);
    QFETCH(QString, copied);
    auto grid = MakeGrid();
    const char* rows[] = {"a", "b", "c", "d"};
    for (int r = 0; r < 4; ++r) {
        Put(*grid, r + 1, 0, std::to_string(r));
        Put(*grid, r + 1, 1, std::string(rows[r]) + "1");
        Put(*grid, r + 1, 2, std::string(rows[r]) + (r == 3 ? "2\r\n" : "2"));
    }
    for (const QPoint& cell : cells) {
        grid->selectionModel()->select(grid->model()->index(cell.x(), cell.y()),
                                       QItemSelectionModel::Select);
    }
    QCOMPARE(grid->SelectedText(), copied);
}

void FlexGridTest::ctrlCPutsSelectionOnClipboard() {
    auto grid = MakeGrid();
    Put(*grid, 1, 1, "1.500101");
    Put(*grid, 2, 1, "-0.000002");
    grid->show();
    QVERIFY(QTest::qWaitForWindowExposed(grid.get()));
    grid->selectionModel()->select(
        QItemSelection(grid->model()->index(0, 0), grid->model()->index(1, 0)),
        QItemSelectionModel::Select);
    QApplication::clipboard()->setText(QStringLiteral("old"));

    QTest::keyClick(grid.get(), Qt::Key_C, Qt::ControlModifier);

    QCOMPARE(QApplication::clipboard()->text(), "1.500101\n-0.000002\n");
}

void FlexGridTest::cornerDrawsTopLeftText() {
    auto grid = MakeGrid();
    grid->SetColWidth(0, 1440);
    grid->show();
    QVERIFY(QTest::qWaitForWindowExposed(grid.get()));
    auto* corner = grid->findChild<QAbstractButton*>();
    QVERIFY(corner != nullptr);
    const QImage blank = corner->grab().toImage();

    Put(*grid, 0, 0, "Number");
    const QImage drawn = corner->grab().toImage();

    QVERIFY(!blank.isNull());
    QVERIFY2(drawn != blank, "the corner shows no text");
}

void FlexGridTest::headersStayInViewWhenScrolled() {
    auto grid = MakeGrid(50001, 2);
    Put(*grid, 0, 1, "Value");
    Put(*grid, 50000, 0, "49999");
    grid->show();
    QVERIFY(QTest::qWaitForWindowExposed(grid.get()));
    const QRect topBefore = grid->horizontalHeader()->geometry();

    grid->scrollToBottom();
    QApplication::processEvents();

    QVERIFY(grid->horizontalHeader()->isVisible());
    QCOMPARE(grid->horizontalHeader()->geometry(), topBefore);
    // The side header scrolls with the rows, so the last number is beside the last row.
    QHeaderView* side = grid->verticalHeader();
    const int lastSection = side->logicalIndexAt(side->viewport()->height() - 1);
    QCOMPARE(lastSection, 49999);
    QCOMPARE(grid->model()->headerData(lastSection, Qt::Vertical).toString(), "49999");
}
