// Applying a full language (every window's skin: backgrounds and four pictures of every button, then
// every window's texts and the tray menu) against decoding the same picture files alone.
#include "app/UMainForm.h"
#include "app/WindowLanguages.h"
#include "catalogue/UCamForm.h"
#include "core/picture/PictureDecoders.h"
#include "core/picture/PictureEncoders.h"
#include "i18n/UDownloadForm.h"
#include "outreach/UAttentionForm.h"
#include "outreach/UMForm.h"
#include "platform/ULMRLib.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

constexpr int Language = 7;
constexpr int Rounds = 15;

// A picture with a gradient and some detail, as skins have.
TPicture SkinPicture(int width, int height, int seed) {
    TPicture picture = MakePicture(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            char* pixel = picture.Row(y) + x * 3;
            pixel[0] = char((x * 3 + seed) & 0xF8);
            pixel[1] = char((y * 5 + seed * 7) & 0xF8);
            pixel[2] = char(((x ^ y) + seed) & 0xC0);
        }
    return picture;
}

void Write(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
}

struct TWindowSkin {
    const char* Folder;
    QList<std::pair<const char*, QSize>> Backgrounds;
    QList<std::pair<const char*, QSize>> Buttons;
};

// Every skin file the windows read, at the designed sizes.
void WriteSkins(const QString& dir) {
    const QSize wide(114, 26), help(35, 26), small(23, 23);
    const QList<TWindowSkin> windows = {
        {"mainform",
         {{"background.bmp", {597, 398}}},
         {{"ok", wide},
          {"apply", wide},
          {"cancel", wide},
          {"restore", wide},
          {"shutdown", wide},
          {"camhomepage", wide},
          {"help", wide},
          {"tellafriend", wide},
          {"korvex", wide},
          {"plus", small},
          {"minus", small},
          {"edit", small}}},
        {"attentionform",
         {{"background_a.bmp", {300, 193}}, {"background_t.bmp", {300, 193}}},
         {{"retry", wide}, {"ok", wide}, {"help", help}, {"cancel", wide}}},
        {"camform",
         {{"background.bmp", {420, 240}}},
         {{"ok", wide}, {"cancel", wide}, {"suggest", wide}, {"help", help}}},
        {"downloadform", {{"background.bmp", {300, 163}}}, {{"cancel", wide}, {"help", help}}},
        {"mform", {{"background.bmp", {424, 36}}}, {{"ok", wide}, {"help", help}}},
    };
    int seed = 0;
    for (const TWindowSkin& window : windows) {
        const QString folder = dir + '/' + window.Folder + '/';
        for (const auto& [name, size] : window.Backgrounds)
            Write(folder + name, EncodeBmp(SkinPicture(size.width(), size.height(), ++seed)));
        for (const auto& [name, size] : window.Buttons)
            for (int k = 1; k <= 4; ++k)
                Write(folder + name + '_' + QString::number(k) + ".gif",
                      EncodeGif(SkinPicture(size.width(), size.height(), ++seed)));
    }
}

double CpuMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

template <typename Work> double Milliseconds(Work work) {
    const double start = CpuMilliseconds();
    work();
    return CpuMilliseconds() - start;
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_DOCUMENTS_DIR", (home.path() + "/Documents").toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toLocal8Bit());
    QApplication application(argc, argv);

    const QString dir = LanguageDirectory(DataDirectory(), Language);
    WriteSkins(dir);
    QFile::copy(QStringLiteral(LUMORA_SOURCE_DIR "/resources/lang/lang1/properties.cam"),
                dir + "/properties.cam");
    QStringList pictures;
    QDirIterator it(dir, {"*.bmp", "*.gif"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        pictures << it.next();

    // A start far in the future: nothing talks to the network. The secondary windows are the ones
    // the main window would have made and given the language.
    TMainForm mainForm({QStringLiteral("/d99999")});
    TCamForm camForm;
    TDownloadForm downloadForm;
    TAttentionForm attentionForm;
    TMForm mForm;
    const auto applyLanguage = [&] {
        mainForm.ApplyLanguage(Language);
        const std::optional<RecordText::Lines> lines = ReadLanguageTexts(Language);
        ApplyWindowLanguage(attentionForm, Language, lines);
        ApplyWindowLanguage(downloadForm, Language, lines);
        ApplyWindowLanguage(camForm, Language, lines);
        ApplyWindowLanguage(mForm, Language, lines);
    };

    double decodeBest = 1e9, applyBest = 1e9;
    for (int round = 0; round < Rounds; ++round) {
        decodeBest = std::min(decodeBest, Milliseconds([&] {
                                  for (const QString& path : pictures)
                                      if (!DecodePictureFile(path, '.' + QFileInfo(path).suffix()))
                                          std::fprintf(stderr, "cannot decode %s\n", qPrintable(path));
                              }));
        applyBest = std::min(applyBest, Milliseconds(applyLanguage));
    }
    std::printf("%lld skin pictures, processor time, best of %d alternating rounds\n",
                static_cast<long long>(pictures.size()), Rounds);
    std::printf("decoding the pictures alone (reference): %.2f ms\n", decodeBest);
    std::printf("ApplyLanguage, every window's skin and texts: %.2f ms\n", applyBest);
    std::printf("bench_language ratio=%.2f goal=0.8\n", decodeBest / applyBest);
    return 0;
}
