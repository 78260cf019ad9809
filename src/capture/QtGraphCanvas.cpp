#include "capture/QtGraphCanvas.h"

#include <QString>

#include <cmath>

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
        // The pen chosen last stays chosen across pictures, as on a drawing surface that lives on.
        painter_.setPen(pens_[static_cast<int>(pen_)]);
    }
    return painter_;
}

void QtGraphCanvas::SelectPen(GraphPen pen)
{
    pen_ = pen;
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

const QStaticText& QtGraphCanvas::Label(const std::string& text)
{
    auto found = labels_.find(text);
    if (found == labels_.end()) {
        if (labels_.size() >= 256) labels_.clear();
        QStaticText label(QString::fromStdString(text));
        label.setTextFormat(Qt::PlainText);
        label.prepare(QTransform(), font_);
        found = labels_.emplace(text, std::move(label)).first;
    }
    return found->second;
}

int QtGraphCanvas::TextWidth(const std::string& text)
{
    return static_cast<int>(std::ceil(Label(text).size().width()));
}

void QtGraphCanvas::Text(int x, int y, const std::string& text)
{
    QPainter& painter = Painter();
    const QStaticText& label = Label(text);
    const QPen pen = painter.pen();
    // Written on a white box: a label written again over itself stays as it was.
    const QSizeF size = label.size();
    painter.fillRect(QRectF(x, y, size.width(), size.height()), Qt::white);
    painter.setPen(Qt::black);
    painter.drawStaticText(x, y, label);
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

GraphFrame::GraphFrame(QWidget* parent) : QFrame(parent)
{
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    QPalette p = palette();
    p.setColor(QPalette::WindowText, Qt::white);
    setPalette(p);
}

void GraphFrame::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    if (image == nullptr) return;
    QPainter painter(this);
    painter.drawImage(contentsRect().topLeft(), *image);
}
