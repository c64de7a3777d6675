// Every caption of every window fits its place, in every shipped language and in a pseudo-language
// whose texts are 40 % longer than the English ones: no caption is clipped, none runs out of the panel
// that holds it or over a neighbouring control, and none is drawn smaller than its window's font. The
// words painted into the buttons' pictures are held to the same font by the skin drawer.
#include "TestHttpServer.h"
#include "app/MainFormParts.h"
#include "app/WindowLanguages.h"
#include "core/LanguageList.h"
#include "i18n/UDownloadForm.h"
#include "outreach/UAttentionForm.h"
#include "outreach/UMForm.h"
#include "platform/ULMRLib.h"
#include "wallpaper/RecordingDesktop.h"

#include <QAbstractButton>
#include <QDirIterator>
#include <QFontInfo>
#include <QGroupBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString SourceLanguages = QStringLiteral(LUMORA_SOURCE_DIR "/resources/lang");
const QString BuiltPacks = QStringLiteral(LUMORA_PACK_DIR);
constexpr int PseudoLanguage = 99;

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool CopyDirectory(const QString& from, const QString& to) {
    QDirIterator files(from, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString source = files.next();
        const QString target = to + source.mid(from.size());
        QDir().mkpath(QFileInfo(target).absolutePath());
        if (!QFile::copy(source, target))
            return false;
    }
    return true;
}

// English with every letter accented and words of padding after it, until it is 40 % longer: the
// accents find glyphs that are missing or taller, the padding finds places that are too small.
QString PseudoText(const QString& english) {
    static const QString plain = QStringLiteral("aceinouyACEINOUY");
    static const QString accented = QStringLiteral("àçéîñöûýÀÇÉÎÑÖÛÝ");
    QString text;
    for (const QChar c : english) {
        const qsizetype at = plain.indexOf(c);
        text += at < 0 ? c : accented.at(at);
    }
    const qsizetype wanted = (english.size() * 14 + 9) / 10;
    static const QStringList padding{QStringLiteral("ëxtrà"), QStringLiteral("wördß"),
                                     QStringLiteral("hérë")};
    for (int i = 0; text.size() < wanted; ++i)
        text += QLatin1Char(' ') + padding.at(i % padding.size());
    return text.left(std::max(wanted, english.size()));
}

// The English language file with every text made longer; addresses and the version stay usable.
QByteArray PseudoLanguageFile(const QByteArray& english) {
    QByteArrayList lines;
    for (QByteArray line : english.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        const qsizetype equals = line.indexOf('=');
        const QByteArray key = line.left(equals);
        if (equals < 0 || key == "object" || key == "version" || key.endsWith("_url"))
            lines << line;
        else
            lines << key + '=' + PseudoText(QString::fromUtf8(line.mid(equals + 1))).toUtf8();
    }
    return lines.join('\n');
}

// What a caption shows and how it lays its text out.
struct TCaption {
    QString Text;
    int Flags = 0;
    QRect Room;
};

std::optional<TCaption> CaptionOf(const QWidget& control) {
    if (const auto* label = qobject_cast<const QLabel*>(&control)) {
        const int wrap = label->wordWrap() ? Qt::TextWordWrap : Qt::TextSingleLine;
        return TCaption{label->text(), int(label->alignment()) | wrap, label->contentsRect()};
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(&control)) {
        // A check box or radio button has its indicator before the text: the style says how much.
        const int indicator =
            button->sizeHint().width() - button->fontMetrics().horizontalAdvance(button->text());
        return TCaption{button->text(), int(Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine),
                        button->rect().adjusted(indicator, 0, 0, 0)};
    }
    if (const auto* group = qobject_cast<const QGroupBox*>(&control))
        return TCaption{group->title(), int(Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine),
                        group->rect()};
    return std::nullopt;
}

// Every way a caption of the window fails to fit, one line each.
QStringList Misfits(const QWidget& window) {
    QStringList misfits;
    const int windowPixels = QFontInfo(window.font()).pixelSize();
    for (const QWidget* control : window.findChildren<QWidget*>()) {
        const std::optional<TCaption> caption = CaptionOf(*control);
        if (!caption || caption->Text.isEmpty() || control->isHidden() || Qt::mightBeRichText(caption->Text))
            continue;
        const QString name = QStringLiteral("%1 \"%2\"").arg(control->objectName(), caption->Text);
        const QRect needed =
            control->fontMetrics().boundingRect(caption->Room, caption->Flags, caption->Text);
        if (!caption->Room.contains(needed))
            misfits << QStringLiteral("%1 needs %2x%3 but has %4x%5")
                           .arg(name)
                           .arg(needed.width())
                           .arg(needed.height())
                           .arg(caption->Room.width())
                           .arg(caption->Room.height());
        const QWidget* panel = control->parentWidget();
        if (!panel->rect().contains(control->geometry()))
            misfits << QStringLiteral("%1 runs out of %2").arg(name, panel->objectName());
        for (const QWidget* neighbour : panel->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            // Backgrounds and the layers the controls stand on lie under every caption.
            const bool under = neighbour->geometry().contains(control->geometry());
            if (neighbour != control && !neighbour->isHidden() && !under &&
                neighbour->geometry().intersects(control->geometry()))
                misfits << QStringLiteral("%1 runs over %2").arg(name, neighbour->objectName());
        }
        const int pixels = QFontInfo(control->font()).pixelSize();
        if (pixels < windowPixels)
            misfits << QStringLiteral("%1 is drawn at %2 px, the window's font at %3 px")
                           .arg(name)
                           .arg(pixels)
                           .arg(windowPixels);
    }
    return misfits;
}

QList<int> ShippedLanguages() {
    QList<int> languages;
    for (const QString& name : QDir(SourceLanguages).entryList({QStringLiteral("lang*")}, QDir::Dirs))
        languages << name.mid(4).toInt();
    std::sort(languages.begin(), languages.end());
    return languages;
}

} // namespace

class TestTextsFit : public QObject {
    Q_OBJECT
    TestHttpServer m_server;
    std::unique_ptr<TMainForm> m_main;

    // The window with the language given, as the program lays it out for the user.
    QStringList MainMisfits(int language) {
        m_main->ApplyLanguage(language);
        return Misfits(*m_main);
    }
    template <class TWindow> QStringList WindowMisfits(int language) {
        TWindow window;
        ApplyWindowLanguage(window, language, ReadLanguageTexts(language));
        return Misfits(window);
    }
    // Each notice as it is shown, answered at once.
    QStringList NoticeMisfits(int language) {
        TAttentionForm notice;
        ApplyWindowLanguage(notice, language, ReadLanguageTexts(language));
        QStringList misfits;
        const auto answer = [&] {
            QTimer::singleShot(0, &notice, [&] {
                misfits << Misfits(notice);
                notice.done(TAttentionForm::mrCancel);
            });
        };
        answer();
        notice.ShowNoConnection();
        answer();
        notice.ShowSuggestionDone();
        answer();
        notice.ShowSuggestionFailed();
        return misfits;
    }
    // The download window with its message naming a pack, once the server has said it has none.
    QStringList DownloadMisfits(int language) {
        TDownloadForm download;
        ApplyWindowLanguage(download, language, ReadLanguageTexts(language));
        TWebLanguage offered;
        offered.languagepack = "http://catalogue.test/packs/lang" + QByteArray::number(language) + ".pak";
        QTemporaryDir target;
        (void)download.DownloadPack(offered, target.path());
        return Misfits(download);
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_server.IsListening());
        qputenv("LUMORA_CATALOGUE_HOST", "catalogue.test");
        qputenv("LUMORA_CONNECT_TO", m_server.ConnectToRule("catalogue.test"));
        m_server.Serve("/lmr/camlist3.php",
                       "object=cam\r\nrefid=12\r\nurl=http://catalogue.test/pier.jpg\r\nname=Pier\r\n"
                       "refresh=90\r\ncategory=Sea\r\ncountry=Norway\r\nend\r\n",
                       "text/plain");
        // The shipped languages as their packs install them, skins and all; the pseudo-language has
        // texts only, and its windows keep the pictures they have.
        for (const int language : ShippedLanguages())
            QVERIFY(CopyDirectory(QStringLiteral("%1/lang%2").arg(BuiltPacks).arg(language),
                                  LanguageDirectory(DataDirectory(), language)));
        const QString pseudo = LanguageDirectory(DataDirectory(), PseudoLanguage);
        QVERIFY(QDir().mkpath(pseudo));
        QFile file(pseudo + QStringLiteral("/properties.cam"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(PseudoLanguageFile(ReadAll(SourceLanguages + QStringLiteral("/lang0/properties.cam"))));
        file.close();

        m_main = std::make_unique<TMainForm>(QStringList(), std::make_unique<RecordingDesktop>());
        QVERIFY(
            QTest::qWaitFor([&] { return m_main->isEnabled() && m_server.Requests().size() > 0; }, 15000));
        m_main->show();
    }

    void cleanupTestCase() { m_main.reset(); }

    void everyCaptionFits_data() {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("window");
        QList<int> languages = ShippedLanguages();
        QVERIFY(languages.size() >= 3);
        languages << PseudoLanguage;
        for (const int language : languages)
            for (const QString& window :
                 {QStringLiteral("configuration"), QStringLiteral("cam"), QStringLiteral("messages"),
                  QStringLiteral("notice"), QStringLiteral("download")})
                QTest::addRow("lang%d %s", language, qPrintable(window)) << language << window;
    }
    void everyCaptionFits() {
        QFETCH(int, language);
        QFETCH(QString, window);
        QStringList misfits;
        if (window == QLatin1String("configuration"))
            misfits = MainMisfits(language);
        else if (window == QLatin1String("cam"))
            misfits = WindowMisfits<TCamForm>(language);
        else if (window == QLatin1String("messages"))
            misfits = WindowMisfits<TMForm>(language);
        else if (window == QLatin1String("notice"))
            misfits = NoticeMisfits(language);
        else
            misfits = DownloadMisfits(language);
        QVERIFY2(misfits.isEmpty(), qPrintable(misfits.join(QLatin1Char('\n'))));
    }

    void buttonWordsKeepTheWindowFont_data() {
        QTest::addColumn<int>("language");
        for (const int language : ShippedLanguages())
            QTest::addRow("lang%d", language) << language;
    }
    // The skin drawer refuses words that would have to be drawn smaller than the windows' font to
    // fit their button.
    void buttonWordsKeepTheWindowFont() {
        QFETCH(int, language);
        QTemporaryDir drawn;
        QProcess draw;
        draw.start(QStringLiteral(LUMORA_DRAW_SKINS),
                   {QStringLiteral(LUMORA_SOURCE_DIR "/resources/artwork/words/lang%1.cam").arg(language),
                    drawn.path()});
        QVERIFY(draw.waitForFinished(60000));
        QVERIFY2(draw.exitCode() == 0, draw.readAllStandardError().constData());
    }
};

QTEST_MAIN(TestTextsFit)
#include "tst_textsfit.moc"
