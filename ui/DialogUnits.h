#pragma once

#include <QFont>
#include <QRect>

class QDialog;

// Converts dialog units to pixels from a font's metrics, the way dialog
// templates are laid out: a horizontal unit is a quarter of the font's
// average character width, a vertical unit an eighth of its height.
class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);
    DialogUnits(int baseWidth, int baseHeight);

    // 新細明體 9 pt where it exists, else the closest Ming face.
    static QFont DialogFont();
    // Gives `dialog` what every template of this program has: a title bar
    // with the close box only, the dialog font and a fixed size of
    // `widthUnits` x `heightUnits`. Returns the units its controls are placed in.
    static DialogUnits SetUpDialog(QDialog& dialog, int widthUnits, int heightUnits);

    int BaseWidth() const { return baseWidth_; }
    int BaseHeight() const { return baseHeight_; }
    int X(int units) const;
    int Y(int units) const;
    QRect Rect(int x, int y, int width, int height) const;

private:
    int baseWidth_;
    int baseHeight_;
};
