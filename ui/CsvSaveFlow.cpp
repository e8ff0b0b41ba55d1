#include "ui/CsvSaveFlow.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QWidget>

#include "save/AtomicFile.h"

CsvSaveFlow::CsvSaveFlow(QWidget& owner) : owner_(owner) {
    choosePath_ = [this](const QString& title, const QString& name) {
        return ChoosePathWithDialog(title, name);
    };
    report_ = [this](const QString& text) {
        QMessageBox::warning(&owner_, owner_.windowTitle(), text);
    };
}

QString CsvSaveFlow::ChoosePath(const QString& title, const QString& stem) {
    const QString name =
        stem + QDateTime::currentDateTime().toString(QStringLiteral("'-'yyyyMMdd-HHmmss'.csv'"));
    return choosePath_(title, name);
}

bool CsvSaveFlow::Write(const QString& path, const std::string& text) {
    AtomicFile file(QFile::encodeName(path).toStdString());
    if (file.Write(text)) {
        return true;
    }
    report_(
        QString::fromLocal8Bit(file.Error().data(), static_cast<qsizetype>(file.Error().size())));
    return false;
}

void CsvSaveFlow::Save(const QString& title, const QString& stem, const std::string& text) {
    const QString path = ChoosePath(title, stem);
    if (!path.isEmpty()) {
        Write(path, text);
    }
}

QString CsvSaveFlow::ChoosePathWithDialog(const QString& title, const QString& name) {
    const QString folder = lastFolder_.isEmpty() ? QDir::homePath() : lastFolder_;
    const QString path =
        QFileDialog::getSaveFileName(&owner_, title, QDir(folder).filePath(name),
                                     QStringLiteral("CSV files (*.csv);;All files (*)"));
    if (!path.isEmpty()) {
        lastFolder_ = QFileInfo(path).absolutePath();
    }
    return path;
}
