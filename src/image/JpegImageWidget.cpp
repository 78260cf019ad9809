#include "image/JpegImageWidget.h"

#include <QAbstractButton>
#include <QPainter>
#include <QPixmap>
#include <QWidget>

#include "image/CJpegImage.h"

QImage PixelRowsToImage(const PixelRows& pixels)
{
    if (pixels.width <= 0 || pixels.height <= 0) return QImage();
    QImage::Format format;
    if (pixels.channels == 3)
        format = QImage::Format_BGR888;
    else if (pixels.channels == 4)
        format = QImage::Format_ARGB32_Premultiplied; // B, G, R, A in memory on little-endian hosts
    else
        return QImage();
    const auto needed = static_cast<std::size_t>(pixels.Stride()) * static_cast<std::size_t>(pixels.height);
    if (pixels.bits.size() < needed) return QImage();
    // The rows belong to the picture object: take a copy the image owns.
    return QImage(pixels.bits.data(), pixels.width, pixels.height, pixels.Stride(), format).copy();
}

void PaintStretched(const CJpegImage& image, QWidget& widget, QPainter& painter)
{
    const QImage picture = PixelRowsToImage(image.pixels);
    if (picture.isNull()) return;
    painter.drawImage(QRect(0, 0, widget.width(), widget.height()), picture);
}

void SetButtonImage(const CJpegImage& image, QAbstractButton& button)
{
    const QImage picture = PixelRowsToImage(image.pixels);
    if (picture.isNull()) {
        button.setIcon(QIcon());
        return;
    }
    const QPixmap pixmap = QPixmap::fromImage(picture);
    button.setIcon(QIcon(pixmap));
    button.setIconSize(pixmap.size());
}
