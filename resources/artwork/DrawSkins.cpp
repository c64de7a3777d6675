// Draws the skins of one language into its language directory: every window's background as a
// Windows bitmap and every picture button as its four GIF pictures, with the language's own words
// painted in. The build runs it on a copy of each language directory before packing it, so no
// picture is committed; the words come from a small record text file per language.
//
//   lumora_draw_skins <words file> <language directory>

#include "ArtworkPainting.h"
#include "SkinPicture.h"
#include "catalogue/RecordText.h"
#include "wallpaper/PictureEncoders.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QHash>
#include <cstdio>
#include <functional>

using namespace Artwork;

namespace {

// Words of every window: block name, then key.
using TWords = QHash<QByteArray, QHash<QByteArray, QString>>;

TWords ReadWords(const QByteArray& text) {
    TWords words;
    for (const QByteArray window : {"mainform", "attentionform", "camform", "downloadform", "mform"}) {
        RecordText::ReadRecords(
            RecordText::SplitLines(text), window, RecordText::ReadMode::Trimmed, [] {},
            [&](const QByteArray& line) {
                words[window][RecordText::RecordKey(line)] = QString::fromUtf8(RecordText::RecordValue(line));
                return true;
            });
    }
    return words;
}

// Writes one language's skin files; every word the pictures need must be in the words file, so a
// language never ships a picture with another language's words by accident.
class TSkinWriter {
public:
    TSkinWriter(const QString& languageDirectory, TWords words)
        : m_directory(languageDirectory)
        , m_words(std::move(words)) {}

    QString Word(const QByteArray& window, const QByteArray& key) {
        const QString word = m_words.value(window).value(key);
        if (word.isEmpty())
            m_problems << QStringLiteral("no words for \"%1\" in block \"%2\"")
                              .arg(QString::fromLatin1(key), QString::fromLatin1(window));
        return word;
    }

    void Background(const QString& window, const QString& fileName, const QImage& image) {
        Write(window + QLatin1Char('/') + fileName + QStringLiteral(".bmp"), EncodeBmp(SkinPicture(image)));
    }

    // Buttons stand on the lower part of every window's paper: their rounded corners are blended
    // with that, as a GIF keeps no partial transparency.
    void Button(const QString& window, const QString& skinName,
                const std::function<QImage(ButtonState)>& paint) {
        const QColor ground = QColor::fromRgbF(Paper.redF() * 0.25 + PaperShade.redF() * 0.75,
                                               Paper.greenF() * 0.25 + PaperShade.greenF() * 0.75,
                                               Paper.blueF() * 0.25 + PaperShade.blueF() * 0.75);
        for (const ButtonState state : AllStates)
            Write(QStringLiteral("%1/%2_%3.gif").arg(window, skinName).arg(int(state)),
                  EncodeGif(WithFewColours(SkinPicture(paint(state), ground))));
    }

    void WideButton(const QByteArray& window, const QByteArray& skinName) {
        const QString words = Word(window, skinName);
        Button(QString::fromLatin1(window), QString::fromLatin1(skinName),
               [&](ButtonState state) { return PaintWideButton(words, state); });
    }

    // A language pack has no pictures for dense screens: its skins are drawn at one scale.
    void HelpButton(const QString& window) {
        Button(window, QStringLiteral("help"), [](ButtonState state) { return PaintHelpButton(state); });
    }

    const QStringList& Problems() const { return m_problems; }

private:
    void Write(const QString& relativePath, const QByteArray& bytes) {
        const QString path = m_directory + QLatin1Char('/') + relativePath;
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        if (bytes.isEmpty() || !file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            m_problems << QStringLiteral("cannot write %1").arg(path);
    }

    QString m_directory;
    TWords m_words;
    QStringList m_problems;
};

void DrawMainForm(TSkinWriter& skin) {
    skin.Background(QStringLiteral("mainform"), QStringLiteral("background"),
                    PaintMainBackground(skin.Word("mainform", "subtitle")));
    for (const QByteArray name :
         {"ok", "apply", "cancel", "restore", "shutdown", "camhomepage", "help", "tellafriend", "korvex"})
        skin.WideButton("mainform", name);
    for (const QString& sign : {QStringLiteral("plus"), QStringLiteral("minus"), QStringLiteral("edit")})
        skin.Button(QStringLiteral("mainform"), sign,
                    [&](ButtonState state) { return PaintSignButton(sign, state); });
}

void DrawAttentionForm(TSkinWriter& skin) {
    const QString window = QStringLiteral("attentionform");
    skin.Background(window, QStringLiteral("background_a"),
                    PaintNoticeBackground(Sun, skin.Word("attentionform", "attention"), false));
    skin.Background(window, QStringLiteral("background_t"),
                    PaintNoticeBackground(Leaf, skin.Word("attentionform", "thankyou"), true));
    for (const QByteArray name : {"retry", "ok", "cancel"})
        skin.WideButton("attentionform", name);
    skin.HelpButton(window);
}

void DrawCamForm(TSkinWriter& skin) {
    const QString window = QStringLiteral("camform");
    skin.Background(
        window, QStringLiteral("background"),
        PaintDialogBackground(QSize(420, 240), skin.Word("camform", "title"), QRectF(8, 46, 404, 156)));
    for (const QByteArray name : {"ok", "cancel", "suggest"})
        skin.WideButton("camform", name);
    skin.HelpButton(window);
}

void DrawDownloadForm(TSkinWriter& skin) {
    const QString window = QStringLiteral("downloadform");
    skin.Background(
        window, QStringLiteral("background"),
        PaintDialogBackground(QSize(300, 163), skin.Word("downloadform", "title"), QRectF(10, 48, 280, 76)));
    skin.WideButton("downloadform", "cancel");
    skin.HelpButton(window);
}

void DrawMForm(TSkinWriter& skin) {
    const QString window = QStringLiteral("mform");
    skin.Background(window, QStringLiteral("background"), PaintStripBackground(QSize(424, 36)));
    skin.WideButton("mform", "ok");
    skin.HelpButton(window);
}

} // namespace

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: lumora_draw_skins <words file> <language directory>\n");
        return 2;
    }
    QFile wordsFile(QString::fromLocal8Bit(argv[1]));
    if (!wordsFile.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "lumora_draw_skins: cannot read %s\n", argv[1]);
        return 1;
    }
    TSkinWriter skin(QString::fromLocal8Bit(argv[2]), ReadWords(wordsFile.readAll()));
    DrawMainForm(skin);
    DrawAttentionForm(skin);
    DrawCamForm(skin);
    DrawDownloadForm(skin);
    DrawMForm(skin);
    for (const QString& problem : skin.Problems())
        std::fprintf(stderr, "lumora_draw_skins: %s: %s\n", argv[1], qPrintable(problem));
    return skin.Problems().isEmpty() ? 0 : 1;
}
