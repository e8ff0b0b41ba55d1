#include "res/AppIcon.h"

#include <gtest/gtest.h>

#include <QImage>

namespace {

TEST(AppIconTest, HasBothSizesInSixteenColours) {
    const QIcon icon = LoadAppIcon();
    const QList<QSize> sizes = icon.availableSizes();
    EXPECT_TRUE(sizes.contains(QSize(32, 32)));
    EXPECT_TRUE(sizes.contains(QSize(16, 16)));
    for (const char* path : {":/zorvane/zorvane-32.png", ":/zorvane/zorvane-16.png"}) {
        const QImage image(QString::fromLatin1(path));
        ASSERT_FALSE(image.isNull()) << path;
        EXPECT_GT(image.colorCount(), 0) << path;
        EXPECT_LE(image.colorCount(), 16) << path;
    }
}

}  // namespace
