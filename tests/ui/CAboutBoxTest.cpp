#include "ui/CAboutBox.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "QtPrinters.h"
#include "ui/DialogUnits.h"

namespace {

TEST(CAboutBoxTest, FollowsItsTemplate) {
    CAboutBox about;
    const DialogUnits units(about.font());
    struct Control {
        const char* name;
        QWidget* widget;
        QRect units;
    };
    // Template 100: icon, two lines of text, OK.
    const Control controls[] = {
        {"icon", &about.IconLabel(), {11, 17, 20, 20}},
        {"version", &about.VersionLabel(), {40, 10, 119, 8}},
        {"second line", &about.NoteLabel(), {40, 25, 119, 8}},
        {"OK", &about.OkButton(), {178, 7, 50, 14}},
    };
    for (const Control& c : controls) {
        const QRect& u = c.units;
        QRect expected = units.Rect(u.x(), u.y(), u.width(), u.height());
        if (c.widget == &about.IconLabel()) {
            expected.setSize(QSize(32, 32));  // an icon control takes the icon's size
        }
        EXPECT_EQ(c.widget->geometry(), expected) << c.name;
    }
    EXPECT_EQ(about.size(), QSize(units.X(235), units.Y(55)));
    EXPECT_EQ(about.minimumSize(), about.maximumSize());
}

TEST(CAboutBoxTest, ShowsItsTexts) {
    CAboutBox about;
    EXPECT_EQ(about.windowTitle(), "關於 Zorvane");
    EXPECT_EQ(about.VersionLabel().text(), "Zorvane Version 1.0");
    EXPECT_EQ(about.VersionLabel().textFormat(), Qt::PlainText);
    EXPECT_FALSE(about.NoteLabel().text().isEmpty());
    EXPECT_EQ(about.OkButton().text(), "確定");
    EXPECT_TRUE(about.OkButton().isDefault());
    EXPECT_EQ(about.IconLabel().pixmap().size(), QSize(32, 32));
}

TEST(CAboutBoxTest, ClosesOnOkReturnAndEscape) {
    struct Case {
        const char* name;
        void (*close)(CAboutBox&);
        int result;
    };
    const Case cases[] = {
        {"OK button",
         [](CAboutBox& about) { QTest::mouseClick(&about.OkButton(), Qt::LeftButton); },
         QDialog::Accepted},
        {"Return", [](CAboutBox& about) { QTest::keyClick(&about, Qt::Key_Return); },
         QDialog::Accepted},
        {"Escape", [](CAboutBox& about) { QTest::keyClick(&about, Qt::Key_Escape); },
         QDialog::Rejected},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CAboutBox about;
        QSignalSpy finished(&about, &QDialog::finished);
        about.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));

        c.close(about);

        ASSERT_EQ(finished.count(), 1);
        EXPECT_EQ(finished.at(0).at(0).toInt(), c.result);
        EXPECT_FALSE(about.isVisible());
    }
}

}  // namespace
