#include "ui/CMSFlexGrid.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QImage>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <limits>
#include <memory>
#include <string>

#include "QtPrinters.h"
#include "ui/FlexGridModel.h"

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

void ShowAndWait(QWidget& widget) {
    widget.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget));
}

TEST(CMSFlexGridTest, TextLandsInTheCurrentCell) {
    enum class Place { kCorner, kTopHeader, kSideHeader, kItem };
    struct Case {
        const char* name;
        int row, col;
        Place place;
    };
    const Case cases[] = {
        {"corner", 0, 0, Place::kCorner},
        {"fixed row", 0, 2, Place::kTopHeader},
        {"fixed column", 3, 0, Place::kSideHeader},
        {"first item", 1, 1, Place::kItem},
        {"last item", kRows - 1, kCols - 1, Place::kItem},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto grid = MakeGrid();
        Put(*grid, c.row, c.col, "cell");

        EXPECT_EQ(grid->Row(), c.row);
        EXPECT_EQ(grid->Col(), c.col);
        EXPECT_EQ(AllCells(*grid).count(QStringLiteral("cell")), 1);
        EXPECT_EQ(grid->CellText(c.row, c.col), "cell");

        // Where the view shows it: headers for fixed cells, items for the rest.
        const QAbstractItemModel* model = grid->model();
        switch (c.place) {
            case Place::kCorner:
                EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), QString());
                EXPECT_EQ(model->headerData(0, Qt::Vertical).toString(), QString());
                break;
            case Place::kTopHeader:
                EXPECT_EQ(model->headerData(c.col - 1, Qt::Horizontal).toString(), "cell");
                break;
            case Place::kSideHeader:
                EXPECT_EQ(model->headerData(c.row - 1, Qt::Vertical).toString(), "cell");
                break;
            case Place::kItem:
                EXPECT_EQ(model->index(c.row - 1, c.col - 1).data().toString(), "cell");
                break;
        }
    }
}

TEST(CMSFlexGridTest, AnnouncesOnlyTheChangedCell) {
    struct Case {
        const char* name;
        int row, col;
        int items, fixed, corner;  // announcements of each kind
    };
    const Case cases[] = {
        {"item", 2, 1, 1, 0, 0},
        {"fixed column", 4, 0, 0, 1, 0},
        {"fixed row", 0, 1, 0, 1, 0},
        {"corner", 0, 0, 0, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto grid = MakeGrid();
        auto* model = qobject_cast<FlexGridModel*>(grid->model());
        ASSERT_NE(model, nullptr);
        QSignalSpy itemSpy(model, &QAbstractItemModel::dataChanged);
        QSignalSpy fixedSpy(model, &FlexGridModel::fixedCellChanged);
        QSignalSpy cornerSpy(model, &FlexGridModel::cornerTextChanged);
        // Any of these makes the view lay out or repaint all rows.
        QSignalSpy headerSpy(model, &QAbstractItemModel::headerDataChanged);
        QSignalSpy layoutSpy(model, &QAbstractItemModel::layoutChanged);
        QSignalSpy resetSpy(model, &QAbstractItemModel::modelReset);

        Put(*grid, c.row, c.col, "x");
        Put(*grid, c.row, c.col, "x");  // unchanged: nothing to announce

        EXPECT_EQ(itemSpy.count(), c.items);
        EXPECT_EQ(fixedSpy.count(), c.fixed);
        EXPECT_EQ(cornerSpy.count(), c.corner);
        EXPECT_EQ(headerSpy.count(), 0);
        EXPECT_EQ(layoutSpy.count(), 0);
        EXPECT_EQ(resetSpy.count(), 0);
        if (c.items == 1) {
            const QModelIndex first = itemSpy.at(0).at(0).toModelIndex();
            EXPECT_EQ(first, itemSpy.at(0).at(1).toModelIndex());
            EXPECT_EQ(first.row(), c.row - 1);
            EXPECT_EQ(first.column(), c.col - 1);
        }
        if (c.fixed == 1) {
            EXPECT_EQ(fixedSpy.at(0).at(0).value<Qt::Orientation>(),
                      c.row == 0 ? Qt::Horizontal : Qt::Vertical);
            EXPECT_EQ(fixedSpy.at(0).at(1).toInt(), c.row == 0 ? c.col - 1 : c.row - 1);
        }
    }
}

TEST(CMSFlexGridTest, CurrentCellOutsideTheGridTakesNoText) {
    struct Case {
        const char* name;
        int row, col;
    };
    const Case cases[] = {
        {"row -1", -1, 1},        {"row past the end", kRows, 1},
        {"col -1", 1, -1},        {"col past the end", 1, kCols},
        {"far away", 1, 1000000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto grid = MakeGrid();
        Put(*grid, 1, 1, "before");
        const QStringList before = AllCells(*grid);

        Put(*grid, c.row, c.col, "lost");

        EXPECT_EQ(AllCells(*grid), before);
        EXPECT_EQ(grid->Rows(), kRows);
        EXPECT_EQ(grid->CellText(c.row, c.col), "");
        grid->SetColWidth(c.col, 1440);  // also ignored, no crash
    }
}

TEST(CMSFlexGridTest, GrowingGridAddsRowsUpToTheRow) {
    auto grid = MakeGrid();
    grid->SetGrowsWithRow(true);
    QSignalSpy insertSpy(grid->model(), &QAbstractItemModel::rowsInserted);

    Put(*grid, kRows + 2, 1, "far");
    EXPECT_EQ(grid->Rows(), kRows + 3);
    EXPECT_EQ(grid->model()->rowCount(), kRows + 2);
    EXPECT_EQ(grid->CellText(kRows + 2, 1), "far");
    EXPECT_EQ(grid->CellText(kRows, 1), "");
    EXPECT_EQ(insertSpy.count(), 1);

    Put(*grid, 2, 1, "inside");  // rows that exist add nothing
    Put(*grid, -1, 1, "negative");
    Put(*grid, std::numeric_limits<int>::max(), 1, "absurd");  // no overflow, no huge grid
    EXPECT_EQ(grid->Rows(), kRows + 3);
    EXPECT_EQ(insertSpy.count(), 1);
}

TEST(CMSFlexGridTest, ShowsBytesAsLatin1WithLineFeeds) {
    auto grid = MakeGrid();
    const std::string bytes("\xB5V \xE9\xFF\x80\n", 7);
    Put(*grid, 1, 1, bytes);
    Put(*grid, 2, 0, bytes);

    const QString expected =
        QString(QChar(0xB5)) + "V " + QChar(0xE9) + QChar(0xFF) + QChar(0x80) + QChar(u'\n');
    EXPECT_EQ(grid->model()->index(0, 0).data().toString(), expected);
    EXPECT_EQ(grid->model()->headerData(1, Qt::Vertical).toString(), expected);
    EXPECT_EQ(grid->CellText(1, 1), bytes);

    const std::string withZero("a\0b", 3);
    Put(*grid, 1, 2, withZero);
    EXPECT_EQ(grid->CellText(1, 2), withZero);
    EXPECT_EQ(grid->model()->index(0, 1).data().toString().size(), 3);
}

TEST(CMSFlexGridTest, LineFeedAddsNothingToTheVisibleRow) {
    // The line after a command's line feed lies below the row: the row looks
    // as it would without it, with no ellipsis or other mark.
    auto grid = MakeGrid();
    grid->SetColWidth(1, 2000);
    Put(*grid, 2, 1, "DR?");
    Put(*grid, 3, 1, "DR?\n");
    ShowAndWait(*grid);
    // Rows 2 to 4; row 1 holds the current cell and its focus frame.
    const QRect plain = grid->visualRect(grid->model()->index(1, 0));
    const QRect withLineFeed = grid->visualRect(grid->model()->index(2, 0));
    const QRect empty = grid->visualRect(grid->model()->index(3, 0));
    const QImage shown = grid->viewport()->grab().toImage();

    EXPECT_EQ(shown.copy(withLineFeed), shown.copy(plain));
    EXPECT_NE(shown.copy(plain), shown.copy(empty));
}

TEST(CMSFlexGridTest, TwipsToPixels) {
    struct Case {
        const char* name;
        int twips, dpi, pixels;
    };
    const Case cases[] = {
        {"one inch at 96 dpi", 1440, 96, 96},     {"readings number column", 700, 96, 47},  // 46.67
        {"log time column", 1000, 96, 67},                                                  // 66.67
        {"readings value column", 1800, 96, 120}, {"log command column at 120 dpi", 2000, 120, 167},
        {"half pixel rounds up", 15, 48, 1},  // 0.5
        {"below half rounds down", 14, 48, 0},    {"zero", 0, 96, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CMSFlexGrid::TwipsToPixels(c.twips, c.dpi), c.pixels) << c.name;
    }
}

TEST(CMSFlexGridTest, ColumnWidthsGoToHeaderOrSection) {
    auto grid = MakeGrid();
    const int dpi = grid->logicalDpiX();
    grid->SetColWidth(0, 700);
    grid->SetColWidth(2, 2000);

    EXPECT_EQ(grid->verticalHeader()->width(), CMSFlexGrid::TwipsToPixels(700, dpi));
    EXPECT_EQ(grid->ColWidthPixels(0), CMSFlexGrid::TwipsToPixels(700, dpi));
    EXPECT_EQ(grid->horizontalHeader()->sectionSize(1), CMSFlexGrid::TwipsToPixels(2000, dpi));
    EXPECT_EQ(grid->ColWidthPixels(2), CMSFlexGrid::TwipsToPixels(2000, dpi));

    grid->SetColWidth(2, -1);  // no width: left as it was
    EXPECT_EQ(grid->ColWidthPixels(2), CMSFlexGrid::TwipsToPixels(2000, dpi));
}

TEST(CMSFlexGridTest, RowHeightsAreFixed) {
    auto grid = MakeGrid(50001, 2);
    QHeaderView* side = grid->verticalHeader();
    EXPECT_EQ(side->sectionResizeMode(0), QHeaderView::Fixed);
    EXPECT_EQ(side->sectionResizeMode(49999), QHeaderView::Fixed);
    EXPECT_GE(side->defaultSectionSize(), grid->fontMetrics().height());
    // A long text changes no row's height.
    const int before = side->sectionSize(10);
    Put(*grid, 11, 1, std::string(500, 'W') + "\n\n\n");
    Put(*grid, 11, 0, std::string(500, 'W'));
    EXPECT_EQ(side->sectionSize(10), before);
    EXPECT_EQ(side->width(), grid->ColWidthPixels(0));
}

TEST(CMSFlexGridTest, IsDisplayOnly) {
    auto grid = MakeGrid();
    Put(*grid, 1, 1, "keep");
    const QModelIndex cell = grid->model()->index(0, 0);
    EXPECT_EQ(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_FALSE(grid->model()->flags(cell) & Qt::ItemIsEditable);
    EXPECT_FALSE(grid->model()->setData(cell, QStringLiteral("typed")));

    ShowAndWait(*grid);
    grid->setCurrentIndex(cell);
    QTest::keyClicks(grid.get(), QStringLiteral("typed"));
    QTest::keyClick(grid.get(), Qt::Key_F2);
    QTest::keyClick(grid.get(), Qt::Key_Return);
    EXPECT_EQ(grid->CellText(1, 1), "keep");
}

TEST(CMSFlexGridTest, CopiesSelectionTabSeparated) {
    struct Case {
        const char* name;
        QList<QPoint> cells;  // (row, col) of the model's items
        QString copied;
    };
    const Case cases[] = {
        {"one cell", {{1, 0}}, "b1\n"},
        {"one row", {{0, 1}, {0, 0}}, "a1\ta2\n"},
        {"block, picked out of order", {{2, 1}, {0, 0}, {2, 0}, {0, 1}}, "a1\ta2\nc1\tc2\n"},
        {"line end of a cell dropped", {{3, 0}, {3, 1}}, "d1\td2\n"},
        {"nothing", {}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto grid = MakeGrid();
        const char* rows[] = {"a", "b", "c", "d"};
        for (int r = 0; r < 4; ++r) {
            Put(*grid, r + 1, 0, std::to_string(r));
            Put(*grid, r + 1, 1, std::string(rows[r]) + "1");
            Put(*grid, r + 1, 2, std::string(rows[r]) + (r == 3 ? "2\r\n" : "2"));
        }
        for (const QPoint& cell : c.cells) {
            grid->selectionModel()->select(grid->model()->index(cell.x(), cell.y()),
                                           QItemSelectionModel::Select);
        }
        EXPECT_EQ(grid->SelectedText(), c.copied);
    }
}

TEST(CMSFlexGridTest, CtrlCPutsSelectionOnClipboard) {
    auto grid = MakeGrid();
    Put(*grid, 1, 1, "1.500101");
    Put(*grid, 2, 1, "-0.000002");
    ShowAndWait(*grid);
    grid->selectionModel()->select(
        QItemSelection(grid->model()->index(0, 0), grid->model()->index(1, 0)),
        QItemSelectionModel::Select);
    QApplication::clipboard()->setText(QStringLiteral("old"));

    QTest::keyClick(grid.get(), Qt::Key_C, Qt::ControlModifier);

    EXPECT_EQ(QApplication::clipboard()->text(), "1.500101\n-0.000002\n");
}

TEST(CMSFlexGridTest, CornerDrawsTopLeftText) {
    auto grid = MakeGrid();
    grid->SetColWidth(0, 1440);
    ShowAndWait(*grid);
    auto* corner = grid->findChild<QAbstractButton*>();
    ASSERT_NE(corner, nullptr);
    const QImage blank = corner->grab().toImage();

    Put(*grid, 0, 0, "Number");
    const QImage drawn = corner->grab().toImage();

    EXPECT_FALSE(blank.isNull());
    EXPECT_NE(drawn, blank) << "the corner shows no text";
}

TEST(CMSFlexGridTest, HeadersStayInViewWhenScrolled) {
    auto grid = MakeGrid(50001, 2);
    Put(*grid, 0, 1, "Value");
    Put(*grid, 50000, 0, "49999");
    ShowAndWait(*grid);
    const QRect topBefore = grid->horizontalHeader()->geometry();

    grid->scrollToBottom();
    QApplication::processEvents();

    EXPECT_TRUE(grid->horizontalHeader()->isVisible());
    EXPECT_EQ(grid->horizontalHeader()->geometry(), topBefore);
    // The side header scrolls with the rows, so the last number is beside the last row.
    QHeaderView* side = grid->verticalHeader();
    const int lastSection = side->logicalIndexAt(side->viewport()->height() - 1);
    EXPECT_EQ(lastSection, 49999);
    EXPECT_EQ(grid->model()->headerData(lastSection, Qt::Vertical).toString(), "49999");
}

TEST(CMSFlexGridTest, ScrollsSidewaysToTheEndOfAColumnWiderThanTheView) {
    // The command log: one column of 2000 twips in a view narrower than it.
    auto grid = MakeGrid(9, 2);
    grid->SetColWidth(0, 1000);
    grid->SetColWidth(1, 2000);
    grid->resize(204, 143);
    ShowAndWait(*grid);
    ASSERT_GT(grid->ColWidthPixels(1), grid->viewport()->width());

    grid->horizontalScrollBar()->setValue(grid->horizontalScrollBar()->maximum());

    EXPECT_TRUE(grid->horizontalScrollBar()->isVisible());
    EXPECT_EQ(grid->columnViewportPosition(0) + grid->columnWidth(0), grid->viewport()->width())
        << "the column's end is not in view";
}

}  // namespace
