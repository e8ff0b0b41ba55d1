#include "ui/DialogUnits.h"

#include <QDialog>
#include <QFontMetrics>
#include <QStringList>

namespace {

constexpr int kUnitsPerBaseWidth = 4;
constexpr int kUnitsPerBaseHeight = 8;
constexpr int kDialogFontPoints = 9;

// value * numerator / denominator, rounded half away from zero.
int ScaleRounded(int value, int numerator, int denominator) {
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator
                                         : (product - half) / denominator);
}

// The average width of the 52 Latin letters, rounded, as dialog layouts
// measure a font.
int AverageCharWidth(const QFontMetrics& metrics) {
    static const QString kLetters =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return (metrics.horizontalAdvance(kLetters) / 26 + 1) / 2;
}

}  // namespace

DialogUnits::DialogUnits(const QFont& font)
    : DialogUnits(AverageCharWidth(QFontMetrics(font)), QFontMetrics(font).height()) {}

DialogUnits::DialogUnits(int baseWidth, int baseHeight)
    : baseWidth_(baseWidth), baseHeight_(baseHeight) {}

QFont DialogUnits::DialogFont() {
    QFont font;
    font.setFamilies(
        {QStringLiteral("新細明體"), QStringLiteral("PMingLiU"), QStringLiteral("AR PL UMing TW")});
    font.setPointSize(kDialogFontPoints);
    return font;
}

DialogUnits DialogUnits::SetUpDialog(QDialog& dialog, int widthUnits, int heightUnits) {
    // No minimise, maximise or resize.
    dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    dialog.setFont(DialogFont());
    const DialogUnits units(dialog.font());
    dialog.setFixedSize(units.X(widthUnits), units.Y(heightUnits));
    return units;
}

int DialogUnits::X(int units) const {
    return ScaleRounded(units, baseWidth_, kUnitsPerBaseWidth);
}

int DialogUnits::Y(int units) const {
    return ScaleRounded(units, baseHeight_, kUnitsPerBaseHeight);
}

QRect DialogUnits::Rect(int x, int y, int width, int height) const {
    // Both corners are converted, so neighbouring controls meet as in the template.
    const int left = X(x);
    const int top = Y(y);
    return QRect(left, top, X(x + width) - left, Y(y + height) - top);
}
