// The picture button's states, driven by real mouse events on an offscreen window.
#include "widgets/ImgBtn.h"

#include <QEnterEvent>
#include <QSignalSpy>
#include <QTest>

namespace {

QPixmap Filled(Qt::GlobalColor colour) {
    QPixmap pixmap(30, 20);
    pixmap.fill(colour);
    return pixmap;
}

QRgb Colour(const QPixmap& pixmap) {
    return pixmap.isNull() ? 0 : pixmap.toImage().pixel(0, 0);
}

void Enter(TImgBtn& button) {
    QEnterEvent event(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(&button, &event);
}

void Leave(TImgBtn& button) {
    QEvent event(QEvent::Leave);
    QCoreApplication::sendEvent(&button, &event);
}

} // namespace

class TestImgBtn : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<QWidget> m_window;
    TImgBtn* m_button = nullptr;

    QRgb Shown() const { return Colour(m_button->Picture()); }

private Q_SLOTS:
    void init() {
        QCursor::setPos(0, 0); // outside every test window
        m_window = std::make_unique<QWidget>();
        m_window->move(100, 100);
        m_window->resize(200, 100);
        m_button = new TImgBtn(m_window.get());
        m_button->SetPicUp(Filled(Qt::yellow));
        m_button->SetPicDown(Filled(Qt::blue));
        m_button->SetPicDisabled(Filled(Qt::gray));
        m_button->SetPic(Filled(Qt::white));
        m_button->move(10, 10);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }
    void cleanup() { m_window.reset(); }

    void sizesItselfToItsPicture() {
        QCOMPARE(m_button->size(), QSize(30, 20));
        QCOMPARE(Shown(), QColor(Qt::white).rgb());
    }

    void otherPicturesOnlyFillTheirStore() {
        m_button->SetPicUp(Filled(Qt::red));
        m_button->SetPicDisabled(Filled(Qt::black));
        QCOMPARE(Shown(), QColor(Qt::white).rgb());
    }

    void hoverPressRelease() {
        QSignalSpy clicks(m_button, &TImgBtn::Click);
        QSignalSpy enters(m_button, &TImgBtn::OnMouseEnter);
        Enter(*m_button);
        QCOMPARE(Shown(), QColor(Qt::yellow).rgb());
        QCOMPARE(enters.size(), 1);
        // The click runs while the pressed picture is still shown.
        QRgb duringClick = 0;
        connect(m_button, &TImgBtn::Click, this, [&] { duringClick = Shown(); });
        QTest::mousePress(m_button, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(Shown(), QColor(Qt::blue).rgb());
        QTest::mouseRelease(m_button, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(clicks.size(), 1);
        QCOMPARE(duringClick, QColor(Qt::blue).rgb());
        QCOMPARE(Shown(), QColor(Qt::yellow).rgb());
        Leave(*m_button);
        QCOMPARE(Shown(), QColor(Qt::white).rgb());
    }

    void pressLeaveReenterRelease() {
        QSignalSpy clicks(m_button, &TImgBtn::Click);
        Enter(*m_button);
        QTest::mousePress(m_button, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseMove(m_button, QPoint(100, 50));
        QCOMPARE(Shown(), QColor(Qt::white).rgb());
        QTest::mouseMove(m_button, QPoint(6, 6));
        QCOMPARE(Shown(), QColor(Qt::blue).rgb());
        QTest::mouseRelease(m_button, Qt::LeftButton, {}, QPoint(6, 6));
        QCOMPARE(clicks.size(), 1);
        QCOMPARE(Shown(), QColor(Qt::yellow).rgb());
    }

    void releaseOutsideIsNoClick() {
        QSignalSpy clicks(m_button, &TImgBtn::Click);
        Enter(*m_button);
        QTest::mousePress(m_button, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseMove(m_button, QPoint(100, 50));
        QTest::mouseRelease(m_button, Qt::LeftButton, {}, QPoint(100, 50));
        QCOMPARE(clicks.size(), 0);
        QCOMPARE(Shown(), QColor(Qt::white).rgb());
    }

    void disabledKeepsItsPictureWhileTheMouseMoves() {
        Enter(*m_button);
        m_button->SetEnabled(false);
        QCOMPARE(Shown(), QColor(Qt::gray).rgb());
        Leave(*m_button);
        Enter(*m_button);
        QCOMPARE(Shown(), QColor(Qt::gray).rgb());
        QVERIFY(m_button->IsMouseOver());
        // Enabling shows the normal picture even with the mouse over it.
        m_button->SetEnabled(true);
        QCOMPARE(Shown(), QColor(Qt::white).rgb());
    }

    void disabledWindowLeavesThePictures() {
        QCursor::setPos(m_window->mapToGlobal(QPoint(150, 80)));
        auto* disabledOwn = new TImgBtn(m_window.get());
        disabledOwn->SetPicDisabled(Filled(Qt::gray));
        disabledOwn->SetPic(Filled(Qt::white));
        disabledOwn->move(100, 10);
        disabledOwn->SetEnabled(false);

        m_window->setEnabled(false);
        QCOMPARE(Shown(), QColor(Qt::white).rgb());
        QCOMPARE(Colour(disabledOwn->Picture()), QColor(Qt::gray).rgb());
        // The mouse came to rest on the button while the window was disabled.
        QCursor::setPos(m_button->mapToGlobal(QPoint(5, 5)));
        m_window->setEnabled(true);
        QCOMPARE(Shown(), QColor(Qt::yellow).rgb());
        QVERIFY(m_button->IsMouseOver());
        QCOMPARE(Colour(disabledOwn->Picture()), QColor(Qt::gray).rgb());
        QVERIFY(!disabledOwn->isEnabled());
    }

    void newNormalPictureShowsEvenWhenDisabled() {
        m_button->SetEnabled(false);
        m_button->SetPic(Filled(Qt::green));
        QCOMPARE(Shown(), QColor(Qt::green).rgb());
    }

    void unsupportedIsAPlainPictureThatStillClicks() {
        m_button->Supported = false;
        QSignalSpy clicks(m_button, &TImgBtn::Click);
        QSignalSpy downs(m_button, &TImgBtn::OnMouseDown);
        QSignalSpy enters(m_button, &TImgBtn::OnMouseEnter);
        Enter(*m_button);
        QTest::mouseClick(m_button, Qt::LeftButton, {}, QPoint(5, 5));
        Leave(*m_button);
        QCOMPARE(Shown(), QColor(Qt::white).rgb());
        QCOMPARE(clicks.size(), 1);
        QCOMPARE(downs.size(), 0);
        QCOMPARE(enters.size(), 0);
    }

    void emptyHoverPictureShowsNothing() {
        m_button->SetPicUp(QPixmap());
        Enter(*m_button);
        QVERIFY(m_button->Picture().isNull());
    }

    void rightButtonDoesNothing() {
        QSignalSpy clicks(m_button, &TImgBtn::Click);
        QTest::mouseClick(m_button, Qt::RightButton, {}, QPoint(5, 5));
        QCOMPARE(clicks.size(), 0);
        QCOMPARE(Shown(), QColor(Qt::white).rgb());
    }
};

QTEST_MAIN(TestImgBtn)
#include "tst_imgbtn.moc"
