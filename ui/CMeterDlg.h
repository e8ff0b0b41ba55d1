#pragma once

#include <QDialog>
#include <QIcon>
#include <QString>
#include <string>

#include "run/LatestRun.h"
#include "run/MeterWindow.h"
#include "ui/RunScheduler.h"

class CMSFlexGrid;
class DialogUnits;
class QContextMenuEvent;
class QLabel;
class QMenu;
class QPushButton;
class StatisticsWindow;
class StringTable;

// The main dialog (template 102): identity line, readings grid, command log,
// total time, Measurement and Exit. It is the window a measurement run shows
// its results in.
class CMeterDlg : public QDialog, public MeterWindow {
    Q_OBJECT

public:
    explicit CMeterDlg(QWidget* parent = nullptr);
    // `strings` must outlive the dialog.
    CMeterDlg(const StringTable& strings, QWidget* parent = nullptr);
    ~CMeterDlg() override;

    // Runs on the meter named `resource` (e.g. a TCPIP one) instead of the
    // first one found; the name shows as the identity label's tooltip only.
    void SetResource(const std::string& resource);
    const std::string& Resource() const { return m_resource; }

    // The Measurement command: one run, the dialog stays open. During a run's
    // drain it runs nested once the drain has handled the queue; after Exit,
    // never.
    void OnOK();
    // The Exit command (Exit, Escape, close box): the dialog's own accept, once.
    void OnCancel();
    // A command of the window menu: About for IDM_ABOUT in any of its low four
    // bits, the window commands the platform has for the rest.
    void OnSysCommand(unsigned int id, long param);
    // The icon a drag of the window shows.
    QIcon OnQueryDragIcon() const;
    // Opens (or brings up) the non-modal statistics and plot window.
    void OnStatisticsAndPlot();

    void ResetCommandLog() override;
    void AddLogRow(const std::string& timeText, const std::string& commandText) override;
    void ShowIdentity(const std::string& text) override;
    void ShowTotalTime(const std::string& text) override;
    void ShowMessage(const std::string& text) override;
    void WriteReadingsHeader() override;
    void WriteReadingRow(int i, const std::string& indexText,
                         const std::string& valueText) override;
    void PumpMessages() override;

    CMSFlexGrid& ReadingsGrid() const { return *m_gridReadings; }
    CMSFlexGrid& LogGrid() const { return *m_gridLog; }
    QLabel& IdentityLabel() const { return *m_labelIdentity; }
    QLabel& TotalTimeLabel() const { return *m_labelTotalTime; }
    QPushButton& MeasurementButton() const { return *m_buttonMeasurement; }
    QPushButton& ExitButton() const { return *m_buttonExit; }
    // Stands in for the title bar's system menu, which X11 and Wayland window
    // managers keep to themselves: opened by the right mouse button anywhere
    // but on the readings grid, and by the Menu key and Shift+F10 when the
    // readings grid has no focus.
    QMenu& SystemMenu() const { return *m_menuSystem; }
    int LogRow() const { return m_nLogRow; }
    const QString& TotalTimeText() const { return m_strTotalTime; }
    const QString& IdentityText() const { return m_strIdentity; }
    // The run begun last and its record, which exports and statistics read.
    const LatestRun& Latest() const { return m_latestRun; }

signals:
    // A run is done with the grid (it may have run inside another run's drain).
    void runFinished();

public slots:
    void reject() override;
    // Shows the window centred on the screen, frame included, and returns
    // when it ends; the window is modal to nothing.
    int exec() override;

protected:
    // Runs once the controls exist: pushes the member texts into them.
    virtual bool OnInitDialog();
    // true: controls -> members; false: members -> controls.
    void DoDataExchange(bool saveAndValidate);
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void CreateControls(const DialogUnits& units);
    void ConnectCommands();
    void BuildSystemMenu();
    void RunOnce();

    const StringTable& m_strings;
    int m_nLogRow = 0;
    CMSFlexGrid* m_gridReadings = nullptr;
    CMSFlexGrid* m_gridLog = nullptr;
    QString m_strTotalTime;
    QString m_strIdentity;
    QIcon m_hIcon;
    QPushButton* m_buttonMeasurement = nullptr;
    QPushButton* m_buttonExit = nullptr;
    QLabel* m_labelIdentity = nullptr;
    QLabel* m_labelTotalTime = nullptr;
    QMenu* m_menuSystem = nullptr;
    bool m_bEnded = false;
    bool m_bCentred = false;
    std::string m_resource;  // empty: the first meter found
    LatestRun m_latestRun;
    RunScheduler m_runScheduler;
    StatisticsWindow* m_statistics = nullptr;
};
