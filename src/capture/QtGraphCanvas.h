#pragma once

#include <QFont>
#include <QFrame>
#include <QImage>
#include <QPainter>
#include <QPen>

#include <QStaticText>

#include <functional>
#include <string>
#include <unordered_map>

#include "capture/CaptureGraph.h"

// The graph's picture: a QImage the size of the graph frame's client area, drawn with
// QPainter. A painter stays open from the first call of a drawing sequence to Present, which
// closes it and tells the frame to show the new picture.
class QtGraphCanvas final : public GraphCanvas {
public:
    QtGraphCanvas(int width, int height);
    ~QtGraphCanvas() override;

    void SelectPen(GraphPen pen) override;
    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void Text(int x, int y, const std::string& text) override;
    int TextWidth(const std::string& text) override;
    void FillWhite(int left, int top, int right, int bottom) override;
    void Present() override;

    // The picture as drawn up to the last Present.
    const QImage& Image() const { return image_; }
    // Run by Present (the frame repaints itself).
    std::function<void()> onPresent;

private:
    QPainter& Painter();
    const QStaticText& Label(const std::string& text);

    QImage image_;
    QPainter painter_;
    QPen pens_[4];
    QFont font_;
    // Laid-out labels: a live point rewrites the same few time labels every tick.
    std::unordered_map<std::string, QStaticText> labels_;
    GraphPen pen_ = GraphPen::Frame;
    int x_ = 0, y_ = 0;
};

// The white frame the graph picture is shown in.
class GraphFrame : public QFrame {
public:
    explicit GraphFrame(QWidget* parent);
    // The picture painted inside the frame; none while null.
    const QImage* image = nullptr;

protected:
    void paintEvent(QPaintEvent* event) override;
};
