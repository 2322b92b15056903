// Build-time tool: writes the program's drawn icon as the PNG files of an
// icon theme, so that the desktop shows the same icon as the window.
//   orvane_write_icons THEME_DIR
// writes THEME_DIR/<N>x<N>/apps/orvane.png for N = 16, 32 and 48.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <cstdio>
#include <cstdlib>

#include "ui/app_icon.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: orvane_write_icons THEME_DIR\n");
        return 2;
    }
    // Drawing needs a GUI application but never a display.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication application(argc, argv);
    const QDir theme(QString::fromLocal8Bit(argv[1]));
    for (int size : {16, 32, 48}) {
        const QString folder = QStringLiteral("%1x%1/apps").arg(size);
        const QString path = theme.filePath(folder + QStringLiteral("/orvane.png"));
        if (!theme.mkpath(folder) || !ui::appIconImage(size).save(path, "PNG")) {
            std::fprintf(stderr, "orvane_write_icons: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
