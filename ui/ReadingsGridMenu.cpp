#include "ui/ReadingsGridMenu.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>

#include "csv/ReadingsCsv.h"
#include "run/LatestRun.h"
#include "save/AtomicFile.h"
#include "ui/CMSFlexGrid.h"
#include "ui/ReadingsExport.h"

namespace {

const char* const kSaveTitle = "Save readings as CSV";

}  // namespace

ReadingsGridMenu::ReadingsGridMenu(CMSFlexGrid& grid, const LatestRun& runs, QWidget& owner)
    : QObject(&owner), grid_(grid), runs_(runs), owner_(owner), menu_(new QMenu(&owner)) {
    menu_->setObjectName(QStringLiteral("ReadingsGridMenu"));
    AddAction(QStringLiteral("Copy"), &ReadingsGridMenu::CopySelection);
    AddAction(QStringLiteral("Copy all readings"), &ReadingsGridMenu::CopyAllReadings);
    AddAction(QStringLiteral("Save readings as CSV\u2026"), &ReadingsGridMenu::SaveReadingsAsCsv);
    menu_->addSeparator();
    connect(menu_->addAction(QStringLiteral("Statistics and plot\u2026")), &QAction::triggered,
            this, &ReadingsGridMenu::statisticsRequested);
    choosePath_ = [this] { return ChoosePathWithDialog(); };
    report_ = [this](const QString& text) { ReportInMessageBox(text); };

    // A custom menu takes the event, so it never reaches the dialog's menu.
    grid_.setContextMenuPolicy(Qt::CustomContextMenu);
    connect(&grid_, &QWidget::customContextMenuRequested, this, &ReadingsGridMenu::Popup);
    grid_.installEventFilter(this);
}

QAction* ReadingsGridMenu::AddAction(const QString& text, void (ReadingsGridMenu::*command)()) {
    QAction* action = menu_->addAction(text);
    connect(action, &QAction::triggered, this, command);
    return action;
}

void ReadingsGridMenu::Popup(const QPoint& viewportPos) {
    menu_->popup(grid_.viewport()->mapToGlobal(viewportPos));
}

bool ReadingsGridMenu::eventFilter(QObject* watched, QEvent* event) {
    // A right click on a header or the corner is passed up to the grid, which
    // as a scroll area would pass it on to the dialog.
    if (event->type() == QEvent::ContextMenu) {
        menu_->popup(static_cast<QContextMenuEvent*>(event)->globalPos());
        event->accept();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void ReadingsGridMenu::CopySelection() {
    grid_.CopySelection();
}

bool ReadingsGridMenu::ReadingsAreComplete() {
    const QString refusal = ReadingsExport(runs_).Refusal();
    if (refusal.isEmpty()) {
        return true;
    }
    report_(refusal);
    return false;
}

void ReadingsGridMenu::CopyAllReadings() {
    if (!ReadingsAreComplete()) {
        return;
    }
    QApplication::clipboard()->setText(ReadingsExport(runs_).TabSeparatedText());
}

void ReadingsGridMenu::SaveReadingsAsCsv() {
    if (!ReadingsAreComplete()) {
        return;
    }
    const QString path = choosePath_();
    if (path.isEmpty()) {
        return;
    }
    // The file dialog runs its own event loop: a run may have begun meanwhile.
    if (!ReadingsAreComplete()) {
        return;
    }
    AtomicFile file(QFile::encodeName(path).toStdString());
    if (!file.Write(ReadingsCsv::Of(runs_.Record()).Text())) {
        report_(QString::fromLocal8Bit(file.Error().data(),
                                       static_cast<qsizetype>(file.Error().size())));
    }
}

QString ReadingsGridMenu::ChoosePathWithDialog() {
    const QString folder = lastFolder_.isEmpty() ? QDir::homePath() : lastFolder_;
    const QString name =
        QDateTime::currentDateTime().toString(QStringLiteral("'readings-'yyyyMMdd-HHmmss'.csv'"));
    const QString path = QFileDialog::getSaveFileName(
        &owner_, QString::fromLatin1(kSaveTitle), QDir(folder).filePath(name),
        QStringLiteral("CSV files (*.csv);;All files (*)"));
    if (!path.isEmpty()) {
        lastFolder_ = QFileInfo(path).absolutePath();
    }
    return path;
}

void ReadingsGridMenu::ReportInMessageBox(const QString& text) {
    QMessageBox::warning(&owner_, owner_.windowTitle(), text);
}
