#include "StatisticsWindow.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <charconv>
#include <cmath>
#include <optional>
#include <string_view>

#include "CMeterDlg.h"
#include "FlexGridModel.h"
#include "ReadingStatistics.h"
#include "ReadingsExport.h"
#include "ReadingsPlotView.h"
#include "ReadingsRun.h"

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
QString ExtremeText(const ReadingsExport& readings, const ReadingStatistics& statistics,
                    std::size_t index) {
    if (statistics.Count() == 0) {
        return QStringLiteral("\u2013");
    }
    const int k = static_cast<int>(index);
    return FlexGridModel::DisplayText(readings.ValueText(k)) + QStringLiteral(" at reading ") +
           FlexGridModel::DisplayText(readings.IndexText(k));
}

QString CountText(const ReadingStatistics& statistics) {
    QString text = QString::number(statistics.Count());
    QStringList left;
    if (statistics.NonFiniteCount() > 0) {
        left << QStringLiteral("%1 not finite").arg(statistics.NonFiniteCount());
    }
    if (statistics.UnreadableCount() > 0) {
        left << QStringLiteral("%1 unreadable").arg(statistics.UnreadableCount());
    }
    if (!left.isEmpty()) {
        text += QStringLiteral(" (%1 left out)").arg(left.join(QStringLiteral(", ")));
    }
    return text;
}

// A finite number for the whole text, as the figures take it, or nothing.
std::optional<double> PlotValue(std::string_view text) {
    double value = 0.0;
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    if (result.ec != std::errc() || result.ptr != end || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

StatisticsWindow::StatisticsWindow(CMeterDlg& dlg)
    : QWidget(&dlg, Qt::Window),
      dlg_(dlg),
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
    connect(&dlg_, &CMeterDlg::runFinished, this, &StatisticsWindow::OnRunFinished);
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
    return everShown_ && shownComplete_ && shownSerial_ == dlg_.LatestRun().Serial();
}

void StatisticsWindow::Refresh() {
    const ReadingsExport readings = ReadingsExport::Of(dlg_);
    const QString refusal = readings.Refusal();
    everShown_ = true;
    shownSerial_ = dlg_.LatestRun().Serial();
    shownComplete_ = refusal.isEmpty();
    if (!shownComplete_) {
        ShowNothing(refusal);
        return;
    }
    ShowReadings(readings);
}

void StatisticsWindow::ShowReadings(const ReadingsExport& readings) {
    ReadingStatistics statistics;
    QList<QPointF> points;
    points.reserve(readings.RowCount());
    for (int k = 0; k < readings.RowCount(); ++k) {
        const std::string& text = readings.ValueText(k);
        statistics.Add(text);
        if (const std::optional<double> value = PlotValue(text)) {
            points.append(QPointF(k, *value));
        }
    }
    status_->clear();
    count_->setText(CountText(statistics));
    mean_->setText(FigureText(statistics.Mean()));
    deviation_->setText(FigureText(statistics.StandardDeviation()));
    minimum_->setText(ExtremeText(readings, statistics, statistics.MinimumIndex()));
    maximum_->setText(ExtremeText(readings, statistics, statistics.MaximumIndex()));
    plot_->SetPoints(points);
}

void StatisticsWindow::ShowNothing(const QString& why) {
    status_->setText(why);
    for (QLabel* figure : {count_, mean_, deviation_, minimum_, maximum_}) {
        figure->setText(QStringLiteral("\u2013"));
    }
    plot_->Clear();
}
