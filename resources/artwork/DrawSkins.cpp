// Draws the skins of one language into its language directory: every window's background as a
// Windows bitmap and every picture button as its four GIF pictures, with the language's own words
// painted in. Each picture is drawn at twice the density as well, beside it as <name>@2x.<ext>, for
// screens scaled by two. The build runs it on a copy of each language directory before packing it, so no
// picture is committed; the words come from a small record text file per language.
//
//   lumora_draw_skins <words file> <language directory>

#include "ArtworkPainting.h"
#include "SkinPicture.h"
#include "core/RecordText.h"
#include "core/picture/PictureEncoders.h"
#include "widgets/ScaledPictureName.h"
#include "widgets/WindowFont.h"

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

    void Background(const QString& window, const QString& fileName, const std::function<QImage(int)>& paint) {
        for (const int scale : Scales)
            Write(ScaledPictureName(window + QLatin1Char('/') + fileName + QStringLiteral(".bmp"), scale),
                  EncodeBmp(SkinPicture(paint(scale))));
    }

    // Buttons stand on the lower part of every window's paper: their rounded corners are blended
    // with that, as a GIF keeps no partial transparency.
    void Button(const QString& window, const QString& skinName,
                const std::function<QImage(ButtonState, int)>& paint) {
        const QColor ground = QColor::fromRgbF(Paper.redF() * 0.25 + PaperShade.redF() * 0.75,
                                               Paper.greenF() * 0.25 + PaperShade.greenF() * 0.75,
                                               Paper.blueF() * 0.25 + PaperShade.blueF() * 0.75);
        for (const int scale : Scales)
            for (const ButtonState state : AllStates)
                Write(ScaledPictureName(QStringLiteral("%1/%2_%3.gif").arg(window, skinName).arg(int(state)),
                                        scale),
                      EncodeGif(WithFewColours(SkinPicture(paint(state, scale), ground))));
    }

    void WideButton(const QByteArray& window, const QByteArray& skinName) {
        const QString words = Word(window, skinName);
        // Words squeezed below the windows' own font would read as small print beside their captions:
        // the language needs shorter words.
        if (const int pixels = WideButtonPixelSize(words); pixels < WindowFontPixels)
            m_problems << QStringLiteral(
                              "\"%1\" in block \"%2\" fits its button only at %3 pixels, below the "
                              "windows' %4-pixel font")
                              .arg(words, QString::fromLatin1(window))
                              .arg(pixels)
                              .arg(WindowFontPixels);
        Button(QString::fromLatin1(window), QString::fromLatin1(skinName),
               [&](ButtonState state, int scale) { return PaintWideButton(words, state, scale); });
    }

    void HelpButton(const QString& window) { Button(window, QStringLiteral("help"), PaintHelpButton); }

    const QStringList& Problems() const { return m_problems; }

private:
    static constexpr int Scales[] = {1, 2};

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
    const QString subtitle = skin.Word("mainform", "subtitle");
    skin.Background(QStringLiteral("mainform"), QStringLiteral("background"),
                    [&](int scale) { return PaintMainBackground(subtitle, scale); });
    for (const QByteArray name :
         {"ok", "apply", "cancel", "restore", "shutdown", "camhomepage", "help", "tellafriend", "korvex"})
        skin.WideButton("mainform", name);
    for (const QString& sign : {QStringLiteral("plus"), QStringLiteral("minus"), QStringLiteral("edit")})
        skin.Button(QStringLiteral("mainform"), sign,
                    [&](ButtonState state, int scale) { return PaintSignButton(sign, state, scale); });
}

void DrawAttentionForm(TSkinWriter& skin) {
    const QString window = QStringLiteral("attentionform");
    const QString attention = skin.Word("attentionform", "attention");
    const QString thankYou = skin.Word("attentionform", "thankyou");
    skin.Background(window, QStringLiteral("background_a"),
                    [&](int scale) { return PaintNoticeBackground(Sun, attention, false, scale); });
    skin.Background(window, QStringLiteral("background_t"),
                    [&](int scale) { return PaintNoticeBackground(Leaf, thankYou, true, scale); });
    for (const QByteArray name : {"retry", "ok", "cancel"})
        skin.WideButton("attentionform", name);
    skin.HelpButton(window);
}

void DrawCamForm(TSkinWriter& skin) {
    const QString window = QStringLiteral("camform");
    const QString title = skin.Word("camform", "title");
    skin.Background(window, QStringLiteral("background"), [&](int scale) {
        return PaintDialogBackground(QSize(420, 240), title, QRectF(8, 46, 404, 156), scale);
    });
    for (const QByteArray name : {"ok", "cancel", "suggest"})
        skin.WideButton("camform", name);
    skin.HelpButton(window);
}

void DrawDownloadForm(TSkinWriter& skin) {
    const QString window = QStringLiteral("downloadform");
    const QString title = skin.Word("downloadform", "title");
    skin.Background(window, QStringLiteral("background"), [&](int scale) {
        return PaintDialogBackground(QSize(300, 163), title, QRectF(10, 48, 280, 76), scale);
    });
    skin.WideButton("downloadform", "cancel");
    skin.HelpButton(window);
}

void DrawMForm(TSkinWriter& skin) {
    const QString window = QStringLiteral("mform");
    skin.Background(window, QStringLiteral("background"),
                    [](int scale) { return PaintStripBackground(QSize(424, 36), scale); });
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
