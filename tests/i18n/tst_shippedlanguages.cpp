// The language directories Lumora ships and the packs the build makes of them: complete texts in every
// language, and packs that Lumora's own reader takes, with every window's skin.
#include "core/RecordText.h"
#include "core/pack/ZLIBArchive.h"
#include "core/picture/PictureDecoders.h"
#include "widgets/ScaledPictureName.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>
#include <map>
#include <set>

namespace {

const QString SourceLanguages = QStringLiteral(LUMORA_SOURCE_DIR "/resources/lang");
const QString BuiltPacks = QStringLiteral(LUMORA_PACK_DIR);

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Every block of a language file with the keys it sets.
std::map<QByteArray, std::set<QByteArray>> BlocksAndKeys(const QByteArray& languageFile) {
    std::map<QByteArray, std::set<QByteArray>> blocks;
    const RecordText::Lines lines = RecordText::SplitLines(languageFile);
    for (const QByteArray& line : lines) {
        const QByteArray trimmed = RecordText::TrimLine(line);
        if (RecordText::RecordKey(trimmed) != "object")
            continue;
        const QByteArray block = RecordText::RecordValue(trimmed);
        RecordText::ReadRecords(
            lines, block, RecordText::ReadMode::Trimmed, [] {},
            [&](const QByteArray& keyLine) {
                blocks[block].insert(RecordText::RecordKey(keyLine));
                return true;
            });
    }
    return blocks;
}

QStringList Languages(const QString& folder, const QString& pattern) {
    return QDir(folder).entryList({pattern}, QDir::Dirs | QDir::Files, QDir::Name);
}

// Each window's skin as the windows load it: backgrounds and the buttons' skin names, with the sizes the
// windows are laid out for, and each picture again at twice the density for screens scaled by two.
struct TSkinPicture {
    QString Path;
    QSize Size;
};

QList<TSkinPicture> ExpectedSkin() {
    QList<TSkinPicture> pictures{
        {"mainform/background.bmp", {597, 398}},        {"attentionform/background_a.bmp", {300, 193}},
        {"attentionform/background_t.bmp", {300, 193}}, {"camform/background.bmp", {420, 240}},
        {"downloadform/background.bmp", {300, 163}},    {"mform/background.bmp", {424, 36}}};
    const QSize wide(114, 26), help(35, 26), small(23, 23);
    const QList<std::tuple<QString, QString, QSize>> buttons{{"mainform", "ok", wide},
                                                             {"mainform", "apply", wide},
                                                             {"mainform", "cancel", wide},
                                                             {"mainform", "restore", wide},
                                                             {"mainform", "shutdown", wide},
                                                             {"mainform", "camhomepage", wide},
                                                             {"mainform", "help", wide},
                                                             {"mainform", "tellafriend", wide},
                                                             {"mainform", "korvex", wide},
                                                             {"mainform", "plus", small},
                                                             {"mainform", "minus", small},
                                                             {"mainform", "edit", small},
                                                             {"attentionform", "retry", wide},
                                                             {"attentionform", "ok", wide},
                                                             {"attentionform", "help", help},
                                                             {"attentionform", "cancel", wide},
                                                             {"camform", "ok", wide},
                                                             {"camform", "cancel", wide},
                                                             {"camform", "suggest", wide},
                                                             {"camform", "help", help},
                                                             {"downloadform", "cancel", wide},
                                                             {"downloadform", "help", help},
                                                             {"mform", "ok", wide},
                                                             {"mform", "help", help}};
    for (const auto& [window, skinName, size] : buttons)
        for (int k = 1; k <= 4; ++k)
            pictures.append({QStringLiteral("%1/%2_%3.gif").arg(window, skinName).arg(k), size});
    const qsizetype ordinary = pictures.size();
    for (qsizetype i = 0; i < ordinary; ++i)
        pictures.append({ScaledPictureName(pictures[i].Path, 2), pictures[i].Size * 2});
    return pictures;
}

} // namespace

class TestShippedLanguages : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void languageFileIsComplete_data() {
        QTest::addColumn<QString>("language");
        const QStringList languages = Languages(SourceLanguages, QStringLiteral("lang*"));
        QVERIFY(languages.size() >= 3);
        for (const QString& language : languages)
            QTest::newRow(qPrintable(language)) << language;
    }
    // Every block and key that English has, UTF-8 text, a version, and the five help pages.
    void languageFileIsComplete() {
        QFETCH(QString, language);
        const QString directory = SourceLanguages + QLatin1Char('/') + language;
        const QByteArray text = ReadAll(directory + QStringLiteral("/properties.cam"));
        QVERIFY(!text.isEmpty());
        QStringDecoder utf8(QStringDecoder::Utf8);
        (void)QString(utf8(text));
        QVERIFY2(!utf8.hasError(), "the language file is not UTF-8");

        const auto english =
            BlocksAndKeys(ReadAll(SourceLanguages + QStringLiteral("/lang0/properties.cam")));
        const auto blocks = BlocksAndKeys(text);
        QVERIFY(english.size() >= 7);
        for (const auto& [block, keys] : english) {
            QVERIFY2(blocks.count(block), block.constData());
            for (const QByteArray& key : keys)
                QVERIFY2(blocks.at(block).count(key), (block + ": " + key).constData());
        }
        QVERIFY(blocks.at("global").count("version"));
        for (const char* topic : {"index", "attentionform", "camform", "downloadform", "mform"})
            QVERIFY2(ReadAll(QStringLiteral("%1/help/%2.html").arg(directory, topic)).contains("</html>"),
                     qPrintable(topic));
    }

    void packIsWholeAndSkinned_data() {
        QTest::addColumn<QString>("language");
        const QStringList languages = Languages(SourceLanguages, QStringLiteral("lang*"));
        QCOMPARE(Languages(BuiltPacks, QStringLiteral("lang*.pak")).size(), languages.size());
        for (const QString& language : languages)
            QTest::newRow(qPrintable(language)) << language;
    }
    // The pack passes lumora-pack's check, is large enough for Lumora to take, unpacks with Lumora's
    // reader and holds every window's skin, decodable at the size its window is laid out for.
    void packIsWholeAndSkinned() {
        QFETCH(QString, language);
        const QString pack = BuiltPacks + QLatin1Char('/') + language + QStringLiteral(".pak");
        QVERIFY(QFileInfo(pack).size() > 20000);
        QProcess check;
        check.start(QStringLiteral(LUMORA_PACK_TOOL), {QStringLiteral("test"), pack});
        QVERIFY(check.waitForFinished(60000));
        QCOMPARE(check.exitCode(), 0);

        QTemporaryDir unpacked;
        TZLBArchive archive;
        archive.ExtractWithPath = true;
        archive.CheckCRC = true;
        QVERIFY(archive.OpenArchive(pack).ValueOr(false));
        QVERIFY(archive.ExtractFiles(unpacked.path() + QLatin1Char('/')));
        QCOMPARE(ReadAll(unpacked.filePath(QStringLiteral("properties.cam"))),
                 ReadAll(QStringLiteral("%1/%2/properties.cam").arg(SourceLanguages, language)));
        for (const TSkinPicture& expected : ExpectedSkin()) {
            const QByteArray bytes = ReadAll(unpacked.filePath(expected.Path));
            const TResult<TPicture> picture =
                expected.Path.endsWith(QLatin1String(".gif")) ? DecodeGif(bytes) : DecodeBmp(bytes);
            QVERIFY2(picture, qPrintable(expected.Path));
            QCOMPARE(QSize(picture->Width, picture->Height), expected.Size);
        }
    }

    // Drawing a language's skins again gives the same files: a rebuild must not make a pack that the
    // server would have to offer under a new version.
    void skinsAreReproducible() {
        QTemporaryDir drawn;
        QProcess draw;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        draw.setProcessEnvironment(environment);
        draw.start(QStringLiteral(LUMORA_DRAW_SKINS),
                   {QStringLiteral(LUMORA_SOURCE_DIR "/resources/artwork/words/lang1.cam"), drawn.path()});
        QVERIFY(draw.waitForFinished(60000));
        QCOMPARE(draw.exitCode(), 0);
        for (const TSkinPicture& picture : ExpectedSkin())
            QVERIFY2(ReadAll(drawn.filePath(picture.Path)) ==
                         ReadAll(QStringLiteral("%1/lang1/%2").arg(BuiltPacks, picture.Path)),
                     qPrintable(picture.Path));
    }

    void picturesCarryTheLanguagesWords_data() {
        QTest::addColumn<QString>("language");
        for (const QString& language : Languages(SourceLanguages, QStringLiteral("lang*")))
            if (language != QLatin1String("lang0"))
                QTest::newRow(qPrintable(language)) << language;
    }
    // Pictures with words differ from English ones; the help button's question mark does not.
    void picturesCarryTheLanguagesWords() {
        QFETCH(QString, language);
        const auto picture = [](const QString& lang, const QString& file) {
            return ReadAll(QStringLiteral("%1/%2/%3").arg(BuiltPacks, lang, file));
        };
        for (const QString file :
             {"mainform/background.bmp", "mainform/apply_1.gif", "camform/background.bmp",
              "attentionform/retry_3.gif", "downloadform/background.bmp"}) {
            QVERIFY(!picture(language, file).isEmpty());
            QVERIFY2(picture(language, file) != picture(QStringLiteral("lang0"), file), qPrintable(file));
        }
        QCOMPARE(picture(language, QStringLiteral("camform/help_2.gif")),
                 picture(QStringLiteral("lang0"), QStringLiteral("camform/help_2.gif")));
    }
};

QTEST_GUILESS_MAIN(TestShippedLanguages)
#include "tst_shippedlanguages.moc"
