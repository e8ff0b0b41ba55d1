#pragma once

#include <QObject>
#include <QString>
#include <functional>

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
    // Returns the chosen file path, or an empty text when the user cancels.
    using PathChooser = std::function<QString()>;
    // Shows a text the user must read (a refusal, a write error).
    using Reporter = std::function<void(const QString& text)>;

    // `owner` (the dialog) owns the menu and parents its file and message
    // dialogs; the readings come from `runs`.
    ReadingsGridMenu(CMSFlexGrid& grid, const LatestRun& runs, QWidget& owner);

    // Tests choose the path and catch the reports instead of opening dialogs.
    void SetPathChooser(PathChooser chooser) { choosePath_ = std::move(chooser); }
    void SetReporter(Reporter reporter) { report_ = std::move(reporter); }

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
    QString ChoosePathWithDialog();
    void ReportInMessageBox(const QString& text);
    // False, after telling the user why, when the latest run cannot be taken.
    bool ReadingsAreComplete();

    CMSFlexGrid& grid_;
    const LatestRun& runs_;
    QWidget& owner_;
    QMenu* menu_;
    PathChooser choosePath_;
    Reporter report_;
    QString lastFolder_;
};
