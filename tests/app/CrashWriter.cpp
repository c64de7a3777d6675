// Writes one of the files the program owns, through the program's own writer, for the crash test:
//   lumora_crash_writer <target> <folder> A|B|cycle
// A and B write that version once, print how many microseconds that took and exit. cycle prints "ready" and
// then writes B, A, B, ... until it is killed, holding each version in place for as long as its write took:
// otherwise a large version followed by a small one would be in place only for the small one's write.
// Targets: settings, autostart (both below <folder> as the configuration folder), customcams, bitmap,
// messages (one file in <folder>), language (a pack unpacked into <folder>; the two packs are made once in
// <folder>/../packs).

#include "core/AtomicFile.h"
#include "core/SettingsKey.h"
#include "core/UCams.h"
#include "core/pack/PackWriter.h"
#include "core/pack/ZLIBArchive.h"
#include "core/picture/PictureEncoders.h"
#include "platform/Autostart.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>

namespace {

// Text that is not the same over its length, so that a file cut anywhere differs from every whole one.
QByteArray Filler(qsizetype size, char version) {
    QByteArray text;
    text.reserve(size + 64);
    while (text.size() < size)
        text += "version " + QByteArray(1, version) + " line " + QByteArray::number(text.size()) + "\r\n";
    return text.left(size);
}

bool IsB(char version) {
    return version == 'B';
}

TWebCam MakeSettingsCam(char version) {
    TWebCam cam;
    cam.RefID = IsB(version) ? 2 : 1;
    cam.URL = "http://cams.example/" + QByteArray(1, version) + ".jpg";
    cam.Name = "Cam " + QByteArray(1, version);
    cam.Refresh = IsB(version) ? 60 : 30;
    cam.Description = Filler(IsB(version) ? 200000 : 100, version);
    return cam;
}

bool WriteSettings(const QString&, char version) {
    static const TWebCam a = MakeSettingsCam('A'), b = MakeSettingsCam('B');
    (IsB(version) ? b : a).SaveToRegistry();
    return true;
}

bool WriteAutostart(const QString&, char version) {
    return SetRunOnStartup(true, IsB(version) ? "/opt/" + QString(40000, 'b') + "/lumora"
                                              : QStringLiteral("/usr/bin/lumora"))
        .isEmpty();
}

TCamList MakeCustomCams(char version) {
    TCamList cams;
    for (int i = 0, count = IsB(version) ? 3000 : 3; i < count; ++i) {
        const TWebCamPtr cam = cams.Add();
        cam->URL = "http://cams.example/" + QByteArray(1, version) + QByteArray::number(i) + ".jpg";
        cam->Name = "Custom " + QByteArray::number(i);
        cam->Category = TWebCam::CustomCategory;
        cam->Country = "Nowhere";
        cam->Refresh = 60;
    }
    return cams;
}

bool WriteCustomCams(const QString& folder, char version) {
    static const TCamList a = MakeCustomCams('A'), b = MakeCustomCams('B');
    return (IsB(version) ? b : a).SaveCustom(folder + "/Custom.Cams").isEmpty();
}

TPicture MakeBitmap(char version) {
    TPicture picture = MakePicture(IsB(version) ? 800 : 16, IsB(version) ? 600 : 16);
    for (qsizetype i = 0; i < picture.Pixels.size(); ++i)
        picture.Pixels[i] = char(i * (IsB(version) ? 7 : 3));
    return picture;
}

// Contents are made once, so that the writer spends its time writing.
bool WriteBitmap(const QString& folder, char version) {
    static const TPicture a = MakeBitmap('A'), b = MakeBitmap('B');
    return WriteBmpFile(folder + "/Pic1.bmp", IsB(version) ? b : a).Ok();
}

QByteArray MakeMessages(char version) {
    QByteArray lines;
    for (int refid = 1, count = IsB(version) ? 20000 : 2; refid <= count; ++refid)
        lines += QByteArray::number(refid) + "\r\n";
    return lines;
}

bool WriteMessages(const QString& folder, char version) {
    static const QByteArray a = MakeMessages('A'), b = MakeMessages('B');
    return WriteFileAtomically(folder + "/messages.cam", IsB(version) ? b : a).isEmpty();
}

// Version B renames nothing but changes every file, grows one and adds one, as a new pack does.
bool MakePack(const QString& packPath, char version) {
    if (QFile::exists(packPath))
        return true;
    const QString source = packPath + ".source";
    QDir(source).removeRecursively();
    const std::map<QString, QByteArray> files = {
        {"lang.txt", Filler(IsB(version) ? 4000 : 3000, version)},
        {"help/index.htm", Filler(IsB(version) ? 3000000 : 200000, version)},
        {"skin/button.bmp", Filler(IsB(version) ? 50000 : 40000, version)},
        {IsB(version) ? "help/new.htm" : "help/old.htm", Filler(10000, version)}};
    for (const auto& [name, bytes] : files) {
        QDir().mkpath(QFileInfo(source + '/' + name).absolutePath());
        if (!WriteFileAtomically(source + '/' + name, bytes).isEmpty())
            return false;
    }
    const bool written = WritePack(packPath, source).Ok();
    QDir(source).removeRecursively();
    return written;
}

QString PackPath(const QString& folder, char version) {
    return QDir(folder + "/../packs").absoluteFilePath(QStringLiteral("%1.zlb").arg(version));
}

bool PrepareLanguage(const QString& folder) {
    QDir().mkpath(folder + "/../packs");
    return MakePack(PackPath(folder, 'A'), 'A') && MakePack(PackPath(folder, 'B'), 'B');
}

bool WriteLanguage(const QString& folder, char version) {
    TZLBArchive archive;
    archive.ExtractWithPath = true;
    archive.CheckCRC = true;
    const TResult<bool> opened = archive.OpenArchive(PackPath(folder, version));
    const TResult<> extracted = opened.Ok() ? archive.ExtractFiles(folder + '/') : Failure(opened.Error());
    if (!extracted)
        std::fprintf(stderr, "%s\n", qPrintable(extracted.Error()));
    return extracted.Ok();
}

struct TTarget {
    std::function<bool(const QString& folder)> Prepare;
    std::function<bool(const QString& folder, char version)> Write;
};

bool NothingToPrepare(const QString&) {
    return true;
}

bool CreateSettingsKey(const QString&) {
    return TSettingsKey::Open(TSettingsKey::OpenMode::CreateIfMissing).has_value();
}

const std::map<QString, TTarget>& Targets() {
    static const std::map<QString, TTarget> targets = {{"settings", {CreateSettingsKey, WriteSettings}},
                                                       {"autostart", {NothingToPrepare, WriteAutostart}},
                                                       {"customcams", {NothingToPrepare, WriteCustomCams}},
                                                       {"bitmap", {NothingToPrepare, WriteBitmap}},
                                                       {"messages", {NothingToPrepare, WriteMessages}},
                                                       {"language", {PrepareLanguage, WriteLanguage}}};
    return targets;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4 || !Targets().contains(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "usage: %s <target> <folder> A|B|cycle\n", argv[0]);
        return 2;
    }
    const TTarget& target = Targets().at(QString::fromLocal8Bit(argv[1]));
    const QString folder = QDir(QString::fromLocal8Bit(argv[2])).absolutePath();
    const QByteArray mode = argv[3];
    // The settings key and the autostart entry live in the configuration folder.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder));
    if (!QDir().mkpath(folder) || !target.Prepare(folder))
        return 1;
    if (mode == "A" || mode == "B") {
        // How long one write took, in microseconds: the crash test spreads its kills over a few.
        QElapsedTimer timer;
        timer.start();
        if (!target.Write(folder, mode[0]))
            return 1;
        std::printf("%lld\n", timer.nsecsElapsed() / 1000);
        return 0;
    }
    std::puts("ready");
    std::fflush(stdout);
    for (char version = 'B';; version = IsB(version) ? 'A' : 'B') {
        QElapsedTimer timer;
        timer.start();
        if (!target.Write(folder, version))
            return 1;
        QThread::usleep(std::max<qint64>(1000, timer.nsecsElapsed() / 1000));
    }
}
