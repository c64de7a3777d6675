#include "app/ControlRules.h"

#include <QTest>

class TestControlRules : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void applyAndRestore_data() {
        QTest::addColumn<QByteArray>("activeUrl");
        QTest::addColumn<QByteArray>("selectedUrl");
        QTest::addColumn<bool>("hasPreview");
        QTest::addColumn<QByteArray>("previewUrl");
        QTest::addColumn<bool>("apply");
        QTest::addColumn<bool>("restore");

        QTest::newRow("nothing chosen yet")
            << QByteArray() << QByteArray() << false << QByteArray() << false << false;
        QTest::newRow("preview of a new cam loaded")
            << QByteArray("http://a/1.jpg") << QByteArray("http://b/2.jpg") << true
            << QByteArray("http://b/2.jpg") << true << true;
        QTest::newRow("active cam shown again")
            << QByteArray("http://a/1.jpg") << QByteArray("http://a/1.jpg") << true
            << QByteArray("http://a/1.jpg") << true << false;
        // A failed preview leaves the selected cam as it was, so the last preview is not it.
        QTest::newRow("preview failed") << QByteArray("http://a/1.jpg") << QByteArray("http://a/1.jpg")
                                        << true << QByteArray("http://c/3.jpg") << false << false;
        QTest::newRow("first run, failed first preview")
            << QByteArray() << QByteArray() << true << QByteArray() << false << false;
        QTest::newRow("URLs compared exactly") << QByteArray("http://a/1.jpg") << QByteArray("http://A/1.jpg")
                                               << true << QByteArray("http://a/1.jpg") << false << true;
    }
    void applyAndRestore() {
        QFETCH(QByteArray, activeUrl);
        QFETCH(QByteArray, selectedUrl);
        QFETCH(bool, hasPreview);
        QFETCH(QByteArray, previewUrl);
        TControlInputs inputs;
        inputs.ActiveURL = activeUrl;
        inputs.HasSelectedCam = true;
        inputs.SelectedURL = selectedUrl;
        inputs.HasPreviewCam = hasPreview;
        inputs.PreviewURL = previewUrl;
        const TControlStates states = UpdatedControlStates(inputs);
        QTEST(states.Applybut, "apply");
        QTEST(states.OKBut, "apply");
        QTEST(states.RestoreBut, "restore");
    }

    void customCamButtons_data() {
        QTest::addColumn<bool>("hasPreview");
        QTest::addColumn<QByteArray>("category");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("no preview yet") << false << QByteArray("Custom") << false;
        QTest::newRow("custom cam") << true << QByteArray("Custom") << true;
        QTest::newRow("catalogue cam") << true << QByteArray("Beaches") << false;
        QTest::newRow("letter case counts") << true << QByteArray("custom") << false;
    }
    void customCamButtons() {
        QFETCH(bool, hasPreview);
        QFETCH(QByteArray, category);
        TControlInputs inputs;
        inputs.HasPreviewCam = hasPreview;
        inputs.PreviewCategory = category;
        const TControlStates states = UpdatedControlStates(inputs);
        QTEST(states.MinusBut, "enabled");
        QTEST(states.EditBut, "enabled");
        QVERIFY(states.PlusBut);
    }

    void configureFollowsTheWindow() {
        TControlInputs inputs;
        inputs.WindowVisible = true;
        QVERIFY(!UpdatedControlStates(inputs).Configure1);
        inputs.WindowVisible = false;
        QVERIFY(UpdatedControlStates(inputs).Configure1);
    }

    void disabledLeavesOnlyRunOnStartupAndShutDown() {
        TControlStates expected;
        expected.Runonstartup1 = true;
        expected.Shutdown1 = true;
        QCOMPARE(DisabledControlStates(), expected);
    }
};

QTEST_APPLESS_MAIN(TestControlRules)
#include "tst_controlrules.moc"
