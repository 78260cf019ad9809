// rm42-render-icon: writes the program's icon, as drawn in code, to PNG files for the desktop's
// icon theme. Build time only; run on the offscreen platform.
//
//   rm42-render-icon SIZE FILE [SIZE FILE ...]

#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QPixmap>

#include <cstdio>
#include <cstdlib>

#include "ui/Icons.h"

int main(int argc, char* argv[])
{
    QGuiApplication application(argc, argv);
    if (argc < 3 || argc % 2 != 1) {
        std::fputs("usage: rm42-render-icon SIZE FILE [SIZE FILE ...]\n", stderr);
        return 2;
    }
    const QIcon icon = Icons::Application();
    for (int i = 1; i + 1 < argc; i += 2) {
        const int size = std::atoi(argv[i]);
        // The pixmap comes at exactly the size asked for, whatever the screen's scale.
        QImage picture = icon.pixmap(QSize(size, size), 1.0).toImage();
        if (size <= 0 || picture.size() != QSize(size, size) ||
            !picture.save(QString::fromLocal8Bit(argv[i + 1]), "PNG")) {
            std::fprintf(stderr, "rm42-render-icon: cannot write %s at %d pixels\n", argv[i + 1], size);
            return 1;
        }
    }
    return 0;
}
