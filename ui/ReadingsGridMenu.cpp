#include "ReadingsGridMenu.h"

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

#include "CMSFlexGrid.h"
#include "CMeterDlg.h"
#include "ReadingsExport.h"

namespace {

const char* const kSaveTitle = "Save readings as CSV";

}  // namespace

ReadingsGridMenu::ReadingsGridMenu(CMeterDlg& dlg)
    : QObject(&dlg), dlg_(dlg), menu_(new QMenu(&dlg)) {
    menu_->setObjectName(QStringLiteral("ReadingsGridMenu"));
    AddAction(QStringLiteral("Copy"), &ReadingsGridMenu::CopySelection);
    AddAction(QStringLiteral("Copy all readings"), &ReadingsGridMenu::CopyAllReadings);
    AddAction(QStringLiteral("Save readings as CSV\u2026"), &ReadingsGridMenu::SaveReadingsAsCsv);
    choosePath_ = [this] { return ChoosePathWithDialog(); };
    report_ = [this](const QString& text) { ReportInMessageBox(text); };

    // A custom menu takes the event, so it never reaches the dialog's menu.
    CMSFlexGrid& grid = dlg_.ReadingsGrid();
    grid.setContextMenuPolicy(Qt::CustomContextMenu);
    connect(&grid, &QWidget::customContextMenuRequested, this, &ReadingsGridMenu::Popup);
    grid.installEventFilter(this);
}

QAction* ReadingsGridMenu::AddAction(const QString& text, void (ReadingsGridMenu::*command)()) {
    QAction* action = menu_->addAction(text);
    connect(action, &QAction::triggered, this, command);
    return action;
}

void ReadingsGridMenu::Popup(const QPoint& viewportPos) {
    menu_->popup(dlg_.ReadingsGrid().viewport()->mapToGlobal(viewportPos));
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
    dlg_.ReadingsGrid().CopySelection();
}

bool ReadingsGridMenu::ReadingsAreComplete() {
    const QString refusal = ReadingsExport::Of(dlg_).Refusal();
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
    QApplication::clipboard()->setText(ReadingsExport::Of(dlg_).TabSeparatedText());
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
    std::string error;
    if (!ReadingsExport::Of(dlg_).SaveCsv(QFile::encodeName(path).toStdString(), error)) {
        report_(QString::fromLocal8Bit(error.data(), static_cast<qsizetype>(error.size())));
    }
}

QString ReadingsGridMenu::ChoosePathWithDialog() {
    const QString folder = lastFolder_.isEmpty() ? QDir::homePath() : lastFolder_;
    const QString name =
        QDateTime::currentDateTime().toString(QStringLiteral("'readings-'yyyyMMdd-HHmmss'.csv'"));
    const QString path = QFileDialog::getSaveFileName(
        &dlg_, QString::fromLatin1(kSaveTitle), QDir(folder).filePath(name),
        QStringLiteral("CSV files (*.csv);;All files (*)"));
    if (!path.isEmpty()) {
        lastFolder_ = QFileInfo(path).absolutePath();
    }
    return path;
}

void ReadingsGridMenu::ReportInMessageBox(const QString& text) {
    QMessageBox::warning(&dlg_, dlg_.windowTitle(), text);
}
