// The main window as a window manager (openbox, in Xvfb) shows it: window
// properties and placement as xprop and xwininfo report them, the message
// box's caption, and what the X server shows of the log while a run blocks.
#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <functional>
#include <vector>

#include "QtPrinters.h"
#include "ui/CMSFlexGrid.h"
#include "ui/CMeterDlg.h"
#include "ui/DialogUnits.h"

namespace {

constexpr int kToolTimeoutMs = 5000;
// Bounds a wait, generous for a loaded machine; a pass takes far less.
constexpr int kFramedTimeoutMs = 20000;
constexpr int kCentringTolerancePx = 3;
const QString kLongestTotalTime = QStringLiteral("Total time of measurement : 99999 ms");

QString RunTool(const QString& program, const QStringList& arguments) {
    QProcess tool;
    tool.start(program, arguments);
    if (!tool.waitForFinished(kToolTimeoutMs)) {
        tool.kill();
        tool.waitForFinished();
    }
    return QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
}

// xprop's line for one property: "NAME(TYPE) = value" or "NAME:  not found.".
QString XProperty(const QWidget& window, const char* name) {
    return RunTool(QStringLiteral("xprop"),
                   {QStringLiteral("-id"), QString::number(window.winId()), QLatin1String(name)});
}

bool HasProperty(const QWidget& window, const char* name) {
    return !XProperty(window, name).endsWith(QLatin1String("not found."));
}

// The window's client area as the X server has it, from xwininfo.
QRect ServerClientArea(const QWidget& window) {
    const QString info = RunTool(QStringLiteral("xwininfo"),
                                 {QStringLiteral("-id"), QString::number(window.winId())});
    auto field = [&info](const char* label) {
        const QRegularExpression pattern(QLatin1String(label) + QStringLiteral(":\\s+(-?\\d+)"));
        return pattern.match(info).captured(1).toInt();
    };
    return QRect(field("Absolute upper-left X"), field("Absolute upper-left Y"), field("Width"),
                 field("Height"));
}

// The window's frame as the X server has it: the client area grown by the
// extents the window manager announces.
QRect OuterFrame(const QWidget& window) {
    QRect frame = ServerClientArea(window);
    const QString extents = XProperty(window, "_NET_FRAME_EXTENTS");
    const QStringList numbers = extents.mid(extents.indexOf('=') + 1).split(',');
    if (numbers.size() == 4) {  // left, right, top, bottom
        frame.adjust(-numbers[0].toInt(), -numbers[2].toInt(), numbers[1].toInt(),
                     numbers[3].toInt());
    }
    return frame;
}

// Waits until the window manager has framed and mapped `window` and the
// window has the place the server gives it, so a move the window manager
// made on mapping has arrived. The frame extents alone may come before the
// window is mapped.
void WaitUntilFramed(const QWidget& window) {
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return window.windowHandle() != nullptr && window.windowHandle()->isExposed() &&
                   HasProperty(window, "_NET_FRAME_EXTENTS") &&
                   window.geometry() == ServerClientArea(window);
        },
        kFramedTimeoutMs))
        << "the window manager never framed the window where the window says it is";
}

// What the X server shows in `area` (root coordinates), read over a connection
// of its own so that nothing of ours is flushed first.
QImage ServerPixels(const QRect& area) {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    QImage image;
    if (xcb_connection_has_error(connection) == 0) {
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
        const xcb_get_image_cookie_t cookie = xcb_get_image(
            connection, XCB_IMAGE_FORMAT_Z_PIXMAP, screen->root, static_cast<int16_t>(area.x()),
            static_cast<int16_t>(area.y()), static_cast<uint16_t>(area.width()),
            static_cast<uint16_t>(area.height()), ~0u);
        xcb_get_image_reply_t* reply = xcb_get_image_reply(connection, cookie, nullptr);
        if (reply != nullptr && reply->depth == 24) {
            image = QImage(xcb_get_image_data(reply), area.width(), area.height(), area.width() * 4,
                           QImage::Format_RGB32)
                        .copy();
        }
        std::free(reply);
    }
    xcb_disconnect(connection);
    return image;
}

int DifferingPixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) {
        return a.width() * a.height();
    }
    int count = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            count += a.pixel(x, y) != b.pixel(x, y) ? 1 : 0;
        }
    }
    return count;
}

// Calls `inspect` with the first modal dialog that opens, once it is framed.
void WhenModalOpens(std::function<void(QDialog&)> inspect) {
    QTimer::singleShot(10, [inspect] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->isVisible()) {
            WhenModalOpens(inspect);
            return;
        }
        inspect(*dialog);
    });
}

class DesktopWindowTest : public testing::Test {
protected:
    // The window manager may still be starting up: a first window waits for it.
    static void SetUpTestSuite() {
        QWidget probe;
        probe.show();
        WaitUntilFramed(probe);
    }

    void SetUp() override { setenv("ZVISA_SIM", "dcv,instant", 1); }
    void TearDown() override { unsetenv("ZVISA_SIM"); }
};

// The main window noting where its frame is when it is first exposed. Its
// filter goes on after the window's own, so it runs first: before anything
// the window does on exposure takes effect.
class FirstExposure : public CMeterDlg {
public:
    QRect frame;

protected:
    void showEvent(QShowEvent* event) override {
        CMeterDlg::showEvent(event);
        windowHandle()->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == windowHandle() && event->type() == QEvent::Expose && frame.isNull() &&
            windowHandle()->isExposed()) {
            frame = OuterFrame(*this);
        }
        return CMeterDlg::eventFilter(watched, event);
    }
};

TEST_F(DesktopWindowTest, MainWindowIsAPlainWindowCentredWithItsFrame) {
    FirstExposure dlg;
    QString state, transientFor, type;
    QRect frame;
    // Shown as the program shows it, through its own loop.
    QTimer::singleShot(0, &dlg, [&] {
        WaitUntilFramed(dlg);
        state = XProperty(dlg, "_NET_WM_STATE");
        transientFor = XProperty(dlg, "WM_TRANSIENT_FOR");
        type = XProperty(dlg, "_NET_WM_WINDOW_TYPE");
        frame = OuterFrame(dlg);
        dlg.OnCancel();
    });
    dlg.exec();

    EXPECT_TRUE(transientFor.endsWith(QLatin1String("not found."))) << transientFor.toStdString();
    EXPECT_FALSE(state.contains(QLatin1String("_NET_WM_STATE_MODAL"))) << state.toStdString();
    EXPECT_FALSE(state.contains(QLatin1String("SKIP_TASKBAR"))) << state.toStdString();
    EXPECT_TRUE(type.endsWith(QLatin1String("= _NET_WM_WINDOW_TYPE_NORMAL"))) << type.toStdString();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    SCOPED_TRACE(testing::PrintToString(frame));
    // Twice the centres, so odd sizes compare exactly.
    const int dx = (frame.left() * 2 + frame.width()) - (screen.left() * 2 + screen.width());
    const int dy = (frame.top() * 2 + frame.height()) - (screen.top() * 2 + screen.height());
    EXPECT_LE(std::abs(dx), 2 * kCentringTolerancePx);
    EXPECT_LE(std::abs(dy), 2 * kCentringTolerancePx);
    EXPECT_GT(frame.height(), dlg.height()) << "no title bar";
    // Placed with its frame before it was mapped, so it never jumps.
    EXPECT_EQ(dlg.frame, frame);
}

TEST_F(DesktopWindowTest, MessageBoxCaptionIsEmpty) {
    CMeterDlg dlg;
    dlg.show();
    WaitUntilFramed(dlg);
    QString name, legacyName;
    WhenModalOpens([&](QDialog& box) {
        WaitUntilFramed(box);
        name = XProperty(box, "_NET_WM_NAME");
        legacyName = XProperty(box, "WM_NAME");
        static_cast<QMessageBox&>(box).button(QMessageBox::Ok)->click();
    });
    dlg.ShowMessage("Open instrument failed.");

    // xprop shows an empty value as nothing after the equals sign.
    EXPECT_EQ(name, QStringLiteral("_NET_WM_NAME(UTF8_STRING) ="));
    EXPECT_TRUE(legacyName.endsWith(QLatin1String(") =")) ||
                legacyName.endsWith(QLatin1String("not found.")))
        << legacyName.toStdString();
}

TEST_F(DesktopWindowTest, TotalTimeLabelShowsTheLongestTimeWhole) {
    CMeterDlg dlg;
    dlg.show();
    dlg.ShowTotalTime(kLongestTotalTime.toStdString());
    const QLabel& label = dlg.TotalTimeLabel();
    EXPECT_EQ(label.font().pointSize(), DialogUnits::DialogFont().pointSize());
    EXPECT_EQ(label.font().families(), DialogUnits::DialogFont().families());
    const int textWidth = label.fontMetrics().horizontalAdvance(kLongestTotalTime);
    RecordProperty("total_time_text_px", textWidth);
    RecordProperty("total_time_label_px", label.contentsRect().width());
    EXPECT_LE(textWidth, label.contentsRect().width());
    EXPECT_LE(label.sizeHint().width(), label.width());
    EXPECT_LE(label.geometry().right(), dlg.rect().right()) << "the label leaves the dialog";
}

// Captures what the X server shows of the window when each of a run's first
// drains has returned: before the block transfer, after the total time, before
// the first row. The window stays so while the meter works.
class DrainCapture : public CMeterDlg {
public:
    static constexpr int kDrains = 3;

    void PumpMessages() override {
        CMeterDlg::PumpMessages();
        if (onScreen.size() < kDrains) {
            onScreen.push_back(ServerPixels(QRect(mapToGlobal(QPoint()), size())));
            rendered.push_back(grab().toImage().convertToFormat(QImage::Format_RGB32));
        }
    }

    std::vector<QImage> onScreen;
    std::vector<QImage> rendered;
};

TEST_F(DesktopWindowTest, WindowIsWholeAtTheFirstDrainsOfTheFirstRun) {
    DrainCapture dlg;
    dlg.show();
    WaitUntilFramed(dlg);
    dlg.OnOK();

    ASSERT_EQ(dlg.onScreen.size(), std::size_t{DrainCapture::kDrains});
    for (std::size_t i = 0; i < dlg.onScreen.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "drain " << i + 1);
        const int differing = DifferingPixels(dlg.onScreen[i], dlg.rendered[i]);
        if (differing != 0) {
            const QString number = QString::number(i + 1);
            dlg.onScreen[i].save(QStringLiteral("drain-%1-on-screen.png").arg(number));
            dlg.rendered[i].save(QStringLiteral("drain-%1-rendered.png").arg(number));
        }
        EXPECT_EQ(differing, 0) << "the screen shows stale or partial cells (drain-N-on-screen.png "
                                   "against a fresh paint, drain-N-rendered.png)";
    }
}

}  // namespace
