#pragma once

#include <QImage>

class CJpegImage;
class QAbstractButton;
class QPainter;
class QWidget;
struct PixelRows;

// Pixel rows as a QImage: 3 channels as 24-bit BGR, 4 channels as premultiplied BGRA.
// Any other layout, or an empty picture, gives a null image.
QImage PixelRowsToImage(const PixelRows& pixels);

// Draws the picture stretched over the whole widget, first row at the top; the picture takes
// the widget's proportions. Nothing is drawn when the picture is empty.
void PaintStretched(const CJpegImage& image, QWidget& widget, QPainter& painter);

// Gives the picture to a push button as its image, at the picture's own size. A picture that
// failed to load leaves the button without image.
void SetButtonImage(const CJpegImage& image, QAbstractButton& button);
