#pragma once

#include <QObject>
#include <QString>

#include "ui/CsvSaveFlow.h"

class CMSFlexGrid;
class LatestRun;
class QAction;
class QMenu;
class QPoint;
class QWidget;

// The readings grid's own context menu: Copy, Copy all readings, Save
// readings as CSV, then Statistics and plot. It replaces the dialog's menu on
// that grid only.
class ReadingsGridMenu : public QObject {
    Q_OBJECT

public:
    // `owner` (the dialog) owns the menu and parents its file and message
    // dialogs; the readings come from `runs`.
    ReadingsGridMenu(CMSFlexGrid& grid, const LatestRun& runs, QWidget& owner);

    // Tests choose the path and catch the reports instead of opening dialogs.
    void SetPathChooser(CsvSaveFlow::PathChooser chooser) {
        saving_.SetPathChooser(std::move(chooser));
    }
    void SetReporter(CsvSaveFlow::Reporter reporter) { saving_.SetReporter(std::move(reporter)); }

    QMenu& Menu() const { return *menu_; }

    void CopySelection();
    void CopyAllReadings();
    void SaveReadingsAsCsv();

signals:
    // The user asked for the statistics and plot of the latest run.
    void statisticsRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Popup(const QPoint& viewportPos);
    QAction* AddAction(const QString& text, void (ReadingsGridMenu::*command)());
    // False, after telling the user why, when the latest run cannot be taken.
    bool ReadingsAreComplete();

    CMSFlexGrid& grid_;
    const LatestRun& runs_;
    QMenu* menu_;
    CsvSaveFlow saving_;
};
