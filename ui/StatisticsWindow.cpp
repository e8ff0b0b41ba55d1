#include "StatisticsWindow.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

#include "LatestRun.h"
#include "Latin1Text.h"
#include "ReadingStatistics.h"
#include "ReadingsExport.h"
#include "ReadingsPlotView.h"

namespace {

constexpr int kFigureDigits = 10;
constexpr int kInitialWidth = 760;
constexpr int kInitialHeight = 560;

QLabel* AddFigure(QFormLayout* form, const char* name, const QString& caption) {
    auto* label = new QLabel;
    label->setObjectName(QString::fromLatin1(name));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(caption, label);
    return label;
}

QString FigureText(double value) {
    return std::isnan(value) ? QStringLiteral("\u2013")
                             : QString::number(value, 'g', kFigureDigits);
}

// The value as the grid shows it and where: "1.500123 at reading 17".
QString ExtremeText(const RunRecord& record, const ReadingStatistics& statistics, std::size_t k) {
    if (statistics.Count() == 0) {
        return QStringLiteral("\u2013");
    }
    return Latin1Text(record.ValueText(k)) + QStringLiteral(" at reading ") +
           Latin1Text(record.IndexText(k));
}

QString CountText(const ReadingStatistics& statistics) {
    QString text = QString::number(statistics.Count());
    if (statistics.NonFiniteCount() > 0) {
        text += QStringLiteral(" (%1 not finite left out)").arg(statistics.NonFiniteCount());
    }
    return text;
}

}  // namespace

StatisticsWindow::StatisticsWindow(const LatestRun& runs, QWidget& owner)
    : QWidget(&owner, Qt::Window),
      runs_(runs),
      status_(new QLabel),
      plot_(new ReadingsPlotView),
      resetZoom_(new QPushButton(QStringLiteral("Reset zoom"))) {
    setObjectName(QStringLiteral("StatisticsWindow"));
    setWindowTitle(QStringLiteral("Statistics and plot"));
    status_->setObjectName(QStringLiteral("Status"));
    status_->setWordWrap(true);
    plot_->setObjectName(QStringLiteral("Plot"));
    resetZoom_->setObjectName(QStringLiteral("ResetZoom"));

    auto* form = new QFormLayout;
    count_ = AddFigure(form, "Count", QStringLiteral("Count:"));
    mean_ = AddFigure(form, "Mean", QStringLiteral("Mean:"));
    deviation_ = AddFigure(form, "StandardDeviation", QStringLiteral("Standard deviation:"));
    minimum_ = AddFigure(form, "Minimum", QStringLiteral("Minimum:"));
    maximum_ = AddFigure(form, "Maximum", QStringLiteral("Maximum:"));

    auto* hint = new QLabel(
        QStringLiteral("Drag: zoom to box \u00b7 Wheel: zoom \u00b7 Right or middle drag: pan "
                       "\u00b7 Right click: zoom out"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(hint, 1);
    buttons->addWidget(resetZoom_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(status_);
    layout->addWidget(plot_, 1);
    layout->addLayout(buttons);
    resize(kInitialWidth, kInitialHeight);

    connect(resetZoom_, &QPushButton::clicked, plot_, &ReadingsPlotView::ResetZoom);
    ShowNothing(QString());
}

void StatisticsWindow::OnRunFinished() {
    // A hidden window costs the run nothing; it catches up when shown.
    if (isVisible()) {
        Refresh();
    }
}

void StatisticsWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!ShowsLatestRun()) {
        Refresh();
    }
}

bool StatisticsWindow::ShowsLatestRun() const {
    return everShown_ && shownComplete_ && shownSerial_ == runs_.Serial();
}

void StatisticsWindow::Refresh() {
    const QString refusal = ReadingsExport(runs_).Refusal();
    everShown_ = true;
    shownSerial_ = runs_.Serial();
    shownComplete_ = refusal.isEmpty();
    if (!shownComplete_) {
        ShowNothing(refusal);
        return;
    }
    ShowReadings(runs_.Record());
}

void StatisticsWindow::ShowReadings(const RunRecord& record) {
    const std::vector<float>& values = record.Values();
    const ReadingStatistics statistics = ReadingStatistics::Of(values);
    QList<QPointF> points;
    points.reserve(static_cast<qsizetype>(statistics.Count()));
    for (std::size_t k = 0; k < values.size(); ++k) {
        if (std::isfinite(values[k])) {
            points.append(QPointF(static_cast<double>(k), values[k]));
        }
    }
    status_->clear();
    count_->setText(CountText(statistics));
    mean_->setText(FigureText(statistics.Mean()));
    deviation_->setText(FigureText(statistics.StandardDeviation()));
    minimum_->setText(ExtremeText(record, statistics, statistics.MinimumIndex()));
    maximum_->setText(ExtremeText(record, statistics, statistics.MaximumIndex()));
    plot_->SetPoints(points);
}

void StatisticsWindow::ShowNothing(const QString& why) {
    status_->setText(why);
    for (QLabel* figure : {count_, mean_, deviation_, minimum_, maximum_}) {
        figure->setText(QStringLiteral("\u2013"));
    }
    plot_->Clear();
}
