#include "platform/ULMRLib.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// Help pages and the shipped language file open only when the program finds its shipped language
// directory; it must do so in the build tree and in an installed tree alike.
class TestShippedFiles : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void foundBesideTheBuiltProgram() {
        const QString programDir = QStringLiteral(LUMORA_PROGRAM_DIR);
        QCOMPARE(ShippedFilesDirectory(programDir, QStringLiteral(LUMORA_DATA_FROM_BIN)), programDir);
        QVERIFY(QFileInfo::exists(programDir + QStringLiteral("/lang0/help/index.html")));
        QVERIFY(QFileInfo::exists(programDir + QStringLiteral("/lang0/properties.cam")));
    }

    void foundInTheInstalledTree() {
        QTemporaryDir prefix;
        QProcess install;
        install.start(QStringLiteral(LUMORA_CMAKE),
                      {QStringLiteral("--install"), QStringLiteral(LUMORA_BUILD_DIR),
                       QStringLiteral("--prefix"), prefix.path()});
        QVERIFY(install.waitForFinished(120000));
        QVERIFY2(install.exitCode() == 0, install.readAllStandardError().constData());

        const QString bin = prefix.filePath(QStringLiteral("bin"));
        for (const char* program : {"lumora", "lumora-server", "lumora-pack"})
            QVERIFY2(QFileInfo(bin + QLatin1Char('/') + QLatin1String(program)).isExecutable(), program);
        const QString shipped = ShippedFilesDirectory(bin, QStringLiteral(LUMORA_DATA_FROM_BIN));
        QCOMPARE(shipped, prefix.filePath(QStringLiteral("share/lumora")));
        for (const char* page : {"index", "camform", "mform", "downloadform", "attentionform"})
            QVERIFY2(QFileInfo::exists(LanguageDirectory(shipped, 0) + QStringLiteral("/help/") +
                                       QLatin1String(page) + QStringLiteral(".html")),
                     page);
    }
};

QTEST_GUILESS_MAIN(TestShippedFiles)
#include "tst_shippedfiles.moc"
