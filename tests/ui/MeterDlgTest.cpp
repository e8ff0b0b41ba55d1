#include "MeterDlgTest.h"

#include <QApplication>
#include <QFontInfo>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <functional>
#include <memory>

#include "CMSFlexGrid.h"
#include "CMeterDlg.h"
#include "DialogUnits.h"
#include "MessageBoxCatcher.h"
#include "ProbeDlg.h"

namespace {

constexpr int kBurst = 50000;
const char* const kInstantMeter = "dcv,instant";

void UseMeter(const char* simulation) {
    qputenv("ZVISA_SIM", simulation);
}

void ShowAndWait(QWidget& widget) {
    widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&widget));
}

QString Cell(const CMSFlexGrid& grid, int row, int col) {
    const std::string& text = grid.CellText(row, col);
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// What one full burst on the simulated DC-volts meter leaves in the window.
void VerifyFullBurst(const CMeterDlg& dlg) {
    QVERIFY(dlg.IdentityLabel().text().startsWith(QStringLiteral("ZORVANE SIM,")));
    QVERIFY(QRegularExpression(QStringLiteral("^Total time of measurement : \\d+ ms$"))
                .match(dlg.TotalTimeLabel().text())
                .hasMatch());

    const CMSFlexGrid& log = dlg.LogGrid();
    QCOMPARE(Cell(log, 0, 0), "Timer");
    QCOMPARE(Cell(log, 0, 1), "Comand");
    const QStringList commands = {"VOLT:NPLC 0.001\n", "VOLT:RANGE:AUTO 0\n", "TRIGGER:DELAY 0\n",
                                  "SAMPLE:COUNT 50000\n", "DR?\n"};
    const QRegularExpression time(QStringLiteral("^([01]\\d|2[0-3]):[0-5]\\d:[0-5]\\d$"));
    for (int row = 1; row <= 5; ++row) {
        QVERIFY2(time.match(Cell(log, row, 0)).hasMatch(), qPrintable(Cell(log, row, 0)));
        QCOMPARE(Cell(log, row, 1), commands[row - 1]);
    }
    for (int row = 6; row < log.Rows(); ++row) {
        QCOMPARE(Cell(log, row, 0), QString());
    }
    QCOMPARE(dlg.LogRow(), 5);

    const CMSFlexGrid& readings = dlg.ReadingsGrid();
    QCOMPARE(Cell(readings, 0, 0), "Number");
    QCOMPARE(Cell(readings, 0, 1), "Value");
    QCOMPARE(Cell(readings, 1, 0), "0");
    QCOMPARE(Cell(readings, kBurst, 0), "49999");
    QVERIFY(!Cell(readings, 1, 1).isEmpty());
    QVERIFY(!Cell(readings, kBurst, 1).isEmpty());
    QCOMPARE(readings.Rows(), kBurst + 1);
}

struct TemplateControl {
    const char* name;
    int x, y, width, height;
};

// Template 102, in dialog units.
const TemplateControl kMeterTemplate[] = {
    {"IDOK", 172, 151, 130, 14},        {"IDCANCEL", 174, 169, 128, 14},
    {"IDC_IDENTITY", 15, 13, 290, 8},   {"IDC_GRID_READINGS", 20, 36, 136, 150},
    {"IDC_GRID_LOG", 171, 35, 136, 95}, {"IDC_TOTAL_TIME", 173, 132, 134, 13},
};

}  // namespace

void MeterDlgTest::init() {
    UseMeter(kInstantMeter);
}

void MeterDlgTest::dialogFontIsARealMingFace() {
    // Without the font every Chinese text is boxes and the layout shrinks.
    const QFontInfo info(DialogUnits::DialogFont());
    QVERIFY2(info.family().contains(QStringLiteral("Ming")) ||
                 info.family() == QStringLiteral("新細明體"),
             qPrintable(info.family()));
    QCOMPARE(info.pointSize(), 9);
}

void MeterDlgTest::dialogUnitsFollowBaseUnits_data() {
    QTest::addColumn<int>("baseWidth");
    QTest::addColumn<int>("baseHeight");
    QTest::addColumn<QRect>("unitRect");
    QTest::addColumn<QRect>("pixels");
    // 6 x 12 are the base units of a 9 pt Ming face at 96 dpi on Windows.
    QTest::newRow("whole dialog") << 6 << 12 << QRect(0, 0, 320, 200) << QRect(0, 0, 480, 300);
    QTest::newRow("Measurement") << 6 << 12 << QRect(172, 151, 130, 14) << QRect(258, 227, 195, 21);
    QTest::newRow("identity, odd base")
        << 7 << 13 << QRect(15, 13, 290, 8) << QRect(26, 21, 508, 13);
    // Both corners are rounded, so the size is 7 - 4, not round(3.5) = 4.
    QTest::newRow("corners rounded, not the size")
        << 7 << 13 << QRect(2, 2, 2, 2) << QRect(4, 3, 3, 4);
    QTest::newRow("zero size") << 6 << 12 << QRect(10, 10, 0, 0) << QRect(15, 15, 0, 0);
}

void MeterDlgTest::dialogUnitsFollowBaseUnits() {
    QFETCH(int, baseWidth);
    QFETCH(int, baseHeight);
    QFETCH(QRect, unitRect);
    QFETCH(QRect, pixels);
    const DialogUnits units(baseWidth, baseHeight);
    QCOMPARE(units.Rect(unitRect.x(), unitRect.y(), unitRect.width(), unitRect.height()), pixels);
}

void MeterDlgTest::layoutFollowsTemplate_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("unitRect");
    for (const TemplateControl& control : kMeterTemplate) {
        QTest::newRow(control.name) << QString::fromLatin1(control.name)
                                    << QRect(control.x, control.y, control.width, control.height);
    }
}

void MeterDlgTest::layoutFollowsTemplate() {
    QFETCH(QString, name);
    QFETCH(QRect, unitRect);
    CMeterDlg dlg;
    const DialogUnits units(dlg.font());
    auto* control = dlg.findChild<QWidget*>(name);
    QVERIFY(control != nullptr);
    QCOMPARE(control->geometry(),
             units.Rect(unitRect.x(), unitRect.y(), unitRect.width(), unitRect.height()));
    QCOMPARE(control->parentWidget(), &dlg);
}

void MeterDlgTest::isFixedSizeCentredWithCaption() {
    CMeterDlg dlg;
    const DialogUnits units(dlg.font());
    QVERIFY(units.BaseWidth() > 0 && units.BaseHeight() > 0);
    ShowAndWait(dlg);
    QCOMPARE(dlg.windowTitle(), "Zorvane");
    QCOMPARE(dlg.size(), QSize(units.X(320), units.Y(200)));
    QCOMPARE(dlg.minimumSize(), dlg.maximumSize());
    QVERIFY(!(dlg.windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(dlg.windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(dlg.windowFlags() & Qt::WindowCloseButtonHint);
    const QPoint offset = dlg.frameGeometry().center() - dlg.screen()->availableGeometry().center();
    QVERIFY2(offset.manhattanLength() <= 2, "dialog is not centred on the screen");
}

void MeterDlgTest::tabOrderAndDefaultButton() {
    CMeterDlg dlg;
    ShowAndWait(dlg);
    dlg.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    QVERIFY(dlg.MeasurementButton().isDefault());
    QCOMPARE(QApplication::focusWidget(), &dlg.MeasurementButton());

    const QList<QWidget*> order = {&dlg.ExitButton(), &dlg.ReadingsGrid(), &dlg.LogGrid(),
                                   &dlg.MeasurementButton()};
    for (QWidget* expected : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), expected);
    }
}

void MeterDlgTest::startsWithEmptyLabelsAndGrids() {
    CMeterDlg dlg;
    QCOMPARE(dlg.IdentityLabel().text(), QString());
    QCOMPARE(dlg.TotalTimeLabel().text(), QString());
    QCOMPARE(dlg.ReadingsGrid().Rows(), 50001);
    QCOMPARE(dlg.ReadingsGrid().Cols(), 2);
    QCOMPARE(dlg.LogGrid().Rows(), 9);
    QCOMPARE(dlg.LogGrid().Cols(), 2);
    for (const CMSFlexGrid* grid : {&dlg.ReadingsGrid(), &dlg.LogGrid()}) {
        QCOMPARE(grid->FixedRows(), 1);
        QCOMPARE(grid->FixedCols(), 1);
        QCOMPARE(Cell(*grid, 0, 0), QString());
        QCOMPARE(Cell(*grid, 0, 1), QString());
    }
}

void MeterDlgTest::labelsShowBytesAsPlainText() {
    CMeterDlg dlg;
    dlg.ShowIdentity(std::string("<b>\xB5V</b>\n"));
    dlg.ShowTotalTime("Total time of measurement : 12 ms");
    QCOMPARE(dlg.IdentityLabel().text(), QStringLiteral("<b>") + QChar(0xB5) + "V</b>\n");
    QCOMPARE(dlg.IdentityLabel().textFormat(), Qt::PlainText);
    QCOMPARE(dlg.TotalTimeLabel().text(), "Total time of measurement : 12 ms");
    // The members follow the labels only through the data exchange at Exit.
    QCOMPARE(dlg.IdentityText(), QString());
    dlg.OnCancel();
    QCOMPARE(dlg.IdentityText(), dlg.IdentityLabel().text());
    QCOMPARE(dlg.TotalTimeText(), "Total time of measurement : 12 ms");
}

void MeterDlgTest::logBeyondItsRowsLosesNothingElse() {
    CMeterDlg dlg;
    dlg.ResetCommandLog();
    for (int i = 1; i <= 10; ++i) {
        dlg.AddLogRow("12:00:0" + std::to_string(i % 10), "CMD" + std::to_string(i) + "\n");
    }
    QCOMPARE(dlg.LogRow(), 10);
    QCOMPARE(dlg.LogGrid().Rows(), 9);
    QCOMPARE(Cell(dlg.LogGrid(), 8, 1), "CMD8\n");
    QCOMPARE(Cell(dlg.LogGrid(), 0, 1), "Comand");
}

void MeterDlgTest::readingsGridGrowsPastTheBurst() {
    CMeterDlg dlg;
    dlg.WriteReadingsHeader();
    dlg.WriteReadingRow(kBurst, "50000", "1.5");
    dlg.WriteReadingRow(kBurst + 1, "50001", "1.6");
    QCOMPARE(dlg.ReadingsGrid().Rows(), kBurst + 3);
    QCOMPARE(Cell(dlg.ReadingsGrid(), kBurst + 2, 0), "50001");
    QCOMPARE(Cell(dlg.ReadingsGrid(), kBurst + 2, 1), "1.6");
}

void MeterDlgTest::pumpMessagesHandlesWhatIsQueued() {
    CMeterDlg dlg;
    bool timerRan = false;
    bool callRan = false;
    QTimer::singleShot(0, &dlg, [&] { timerRan = true; });
    QMetaObject::invokeMethod(
        &dlg, [&] { callRan = true; }, Qt::QueuedConnection);
    dlg.PumpMessages();
    QVERIFY(callRan);
    QVERIFY(timerRan);
    dlg.PumpMessages();  // nothing queued: returns at once
}

void MeterDlgTest::measurementRunsABurst_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("Return") << "return";
    QTest::newRow("keypad Enter") << "enter";
    QTest::newRow("button click") << "click";
}

void MeterDlgTest::measurementRunsABurst() {
    QFETCH(QString, how);
    CMeterDlg dlg;
    QSignalSpy finished(&dlg, &QDialog::finished);
    ShowAndWait(dlg);
    MessageBoxCatcher boxes;

    if (how == "return") {
        QTest::keyClick(&dlg, Qt::Key_Return);
    } else if (how == "enter") {
        QTest::keyClick(&dlg, Qt::Key_Enter, Qt::KeypadModifier);
    } else {
        QTest::mouseClick(&dlg.MeasurementButton(), Qt::LeftButton);
    }

    VerifyFullBurst(dlg);
    QCOMPARE(boxes.Texts(), QStringList());
    QVERIFY(dlg.isVisible());
    QCOMPARE(finished.count(), 0);
}

void MeterDlgTest::enterOnExitEndsTheDialog() {
    CMeterDlg dlg;
    QSignalSpy finished(&dlg, &QDialog::finished);
    ShowAndWait(dlg);
    dlg.ExitButton().setFocus();

    QTest::keyClick(&dlg.ExitButton(), Qt::Key_Return);

    QCOMPARE(finished.count(), 1);
    QCOMPARE(Cell(dlg.LogGrid(), 0, 0), QString());  // no run
}

void MeterDlgTest::exitCommandsEndTheDialogOnce_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("Exit button") << "exit";
    QTest::newRow("Escape") << "escape";
    QTest::newRow("close box") << "close";
}

void MeterDlgTest::exitCommandsEndTheDialogOnce() {
    QFETCH(QString, how);
    CMeterDlg dlg;
    QSignalSpy finished(&dlg, &QDialog::finished);
    ShowAndWait(dlg);
    const std::function<void()> command = [&] {
        if (how == "exit") {
            dlg.ExitButton().click();
        } else if (how == "escape") {
            QTest::keyClick(&dlg, Qt::Key_Escape);
        } else {
            dlg.windowHandle()->close();
        }
    };

    command();
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toInt(), int(QDialog::Accepted));
    QVERIFY(!dlg.isVisible());

    command();
    dlg.OnCancel();
    QCOMPARE(finished.count(), 1);
}

void MeterDlgTest::failedRunShowsMessageAndKeepsRows_data() {
    QTest::addColumn<QByteArray>("simulation");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("identityShown");
    QTest::newRow("AC volts") << QByteArray("acv,instant")
                              << "Please set the function(DCV or DCI).\n And click the \" "
                                 "Measurement\" button "
                              << true;
    // Expects no real meter on the bus, as on a build machine.
    QTest::newRow("no meter") << QByteArray() << "Find resource manager failed." << false;
}

void MeterDlgTest::failedRunShowsMessageAndKeepsRows() {
    QFETCH(QByteArray, simulation);
    QFETCH(QString, message);
    QFETCH(bool, identityShown);
    CMeterDlg dlg;
    ShowAndWait(dlg);
    dlg.OnOK();
    VerifyFullBurst(dlg);
    dlg.ShowIdentity("before");

    if (simulation.isEmpty()) {
        qunsetenv("ZVISA_SIM");
    } else {
        UseMeter(simulation.constData());
    }
    MessageBoxCatcher boxes;
    dlg.OnOK();

    QCOMPARE(boxes.Seen().size(), std::size_t{1});
    const MessageBoxCatcher::SeenBox& box = boxes.Seen().front();
    QCOMPARE(box.text, message);
    QCOMPARE(box.title, QString());
    QCOMPARE(box.icon, QMessageBox::NoIcon);
    QCOMPARE(box.buttonCount, 1);
    QCOMPARE(box.parent, &dlg);
    QVERIFY(box.modal);
    QCOMPARE(dlg.IdentityLabel().text() == QStringLiteral("before"), !identityShown);
    // The log header is written again and the counter reset; earlier rows stay.
    QCOMPARE(dlg.LogRow(), 0);
    QCOMPARE(Cell(dlg.LogGrid(), 0, 1), "Comand");
    QCOMPARE(Cell(dlg.LogGrid(), 5, 1), "DR?\n");
    QCOMPARE(Cell(dlg.ReadingsGrid(), kBurst, 0), "49999");
    QVERIFY(dlg.isVisible());
}

void MeterDlgTest::shorterRunKeepsEarlierTail() {
    CMeterDlg dlg;
    ShowAndWait(dlg);
    dlg.OnOK();
    VerifyFullBurst(dlg);
    const QString earlierLast = Cell(dlg.ReadingsGrid(), kBurst, 1);
    // Overwrite two rows so the second run's rewrite shows.
    dlg.WriteReadingRow(0, "x", "x");
    dlg.WriteReadingRow(300, "x", "x");

    UseMeter("dcv,instant,truncate=1000");  // 248 readings after the block header
    MessageBoxCatcher boxes;
    dlg.OnOK();

    QCOMPARE(boxes.Texts(), QStringList{"Only 248 of 50000 readings were received."});
    QCOMPARE(Cell(dlg.ReadingsGrid(), 1, 0), "0");
    QCOMPARE(Cell(dlg.ReadingsGrid(), 248, 0), "247");
    QCOMPARE(Cell(dlg.ReadingsGrid(), 301, 0), "x");
    QCOMPARE(Cell(dlg.ReadingsGrid(), kBurst, 0), "49999");
    QCOMPARE(Cell(dlg.ReadingsGrid(), kBurst, 1), earlierLast);
}

void MeterDlgTest::pressDuringDrainRunsNested() {
    ProbeDlg dlg;
    ShowAndWait(dlg);
    MessageBoxCatcher boxes;
    // Runs at the first drain of the outer run.
    QTimer::singleShot(0, &dlg, [&] { dlg.MeasurementButton().click(); });

    dlg.MeasurementButton().click();

    QCOMPARE(dlg.Events(), QStringList({"start", "start", "end", "end"}));
    QCOMPARE(boxes.Texts(), QStringList());
    VerifyFullBurst(dlg);
    QVERIFY(dlg.MeasurementButton().isEnabled());
}

void MeterDlgTest::exitDuringDrainEndsAfterRun() {
    ProbeDlg dlg;
    QSignalSpy finished(&dlg, &QDialog::finished);
    QStringList eventsAtFinish;
    connect(&dlg, &QDialog::finished, &dlg, [&] { eventsAtFinish = dlg.Events(); });
    QTimer::singleShot(0, &dlg, [&] {
        QTimer::singleShot(0, &dlg, [&] { dlg.ExitButton().click(); });
        dlg.MeasurementButton().click();
    });

    const int result = dlg.exec();

    QCOMPARE(result, int(QDialog::Accepted));
    QCOMPARE(finished.count(), 1);
    QCOMPARE(eventsAtFinish, QStringList{"start"});         // ended mid-run
    QCOMPARE(dlg.Events(), QStringList({"start", "end"}));  // the run still finished
    VerifyFullBurst(dlg);
}

void MeterDlgTest::quitDuringDrainEndsAfterRun() {
    ProbeDlg dlg;
    QSignalSpy finished(&dlg, &QDialog::finished);
    QTimer::singleShot(0, &dlg, [&] {
        QTimer::singleShot(0, &dlg, [] {
            QCoreApplication::postEvent(QCoreApplication::instance(), new QEvent(QEvent::Quit));
        });
        dlg.MeasurementButton().click();
    });

    dlg.exec();

    QCOMPARE(finished.count(), 1);
    QCOMPARE(dlg.Events(), QStringList({"start", "end"}));
    QVERIFY(!dlg.isVisible());
}
