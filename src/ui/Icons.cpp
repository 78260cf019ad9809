#include "ui/Icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <functional>

namespace {

// Every icon is drawn on a 32 x 32 grid and rendered at each size the icon offers.
using Drawing = std::function<void(QPainter&)>;

QIcon Render(const Drawing& draw)
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(size / 32.0, size / 32.0);
        draw(painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

void DrawThermometer(QPainter& p)
{
    // Body of the handheld: a grip with a wide measuring head on top.
    QPainterPath body;
    body.moveTo(6, 4);
    body.lineTo(26, 4);
    body.quadTo(29, 4, 29, 7);
    body.lineTo(29, 13);
    body.quadTo(29, 16, 26, 16);
    body.lineTo(19, 16);
    body.lineTo(17, 29);
    body.quadTo(16.5, 30, 15, 30);
    body.lineTo(11, 30);
    body.quadTo(9.5, 30, 10, 28.5);
    body.lineTo(12, 16);
    body.lineTo(6, 16);
    body.quadTo(3, 16, 3, 13);
    body.lineTo(3, 7);
    body.quadTo(3, 4, 6, 4);
    p.setPen(QPen(QColor(30, 40, 60), 1.2));
    p.setBrush(QColor(70, 110, 170));
    p.drawPath(body);
    // Display window.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 235, 210));
    p.drawRoundedRect(QRectF(6, 6.5, 12, 7), 1, 1);
    p.setPen(QPen(QColor(20, 80, 40), 1.2));
    p.drawLine(QPointF(8, 10), QPointF(16, 10));
    // Lens and the infrared beam.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(230, 60, 40));
    p.drawEllipse(QPointF(24.5, 10), 2.5, 2.5);
    // Trigger.
    p.setBrush(QColor(40, 50, 70));
    p.drawRect(QRectF(18.5, 17, 3, 4));
}

void DrawRecord(QPainter& p)
{
    p.setPen(QPen(QColor(120, 0, 0), 1));
    p.setBrush(QColor(220, 20, 20));
    p.drawEllipse(QPointF(16, 16), 11, 11);
}

void DrawPause(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawRect(QRectF(8, 6, 6, 20));
    p.drawRect(QRectF(18, 6, 6, 20));
}

void DrawDelete(QPainter& p)
{
    p.setPen(QPen(QColor(50, 50, 50), 1.5));
    p.setBrush(QColor(170, 175, 180));
    // Can.
    QPainterPath can;
    can.moveTo(8, 10);
    can.lineTo(24, 10);
    can.lineTo(22, 29);
    can.lineTo(10, 29);
    can.closeSubpath();
    p.drawPath(can);
    // Lid and handle.
    p.drawRect(QRectF(6, 6, 20, 3));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(13, 3, 6, 3));
    // Ribs.
    p.drawLine(QPointF(13, 13), QPointF(13.5, 26));
    p.drawLine(QPointF(16, 13), QPointF(16, 26));
    p.drawLine(QPointF(19, 13), QPointF(18.5, 26));
}

void DrawSave(QPainter& p)
{
    p.setPen(QPen(QColor(20, 30, 60), 1.2));
    p.setBrush(QColor(40, 70, 150));
    QPainterPath disk;
    disk.moveTo(4, 4);
    disk.lineTo(24, 4);
    disk.lineTo(28, 8);
    disk.lineTo(28, 28);
    disk.lineTo(4, 28);
    disk.closeSubpath();
    p.drawPath(disk);
    // Shutter.
    p.setBrush(QColor(200, 205, 215));
    p.drawRect(QRectF(9, 4, 13, 8));
    p.setBrush(QColor(40, 70, 150));
    p.drawRect(QRectF(17, 5.5, 3, 5));
    // Label.
    p.setBrush(Qt::white);
    p.drawRect(QRectF(8, 16, 16, 12));
}

void DrawTimer(QPainter& p)
{
    p.setPen(QPen(QColor(40, 40, 40), 1.5));
    p.setBrush(QColor(80, 80, 80));
    p.drawRect(QRectF(14, 2, 4, 3));
    p.drawLine(QPointF(24, 7), QPointF(26, 5));
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(16, 18), 11, 11);
    p.setPen(QPen(QColor(200, 20, 20), 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(16, 18), QPointF(16, 10));
    p.setPen(QPen(Qt::black, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(16, 18), QPointF(21, 21));
}

// A memory chip with an arrow: down into the list when reading, up into the chip when writing.
void DrawMemory(QPainter& p, bool writing)
{
    p.setPen(QPen(QColor(30, 30, 30), 1.2));
    p.setBrush(QColor(60, 60, 60));
    p.drawRect(QRectF(6, 3, 20, 10));
    for (int x = 8; x <= 23; x += 5) {
        p.drawLine(QPointF(x, 13), QPointF(x, 15));
        p.drawLine(QPointF(x, 1), QPointF(x, 3));
    }
    p.setPen(Qt::NoPen);
    p.setBrush(writing ? QColor(210, 80, 20) : QColor(20, 140, 60));
    QPainterPath arrow;
    if (writing) {
        arrow.moveTo(16, 16);
        arrow.lineTo(24, 23);
        arrow.lineTo(19, 23);
        arrow.lineTo(19, 30);
        arrow.lineTo(13, 30);
        arrow.lineTo(13, 23);
        arrow.lineTo(8, 23);
    } else {
        arrow.moveTo(13, 16);
        arrow.lineTo(19, 16);
        arrow.lineTo(19, 23);
        arrow.lineTo(24, 23);
        arrow.lineTo(16, 30);
        arrow.lineTo(8, 23);
        arrow.lineTo(13, 23);
    }
    arrow.closeSubpath();
    p.drawPath(arrow);
}

} // namespace

namespace Icons {

QIcon Application()
{
    return Render(DrawThermometer);
}

QIcon Record()
{
    return Render(DrawRecord);
}

QIcon Pause()
{
    return Render(DrawPause);
}

QIcon Delete()
{
    return Render(DrawDelete);
}

QIcon Save()
{
    return Render(DrawSave);
}

QIcon Timer()
{
    return Render(DrawTimer);
}

QIcon Empty()
{
    return Render([](QPainter&) {});
}

QIcon Read()
{
    return Render([](QPainter& p) { DrawMemory(p, false); });
}

QIcon Write()
{
    return Render([](QPainter& p) { DrawMemory(p, true); });
}

QIcon ByName(const QString& name)
{
    if (name == QLatin1String("application")) return Application();
    if (name == QLatin1String("record")) return Record();
    if (name == QLatin1String("pause")) return Pause();
    if (name == QLatin1String("delete")) return Delete();
    if (name == QLatin1String("save")) return Save();
    if (name == QLatin1String("timer")) return Timer();
    if (name == QLatin1String("empty")) return Empty();
    if (name == QLatin1String("read")) return Read();
    if (name == QLatin1String("write")) return Write();
    return QIcon();
}

} // namespace Icons
