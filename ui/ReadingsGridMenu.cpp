#include "ui/ReadingsGridMenu.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>

#include "csv/ReadingsCsv.h"
#include "run/LatestRun.h"
#include "ui/CMSFlexGrid.h"
#include "ui/ReadingsExport.h"

namespace {

const char* const kSaveTitle = "Save readings as CSV";

}  // namespace

ReadingsGridMenu::ReadingsGridMenu(CMSFlexGrid& grid, const LatestRun& runs, QWidget& owner)
    : QObject(&owner), grid_(grid), runs_(runs), menu_(new QMenu(&owner)), saving_(owner) {
    menu_->setObjectName(QStringLiteral("ReadingsGridMenu"));
    AddAction(QStringLiteral("Copy"), &ReadingsGridMenu::CopySelection);
    AddAction(QStringLiteral("Copy all readings"), &ReadingsGridMenu::CopyAllReadings);
    AddAction(QStringLiteral("Save readings as CSV\u2026"), &ReadingsGridMenu::SaveReadingsAsCsv);
    menu_->addSeparator();
    connect(menu_->addAction(QStringLiteral("Statistics and plot\u2026")), &QAction::triggered,
            this, &ReadingsGridMenu::statisticsRequested);

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
    saving_.Report(refusal);
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
    const QString path =
        saving_.ChoosePath(QString::fromLatin1(kSaveTitle), QStringLiteral("readings"));
    if (path.isEmpty()) {
        return;
    }
    // The file dialog runs its own event loop: a run may have begun meanwhile.
    if (!ReadingsAreComplete()) {
        return;
    }
    saving_.Write(path, ReadingsCsv::Of(runs_.Record()).Text());
}
