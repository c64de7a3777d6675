#include "outreach/UMForm.h"

#include "core/CatalogueRequest.h"
#include "core/LogCategories.h"
#include "net/HTTPGet.h"
#include "outreach/EmbeddedWB.h"
#include "outreach/MessageReply.h"
#include "outreach/SuppressedMessages.h"
#include "platform/ULMRLib.h"
#include "widgets/BuiltinPictures.h"
#include "widgets/DesignedControls.h"
#include "widgets/ImgBtn.h"
#include "widgets/WindowFont.h"

#include <QCheckBox>
#include <QLabel>
#include <QShortcut>

namespace {

QLabel* MakeBoxLabel(QWidget* parent, const QString& name, const QString& text, const QRect& place) {
    QLabel* label = MakeWrappingLabel(parent, text, place, Qt::AlignLeft);
    label->setObjectName(name);
    label->setAccessibleName(text);
    return label;
}

QCheckBox* MakeBox(QWidget* parent, const QString& name, const QString& accessibleName, QLabel* label,
                   const QPoint& place) {
    auto* box = new QCheckBox(parent);
    box->setObjectName(name);
    box->setAccessibleName(accessibleName);
    box->setGeometry(place.x(), place.y(), 14, 15);
    label->setBuddy(box);
    return box;
}

TImgBtn* MakeButton(QWidget* parent, const QString& name, const QString& skin, const QRect& place,
                    const QString& hint) {
    auto* button = new TImgBtn(parent);
    button->setObjectName(name);
    button->setAccessibleName(hint);
    LoadBuiltinButtonPictures(*button, QStringLiteral("mform"), skin);
    button->setGeometry(place);
    button->setToolTip(hint);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

} // namespace

TMForm::TMForm(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("MForm"));
    setWindowTitle(QStringLiteral("Lumora - Korvex Software"));
    setWindowIcon(BuiltinApplicationIcon());
    setFixedSize(424, 407);
    setFont(WindowFont());
    move(101, 140);
    CreateControls();

    MGet = new THTTPGet(this);
    MGet->AcceptTypes = "*/*";
    MGet->Agent = "LMR";
    MGet->UseCache = false;
    MGet->BinaryData = false;
    MGet->WaitThread = false;
    connect(MGet, &THTTPGet::OnDoneString, this, &TMForm::MGetDoneString);
    connect(MGet, &THTTPGet::OnError, this, &TMForm::MGetError);

    // F1 opens the help page wherever the focus is in the window.
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    help->setContext(Qt::WindowShortcut);
    connect(help, &QShortcut::activated, this, [this] { FormKeyDown(Qt::Key_F1); });
}

void TMForm::CreateControls() {
    Web = new TEmbeddedWB(this);
    Web->setObjectName(QStringLiteral("Web"));
    Web->setAccessibleName(QStringLiteral("Message"));
    Web->setGeometry(0, 0, 424, 363);

    // The strip under the message is three lines of the window's font high, so that the check boxes'
    // captions have room for a language's longer words; the message gives up those pixels.
    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(0, 363, 424, 44);
    MainImage = new QLabel(Panel1);
    MainImage->setObjectName(QStringLiteral("MainImage"));
    MainImage->setGeometry(0, 0, 424, 44);
    MainImage->setScaledContents(true);
    MainImage->setPixmap(BuiltinPicture(QStringLiteral("mform/background")));

    HelpBut = MakeButton(Panel1, QStringLiteral("HelpBut"), QStringLiteral("help"), QRect(4, 9, 35, 26),
                         QStringLiteral("Open help on messages"));
    noshow_message = MakeBoxLabel(Panel1, QStringLiteral("noshow_message"),
                                  QStringLiteral("Don't show this message again"), QRect(64, 2, 114, 40));
    NoBox = MakeBox(Panel1, QStringLiteral("NoBox"), noshow_message->text(), noshow_message, {46, 14});
    noshowall_message = MakeBoxLabel(Panel1, QStringLiteral("noshowall_message"),
                                     QStringLiteral("Don't show messages at all"), QRect(200, 2, 102, 40));
    NoAllBox =
        MakeBox(Panel1, QStringLiteral("NoAllBox"), noshowall_message->text(), noshowall_message, {182, 14});
    OKBut = MakeButton(Panel1, QStringLiteral("OKBut"), QStringLiteral("ok"), QRect(306, 9, 114, 26),
                       QStringLiteral("Close message and keep settings"));

    connect(OKBut, &TImgBtn::Click, this, &TMForm::OKButClick);
    connect(HelpBut, &TImgBtn::Click, this, &TMForm::HelpButClick);
}

QString TMForm::SuppressedMessagesPath() {
    return DataDirectory() + QStringLiteral("/messages.cam");
}

void TMForm::RequestMessage(int language) {
    MGet->URL = CatalogueServer::ScriptUrl(CatalogueServer::MessageScript);
    MGet->PostQuery = MessageRequestBody(language, ProgramVersionText().toLatin1());
    MGet->FetchString();
}

void TMForm::MGetDoneString(THTTPGet*, const QByteArray& Result) {
    const TMessageReply reply = ReadMessageReply(Result, CurrentUrl);
    CurrentRefId = reply.RefId;
    CurrentUrl = reply.Url;
    if (!reply.Error.isEmpty())
        qCWarning(lcMessages, "message reply broken (%s): %s", qPrintable(MGet->LastTransferText()),
                  qPrintable(reply.Error));
    if (CurrentRefId == 0)
        return;
    const std::optional<QList<QByteArray>> suppressed = SuppressedMessages::Read(SuppressedMessagesPath());
    if (!suppressed) {
        // The user may have turned this message away: better no message than one shown again.
        qCWarning(lcMessages, "cannot read %s - no message is shown", qPrintable(SuppressedMessagesPath()));
        return;
    }
    if (SuppressedMessages::Lists(*suppressed, CurrentRefId))
        return;
    Web->Go(CurrentUrl);
    NoBox->setChecked(false);
    NoAllBox->setChecked(false);
    show();
    raise();
}

void TMForm::MGetError(THTTPGet* Sender) {
    // No message this time; the next catalogue reply asks again.
    qCWarning(lcMessages, "message not fetched (%s): %s", qPrintable(Sender->LastTransferText()),
              Sender->LastFailure().constData());
}

void TMForm::OKButClick() {
    const TMessageChoice choice =
        ApplyMessageChoice(SuppressedMessagesPath(), CurrentRefId, NoBox->isChecked(), NoAllBox->isChecked());
    if (!choice.Suppressed)
        qCWarning(lcMessages, "the message could not be turned away for good: %s",
                  qPrintable(choice.Suppressed.Error()));
    ShowMessagesChoice = choice.ShowMessages;
    Q_EMIT OnShowMessagesChange(this);
    hide();
}

void TMForm::HelpButClick() {
    OpenHelpPage(QStringLiteral("mform"), CurrentLanguage());
}

void TMForm::FormKeyDown(int key) {
    if (key == Qt::Key_F1)
        OpenHelpPage(QStringLiteral("mform"), CurrentLanguage());
}
