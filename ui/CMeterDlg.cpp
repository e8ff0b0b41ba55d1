#include "ui/CMeterDlg.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <algorithm>
#include <ctime>
#include <memory>

#include "res/AppIcon.h"
#include "res/StringTable.h"
#include "res/resource.h"
#include "run/MeasurementRun.h"
#include "ui/CAboutBox.h"
#include "ui/CMSFlexGrid.h"
#include "ui/DialogUnits.h"
#include "ui/EmptyCaption.h"
#include "ui/Latin1Text.h"
#include "ui/ReadingsGridMenu.h"
#include "ui/ScreenCentring.h"
#include "ui/StatisticsWindow.h"

namespace {

constexpr int kDialogWidthUnits = 320;
constexpr int kDialogHeightUnits = 200;

constexpr int kReadingsRows = 50001;
constexpr int kLogRows = 9;
constexpr int kGridCols = 2;
constexpr int kFixedRows = 1;
constexpr int kFixedCols = 1;

// Window-menu commands keep their low four bits for the system's own use.
constexpr unsigned int kSysCommandMask = 0xFFF0;
constexpr unsigned int kScClose = 0xF060;

constexpr int kLogTimeWidthTwips = 1000;
constexpr int kLogCommandWidthTwips = 2000;
constexpr int kReadingNumberWidthTwips = 700;
constexpr int kReadingValueWidthTwips = 1800;

// The longest total time the label shows whole.
const char* const kLongestTotalTime = "Total time of measurement : 99999 ms";

QLabel* MakeStaticText(QWidget* parent, const char* name, const QRect& rect) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    // Instrument replies are shown as text, never as markup; a trailing line
    // feed makes two lines, so the first one is kept at the top.
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(rect);
    return label;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& text, const QRect& rect) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(rect);
    return button;
}

// The template's rectangle, reaching toward the dialog's right edge as far as
// the longest total time needs (a static text there shows it whole).
QRect TotalTimeRect(const DialogUnits& units, const QFontMetrics& metrics, int dialogWidth) {
    QRect rect = units.Rect(173, 132, 134, 13);
    const int needed = metrics.horizontalAdvance(QLatin1String(kLongestTotalTime));
    rect.setWidth(std::min(std::max(rect.width(), needed), dialogWidth - rect.x()));
    return rect;
}

CMSFlexGrid* MakeGrid(QWidget* parent, const char* name, int rows, const QRect& rect) {
    auto* grid = new CMSFlexGrid(rows, kGridCols, kFixedRows, kFixedCols, parent);
    grid->setObjectName(QString::fromLatin1(name));
    grid->setGeometry(rect);
    return grid;
}

}  // namespace

CMeterDlg::CMeterDlg(QWidget* parent) : CMeterDlg(StringTable::Application(), parent) {}

CMeterDlg::CMeterDlg(const StringTable& strings, QWidget* parent)
    : QDialog(parent),
      m_strings(strings),
      m_hIcon(LoadAppIcon()),
      // Only what is queued now; a drain never waits for more.
      m_runScheduler([this] { RunOnce(); },
                     [] { QCoreApplication::processEvents(QEventLoop::AllEvents); },
                     [this] { return m_bEnded; }) {
    setObjectName(QStringLiteral("IDD_METER"));
    setWindowTitle(QStringLiteral("Zorvane"));
    const DialogUnits units =
        DialogUnits::SetUpDialog(*this, kDialogWidthUnits, kDialogHeightUnits);
    // The program's main window: a top-level window of its own, which task
    // bars list, transient for none (a dialog is made transient for Qt's
    // hidden leader window).
    setWindowFlags((windowFlags() & ~Qt::WindowType_Mask) | Qt::Window);
    CreateControls(units);
    ConnectCommands();
    auto* gridMenu = new ReadingsGridMenu(*m_gridReadings, m_latestRun, *this);
    connect(gridMenu, &ReadingsGridMenu::statisticsRequested, this,
            &CMeterDlg::OnStatisticsAndPlot);
    OnInitDialog();
}

CMeterDlg::~CMeterDlg() = default;

void CMeterDlg::CreateControls(const DialogUnits& units) {
    // Created in tab order.
    m_buttonMeasurement =
        MakeButton(this, "IDOK", QStringLiteral("Measurement"), units.Rect(172, 151, 130, 14));
    m_buttonExit =
        MakeButton(this, "IDCANCEL", QStringLiteral("Exit"), units.Rect(174, 169, 128, 14));
    m_labelIdentity = MakeStaticText(this, "IDC_IDENTITY", units.Rect(15, 13, 290, 8));
    m_gridReadings =
        MakeGrid(this, "IDC_GRID_READINGS", kReadingsRows, units.Rect(20, 36, 136, 150));
    m_gridLog = MakeGrid(this, "IDC_GRID_LOG", kLogRows, units.Rect(171, 35, 136, 95));
    m_labelTotalTime =
        MakeStaticText(this, "IDC_TOTAL_TIME", TotalTimeRect(units, fontMetrics(), width()));

    m_buttonMeasurement->setDefault(true);
    m_labelIdentity->setFocusPolicy(Qt::NoFocus);
    m_labelTotalTime->setFocusPolicy(Qt::NoFocus);
    m_gridReadings->SetGrowsWithRow(true);
    // The widths the runs set, from the start: a side header that widens at
    // the first write shifts the cells under a partial repaint.
    m_gridLog->SetColWidth(0, kLogTimeWidthTwips);
    m_gridLog->SetColWidth(1, kLogCommandWidthTwips);
    m_gridReadings->SetColWidth(0, kReadingNumberWidthTwips);
    m_gridReadings->SetColWidth(1, kReadingValueWidthTwips);
    setTabOrder(m_buttonMeasurement, m_buttonExit);
    setTabOrder(m_buttonExit, m_gridReadings);
    setTabOrder(m_gridReadings, m_gridLog);
}

void CMeterDlg::ConnectCommands() {
    connect(m_buttonMeasurement, &QPushButton::clicked, this, &CMeterDlg::OnOK);
    connect(m_buttonExit, &QPushButton::clicked, this, &CMeterDlg::OnCancel);
}

bool CMeterDlg::OnInitDialog() {
    DoDataExchange(false);
    BuildSystemMenu();
    // One icon for title bar and task bar; Qt picks the size each needs.
    setWindowIcon(m_hIcon);
    m_buttonMeasurement->setFocus();
    return true;
}

void CMeterDlg::BuildSystemMenu() {
    m_menuSystem = new QMenu(this);
    m_menuSystem->setObjectName(QStringLiteral("SystemMenu"));
    // Of the usual window commands only Close applies: the dialog can be
    // neither resized, minimised nor maximised, and moving is the window
    // manager's.
    QAction* close = m_menuSystem->addAction(QStringLiteral("關閉(&C)"));
    close->setData(kScClose);
    const QString about = m_strings.Load(IDS_ABOUT_MENU);
    if (!about.isEmpty()) {
        m_menuSystem->addSeparator();
        m_menuSystem->addAction(about)->setData(IDM_ABOUT);
    }
    connect(m_menuSystem, &QMenu::triggered, this,
            [this](QAction* action) { OnSysCommand(action->data().toUInt(), 0); });
}

void CMeterDlg::contextMenuEvent(QContextMenuEvent* event) {
    // Every control but the readings grid, which has its own menu, passes the
    // right button and the Menu key on to the dialog.
    m_menuSystem->popup(event->reason() == QContextMenuEvent::Mouse
                            ? event->globalPos()
                            : mapToGlobal(rect().topLeft()));
    event->accept();
}

void CMeterDlg::keyPressEvent(QKeyEvent* event) {
    // Shift+F10 is the Menu key of keyboards without one: the focused control
    // gets the same request, so the readings grid still opens its own menu.
    if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
        QWidget* target = focusWidget() != nullptr ? focusWidget() : this;
        QContextMenuEvent request(QContextMenuEvent::Keyboard, QPoint(),
                                  target->mapToGlobal(QPoint()));
        QCoreApplication::sendEvent(target, &request);
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

int CMeterDlg::exec() {
    // Returns when the dialog ends, as a modal dialog's exec() does, but the
    // window is modal to nothing: it is the program's main window.
    setResult(0);
    show();
    QEventLoop loop;
    connect(this, &QDialog::finished, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::DialogExec);
    return result();
}

void CMeterDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!m_bCentred) {
        m_bCentred = true;
        ScreenCentring::Begin(*this);
    }
}

void CMeterDlg::OnSysCommand(unsigned int id, long /*param*/) {
    const unsigned int command = id & kSysCommandMask;
    if (command == IDM_ABOUT) {
        CAboutBox about(this);
        about.exec();
    } else if (command == kScClose) {
        close();
    }
    // Other commands have no counterpart here: nothing to do.
}

QIcon CMeterDlg::OnQueryDragIcon() const {
    return m_hIcon;
}

void CMeterDlg::DoDataExchange(bool saveAndValidate) {
    if (saveAndValidate) {
        m_strTotalTime = m_labelTotalTime->text();
        m_strIdentity = m_labelIdentity->text();
    } else {
        m_labelTotalTime->setText(m_strTotalTime);
        m_labelIdentity->setText(m_strIdentity);
    }
}

void CMeterDlg::OnOK() {
    m_runScheduler.Press();
}

void CMeterDlg::SetResource(const std::string& resource) {
    m_resource = resource;
    m_labelIdentity->setToolTip(Latin1Text(resource));
}

void CMeterDlg::RunOnce() {
    const std::shared_ptr<RunRecord> record = m_latestRun.Begin(std::time(nullptr));
    RunMeasurement(*this, *record, m_resource);
    m_latestRun.End();
    emit runFinished();
}

void CMeterDlg::OnStatisticsAndPlot() {
    if (m_statistics == nullptr) {
        m_statistics = new StatisticsWindow(m_latestRun, *this);
        connect(this, &CMeterDlg::runFinished, m_statistics, &StatisticsWindow::OnRunFinished);
    }
    m_statistics->show();
    m_statistics->raise();
    m_statistics->activateWindow();
}

void CMeterDlg::OnCancel() {
    // Escape, the close box and Exit can all arrive while a run drains the
    // queue; only the first one ends the dialog.
    if (m_bEnded) {
        return;
    }
    m_bEnded = true;
    DoDataExchange(true);
    done(QDialog::Accepted);
}

void CMeterDlg::reject() {
    OnCancel();
}

void CMeterDlg::ResetCommandLog() {
    m_nLogRow = 0;
    m_gridLog->SetRow(0);
    m_gridLog->SetCol(0);
    m_gridLog->SetColWidth(0, kLogTimeWidthTwips);
    m_gridLog->SetText("Timer");
    m_gridLog->SetCol(1);
    m_gridLog->SetColWidth(1, kLogCommandWidthTwips);
    m_gridLog->SetText("Comand");
}

void CMeterDlg::AddLogRow(const std::string& timeText, const std::string& commandText) {
    m_nLogRow = m_nLogRow + 1;
    m_gridLog->SetRow(m_nLogRow);
    m_gridLog->SetCol(0);
    m_gridLog->SetText(timeText);
    m_gridLog->SetCol(1);
    m_gridLog->SetText(commandText);
}

void CMeterDlg::ShowIdentity(const std::string& text) {
    m_labelIdentity->setText(Latin1Text(text));
}

void CMeterDlg::ShowTotalTime(const std::string& text) {
    m_labelTotalTime->setText(Latin1Text(text));
}

void CMeterDlg::ShowMessage(const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, QString(), Latin1Text(text), QMessageBox::Ok, this);
    KeepCaptionEmpty(box);
    box.exec();
}

void CMeterDlg::WriteReadingsHeader() {
    m_gridReadings->SetRow(0);
    m_gridReadings->SetCol(0);
    m_gridReadings->SetColWidth(0, kReadingNumberWidthTwips);
    m_gridReadings->SetText("Number");
    m_gridReadings->SetCol(1);
    m_gridReadings->SetColWidth(1, kReadingValueWidthTwips);
    m_gridReadings->SetText("Value");
}

void CMeterDlg::WriteReadingRow(int i, const std::string& indexText, const std::string& valueText) {
    m_gridReadings->SetRow(i + 1);
    m_gridReadings->SetCol(0);
    m_gridReadings->SetText(indexText);
    m_gridReadings->SetCol(1);
    m_gridReadings->SetText(valueText);
}

void CMeterDlg::PumpMessages() {
    m_runScheduler.Drain();
}
