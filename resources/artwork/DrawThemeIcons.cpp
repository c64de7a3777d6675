// Draws the application icon into an icon theme folder, one picture per size:
// <theme>/<N>x<N>/apps/lumora.png. The build runs it for the installed hicolor icons.
//
//   lumora_draw_theme_icons <theme folder> <size>...

#include "IconPicture.h"

#include <QDir>
#include <QGuiApplication>
#include <cstdio>

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: lumora_draw_theme_icons <theme folder> <size>...\n");
        return 2;
    }
    const QString theme = QString::fromLocal8Bit(argv[1]);
    for (int i = 2; i < argc; ++i) {
        bool ok = false;
        const int size = QByteArray(argv[i]).toInt(&ok);
        if (!ok || size < 8 || size > 1024) {
            std::fprintf(stderr, "not an icon size: %s\n", argv[i]);
            return 2;
        }
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(theme).arg(size);
        const QString path = folder + QStringLiteral("/lumora.png");
        if (!QDir().mkpath(folder) || !Artwork::PaintIcon(size).save(path)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
