#include "ui/StatisticsWindow.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>
#include <cmath>

#include "analysis/ReadingStatistics.h"
#include "analysis/SampleInterval.h"
#include "csv/AnalysisCsv.h"
#include "run/LatestRun.h"
#include "ui/HistogramView.h"
#include "ui/Latin1Text.h"
#include "ui/ReadingsExport.h"
#include "ui/ReadingsPlotView.h"
#include "ui/SpectrumView.h"

namespace {

constexpr int kFigureDigits = 10;
constexpr int kCrestDigits = 4;
constexpr int kPeakDigits = 6;
constexpr int kInitialWidth = 900;
constexpr int kInitialHeight = 680;
const char* const kLineFrequencyKey = "analysis/lineFrequencyHz";
constexpr int kLineFrequencies[] = {50, 60};
constexpr int kSegmentLengths[] = {256, 512, 1024, 2048, 4096, 8192, 16384, 32768};
constexpr int kMaxBins = 10000;

QLabel* AddFigure(QFormLayout* form, const char* name, const QString& caption) {
    auto* label = new QLabel;
    label->setObjectName(QString::fromLatin1(name));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(caption, label);
    return label;
}

QString FigureText(double value, int digits = kFigureDigits) {
    return std::isnan(value) ? QStringLiteral("\u2013") : QString::number(value, 'g', digits);
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

QString PeaksText(const AmplitudeSpectrum& spectrum) {
    if (spectrum.density.empty()) {
        return QStringLiteral("No spectrum: too few readings.");
    }
    QString text = spectrum.peaks.empty()
                       ? QStringLiteral("No peak stands above the noise floor.")
                       : QStringLiteral("Peaks above the noise floor (frequency, RMS amplitude):");
    for (const SpectrumPeak& peak : spectrum.peaks) {
        text += QStringLiteral("\n%1 Hz   %2")
                    .arg(QString::number(peak.frequencyHz, 'g', kPeakDigits),
                         QString::number(peak.rmsAmplitude, 'g', kPeakDigits));
    }
    text += QStringLiteral("\n\n%1 segments of %2 readings, %3 Hz a bin")
                .arg(spectrum.segmentCount)
                .arg(spectrum.segmentLength)
                .arg(QString::number(spectrum.binWidthHz, 'g', kPeakDigits));
    return text;
}

int RememberedLineFrequency() {
    const int hz =
        QSettings()
            .value(QString::fromLatin1(kLineFrequencyKey), SampleInterval::kDefaultLineFrequencyHz)
            .toInt();
    return SampleInterval::IsLineFrequency(hz) ? hz : SampleInterval::kDefaultLineFrequencyHz;
}

QWidget* Tab(QWidget* view, QLayout* controls) {
    auto* tab = new QWidget;
    auto* layout = new QVBoxLayout(tab);
    layout->addWidget(view, 1);
    layout->addLayout(controls);
    return tab;
}

}  // namespace

StatisticsWindow::StatisticsWindow(const LatestRun& runs, QWidget& owner)
    : QWidget(&owner, Qt::Window),
      runs_(runs),
      status_(new QLabel),
      peaks_(new QLabel),
      lineFrequency_(new QComboBox),
      tabs_(new QTabWidget),
      plot_(new ReadingsPlotView),
      resetZoom_(new QPushButton(QStringLiteral("Reset zoom"))),
      histogramView_(new HistogramView),
      bins_(new QSpinBox),
      saveHistogram_(new QPushButton(QStringLiteral("Save histogram as CSV\u2026"))),
      spectrumView_(new SpectrumView),
      segment_(new QComboBox),
      saveSpectrum_(new QPushButton(QStringLiteral("Save spectrum as CSV\u2026"))),
      saving_(*this) {
    setObjectName(QStringLiteral("StatisticsWindow"));
    setWindowTitle(QStringLiteral("Statistics and plot"));
    status_->setObjectName(QStringLiteral("Status"));
    status_->setWordWrap(true);

    auto* left = new QFormLayout;
    count_ = AddFigure(left, "Count", QStringLiteral("Count:"));
    mean_ = AddFigure(left, "Mean", QStringLiteral("Mean:"));
    deviation_ =
        AddFigure(left, "StandardDeviation", QStringLiteral("AC RMS (standard deviation):"));
    peakToPeak_ = AddFigure(left, "PeakToPeak", QStringLiteral("Peak to peak:"));
    auto* right = new QFormLayout;
    right->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    crestFactor_ = AddFigure(right, "CrestFactor", QStringLiteral("Crest factor:"));
    minimum_ = AddFigure(right, "Minimum", QStringLiteral("Minimum:"));
    maximum_ = AddFigure(right, "Maximum", QStringLiteral("Maximum:"));
    lineFrequency_->setObjectName(QStringLiteral("LineFrequency"));
    for (const int hz : kLineFrequencies) {
        lineFrequency_->addItem(QStringLiteral("%1 Hz").arg(hz), hz);
    }
    lineFrequency_->setCurrentIndex(lineFrequency_->findData(RememberedLineFrequency()));
    lineFrequency_->setToolTip(
        QStringLiteral("A reading takes 0.001 of a line period: 20 \u00b5s at 50 Hz"));
    right->addRow(QStringLiteral("Line frequency:"), lineFrequency_);
    auto* figures = new QHBoxLayout;
    figures->addLayout(left, 1);
    figures->addLayout(right, 1);

    tabs_->addTab(MakeReadingsTab(), QStringLiteral("Readings"));
    tabs_->addTab(MakeHistogramTab(), QStringLiteral("Histogram"));
    tabs_->addTab(MakeSpectrumTab(), QStringLiteral("Spectrum"));

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(figures);
    layout->addWidget(status_);
    layout->addWidget(tabs_, 1);
    resize(kInitialWidth, kInitialHeight);

    connect(lineFrequency_, &QComboBox::currentIndexChanged, this,
            &StatisticsWindow::OnLineFrequencyChosen);
    plot_->SetSampleInterval(SecondsPerReading());
    ShowNothing(QString());
}

QWidget* StatisticsWindow::MakeReadingsTab() {
    plot_->setObjectName(QStringLiteral("Plot"));
    resetZoom_->setObjectName(QStringLiteral("ResetZoom"));
    auto* hint = new QLabel(
        QStringLiteral("Drag: zoom to box \u00b7 Wheel: zoom \u00b7 Right or middle drag: pan "
                       "\u00b7 Right click: zoom out"));
    auto* controls = new QHBoxLayout;
    controls->addWidget(hint, 1);
    controls->addWidget(resetZoom_);
    connect(resetZoom_, &QPushButton::clicked, plot_, &ReadingsPlotView::ResetZoom);
    return Tab(plot_, controls);
}

QWidget* StatisticsWindow::MakeHistogramTab() {
    histogramView_->setObjectName(QStringLiteral("Histogram"));
    bins_->setObjectName(QStringLiteral("Bins"));
    bins_->setRange(0, kMaxBins);
    bins_->setSpecialValueText(QStringLiteral("Auto (Freedman\u2013Diaconis)"));
    bins_->setToolTip(QStringLiteral("Number of bins; 0 picks it from the readings' spread"));
    saveHistogram_->setObjectName(QStringLiteral("SaveHistogram"));
    auto* controls = new QHBoxLayout;
    controls->addWidget(new QLabel(QStringLiteral("Bins:")));
    controls->addWidget(bins_);
    controls->addStretch(1);
    controls->addWidget(saveHistogram_);
    connect(bins_, &QSpinBox::valueChanged, this, [this] { ShowHistogram(); });
    connect(saveHistogram_, &QPushButton::clicked, this, &StatisticsWindow::SaveHistogramAsCsv);
    return Tab(histogramView_, controls);
}

QWidget* StatisticsWindow::MakeSpectrumTab() {
    spectrumView_->setObjectName(QStringLiteral("Spectrum"));
    peaks_->setObjectName(QStringLiteral("Peaks"));
    peaks_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    peaks_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    segment_->setObjectName(QStringLiteral("SegmentLength"));
    for (const int length : kSegmentLengths) {
        segment_->addItem(QString::number(length), length);
    }
    segment_->setCurrentIndex(
        segment_->findData(static_cast<int>(WelchSpectrum::kDefaultSegmentLength)));
    saveSpectrum_->setObjectName(QStringLiteral("SaveSpectrum"));
    auto* view = new QWidget;
    auto* beside = new QHBoxLayout(view);
    beside->setContentsMargins(0, 0, 0, 0);
    beside->addWidget(spectrumView_, 1);
    beside->addWidget(peaks_);
    auto* controls = new QHBoxLayout;
    controls->addWidget(new QLabel(QStringLiteral("Segment length (Hann, 50 % overlap):")));
    controls->addWidget(segment_);
    controls->addStretch(1);
    controls->addWidget(saveSpectrum_);
    connect(segment_, &QComboBox::currentIndexChanged, this, [this] { ShowSpectrum(); });
    connect(saveSpectrum_, &QPushButton::clicked, this, &StatisticsWindow::SaveSpectrumAsCsv);
    return Tab(view, controls);
}

double StatisticsWindow::SecondsPerReading() const {
    return SampleInterval::Seconds(lineFrequency_->currentData().toInt());
}

void StatisticsWindow::OnLineFrequencyChosen() {
    QSettings().setValue(QString::fromLatin1(kLineFrequencyKey),
                         lineFrequency_->currentData().toInt());
    plot_->SetSampleInterval(SecondsPerReading());
    ShowSpectrum();
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
    values_ = record.Values();
    const ReadingStatistics statistics = ReadingStatistics::Of(values_);
    QList<QPointF> points;
    points.reserve(static_cast<qsizetype>(statistics.Count()));
    for (std::size_t k = 0; k < values_.size(); ++k) {
        if (std::isfinite(values_[k])) {
            points.append(QPointF(static_cast<double>(k), values_[k]));
        }
    }
    status_->clear();
    count_->setText(CountText(statistics));
    mean_->setText(FigureText(statistics.Mean()));
    deviation_->setText(FigureText(statistics.AcRms()));
    peakToPeak_->setText(FigureText(statistics.PeakToPeak()));
    crestFactor_->setText(FigureText(statistics.CrestFactor(), kCrestDigits));
    minimum_->setText(ExtremeText(record, statistics, statistics.MinimumIndex()));
    maximum_->setText(ExtremeText(record, statistics, statistics.MaximumIndex()));
    plot_->SetPoints(points);
    ShowHistogram();
    ShowSpectrum();
}

void StatisticsWindow::ShowHistogram() {
    histogram_ = ReadingHistogram::Of(values_, static_cast<std::size_t>(bins_->value()));
    histogramView_->Show(histogram_);
    saveHistogram_->setEnabled(!histogram_.counts.empty());
}

void StatisticsWindow::ShowSpectrum() {
    spectrum_ = welch_.Of(values_, SecondsPerReading(),
                          static_cast<std::size_t>(segment_->currentData().toInt()));
    spectrumView_->Show(spectrum_);
    peaks_->setText(values_.empty() ? QString() : PeaksText(spectrum_));
    saveSpectrum_->setEnabled(!spectrum_.density.empty());
}

void StatisticsWindow::ShowNothing(const QString& why) {
    status_->setText(why);
    for (QLabel* figure :
         {count_, mean_, deviation_, peakToPeak_, crestFactor_, minimum_, maximum_}) {
        figure->setText(QStringLiteral("\u2013"));
    }
    values_.clear();
    plot_->Clear();
    ShowHistogram();
    ShowSpectrum();
}

// The text is taken before the file dialog: what was shown is what is saved,
// whatever a run does while the dialog is open.
void StatisticsWindow::SaveHistogramAsCsv() {
    saving_.Save(QStringLiteral("Save histogram as CSV"), QStringLiteral("histogram"),
                 AnalysisCsv::Histogram(histogram_));
}

void StatisticsWindow::SaveSpectrumAsCsv() {
    saving_.Save(QStringLiteral("Save spectrum as CSV"), QStringLiteral("spectrum"),
                 AnalysisCsv::Spectrum(spectrum_));
}
