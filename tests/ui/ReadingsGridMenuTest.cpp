// The readings grid's menu on a dialog that measures the simulated meter:
// Copy all and Save as CSV take the latest run, or say why they cannot.
#include "ui/ReadingsGridMenu.h"

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
#include <QRegularExpression>
#include <QTemporaryDir>

#include "DialogOnSimulatedMeter.h"
#include "QtPrinters.h"
#include "ui/CMSFlexGrid.h"

namespace {

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

class ReadingsGridMenuTest : public DialogOnSimulatedMeter {
protected:
    void SetUp() override {
        DialogOnSimulatedMeter::SetUp();
        ASSERT_TRUE(folder_.isValid());
        menu_ = dlg_->findChild<ReadingsGridMenu*>();
        ASSERT_NE(menu_, nullptr);
        menu_->SetReporter([this](const QString& text) { reports_ << text; });
        menu_->SetPathChooser([this](const QString&, const QString&) {
            ++choices_;
            return chosenPath_;
        });
    }

    QString FilePath(const char* name) const { return folder_.filePath(QString::fromLatin1(name)); }
    QStringList FolderEntries() const {
        return QDir(folder_.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }
    // Grid rows 1 to `rows` as Copy all gives them.
    QString TabSeparatedRows(int rows) const {
        QString text;
        for (int row = 1; row <= rows; ++row) {
            text += Cell(row, 0) + u'\t' + Cell(row, 1) + u'\n';
        }
        return text;
    }

    QTemporaryDir folder_;
    ReadingsGridMenu* menu_ = nullptr;
    QStringList reports_;
    QString chosenPath_;
    int choices_ = 0;
};

TEST_F(ReadingsGridMenuTest, OffersCopyExportsAndStatistics) {
    QStringList texts;
    for (const QAction* action : menu_->Menu().actions()) {
        texts << action->text();
    }
    EXPECT_EQ(texts, QStringList({QStringLiteral("Copy"), QStringLiteral("Copy all readings"),
                                  QStringLiteral("Save readings as CSV\u2026"), QString(),
                                  QStringLiteral("Statistics and plot\u2026")}));
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

TEST_F(ReadingsGridMenuTest, RightClickOnTheReadingsGridOpensItNotTheDialogsMenu) {
    CMSFlexGrid& grid = dlg_->ReadingsGrid();
    enum Opens { kReadingsMenu, kSystemMenu };
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
        {"command log", dlg_->LogGrid().viewport(), mouse, kSystemMenu},
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

TEST_F(ReadingsGridMenuTest, CopyAllGivesTheRowsOfTheLatestRunOnly) {
    Run(kFullRun);
    menu_->CopyAllReadings();
    const QString full = QApplication::clipboard()->text();
    EXPECT_EQ(Lines(full).size(), kBurst);
    EXPECT_EQ(full, TabSeparatedRows(kBurst));

    // The shorter run leaves the first run's rows below its own in the grid.
    Run(kShortRun);
    ASSERT_FALSE(Cell(kShortRunReadings + 1, 1).isEmpty());
    menu_->CopyAllReadings();
    const QString shortRun = QApplication::clipboard()->text();
    EXPECT_EQ(Lines(shortRun).size(), kShortRunReadings);
    EXPECT_EQ(shortRun, TabSeparatedRows(kShortRunReadings));
    EXPECT_TRUE(reports_.isEmpty()) << reports_.join(u'|').toStdString();
}

TEST_F(ReadingsGridMenuTest, SavedCsvRoundTripsTheGridTextsOverAnOlderFile) {
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
        mismatches += lines[2 + k] == Cell(k + 1, 0) + u',' + Cell(k + 1, 1) ? 0 : 1;
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(FolderEntries(), QStringList({QStringLiteral("run.csv")}));
}

TEST_F(ReadingsGridMenuTest, ShortRunKeepsWhatItToldTheUserAsANote) {
    Run(kShortRun);
    ASSERT_EQ(dialogs_.Texts().size(), 1);
    chosenPath_ = FilePath("short.csv");
    menu_->SaveReadingsAsCsv();
    const QStringList lines = Lines(ReadAll(chosenPath_));
    ASSERT_EQ(lines.size(), 3 + kShortRunReadings);
    EXPECT_EQ(lines[1], QStringLiteral("# ") + dialogs_.Texts().front());
    EXPECT_EQ(lines[2], QStringLiteral("index,value"));
    EXPECT_EQ(lines.back(), Cell(kShortRunReadings, 0) + u',' + Cell(kShortRunReadings, 1));
}

TEST_F(ReadingsGridMenuTest, CancelledFileDialogWritesAndReportsNothing) {
    Run(kShortRun);
    chosenPath_.clear();
    menu_->SaveReadingsAsCsv();
    EXPECT_EQ(choices_, 1);
    EXPECT_TRUE(reports_.isEmpty());
    EXPECT_TRUE(FolderEntries().isEmpty());
}

TEST_F(ReadingsGridMenuTest, WriteErrorIsReportedAndLeavesNoFile) {
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

TEST_F(ReadingsGridMenuTest, ExportDuringAFillIsRefusedWithAMessage) {
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

TEST_F(ReadingsGridMenuTest, NothingToExportSaysWhy) {
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

TEST_F(ReadingsGridMenuTest, RowsOfOverlappingRunsAreNotExported) {
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

}  // namespace
