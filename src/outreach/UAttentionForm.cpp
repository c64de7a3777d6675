#include "outreach/UAttentionForm.h"

#include "platform/ULMRLib.h"
#include "widgets/BuiltinPictures.h"
#include "widgets/ImgBtn.h"
#include "widgets/Skins.h"
#include "widgets/TextTargets.h"
#include "widgets/WindowFont.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>

TAttentionForm::TAttentionForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint) {
    setWindowTitle(QStringLiteral("Lumora"));
    setWindowIcon(BuiltinApplicationIcon());
    setFixedSize(300, 193);
    setFont(WindowFont());
    setModal(true);
    CreateControls();
}

TImgBtn* TAttentionForm::CreateButton(const QString& skinName, int left, int width, const QString& hint) {
    auto* button = new TImgBtn(this);
    LoadBuiltinButtonPictures(*button, QStringLiteral("attentionform"), skinName);
    button->setGeometry(left, 164, width, 26);
    button->setToolTip(hint);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

void TAttentionForm::CreateControls() {
    const QPixmap attention = BuiltinPicture(QStringLiteral("attentionform/background_a"));
    MainImage = new QLabel(this);
    MainImage->setGeometry(0, 0, 300, 193);
    MainImage->setPixmap(attention);

    AttentionImage = new QLabel(this);
    AttentionImage->setGeometry(200, 8, 41, 33);
    AttentionImage->setPixmap(attention);
    AttentionImage->hide();
    ThankYouImage = new QLabel(this);
    ThankYouImage->setGeometry(199, 48, 41, 33);
    ThankYouImage->setPixmap(BuiltinPicture(QStringLiteral("attentionform/background_t")));
    ThankYouImage->hide();

    MessageLabel = new QLabel(this);
    MessageLabel->setGeometry(22, 72, 257, 73);
    MessageLabel->setAlignment(Qt::AlignCenter);
    MessageLabel->setWordWrap(true);
    MessageLabel->setAttribute(Qt::WA_TranslucentBackground);
    QFont font = MessageLabel->font();
    font.setPixelSize(13);
    MessageLabel->setFont(font);
    QPalette palette = MessageLabel->palette();
    palette.setColor(QPalette::WindowText, QColor(70, 70, 70));
    MessageLabel->setPalette(palette);

    RetryBut = CreateButton(QStringLiteral("retry"), 66, 114, QStringLiteral("Try again connecting server"));
    CancelBut = CreateButton(QStringLiteral("cancel"), 183, 114, QStringLiteral("Exit Lumora"));
    OKBut = CreateButton(QStringLiteral("ok"), 183, 114,
                         QStringLiteral("Save & apply current settings and hide configuration window"));
    HelpBut = CreateButton(QStringLiteral("help"), 4, 35, QStringLiteral("Open Lumora manual"));
    RetryBut->setCursor(Qt::ArrowCursor);
    CancelBut->setCursor(Qt::ArrowCursor);

    connect(RetryBut, &TImgBtn::Click, this, &TAttentionForm::RetryButClick);
    connect(CancelBut, &TImgBtn::Click, this, &TAttentionForm::CancelButClick);
    connect(OKBut, &TImgBtn::Click, this, &TAttentionForm::OKButClick);
    connect(HelpBut, &TImgBtn::Click, this, &TAttentionForm::HelpButClick);
}

bool TAttentionForm::ShowNoConnection() {
    return ShowNotice(NoConnectionText, Background::Attention, true, mrRetry);
}

bool TAttentionForm::ShowSuggestionDone() {
    return ShowNotice(SuggestionDoneText, Background::ThankYou, false, mrOK);
}

bool TAttentionForm::ShowSuggestionFailed() {
    return ShowNotice(SuggestionFailText, Background::ThankYou, false, mrOK);
}

bool TAttentionForm::ShowNotice(const QString& text, Background background, bool offerRetry,
                                ModalResult positive) {
    // One notice at a time: a notice that comes while another waits for its answer (a suggestion's
    // reply during the no-connection notice) is shown once that one is answered, so that neither
    // takes over the other's text, buttons or outcome.
    while (isVisible()) {
        bool closed = false;
        QEventLoop turn;
        connect(this, &QDialog::finished, &turn, [&] {
            closed = true;
            turn.quit();
        });
        turn.exec();
        if (!closed)
            return false; // the program is ending: every loop was told to leave
    }
    MessageLabel->setText(text);
    const QLabel* source = background == Background::Attention ? AttentionImage : ThankYouImage;
    MainImage->setPixmap(source->pixmap());
    MainImage->resize(source->pixmap().deviceIndependentSize().toSize());
    RetryBut->setVisible(offerRetry);
    CancelBut->setVisible(offerRetry);
    OKBut->setVisible(!offerRetry);
    HelpBut->setVisible(true);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    setResult(mrNone);
    // A loop of this notice's own rather than exec(): exec() reads its outcome from the dialog after
    // its loop has returned, and a notice shown after this one within that loop would have
    // overwritten it.
    int outcome = mrNone;
    QEventLoop answered;
    connect(
        this, &QDialog::finished, &answered,
        [&](int result) {
            outcome = result;
            answered.quit();
        },
        Qt::SingleShotConnection);
    setWindowModality(Qt::ApplicationModal);
    show();
    answered.exec(QEventLoop::DialogExec);
    return outcome == positive;
}

void TAttentionForm::HelpButClick() {
    OpenHelpPage(QStringLiteral("attentionform"), CurrentLanguage());
}

void TAttentionForm::FormKeyDown(int key) {
    if (key == Qt::Key_F1)
        OpenHelpPage(QStringLiteral("attentionform"), CurrentLanguage());
}

void TAttentionForm::keyPressEvent(QKeyEvent* event) {
    // Only the buttons and the close box end a notice: Escape and Enter do nothing here.
    FormKeyDown(event->key());
    event->accept();
}

void TAttentionForm::closeEvent(QCloseEvent* event) {
    // The close box and Alt+F4 answer Cancel.
    event->accept();
    done(mrCancel);
}

void TAttentionForm::LoadSkin(int language) {
    const QString skin = Skins::SkinDirectory(LanguageHome(language), QStringLiteral("attentionform"));
    Skins::LoadBackground(AttentionImage, skin + QStringLiteral("background_a.bmp"), true);
    Skins::LoadBackground(ThankYouImage, skin + QStringLiteral("background_t.bmp"), true);
    Skins::LoadButtons(skin, {{"retry", RetryBut}, {"ok", OKBut}, {"help", HelpBut}, {"cancel", CancelBut}});
}

void TAttentionForm::LoadTexts(const RecordText::Lines& lines) {
    using namespace TextTargets;
    TTextTable()
        .Add("caption", WindowCaption(this))
        .Add("noconnection_message", Field(NoConnectionText))
        .Add("suggestiondone_message", Field(SuggestionDoneText))
        .Add("suggestionfail_message", Field(SuggestionFailText))
        .Add("help_hint", Hint(HelpBut))
        .Add("cancel_hint", Hint(CancelBut))
        .Add("ok_hint", Hint(OKBut))
        .Add("retry_hint", Hint(RetryBut))
        .LoadTexts(lines, "attentionform");
}
