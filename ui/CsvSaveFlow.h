#pragma once

#include <QString>
#include <functional>
#include <string>

class QWidget;

// What every "Save ... as CSV..." entry does: a file dialog on a name
// stamped with the date and time, in the folder saved to last; the text
// written whole or not at all wherever the path leads; a failure told in
// words. Tests choose the path and catch the reports instead of dialogs.
class CsvSaveFlow {
public:
    // Returns the chosen file path, or an empty text when the user cancels.
    using PathChooser = std::function<QString(const QString& title, const QString& name)>;
    // Shows a text the user must read (a refusal, a write error).
    using Reporter = std::function<void(const QString& text)>;

    // File and message dialogs open over `owner`.
    explicit CsvSaveFlow(QWidget& owner);

    void SetPathChooser(PathChooser chooser) { choosePath_ = std::move(chooser); }
    void SetReporter(Reporter reporter) { report_ = std::move(reporter); }

    // The path for a file titled `title`, offered as "<stem>-yyyyMMdd-HHmmss.csv";
    // empty when the user cancels.
    QString ChoosePath(const QString& title, const QString& stem);
    // Writes `text` to `path`; a failure is reported. True when written.
    bool Write(const QString& path, const std::string& text);
    // ChoosePath, then Write: the text is taken before the dialog, so what
    // was shown is what is saved.
    void Save(const QString& title, const QString& stem, const std::string& text);
    void Report(const QString& text) { report_(text); }

private:
    QString ChoosePathWithDialog(const QString& title, const QString& name);

    QWidget& owner_;
    PathChooser choosePath_;
    Reporter report_;
    QString lastFolder_;
};
