#include "catalogue/UCamForm.h"

#include "core/CamSuggestion.h"
#include "core/CatalogueRequest.h"
#include "net/HTTPGet.h"
#include "platform/ULMRLib.h"
#include "widgets/BuiltinPictures.h"
#include "widgets/DesignedControls.h"
#include "widgets/ImgBtn.h"
#include "widgets/WindowFont.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QShortcut>

namespace {

const QString HelpPage = QStringLiteral("camform");
const QString Window = QStringLiteral("camform");

// Labels stand right-aligned before their field, 70 wide at x 10 unless placed otherwise, centred on
// the field's text; a language's longer words take a second line.
QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, const QRect& place) {
    QLabel* label = MakeWrappingLabel(parent, text, place, Qt::AlignRight);
    label->setObjectName(QLatin1String(name));
    label->setAccessibleName(text);
    return label;
}

// A field named as designed, found by its label's text and described by its hint.
template <class Field>
Field* PlaceField(Field* field, const char* name, const QRect& place, QLabel* label, const QString& hint) {
    field->setObjectName(QLatin1String(name));
    field->setGeometry(place);
    field->setToolTip(hint);
    field->setAccessibleName(label->text());
    field->setAccessibleDescription(hint);
    label->setBuddy(field);
    return field;
}

TImgBtn* MakeButton(QWidget* parent, const char* name, const QString& skinName, int left, int width,
                    const QString& hint) {
    auto* button = new TImgBtn(parent);
    button->setObjectName(QLatin1String(name));
    LoadBuiltinButtonPictures(*button, Window, skinName);
    button->setGeometry(left, 209, width, 26);
    button->setToolTip(hint);
    button->setAccessibleName(hint);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

QByteArray Typed(const QString& text) {
    return text.toUtf8();
}

} // namespace

TCamForm::TCamForm(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    // The shipped language's captions, until a language file says otherwise.
    , NewCaptionText(QStringLiteral("New Cam"))
    , EditCaptionText(QStringLiteral("Edit Cam")) {
    setWindowTitle(NewCaptionText);
    setWindowIcon(BuiltinApplicationIcon());
    setFixedSize(420, 240);
    setFont(WindowFont());
    setModal(true);
    CreateControls();
    CreateSuggest();

    // F1 reaches the window before whichever field has the focus.
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    help->setContext(Qt::WindowShortcut);
    connect(help, &QShortcut::activated, this, [this] { FormKeyDown(Qt::Key_F1); });
}

void TCamForm::CreateControls() {
    MainImage = new QLabel(this);
    MainImage->setObjectName(QStringLiteral("MainImage"));
    MainImage->setAccessibleName(QStringLiteral("Background"));
    MainImage->setGeometry(0, 0, 420, 240);
    MainImage->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    MainImage->setPixmap(BuiltinPicture(Window + QStringLiteral("/background")));

    // Fields in tab order, each with its label beside it, two lines high.
    TitleLabel = MakeLabel(this, "TitleLabel", QStringLiteral("Title"), {10, 50, 70, 26});
    TitleEdit = PlaceField(new QLineEdit(this), "TitleEdit", {86, 52, 307, 21}, TitleLabel,
                           QStringLiteral("Title of custom cam"));
    URLLabel = MakeLabel(this, "URLLabel", QStringLiteral("Source"), {10, 80, 70, 26});
    URLEdit = PlaceField(new QLineEdit(this), "URLEdit", {86, 82, 307, 21}, URLLabel,
                         QStringLiteral("Webcam's URL in the net"));
    DescriptionLabel = MakeLabel(this, "DescriptionLabel", QStringLiteral("Description"), {10, 110, 70, 26});
    DescriptionEdit = PlaceField(new QLineEdit(this), "DescriptionEdit", {86, 112, 307, 21}, DescriptionLabel,
                                 QStringLiteral("Description of custom cam"));
    WebpageLabel = MakeLabel(this, "WebpageLabel", QStringLiteral("Webpage"), {10, 140, 70, 26});
    WebpageEdit = PlaceField(new QLineEdit(this), "WebpageEdit", {86, 142, 307, 21}, WebpageLabel,
                             QStringLiteral("URL of hompage where the webcam can be found"));
    CountryLabel = MakeLabel(this, "CountryLabel", QStringLiteral("Country"), {10, 170, 70, 26});
    CountryEdit = PlaceField(new QComboBox(this), "CountryEdit", {86, 172, 142, 21}, CountryLabel, QString());
    CountryEdit->setEditable(true);
    // The list is the catalogue's; what the user types is not added to it.
    CountryEdit->setInsertPolicy(QComboBox::NoInsert);
    RefreshLabel = MakeLabel(this, "RefreshLabel", QStringLiteral("Default Refresh"), {235, 170, 94, 26});
    RefreshEdit = PlaceField(new QLineEdit(this), "RefreshEdit", {334, 172, 59, 21}, RefreshLabel,
                             QStringLiteral("Default refresh time of custom cam"));
    setTabOrder(TitleEdit, URLEdit);
    setTabOrder(URLEdit, DescriptionEdit);
    setTabOrder(DescriptionEdit, WebpageEdit);
    setTabOrder(WebpageEdit, CountryEdit);
    setTabOrder(CountryEdit, RefreshEdit);

    // Picture buttons never take the keyboard focus, so Enter and Esc have nothing to press.
    HelpBut =
        MakeButton(this, "HelpBut", QStringLiteral("help"), 10, 35, QStringLiteral("Open Lumora manual"));
    SuggestBut = MakeButton(this, "SuggestBut", QStringLiteral("suggest"), 64, 114,
                            QStringLiteral("Suggest custom cam for publishing"));
    OKBut =
        MakeButton(this, "OKBut", QStringLiteral("ok"), 181, 114, QStringLiteral("Save settings and close"));
    CancelBut =
        MakeButton(this, "CancelBut", QStringLiteral("cancel"), 298, 114, QStringLiteral("Cancel settings"));
    connect(HelpBut, &TImgBtn::Click, this, &TCamForm::HelpButClick);
    connect(SuggestBut, &TImgBtn::Click, this, &TCamForm::SuggestButClick);
    connect(OKBut, &TImgBtn::Click, this, &TCamForm::OKButClick);
    connect(CancelBut, &TImgBtn::Click, this, &TCamForm::CancelButClick);
}

void TCamForm::CreateSuggest() {
    Suggest = new THTTPGet(this);
    Suggest->setObjectName(QStringLiteral("Suggest"));
    Suggest->AcceptTypes = "*/*";
    Suggest->Agent = THTTPGet::BrowserAgent;
    Suggest->BinaryData = false;
    Suggest->UseCache = false;
    Suggest->WaitThread = false;
    // No error handler: a suggestion that cannot be sent shows nothing.
    connect(Suggest, &THTTPGet::OnDoneString, this, &TCamForm::SuggestDoneString);
}

bool TCamForm::Execute() {
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    setResult(Rejected);
    // Each opening starts at the title, wherever the cursor was when the dialog last closed.
    TitleEdit->setFocus(Qt::OtherFocusReason);
    return exec() == Accepted;
}

void TCamForm::HelpButClick() {
    OpenHelpPage(HelpPage, CurrentLanguage());
}

void TCamForm::SuggestButClick() {
    // A busy fetcher drops this request; the dialog stays open either way.
    Suggest->URL = CatalogueServer::ScriptUrl(CatalogueServer::SuggestScript);
    Suggest->PostQuery =
        SuggestionBody({Typed(TitleEdit->text()), Typed(DescriptionEdit->text()), Typed(URLEdit->text()),
                        Typed(WebpageEdit->text()), Typed(CountryEdit->currentText()),
                        Typed(RefreshEdit->text()), CurrentLanguage()});
    Suggest->FetchString();
}

void TCamForm::SuggestDoneString(THTTPGet* /*Sender*/, const QByteArray& Result) {
    // The answer may come after the dialog was closed; the owner tells the user all the same.
    Q_EMIT SuggestionAnswered(Result == "ok");
}

void TCamForm::FormKeyDown(int key) {
    if (key == Qt::Key_F1)
        OpenHelpPage(HelpPage, CurrentLanguage());
}

void TCamForm::keyPressEvent(QKeyEvent* event) {
    // Only OK, Cancel and the close box end the dialog: Enter and Esc do nothing here.
    FormKeyDown(event->key());
    event->accept();
}

void TCamForm::closeEvent(QCloseEvent* event) {
    // The close box counts as Cancel.
    event->accept();
    CancelButClick();
}
