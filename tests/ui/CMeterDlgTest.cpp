#include "ui/CMeterDlg.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>

#include "ModalCatcher.h"
#include "ProbeDlg.h"
#include "QtPrinters.h"
#include "res/StringTable.h"
#include "res/resource.h"
#include "support/RunTexts.h"
#include "ui/CAboutBox.h"
#include "ui/CMSFlexGrid.h"
#include "ui/DialogUnits.h"
#include "ui/StatisticsWindow.h"

namespace {

constexpr int kBurst = 50000;
const QString kAboutEntry = QStringLiteral("關於 Zorvane(&A)...");
const QString kStatisticsEntry = QStringLiteral("Statistics and plot\u2026");
constexpr unsigned int kScClose = 0xF060;
constexpr unsigned int kScMove = 0xF010;

QString Cell(const CMSFlexGrid& grid, int row, int col) {
    const std::string& text = grid.CellText(row, col);
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// What one full burst on the simulated DC-volts meter leaves in the window.
void ExpectFullBurst(const CMeterDlg& dlg) {
    EXPECT_TRUE(dlg.IdentityLabel().text().startsWith(QStringLiteral("ZORVANE SIM,")));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Total time of measurement : \\d+ ms$"))
                    .match(dlg.TotalTimeLabel().text())
                    .hasMatch());

    const CMSFlexGrid& log = dlg.LogGrid();
    EXPECT_EQ(Cell(log, 0, 0), "Timer");
    EXPECT_EQ(Cell(log, 0, 1), "Comand");
    const QRegularExpression time(QStringLiteral("^([01]\\d|2[0-3]):[0-5]\\d:[0-5]\\d$"));
    for (int row = 1; row <= 5; ++row) {
        EXPECT_TRUE(time.match(Cell(log, row, 0)).hasMatch()) << Cell(log, row, 0).toStdString();
        EXPECT_EQ(Cell(log, row, 1).toStdString(), RunTexts::kVoltsCommands[row - 1]);
    }
    for (int row = 6; row < log.Rows(); ++row) {
        EXPECT_EQ(Cell(log, row, 0), QString());
    }
    EXPECT_EQ(dlg.LogRow(), 5);

    const CMSFlexGrid& readings = dlg.ReadingsGrid();
    EXPECT_EQ(Cell(readings, 0, 0), "Number");
    EXPECT_EQ(Cell(readings, 0, 1), "Value");
    EXPECT_EQ(Cell(readings, 1, 0), "0");
    EXPECT_EQ(Cell(readings, kBurst, 0), "49999");
    EXPECT_FALSE(Cell(readings, 1, 1).isEmpty());
    EXPECT_FALSE(Cell(readings, kBurst, 1).isEmpty());
    EXPECT_EQ(readings.Rows(), kBurst + 1);
}

class CMeterDlgTest : public testing::Test {
protected:
    void SetUp() override { UseMeter("dcv,instant"); }
    void TearDown() override { unsetenv("ZVISA_SIM"); }

    static void UseMeter(const char* simulation) { setenv("ZVISA_SIM", simulation, 1); }
    static void ShowAndWait(QWidget& widget) {
        widget.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget));
    }
};

TEST_F(CMeterDlgTest, LayoutFollowsTemplate) {
    struct Control {
        const char* name;
        QRect units;
    };
    // Template 102, in dialog units.
    const Control controls[] = {
        {"IDOK", {172, 151, 130, 14}},        {"IDCANCEL", {174, 169, 128, 14}},
        {"IDC_IDENTITY", {15, 13, 290, 8}},   {"IDC_GRID_READINGS", {20, 36, 136, 150}},
        {"IDC_GRID_LOG", {171, 35, 136, 95}}, {"IDC_TOTAL_TIME", {173, 132, 134, 13}},
    };
    CMeterDlg dlg;
    const DialogUnits units(dlg.font());
    for (const Control& c : controls) {
        SCOPED_TRACE(c.name);
        auto* control = dlg.findChild<QWidget*>(QString::fromLatin1(c.name));
        ASSERT_NE(control, nullptr);
        const QRect& u = c.units;
        QRect expected = units.Rect(u.x(), u.y(), u.width(), u.height());
        if (control == &dlg.TotalTimeLabel()) {
            // Reaches toward the right edge as far as the longest time needs.
            const int needed = dlg.fontMetrics().horizontalAdvance(
                QStringLiteral("Total time of measurement : 99999 ms"));
            expected.setWidth(std::min(std::max(expected.width(), needed), dlg.width() - u.x()));
            EXPECT_GE(control->width(), needed);
        }
        EXPECT_EQ(control->geometry(), expected);
        EXPECT_EQ(control->parentWidget(), &dlg);
    }
}

TEST_F(CMeterDlgTest, IsFixedSizeCentredWithCaptionAndIcon) {
    CMeterDlg dlg;
    const DialogUnits units(dlg.font());
    ASSERT_TRUE(units.BaseWidth() > 0 && units.BaseHeight() > 0);
    ShowAndWait(dlg);
    EXPECT_EQ(dlg.windowTitle(), "Zorvane");
    EXPECT_EQ(dlg.size(), QSize(units.X(320), units.Y(200)));
    EXPECT_EQ(dlg.minimumSize(), dlg.maximumSize());
    EXPECT_FALSE(dlg.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(dlg.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(dlg.windowFlags() & Qt::WindowCloseButtonHint);
    const QPoint offset = dlg.frameGeometry().center() - dlg.screen()->availableGeometry().center();
    EXPECT_LE(offset.manhattanLength(), 2) << "dialog is not centred on the screen";
    EXPECT_FALSE(dlg.windowIcon().isNull());
    EXPECT_EQ(dlg.OnQueryDragIcon().cacheKey(), dlg.windowIcon().cacheKey());
}

TEST_F(CMeterDlgTest, TabOrderAndDefaultButton) {
    CMeterDlg dlg;
    ShowAndWait(dlg);
    dlg.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    EXPECT_TRUE(dlg.MeasurementButton().isDefault());
    EXPECT_EQ(QApplication::focusWidget(), &dlg.MeasurementButton());

    const QList<QWidget*> order = {&dlg.ExitButton(), &dlg.ReadingsGrid(), &dlg.LogGrid(),
                                   &dlg.MeasurementButton()};
    for (QWidget* expected : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), expected);
    }
}

TEST_F(CMeterDlgTest, StartsWithEmptyLabelsAndGrids) {
    CMeterDlg dlg;
    EXPECT_EQ(dlg.IdentityLabel().text(), QString());
    EXPECT_EQ(dlg.TotalTimeLabel().text(), QString());
    EXPECT_EQ(dlg.ReadingsGrid().Rows(), 50001);
    EXPECT_EQ(dlg.ReadingsGrid().Cols(), 2);
    EXPECT_EQ(dlg.LogGrid().Rows(), 9);
    EXPECT_EQ(dlg.LogGrid().Cols(), 2);
    for (const CMSFlexGrid* grid : {&dlg.ReadingsGrid(), &dlg.LogGrid()}) {
        EXPECT_EQ(grid->FixedRows(), 1);
        EXPECT_EQ(grid->FixedCols(), 1);
        EXPECT_EQ(Cell(*grid, 0, 0), QString());
        EXPECT_EQ(Cell(*grid, 0, 1), QString());
    }
}

TEST_F(CMeterDlgTest, LabelsShowBytesAsPlainText) {
    CMeterDlg dlg;
    dlg.ShowIdentity(std::string("<b>\xB5V</b>\n"));
    dlg.ShowTotalTime("Total time of measurement : 12 ms");
    EXPECT_EQ(dlg.IdentityLabel().text(), QStringLiteral("<b>") + QChar(0xB5) + "V</b>\n");
    EXPECT_EQ(dlg.IdentityLabel().textFormat(), Qt::PlainText);
    EXPECT_EQ(dlg.TotalTimeLabel().text(), "Total time of measurement : 12 ms");
    // The members follow the labels only through the data exchange at Exit.
    EXPECT_EQ(dlg.IdentityText(), QString());
    dlg.OnCancel();
    EXPECT_EQ(dlg.IdentityText(), dlg.IdentityLabel().text());
    EXPECT_EQ(dlg.TotalTimeText(), "Total time of measurement : 12 ms");
}

TEST_F(CMeterDlgTest, LogBeyondItsRowsLosesNothingElse) {
    CMeterDlg dlg;
    dlg.ResetCommandLog();
    for (int i = 1; i <= 10; ++i) {
        dlg.AddLogRow("12:00:0" + std::to_string(i % 10), "CMD" + std::to_string(i) + "\n");
    }
    EXPECT_EQ(dlg.LogRow(), 10);
    EXPECT_EQ(dlg.LogGrid().Rows(), 9);
    EXPECT_EQ(Cell(dlg.LogGrid(), 8, 1), "CMD8\n");
    EXPECT_EQ(Cell(dlg.LogGrid(), 0, 1), "Comand");
}

TEST_F(CMeterDlgTest, ReadingsGridGrowsPastTheBurst) {
    CMeterDlg dlg;
    dlg.WriteReadingsHeader();
    dlg.WriteReadingRow(kBurst, "50000", "1.5");
    dlg.WriteReadingRow(kBurst + 1, "50001", "1.6");
    EXPECT_EQ(dlg.ReadingsGrid().Rows(), kBurst + 3);
    EXPECT_EQ(Cell(dlg.ReadingsGrid(), kBurst + 2, 0), "50001");
    EXPECT_EQ(Cell(dlg.ReadingsGrid(), kBurst + 2, 1), "1.6");
}

TEST_F(CMeterDlgTest, PumpMessagesHandlesWhatIsQueued) {
    CMeterDlg dlg;
    bool timerRan = false;
    bool callRan = false;
    QTimer::singleShot(0, &dlg, [&] { timerRan = true; });
    QMetaObject::invokeMethod(
        &dlg, [&] { callRan = true; }, Qt::QueuedConnection);
    dlg.PumpMessages();
    EXPECT_TRUE(callRan);
    EXPECT_TRUE(timerRan);
    dlg.PumpMessages();  // nothing queued: returns at once
}

TEST_F(CMeterDlgTest, MeasurementRunsABurst) {
    struct Case {
        const char* name;
        void (*press)(CMeterDlg&);
    };
    const Case cases[] = {
        {"Return", [](CMeterDlg& dlg) { QTest::keyClick(&dlg, Qt::Key_Return); }},
        {"keypad Enter",
         [](CMeterDlg& dlg) { QTest::keyClick(&dlg, Qt::Key_Enter, Qt::KeypadModifier); }},
        {"button click",
         [](CMeterDlg& dlg) { QTest::mouseClick(&dlg.MeasurementButton(), Qt::LeftButton); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CMeterDlg dlg;
        QSignalSpy finished(&dlg, &QDialog::finished);
        ShowAndWait(dlg);
        ModalCatcher dialogs;

        c.press(dlg);

        ExpectFullBurst(dlg);
        EXPECT_TRUE(dialogs.All().empty());
        EXPECT_TRUE(dlg.isVisible());
        EXPECT_EQ(finished.count(), 0);
    }
}

TEST_F(CMeterDlgTest, EnterOnExitEndsTheDialog) {
    CMeterDlg dlg;
    QSignalSpy finished(&dlg, &QDialog::finished);
    ShowAndWait(dlg);
    dlg.ExitButton().setFocus();

    QTest::keyClick(&dlg.ExitButton(), Qt::Key_Return);

    EXPECT_EQ(finished.count(), 1);
    EXPECT_EQ(Cell(dlg.LogGrid(), 0, 0), QString());  // no run
}

TEST_F(CMeterDlgTest, ExitCommandsEndTheDialogOnce) {
    struct Case {
        const char* name;
        void (*command)(CMeterDlg&);
    };
    const Case cases[] = {
        {"Exit button", [](CMeterDlg& dlg) { dlg.ExitButton().click(); }},
        {"Escape", [](CMeterDlg& dlg) { QTest::keyClick(&dlg, Qt::Key_Escape); }},
        {"close box", [](CMeterDlg& dlg) { dlg.windowHandle()->close(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CMeterDlg dlg;
        QSignalSpy finished(&dlg, &QDialog::finished);
        ShowAndWait(dlg);

        c.command(dlg);
        ASSERT_EQ(finished.count(), 1);
        EXPECT_EQ(finished.at(0).at(0).toInt(), int(QDialog::Accepted));
        EXPECT_FALSE(dlg.isVisible());

        c.command(dlg);
        dlg.OnCancel();
        EXPECT_EQ(finished.count(), 1);
    }
}

// Which profile stops which run, with which message, is the run's to say;
// the window shows the message its way and keeps what it showed before.
TEST_F(CMeterDlgTest, FailedRunShowsMessageAndKeepsRows) {
    CMeterDlg dlg;
    ShowAndWait(dlg);
    dlg.OnOK();
    ExpectFullBurst(dlg);
    dlg.ShowIdentity("before");

    UseMeter("acv,instant");
    ModalCatcher dialogs;
    dlg.OnOK();

    ASSERT_EQ(dialogs.All().size(), 1u);
    const ModalCatcher::Seen& box = dialogs.All().front();
    EXPECT_EQ(box.type, &QMessageBox::staticMetaObject);
    EXPECT_EQ(box.text, QString::fromStdString(RunTexts::kFunctionMessage));
    EXPECT_EQ(box.title, QString());
    EXPECT_EQ(box.icon, QMessageBox::NoIcon);
    EXPECT_EQ(box.buttonCount, 1);
    EXPECT_EQ(box.parent, &dlg);
    EXPECT_TRUE(box.modal);
    EXPECT_NE(dlg.IdentityLabel().text(), QStringLiteral("before"));
    // The log header is written again and the counter reset; earlier rows stay.
    EXPECT_EQ(dlg.LogRow(), 0);
    EXPECT_EQ(Cell(dlg.LogGrid(), 0, 1), "Comand");
    EXPECT_EQ(Cell(dlg.LogGrid(), 5, 1), "DR?\n");
    EXPECT_EQ(Cell(dlg.ReadingsGrid(), kBurst, 0), "49999");
    EXPECT_TRUE(dlg.isVisible());
}

TEST_F(CMeterDlgTest, ShorterRunKeepsEarlierTail) {
    CMeterDlg dlg;
    ShowAndWait(dlg);
    dlg.OnOK();
    ExpectFullBurst(dlg);
    const QString earlierLast = Cell(dlg.ReadingsGrid(), kBurst, 1);
    // Overwrite two rows so the second run's rewrite shows.
    dlg.WriteReadingRow(0, "x", "x");
    dlg.WriteReadingRow(300, "x", "x");

    UseMeter("dcv,instant,truncate=1000");  // 248 readings after the block header
    ModalCatcher dialogs;
    dlg.OnOK();

    EXPECT_EQ(dialogs.Texts(),
              QStringList{QString::fromStdString(RunTexts::ShortBlockMessage(248))});
    EXPECT_EQ(Cell(dlg.ReadingsGrid(), 1, 0), "0");
    EXPECT_EQ(Cell(dlg.ReadingsGrid(), 248, 0), "247");
    EXPECT_EQ(Cell(dlg.ReadingsGrid(), 301, 0), "x");
    EXPECT_EQ(Cell(dlg.ReadingsGrid(), kBurst, 0), "49999");
    EXPECT_EQ(Cell(dlg.ReadingsGrid(), kBurst, 1), earlierLast);
}

TEST_F(CMeterDlgTest, PressDuringDrainRunsNested) {
    ProbeDlg dlg;
    ShowAndWait(dlg);
    ModalCatcher dialogs;
    // Runs at the first drain of the outer run.
    QTimer::singleShot(0, &dlg, [&] { dlg.MeasurementButton().click(); });

    dlg.MeasurementButton().click();

    EXPECT_EQ(dlg.Events(), QStringList({"start", "start", "end", "end"}));
    EXPECT_TRUE(dialogs.All().empty());
    ExpectFullBurst(dlg);
    EXPECT_TRUE(dlg.MeasurementButton().isEnabled());
}

TEST_F(CMeterDlgTest, ExitDuringDrainEndsAfterRun) {
    ProbeDlg dlg;
    QSignalSpy finished(&dlg, &QDialog::finished);
    QStringList eventsAtFinish;
    QObject::connect(&dlg, &QDialog::finished, &dlg, [&] { eventsAtFinish = dlg.Events(); });
    QTimer::singleShot(0, &dlg, [&] {
        QTimer::singleShot(0, &dlg, [&] { dlg.ExitButton().click(); });
        dlg.MeasurementButton().click();
    });

    const int result = dlg.exec();

    EXPECT_EQ(result, int(QDialog::Accepted));
    EXPECT_EQ(finished.count(), 1);
    EXPECT_EQ(eventsAtFinish, QStringList{"start"});         // ended mid-run
    EXPECT_EQ(dlg.Events(), QStringList({"start", "end"}));  // the run still finished
    ExpectFullBurst(dlg);
}

TEST_F(CMeterDlgTest, PressesQueuedBeforeExitStartNoRun) {
    ProbeDlg dlg;
    QSignalSpy finished(&dlg, &QDialog::finished);
    QTimer::singleShot(0, &dlg, [&] {
        // Keys typed during a burst reach its next drain together, Exit last.
        for (int i = 0; i < 30; ++i) {
            QCoreApplication::postEvent(&dlg, new QKeyEvent(QEvent::KeyPress, Qt::Key_Return, {}));
        }
        QCoreApplication::postEvent(&dlg, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, {}));
        dlg.MeasurementButton().click();
    });

    dlg.exec();

    EXPECT_EQ(finished.count(), 1);
    EXPECT_EQ(dlg.Events(), QStringList({"start", "end"}));  // the run in progress only
    dlg.OnOK();                                              // a press after Exit
    EXPECT_EQ(dlg.Events().size(), 2);
}

TEST_F(CMeterDlgTest, QuitDuringDrainEndsAfterRun) {
    ProbeDlg dlg;
    QSignalSpy finished(&dlg, &QDialog::finished);
    QTimer::singleShot(0, &dlg, [&] {
        QTimer::singleShot(0, &dlg, [] {
            QCoreApplication::postEvent(QCoreApplication::instance(), new QEvent(QEvent::Quit));
        });
        dlg.MeasurementButton().click();
    });

    dlg.exec();

    EXPECT_EQ(finished.count(), 1);
    EXPECT_EQ(dlg.Events(), QStringList({"start", "end"}));
    EXPECT_FALSE(dlg.isVisible());
    // A quit stops every later event loop until the application's own loop
    // has run; one pass of it lets the tests after this one use theirs.
    QTimer::singleShot(0, QCoreApplication::instance(), &QCoreApplication::quit);
    QCoreApplication::exec();
}

TEST_F(CMeterDlgTest, WindowMenuEndsWithAboutAfterSeparator) {
    CMeterDlg dlg;
    const QList<QAction*> actions = dlg.SystemMenu().actions();
    ASSERT_EQ(actions.size(), 3);
    EXPECT_EQ(actions[0]->data().toUInt(), kScClose);
    EXPECT_TRUE(actions[1]->isSeparator());
    EXPECT_EQ(actions[2]->text(), kAboutEntry);
    EXPECT_EQ(actions[2]->data().toUInt(), 0x0010u);
}

TEST_F(CMeterDlgTest, EmptyAboutStringAddsNeitherSeparatorNorEntry) {
    StringTable strings;
    strings.Set(IDS_ABOUT_MENU, QString());
    CMeterDlg dlg(strings);
    const QList<QAction*> actions = dlg.SystemMenu().actions();
    ASSERT_EQ(actions.size(), 1);
    EXPECT_EQ(actions[0]->data().toUInt(), kScClose);
}

TEST_F(CMeterDlgTest, AboutEntryOpensAboutBoxOverTheDialog) {
    CMeterDlg dlg;
    ShowAndWait(dlg);
    ModalCatcher dialogs;

    dlg.SystemMenu().actions().last()->trigger();

    ASSERT_EQ(dialogs.All().size(), 1u);
    const ModalCatcher::Seen& about = dialogs.All().front();
    EXPECT_EQ(about.type, &CAboutBox::staticMetaObject);
    EXPECT_EQ(about.title, "關於 Zorvane");
    EXPECT_EQ(about.parent, &dlg);
    const QPoint offset = about.frame.center() - dlg.frameGeometry().center();
    EXPECT_LE(offset.manhattanLength(), 2) << "About box is not centred over the dialog";
    EXPECT_TRUE(dlg.isVisible());
}

TEST_F(CMeterDlgTest, SysCommandRoutesByHighBits) {
    struct Case {
        const char* name;
        unsigned int id;
        bool opensAbout;
        bool closes;
    };
    const Case cases[] = {
        {"IDM_ABOUT", 0x0010u, true, false},
        {"IDM_ABOUT | 0x3", 0x0013u, true, false},
        {"IDM_ABOUT | 0xF", 0x001Fu, true, false},
        {"next command up", 0x0020u, false, false},
        {"zero", 0x0000u, false, false},
        {"close", kScClose, false, true},
        {"close | 0x2", kScClose | 0x2u, false, true},
        {"move, no counterpart", kScMove, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CMeterDlg dlg;
        QSignalSpy finished(&dlg, &QDialog::finished);
        ShowAndWait(dlg);
        ModalCatcher dialogs;

        dlg.OnSysCommand(c.id, 0);

        EXPECT_EQ(dialogs.All().size(), c.opensAbout ? 1u : 0u);
        EXPECT_EQ(finished.count(), c.closes ? 1 : 0);
        EXPECT_EQ(dlg.isVisible(), !c.closes);
    }
}

TEST_F(CMeterDlgTest, WindowMenuOpensEverywhereButTheReadingsGrid) {
    enum Target { kDialog, kLabel, kLog, kButton, kReadings };
    enum Input { kRightClick, kMenuKey, kShiftF10 };
    struct Case {
        const char* name;
        Target target;
        Input input;
        bool opens;
    };
    const Case cases[] = {
        {"right click on the dialog", kDialog, kRightClick, true},
        {"right click on a label", kLabel, kRightClick, true},
        {"right click in the log", kLog, kRightClick, true},
        {"right click on a button", kButton, kRightClick, true},
        {"right click in the readings", kReadings, kRightClick, false},
        {"Menu key in the log", kLog, kMenuKey, true},
        {"Menu key on a button", kButton, kMenuKey, true},
        {"Shift+F10 in the log", kLog, kShiftF10, true},
        {"Shift+F10 on a button", kButton, kShiftF10, true},
        {"Shift+F10 in the readings", kReadings, kShiftF10, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CMeterDlg dlg;
        ShowAndWait(dlg);
        QWidget* focus = &dlg.MeasurementButton();
        QWidget* clicked = &dlg;
        QPoint pos(2, 2);  // the dialog's margin, no control there
        if (c.target == kLabel) {
            clicked = &dlg.TotalTimeLabel();
        } else if (c.target == kLog || c.target == kReadings) {
            // Keys go to the focused grid, clicks to its viewport.
            CMSFlexGrid& grid = c.target == kLog ? dlg.LogGrid() : dlg.ReadingsGrid();
            focus = &grid;
            clicked = grid.viewport();
        } else if (c.target == kButton) {
            focus = clicked = &dlg.ExitButton();
        }
        if (clicked != &dlg) {
            pos = clicked->rect().center();
        }
        focus->setFocus();
        if (c.input == kRightClick) {
            QContextMenuEvent event(QContextMenuEvent::Mouse, pos, clicked->mapToGlobal(pos));
            QApplication::sendEvent(clicked, &event);
        } else if (c.input == kMenuKey) {
            QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(), QPoint());
            QApplication::sendEvent(focus, &event);
        } else {
            QTest::keyClick(focus, Qt::Key_F10, Qt::ShiftModifier);
        }

        EXPECT_EQ(dlg.SystemMenu().isVisible(), c.opens);
        auto* readingsMenu = dlg.findChild<QMenu*>(QStringLiteral("ReadingsGridMenu"));
        ASSERT_NE(readingsMenu, nullptr);
        EXPECT_EQ(readingsMenu->isVisible(), c.target == kReadings);
        dlg.SystemMenu().hide();
        readingsMenu->hide();
    }
}

TEST_F(CMeterDlgTest, ReadingsMenuEntryOpensOneStatisticsWindow) {
    UseMeter("dcv,instant,truncate=408");  // 100 readings
    ModalCatcher dialogs;
    CMeterDlg dlg;
    dlg.OnOK();
    auto* readingsMenu = dlg.findChild<QMenu*>(QStringLiteral("ReadingsGridMenu"));
    ASSERT_NE(readingsMenu, nullptr);
    QAction* entry = readingsMenu->actions().last();
    ASSERT_EQ(entry->text(), kStatisticsEntry);
    entry->trigger();
    entry->trigger();
    const QList<StatisticsWindow*> windows = dlg.findChildren<StatisticsWindow*>();
    ASSERT_EQ(windows.size(), 1);
    EXPECT_TRUE(windows.front()->isVisible());
    EXPECT_FALSE(windows.front()->isModal());
    EXPECT_EQ(windows.front()->CountLabel().text(), "100");
}

}  // namespace
