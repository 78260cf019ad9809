#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

// Dialog units of a dialog font, converted to pixels the way Windows lays out dialog templates:
// a horizontal unit is a quarter of the font's average character width, a vertical unit an
// eighth of its height. Layouts are written in dialog units so the windows keep their
// proportions whatever the font resolves to.
class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);
    // Units whose base width and height are already known, in pixels.
    DialogUnits(int baseWidth, int baseHeight) : baseWidth_(baseWidth), baseHeight_(baseHeight) {}

    int X(int units) const;
    int Y(int units) const;
    QRect Rect(int x, int y, int width, int height) const;
    QSize Size(int width, int height) const;

    // Average character width in pixels: the width of A..Z a..z divided by 52, rounded.
    int BaseWidth() const { return baseWidth_; }
    // Font height in pixels.
    int BaseHeight() const { return baseHeight_; }

private:
    int baseWidth_;
    int baseHeight_;
};

// Maps the Windows font names that the dialogs ask for to fonts that a Linux desktop has:
// "MS UI Gothic" and "ＭＳ Ｐゴシック" to the IPA Gothic fonts, "Tahoma" and "Verdana" to
// DejaVu Sans. Call once after the QApplication exists.
void InstallFontSubstitutions();

// The font of every dialog: 9-point "MS UI Gothic".
QFont DialogFont();
