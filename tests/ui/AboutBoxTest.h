#pragma once

#include <QObject>

class AboutBoxTest : public QObject {
    Q_OBJECT

private slots:
    void chineseTextsHaveGlyphs();
    void systemMenuEndsWithAboutAfterSeparator();
    void emptyAboutStringAddsNeitherSeparatorNorEntry();
    void aboutEntryOpensAboutBoxOverTheDialog();
    void sysCommandRoutesByHighBits_data();
    void sysCommandRoutesByHighBits();
    void menuOpensFromSurfaceAndMenuKey_data();
    void menuOpensFromSurfaceAndMenuKey();
    void aboutBoxFollowsTemplate_data();
    void aboutBoxFollowsTemplate();
    void aboutBoxShowsItsTexts();
    void aboutBoxClosesOnOkAndEscape_data();
    void aboutBoxClosesOnOkAndEscape();
    void iconHasBothSizesInSixteenColours();
};
