#include "ui/CAboutBox.h"

#include <QLabel>
#include <QPushButton>

#include "res/AppIcon.h"
#include "res/Version.h"
#include "ui/DialogUnits.h"

namespace {

constexpr int kWidthUnits = 235;
constexpr int kHeightUnits = 55;
constexpr int kIconPixels = 32;

QLabel* MakeText(QWidget* parent, const QString& text, const QRect& rect) {
    auto* label = new QLabel(text, parent);
    // Shown as written: no markup, no mnemonics.
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(rect);
    return label;
}

}  // namespace

CAboutBox::CAboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("IDD_ABOUT"));
    setWindowTitle(QStringLiteral("關於 Zorvane"));
    const DialogUnits units = DialogUnits::SetUpDialog(*this, kWidthUnits, kHeightUnits);

    // An icon control takes the icon's size at the template's position.
    const QPixmap icon = LoadAppIcon().pixmap(kIconPixels, kIconPixels);
    m_labelIcon = new QLabel(this);
    m_labelIcon->setGeometry(
        QRect(units.Rect(11, 17, 20, 20).topLeft(), icon.deviceIndependentSize().toSize()));
    m_labelIcon->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_labelIcon->setPixmap(icon);
    m_labelVersion = MakeText(this, QStringLiteral("Zorvane Version " ZORVANE_VERSION_MAJOR_MINOR),
                              units.Rect(40, 10, 119, 8));
    m_labelNote =
        MakeText(this, QStringLiteral("USB 桌上型電錶快速取樣工具"), units.Rect(40, 25, 119, 8));
    m_buttonOk = new QPushButton(QStringLiteral("確定"), this);
    m_buttonOk->setGeometry(units.Rect(178, 7, 50, 14));
    m_buttonOk->setDefault(true);
    connect(m_buttonOk, &QPushButton::clicked, this, &QDialog::accept);
}
