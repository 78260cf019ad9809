#pragma once

#include <QWidget>

#include "image/CJpegImage.h"

struct AppState;

// The title picture shown for a few seconds at start: a frameless 640 x 400 window in the
// middle of the screen with [System] TitleImageFile stretched over it. A missing or unreadable
// picture is reported in a stop box while the page is made; the window then stays empty.
class CTitlePage : public QWidget {
    Q_OBJECT
public:
    explicit CTitlePage(AppState& app);
    ~CTitlePage() override;

    bool Loaded() const { return loaded_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CJpegImage image_;
    bool loaded_ = false;
};
