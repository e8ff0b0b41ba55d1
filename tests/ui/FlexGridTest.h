#pragma once

#include <QObject>

class FlexGridTest : public QObject {
    Q_OBJECT

private slots:
    void textLandsInTheCurrentCell_data();
    void textLandsInTheCurrentCell();
    void announcesOnlyTheChangedCell_data();
    void announcesOnlyTheChangedCell();
    void currentCellOutsideTheGridTakesNoText_data();
    void currentCellOutsideTheGridTakesNoText();
    void growingGridAddsRowsUpToTheRow();
    void showsBytesAsLatin1WithLineFeeds();
    void lineFeedAddsNothingToTheVisibleRow();
    void twipsToPixels_data();
    void twipsToPixels();
    void columnWidthsGoToHeaderOrSection();
    void rowHeightsAreFixed();
    void isDisplayOnly();
    void copiesSelectionTabSeparated_data();
    void copiesSelectionTabSeparated();
    void ctrlCPutsSelectionOnClipboard();
    void cornerDrawsTopLeftText();
    void headersStayInViewWhenScrolled();
};
