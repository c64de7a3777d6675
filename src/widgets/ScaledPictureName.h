#pragma once

#include <QString>

// A window's picture may come drawn at twice the density as well, for screens scaled by two: its file
// sits beside the ordinary one with "@2x" before the extension, as "mainform/ok_1@2x.gif" beside
// "mainform/ok_1.gif". This names the file of a picture at a scale; scale 1 is the ordinary file.
inline QString ScaledPictureName(const QString& path, int scale) {
    if (scale == 1)
        return path;
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    const qsizetype cut = dot > path.lastIndexOf(QLatin1Char('/')) ? dot : path.size();
    return path.left(cut) + QStringLiteral("@%1x").arg(scale) + path.mid(cut);
}
