#include "capture/QtGraphCanvas.h"

#include <QString>

QtGraphCanvas::QtGraphCanvas(int width, int height)
    : image_(width, height, QImage::Format_RGB32), font_(QStringLiteral("Tahoma"))
{
    image_.fill(Qt::white);
    pens_[static_cast<int>(GraphPen::Normal)] = QPen(QColor(0, 0, 255), 2, Qt::SolidLine, Qt::RoundCap);
    pens_[static_cast<int>(GraphPen::Alarm)] = QPen(QColor(255, 0, 0), 2, Qt::SolidLine, Qt::RoundCap);
    pens_[static_cast<int>(GraphPen::Frame)] = QPen(QColor(0, 0, 0), 1);
    pens_[static_cast<int>(GraphPen::Grid)] = QPen(QColor(120, 120, 120), 1, Qt::DotLine);
    font_.setPointSize(7);
}

QtGraphCanvas::~QtGraphCanvas()
{
    if (painter_.isActive()) painter_.end();
}

QPainter& QtGraphCanvas::Painter()
{
    if (!painter_.isActive()) {
        painter_.begin(&image_);
        painter_.setFont(font_);
        painter_.setPen(pens_[static_cast<int>(GraphPen::Frame)]);
        // Labels are written on a white box, as on a memory surface with default settings.
        painter_.setBackgroundMode(Qt::OpaqueMode);
        painter_.setBackground(Qt::white);
    }
    return painter_;
}

void QtGraphCanvas::SelectPen(GraphPen pen)
{
    Painter().setPen(pens_[static_cast<int>(pen)]);
}

void QtGraphCanvas::MoveTo(int x, int y)
{
    x_ = x;
    y_ = y;
}

void QtGraphCanvas::LineTo(int x, int y)
{
    Painter().drawLine(x_, y_, x, y);
    x_ = x;
    y_ = y;
}

void QtGraphCanvas::Text(int x, int y, const std::string& text)
{
    QPainter& painter = Painter();
    const QPen pen = painter.pen();
    painter.setPen(Qt::black);
    painter.drawText(x, y + painter.fontMetrics().ascent(), QString::fromStdString(text));
    painter.setPen(pen);
}

void QtGraphCanvas::FillWhite(int left, int top, int right, int bottom)
{
    Painter().fillRect(left, top, right - left, bottom - top, Qt::white);
}

void QtGraphCanvas::Present()
{
    if (painter_.isActive()) painter_.end();
    if (onPresent) onPresent();
}
