#include "ui/DialogUnits.h"

#include <gtest/gtest.h>

#include <QFontInfo>
#include <QFontMetrics>

#include "QtPrinters.h"

namespace {

TEST(DialogUnitsTest, DialogFontIsARealMingFace) {
    // Without the font every Chinese text is boxes and the layout shrinks.
    const QFontInfo info(DialogUnits::DialogFont());
    EXPECT_TRUE(info.family().contains(QStringLiteral("Ming")) ||
                info.family() == QStringLiteral("新細明體"))
        << info.family().toStdString();
    EXPECT_EQ(info.pointSize(), 9);
}

TEST(DialogUnitsTest, ChineseTextsHaveGlyphs) {
    // Missing glyphs draw as boxes; the texts must be in the dialog font.
    const QFontMetrics metrics(DialogUnits::DialogFont());
    for (const QString& text :
         {QStringLiteral("關於 Zorvane(&A)..."), QStringLiteral("關於 Zorvane"),
          QStringLiteral("確定"), QStringLiteral("關閉(&C)")}) {
        for (const QChar ch : text) {
            EXPECT_TRUE(metrics.inFont(ch)) << text.toStdString();
        }
    }
}

TEST(DialogUnitsTest, RectsFollowBaseUnits) {
    struct Case {
        const char* name;
        int baseWidth, baseHeight;
        QRect units;
        QRect pixels;
    };
    // 6 x 12 are the base units of a 9 pt Ming face at 96 dpi on Windows.
    const Case cases[] = {
        {"whole dialog", 6, 12, {0, 0, 320, 200}, {0, 0, 480, 300}},
        {"Measurement", 6, 12, {172, 151, 130, 14}, {258, 227, 195, 21}},
        {"identity, odd base", 7, 13, {15, 13, 290, 8}, {26, 21, 508, 13}},
        // Both corners are rounded, so the size is 7 - 4, not round(3.5) = 4.
        {"corners rounded, not the size", 7, 13, {2, 2, 2, 2}, {4, 3, 3, 4}},
        {"zero size", 6, 12, {10, 10, 0, 0}, {15, 15, 0, 0}},
    };
    for (const Case& c : cases) {
        const DialogUnits units(c.baseWidth, c.baseHeight);
        const QRect& u = c.units;
        EXPECT_EQ(units.Rect(u.x(), u.y(), u.width(), u.height()), c.pixels) << c.name;
    }
}

}  // namespace
