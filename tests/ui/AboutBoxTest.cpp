#include "AboutBoxTest.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <functional>
#include <optional>

#include "AppIcon.h"
#include "CAboutBox.h"
#include "CMSFlexGrid.h"
#include "CMeterDlg.h"
#include "DialogUnits.h"
#include "StringTable.h"
#include "resource.h"

namespace {

const QString kAboutEntry = QStringLiteral("關於 Zorvane(&A)...");
constexpr unsigned int kScClose = 0xF060;
constexpr unsigned int kScMove = 0xF010;

struct SeenAbout {
    QString title;
    QRect geometry;
    QWidget* parent;
};

// Runs `open`; an About box it opens is noted and closed with its OK button.
std::optional<SeenAbout> CatchAboutBox(const std::function<void()>& open) {
    std::optional<SeenAbout> seen;
    QTimer poll;
    poll.setInterval(0);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<CAboutBox*>(QApplication::activeModalWidget());
        if (box != nullptr && box->isVisible() && !seen) {
            seen = SeenAbout{box->windowTitle(), box->frameGeometry(), box->parentWidget()};
            box->OkButton().click();
        }
    });
    poll.start();
    open();
    return seen;
}

struct TemplateControl {
    const char* name;
    int x, y, width, height;
};

}  // namespace

void AboutBoxTest::chineseTextsHaveGlyphs() {
    // Missing glyphs draw as boxes; the texts must be in the dialog font.
    const QFontMetrics metrics(DialogUnits::DialogFont());
    for (const QString& text : {kAboutEntry, QStringLiteral("關於 Zorvane"), QStringLiteral("確定"),
                                QStringLiteral("關閉(&C)")}) {
        for (const QChar ch : text) {
            QVERIFY2(metrics.inFont(ch), qPrintable(text));
        }
    }
}

void AboutBoxTest::systemMenuEndsWithAboutAfterSeparator() {
    CMeterDlg dlg;
    const QList<QAction*> actions = dlg.SystemMenu().actions();
    QCOMPARE(actions.size(), 4);
    QCOMPARE(actions[0]->data().toUInt(), kScClose);
    QVERIFY(actions[1]->isSeparator());
    QCOMPARE(actions[2]->text(), QStringLiteral("Statistics and plot\u2026"));
    QCOMPARE(actions[3]->text(), kAboutEntry);
    QCOMPARE(actions[3]->data().toUInt(), 0x0010u);
}

void AboutBoxTest::emptyAboutStringAddsNeitherSeparatorNorEntry() {
    StringTable strings;
    strings.Set(IDS_ABOUT_MENU, QString());
    CMeterDlg dlg(strings);
    const QList<QAction*> actions = dlg.SystemMenu().actions();
    QCOMPARE(actions.size(), 2);
    QCOMPARE(actions[0]->data().toUInt(), kScClose);
    QCOMPARE(actions[1]->text(), QStringLiteral("Statistics and plot\u2026"));
}

void AboutBoxTest::aboutEntryOpensAboutBoxOverTheDialog() {
    CMeterDlg dlg;
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QAction* about = dlg.SystemMenu().actions().last();

    const auto seen = CatchAboutBox([&] { about->trigger(); });

    QVERIFY(seen.has_value());
    QCOMPARE(seen->title, "關於 Zorvane");
    QCOMPARE(seen->parent, &dlg);
    const QPoint offset = seen->geometry.center() - dlg.frameGeometry().center();
    QVERIFY2(offset.manhattanLength() <= 2, "About box is not centred over the dialog");
    QVERIFY(dlg.isVisible());
}

void AboutBoxTest::sysCommandRoutesByHighBits_data() {
    QTest::addColumn<uint>("id");
    QTest::addColumn<bool>("opensAbout");
    QTest::addColumn<bool>("closes");
    QTest::newRow("IDM_ABOUT") << 0x0010u << true << false;
    QTest::newRow("IDM_ABOUT | 0x3") << 0x0013u << true << false;
    QTest::newRow("IDM_ABOUT | 0xF") << 0x001Fu << true << false;
    QTest::newRow("next command up") << 0x0020u << false << false;
    QTest::newRow("zero") << 0x0000u << false << false;
    QTest::newRow("close") << kScClose << false << true;
    QTest::newRow("close | 0x2") << (kScClose | 0x2u) << false << true;
    QTest::newRow("move, no counterpart") << kScMove << false << false;
}

void AboutBoxTest::sysCommandRoutesByHighBits() {
    QFETCH(uint, id);
    QFETCH(bool, opensAbout);
    QFETCH(bool, closes);
    CMeterDlg dlg;
    QSignalSpy finished(&dlg, &QDialog::finished);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));

    const auto seen = CatchAboutBox([&] { dlg.OnSysCommand(id, 0); });

    QCOMPARE(seen.has_value(), opensAbout);
    QCOMPARE(finished.count(), closes ? 1 : 0);
    QCOMPARE(dlg.isVisible(), !closes);
}

void AboutBoxTest::menuOpensFromSurfaceAndMenuKey_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("byKey");
    QTest::addColumn<bool>("opens");
    QTest::newRow("right click on the dialog") << "dialog" << false << true;
    QTest::newRow("right click on a label") << "label" << false << true;
    QTest::newRow("right click in the log") << "grid" << false << false;
    QTest::newRow("right click on a button") << "button" << false << false;
    QTest::newRow("Menu key in the log") << "grid" << true << true;
    QTest::newRow("Menu key on a button") << "button" << true << true;
}

void AboutBoxTest::menuOpensFromSurfaceAndMenuKey() {
    QFETCH(QString, target);
    QFETCH(bool, byKey);
    QFETCH(bool, opens);
    CMeterDlg dlg;
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QWidget* receiver = &dlg;
    QPoint pos(2, 2);  // the dialog's margin, no control there
    if (target == "label") {
        receiver = &dlg.TotalTimeLabel();
    } else if (target == "grid") {
        // The log: the readings grid has a menu of its own.
        receiver = dlg.LogGrid().viewport();
    } else if (target == "button") {
        receiver = &dlg.ExitButton();
    }
    if (receiver != &dlg) {
        pos = receiver->rect().center();
    }
    if (byKey) {
        // Sent where the Menu key goes: the focus widget (the grid, not its viewport).
        if (target == "grid") {
            receiver = &dlg.LogGrid();
        }
        QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(), QPoint());
        QApplication::sendEvent(receiver, &event);
    } else {
        QContextMenuEvent event(QContextMenuEvent::Mouse, pos, receiver->mapToGlobal(pos));
        QApplication::sendEvent(receiver, &event);
    }

    QCOMPARE(dlg.SystemMenu().isVisible(), opens);
    dlg.SystemMenu().hide();
}

void AboutBoxTest::aboutBoxFollowsTemplate_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<QRect>("unitRect");
    // Template 100: icon, two lines of text, OK.
    QTest::newRow("icon") << 0 << QRect(11, 17, 20, 20);
    QTest::newRow("version") << 1 << QRect(40, 10, 119, 8);
    QTest::newRow("second line") << 2 << QRect(40, 25, 119, 8);
    QTest::newRow("OK") << 3 << QRect(178, 7, 50, 14);
}

void AboutBoxTest::aboutBoxFollowsTemplate() {
    QFETCH(int, index);
    QFETCH(QRect, unitRect);
    CAboutBox about;
    const DialogUnits units(about.font());
    QWidget* controls[] = {&about.IconLabel(), &about.VersionLabel(), &about.NoteLabel(),
                           &about.OkButton()};
    QCOMPARE(controls[index]->geometry(),
             units.Rect(unitRect.x(), unitRect.y(), unitRect.width(), unitRect.height()));
    QCOMPARE(about.size(), QSize(units.X(235), units.Y(55)));
    QCOMPARE(about.minimumSize(), about.maximumSize());
}

void AboutBoxTest::aboutBoxShowsItsTexts() {
    CAboutBox about;
    QCOMPARE(about.windowTitle(), "關於 Zorvane");
    QCOMPARE(about.VersionLabel().text(), "Zorvane Version 1.0");
    QCOMPARE(about.VersionLabel().textFormat(), Qt::PlainText);
    QVERIFY(!about.NoteLabel().text().isEmpty());
    QCOMPARE(about.OkButton().text(), "確定");
    QVERIFY(about.OkButton().isDefault());
    QCOMPARE(about.IconLabel().pixmap().size(), QSize(32, 32));
}

void AboutBoxTest::aboutBoxClosesOnOkAndEscape_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("result");
    QTest::newRow("OK button") << "ok" << int(QDialog::Accepted);
    QTest::newRow("Return") << "return" << int(QDialog::Accepted);
    QTest::newRow("Escape") << "escape" << int(QDialog::Rejected);
}

void AboutBoxTest::aboutBoxClosesOnOkAndEscape() {
    QFETCH(QString, how);
    QFETCH(int, result);
    CAboutBox about;
    QSignalSpy finished(&about, &QDialog::finished);
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));

    if (how == "ok") {
        QTest::mouseClick(&about.OkButton(), Qt::LeftButton);
    } else if (how == "return") {
        QTest::keyClick(&about, Qt::Key_Return);
    } else {
        QTest::keyClick(&about, Qt::Key_Escape);
    }

    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toInt(), result);
    QVERIFY(!about.isVisible());
}

void AboutBoxTest::iconHasBothSizesInSixteenColours() {
    const QIcon icon = LoadAppIcon();
    const QList<QSize> sizes = icon.availableSizes();
    QVERIFY(sizes.contains(QSize(32, 32)));
    QVERIFY(sizes.contains(QSize(16, 16)));
    for (const char* path : {":/zorvane/zorvane-32.png", ":/zorvane/zorvane-16.png"}) {
        const QImage image(QString::fromLatin1(path));
        QVERIFY2(!image.isNull(), path);
        QVERIFY2(image.colorCount() > 0 && image.colorCount() <= 16, path);
    }

    CMeterDlg dlg;
    QVERIFY(!dlg.windowIcon().isNull());
    QCOMPARE(dlg.OnQueryDragIcon().cacheKey(), dlg.windowIcon().cacheKey());
}
