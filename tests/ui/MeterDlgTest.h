#pragma once

#include <QObject>

class MeterDlgTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void dialogFontIsARealMingFace();
    void dialogUnitsFollowBaseUnits_data();
    void dialogUnitsFollowBaseUnits();
    void layoutFollowsTemplate_data();
    void layoutFollowsTemplate();
    void isFixedSizeCentredWithCaption();
    void tabOrderAndDefaultButton();
    void startsWithEmptyLabelsAndGrids();
    void labelsShowBytesAsPlainText();
    void logBeyondItsRowsLosesNothingElse();
    void readingsGridGrowsPastTheBurst();
    void pumpMessagesHandlesWhatIsQueued();
    void measurementRunsABurst_data();
    void measurementRunsABurst();
    void enterOnExitEndsTheDialog();
    void exitCommandsEndTheDialogOnce_data();
    void exitCommandsEndTheDialogOnce();
    void failedRunShowsMessageAndKeepsRows_data();
    void failedRunShowsMessageAndKeepsRows();
    void shorterRunKeepsEarlierTail();
    void pressDuringDrainRunsNested();
    void exitDuringDrainEndsAfterRun();
    // Last: after a quit Qt starts no further event loop in this process.
    void quitDuringDrainEndsAfterRun();
};
