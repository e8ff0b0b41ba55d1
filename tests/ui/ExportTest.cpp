// The readings grid's menu, CSV save and the statistics window on a dialog
// that measures the simulated meter of our VISA library.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "CMSFlexGrid.h"
#include "CMeterDlg.h"
#include "ReadingStatistics.h"
#include "ReadingsGridMenu.h"
#include "ReadingsPlotView.h"
#include "StatisticsWindow.h"

namespace {

constexpr int kBurst = 50000;
constexpr const char* kFullRun = "dcv,instant";
// "#6200000" and 100 readings of 4 bytes.
constexpr const char* kShortRun = "dcv,instant,truncate=408";
constexpr int kShortRunReadings = 100;

// Closes every message box a run opens, as a user pressing OK, and keeps its text.
class MessageBoxCloser : public QObject {
public:
    MessageBoxCloser() {
        connect(&timer_, &QTimer::timeout, this, [this] { CloseOpenBox(); });
        timer_.start(5);
    }
    const QStringList& Texts() const { return texts_; }

private:
    void CloseOpenBox() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box != nullptr && box->isVisible()) {
            texts_ << box->text();
            box->button(QMessageBox::Ok)->click();
        }
    }
    QTimer timer_;
    QStringList texts_;
};

QStringList Lines(const QString& text) {
    QStringList lines = text.split(u'\n');
    if (!lines.isEmpty() && lines.back().isEmpty()) {
        lines.removeLast();
    }
    return lines;
}

QString ReadAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return QString();
    }
    return QString::fromLatin1(file.readAll());
}

QString Cell(const CMSFlexGrid& grid, int row, int col) {
    return QString::fromStdString(grid.CellText(row, col));
}

class ExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.isValid());
        dlg_ = std::make_unique<CMeterDlg>();
        menu_ = dlg_->findChild<ReadingsGridMenu*>();
        ASSERT_NE(menu_, nullptr);
        menu_->SetReporter([this](const QString& text) { reports_ << text; });
        menu_->SetPathChooser([this] {
            ++choices_;
            return chosenPath_;
        });
    }
    void TearDown() override { unsetenv("ZVISA_SIM"); }

    void Run(const char* simulation) {
        setenv("ZVISA_SIM", simulation, 1);
        dlg_->OnOK();
    }

    // Calls `action` once from a message drain of the next run, when that run
    // has written at least `rows` rows.
    void DuringNextFill(int rows, std::function<void()> action) {
        QTimer::singleShot(0, dlg_.get(), [this, rows, action] {
            if (!dlg_->Latest().IsFilling()) {
                return;  // not inside a run: the hook would never fire
            }
            if (dlg_->Latest().Record().ReadingCount() >= static_cast<std::size_t>(rows)) {
                action();
                return;
            }
            DuringNextFill(rows, action);
        });
    }

    QString FilePath(const char* name) const { return folder_.filePath(QString::fromLatin1(name)); }
    QStringList FolderEntries() const {
        return QDir(folder_.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }
    StatisticsWindow& OpenStatistics() {
        dlg_->OnStatisticsAndPlot();
        auto* window = dlg_->findChild<StatisticsWindow*>();
        EXPECT_NE(window, nullptr);
        return *window;
    }
    QString LatestTabSeparatedRows(int rows) const {
        QString text;
        for (int row = 1; row <= rows; ++row) {
            text += Cell(grid(), row, 0) + u'\t' + Cell(grid(), row, 1) + u'\n';
        }
        return text;
    }
    const CMSFlexGrid& grid() const { return dlg_->ReadingsGrid(); }

    QTemporaryDir folder_;
    MessageBoxCloser closer_;
    std::unique_ptr<CMeterDlg> dlg_;
    ReadingsGridMenu* menu_ = nullptr;
    QStringList reports_;
    QString chosenPath_;
    int choices_ = 0;
};

TEST_F(ExportTest, ReadingsGridMenuOffersCopyCopyAllAndSave) {
    QStringList texts;
    for (const QAction* action : menu_->Menu().actions()) {
        texts << action->text();
    }
    EXPECT_EQ(texts, QStringList({QStringLiteral("Copy"), QStringLiteral("Copy all readings"),
                                  QStringLiteral("Save readings as CSV\u2026")}));
}

// Counts the context menu events that reach the dialog itself.
class ContextMenuCounter : public QObject {
public:
    int count = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        count += event->type() == QEvent::ContextMenu ? 1 : 0;
        return QObject::eventFilter(watched, event);
    }
};

TEST_F(ExportTest, RightClickOnTheReadingsGridOpensItsMenuNotTheDialogs) {
    CMSFlexGrid& grid = dlg_->ReadingsGrid();
    enum Opens { kReadingsMenu, kSystemMenu, kNoMenu };
    struct Case {
        const char* name;
        QWidget* target;
        QContextMenuEvent::Reason reason;
        Opens opens;
    };
    const auto mouse = QContextMenuEvent::Mouse;
    const Case cases[] = {
        {"cells", grid.viewport(), mouse, kReadingsMenu},
        {"header row", grid.horizontalHeader()->viewport(), mouse, kReadingsMenu},
        {"number column", grid.verticalHeader()->viewport(), mouse, kReadingsMenu},
        {"corner", grid.findChild<QAbstractButton*>(), mouse, kReadingsMenu},
        {"Menu key in the readings", &grid, QContextMenuEvent::Keyboard, kReadingsMenu},
        {"command log", dlg_->LogGrid().viewport(), mouse, kNoMenu},
        {"dialog surface", dlg_.get(), mouse, kSystemMenu},
    };
    dlg_->show();
    ContextMenuCounter counter;
    dlg_->installEventFilter(&counter);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NE(c.target, nullptr);
        counter.count = 0;
        const QPoint at(2, 2);
        QContextMenuEvent event(c.reason, at, c.target->mapToGlobal(at));
        QApplication::sendEvent(c.target, &event);
        EXPECT_EQ(menu_->Menu().isVisible(), c.opens == kReadingsMenu);
        EXPECT_EQ(dlg_->SystemMenu().isVisible(), c.opens == kSystemMenu);
        // Whatever the dialog makes of it, a click on the readings never gets there.
        EXPECT_EQ(counter.count, c.opens == kReadingsMenu ? 0 : 1);
        menu_->Menu().close();
        dlg_->SystemMenu().close();
    }
    dlg_->removeEventFilter(&counter);
}

TEST_F(ExportTest, WindowMenuEntryOpensOneStatisticsWindow) {
    Run(kShortRun);
    QAction* entry = nullptr;
    for (QAction* action : dlg_->SystemMenu().actions()) {
        if (action->text() == QStringLiteral("Statistics and plot\u2026")) {
            entry = action;
        }
    }
    ASSERT_NE(entry, nullptr);
    entry->trigger();
    entry->trigger();
    const QList<StatisticsWindow*> windows = dlg_->findChildren<StatisticsWindow*>();
    ASSERT_EQ(windows.size(), 1);
    EXPECT_TRUE(windows.front()->isVisible());
    EXPECT_FALSE(windows.front()->isModal());
    EXPECT_EQ(windows.front()->CountLabel().text(), QString::number(kShortRunReadings));
}

TEST_F(ExportTest, CopyAllGivesTheRowsOfTheLatestRunOnly) {
    Run(kFullRun);
    menu_->CopyAllReadings();
    const QString full = QApplication::clipboard()->text();
    EXPECT_EQ(Lines(full).size(), kBurst);
    EXPECT_EQ(full, LatestTabSeparatedRows(kBurst));

    // The shorter run leaves the first run's rows below its own in the grid.
    Run(kShortRun);
    ASSERT_FALSE(grid().CellText(kShortRunReadings + 1, 1).empty());
    menu_->CopyAllReadings();
    const QString shortRun = QApplication::clipboard()->text();
    EXPECT_EQ(Lines(shortRun).size(), kShortRunReadings);
    EXPECT_EQ(shortRun, LatestTabSeparatedRows(kShortRunReadings));
    EXPECT_TRUE(reports_.isEmpty()) << reports_.join(u'|').toStdString();
}

TEST_F(ExportTest, SavedCsvRoundTripsTheGridTextsOverAnOlderFile) {
    chosenPath_ = FilePath("run.csv");
    {
        QFile older(chosenPath_);
        ASSERT_TRUE(older.open(QIODevice::WriteOnly));
        older.write(QByteArray(2000000, 'x'));
    }
    Run(kFullRun);
    menu_->SaveReadingsAsCsv();
    ASSERT_TRUE(reports_.isEmpty()) << reports_.join(u'|').toStdString();

    const QStringList lines = Lines(ReadAll(chosenPath_));
    ASSERT_EQ(lines.size(), 2 + kBurst);
    QString identity = dlg_->IdentityLabel().text();
    identity.chop(identity.endsWith(u'\n') ? 1 : 0);
    const QRegularExpression header(
        QStringLiteral("^# (.*); (\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d); (.*)$"));
    const QRegularExpressionMatch match = header.match(lines[0]);
    ASSERT_TRUE(match.hasMatch()) << lines[0].toStdString();
    EXPECT_EQ(match.captured(1), identity);
    EXPECT_FALSE(identity.isEmpty());
    EXPECT_EQ(match.captured(3), dlg_->TotalTimeLabel().text());
    EXPECT_EQ(lines[1], QStringLiteral("index,value"));
    int mismatches = 0;
    for (int k = 0; k < kBurst; ++k) {
        const QString expected = Cell(grid(), k + 1, 0) + u',' + Cell(grid(), k + 1, 1);
        mismatches += lines[2 + k] == expected ? 0 : 1;
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(FolderEntries(), QStringList({QStringLiteral("run.csv")}));
}

TEST_F(ExportTest, ShortRunKeepsWhatItToldTheUserAsANote) {
    Run(kShortRun);
    ASSERT_EQ(closer_.Texts().size(), 1);
    chosenPath_ = FilePath("short.csv");
    menu_->SaveReadingsAsCsv();
    const QStringList lines = Lines(ReadAll(chosenPath_));
    ASSERT_EQ(lines.size(), 3 + kShortRunReadings);
    EXPECT_EQ(lines[1], QStringLiteral("# ") + closer_.Texts().front());
    EXPECT_EQ(lines[2], QStringLiteral("index,value"));
    EXPECT_EQ(lines.back(),
              Cell(grid(), kShortRunReadings, 0) + u',' + Cell(grid(), kShortRunReadings, 1));
}

TEST_F(ExportTest, CancelledFileDialogWritesAndReportsNothing) {
    Run(kShortRun);
    chosenPath_.clear();
    menu_->SaveReadingsAsCsv();
    EXPECT_EQ(choices_, 1);
    EXPECT_TRUE(reports_.isEmpty());
    EXPECT_TRUE(FolderEntries().isEmpty());
}

TEST_F(ExportTest, WriteErrorIsReportedAndLeavesNoFile) {
    struct Case {
        const char* name;
        const char* path;  // in the test folder
    };
    const Case cases[] = {
        {"folder missing", "no-such-folder/run.csv"},
        {"parent is a file", "plain/run.csv"},
        {"target is a folder", "sub"},
    };
    {
        QFile plain(FilePath("plain"));
        ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    }
    ASSERT_TRUE(QDir(folder_.path()).mkdir(QStringLiteral("sub")));
    Run(kShortRun);
    const QStringList before = FolderEntries();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        reports_.clear();
        chosenPath_ = FilePath(c.path);
        menu_->SaveReadingsAsCsv();
        ASSERT_EQ(reports_.size(), 1);
        EXPECT_TRUE(reports_.front().contains(chosenPath_)) << reports_.front().toStdString();
        EXPECT_FALSE(QFileInfo(chosenPath_).isFile());
        EXPECT_EQ(FolderEntries(), before);
        EXPECT_TRUE(QDir(FilePath("sub")).isEmpty());
    }
}

TEST_F(ExportTest, ExportDuringAFillIsRefusedWithAMessage) {
    QApplication::clipboard()->setText(QStringLiteral("before"));
    chosenPath_ = FilePath("run.csv");
    DuringNextFill(1000, [this] {
        menu_->CopyAllReadings();
        menu_->SaveReadingsAsCsv();
    });
    Run(kFullRun);
    ASSERT_EQ(reports_.size(), 2);
    for (const QString& report : reports_) {
        EXPECT_TRUE(report.contains(QStringLiteral("still filling"))) << report.toStdString();
    }
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("before"));
    EXPECT_EQ(choices_, 0);
    EXPECT_TRUE(FolderEntries().isEmpty());

    // Once the run is done the same commands take all of it.
    menu_->CopyAllReadings();
    EXPECT_EQ(Lines(QApplication::clipboard()->text()).size(), kBurst);
}

TEST_F(ExportTest, NothingToExportSaysWhy) {
    menu_->CopyAllReadings();
    ASSERT_EQ(reports_.size(), 1);
    EXPECT_EQ(reports_.back(), QStringLiteral("There are no readings yet."));

    // A meter set to AC volts is turned away before the burst: no rows.
    Run(kShortRun);
    Run("acv,instant");
    menu_->SaveReadingsAsCsv();
    ASSERT_EQ(reports_.size(), 2);
    EXPECT_EQ(reports_.back(), QStringLiteral("The latest measurement gave no readings."));
    EXPECT_EQ(choices_, 0);
}

TEST_F(ExportTest, RowsOfOverlappingRunsAreNotExported) {
    // Measurement pressed again while the first run drains: the outer run goes
    // on writing its rows over the inner one's.
    DuringNextFill(1000, [this] { dlg_->OnOK(); });
    Run(kFullRun);
    EXPECT_FALSE(dlg_->Latest().IsFilling());
    menu_->CopyAllReadings();
    ASSERT_EQ(reports_.size(), 1);
    EXPECT_TRUE(reports_.front().contains(QStringLiteral("overlapped")));

    Run(kShortRun);
    menu_->CopyAllReadings();
    EXPECT_EQ(reports_.size(), 1);
    EXPECT_EQ(Lines(QApplication::clipboard()->text()).size(), kShortRunReadings);
}

void ExpectFigure(const QLabel& label, double expected) {
    bool ok = false;
    const double shown = label.text().toDouble(&ok);
    ASSERT_TRUE(ok) << label.objectName().toStdString() << ": " << label.text().toStdString();
    EXPECT_NEAR(shown, expected, std::abs(expected) * 1e-9 + 1e-12)
        << label.objectName().toStdString();
}

// The figures of the readings the run decoded, with the texts the grid shows for the extremes.
void ExpectStatisticsOf(const StatisticsWindow& window, const CMeterDlg& dlg, int rows) {
    const CMSFlexGrid& grid = dlg.ReadingsGrid();
    const ReadingStatistics expected = ReadingStatistics::Of(dlg.Latest().Record().Values());
    ASSERT_EQ(expected.Count(), static_cast<std::size_t>(rows));
    EXPECT_EQ(window.CountLabel().text(), QString::number(rows));
    ExpectFigure(window.MeanLabel(), expected.Mean());
    ExpectFigure(window.DeviationLabel(), expected.StandardDeviation());
    const int minRow = static_cast<int>(expected.MinimumIndex()) + 1;
    const int maxRow = static_cast<int>(expected.MaximumIndex()) + 1;
    EXPECT_EQ(window.MinimumLabel().text(),
              Cell(grid, minRow, 1) + QStringLiteral(" at reading ") + Cell(grid, minRow, 0));
    EXPECT_EQ(window.MaximumLabel().text(),
              Cell(grid, maxRow, 1) + QStringLiteral(" at reading ") + Cell(grid, maxRow, 0));
    EXPECT_EQ(window.Plot().PointCount(), rows);
    const QRectF full = window.Plot().FullRange();
    EXPECT_DOUBLE_EQ(full.left(), 0.0);
    EXPECT_DOUBLE_EQ(full.right(), rows - 1.0);
    EXPECT_LT(full.top(), expected.Minimum());
    EXPECT_GT(full.bottom(), expected.Maximum());
    EXPECT_TRUE(window.StatusLabel().text().isEmpty()) << window.StatusLabel().text().toStdString();
}

TEST_F(ExportTest, StatisticsWindowFollowsEachRun) {
    Run(kFullRun);
    StatisticsWindow& window = OpenStatistics();
    EXPECT_TRUE(window.isVisible());
    ExpectStatisticsOf(window, *dlg_, kBurst);

    Run(kShortRun);
    ExpectStatisticsOf(window, *dlg_, kShortRunReadings);
    EXPECT_EQ(dlg_->findChildren<StatisticsWindow*>().size(), 1);
}

TEST_F(ExportTest, ClosedStatisticsWindowCatchesUpOnlyWhenShownAgain) {
    Run(kShortRun);
    StatisticsWindow& window = OpenStatistics();
    window.close();
    Run(kFullRun);
    // Nothing was read for a window nobody sees.
    EXPECT_EQ(window.CountLabel().text(), QString::number(kShortRunReadings));
    EXPECT_EQ(window.Plot().PointCount(), kShortRunReadings);

    OpenStatistics();
    ExpectStatisticsOf(window, *dlg_, kBurst);
}

TEST_F(ExportTest, StatisticsOpenedDuringAFillWaitForItsEnd) {
    StatisticsWindow* window = nullptr;
    QString statusDuringFill;
    DuringNextFill(1000, [&] {
        window = &OpenStatistics();
        statusDuringFill = window->StatusLabel().text();
        EXPECT_EQ(window->Plot().PointCount(), 0);
    });
    Run(kFullRun);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(statusDuringFill.contains(QStringLiteral("still filling")))
        << statusDuringFill.toStdString();
    ExpectStatisticsOf(*window, *dlg_, kBurst);
}

TEST_F(ExportTest, StatisticsWindowTakesClicksWhileTheDialogIsModal) {
    // The application runs the dialog with exec(); its own windows stay usable.
    dlg_->setWindowModality(Qt::ApplicationModal);
    dlg_->show();
    Run(kShortRun);
    StatisticsWindow& window = OpenStatistics();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ReadingsPlotView& plot = window.Plot();
    plot.ZoomAt(plot.mapFromScene(plot.chart()->mapToScene(plot.chart()->plotArea().center())),
                4.0);
    ASSERT_NE(plot.VisibleRange(), plot.FullRange());
    // Through the window system, where input to blocked windows is dropped.
    QPushButton& reset = window.ResetZoomButton();
    QTest::mouseClick(window.windowHandle(), Qt::LeftButton, Qt::NoModifier,
                      reset.mapTo(&window, reset.rect().center()));
    EXPECT_EQ(plot.VisibleRange(), plot.FullRange());
}

}  // namespace
