#include "i18n/UDownloadForm.h"

#include "core/LanguageFile.h"
#include "core/LanguageList.h"
#include "core/LogCategories.h"
#include "core/pack/ZLIBArchive.h"
#include "net/HTTPGet.h"
#include "platform/ULMRLib.h"
#include "widgets/BuiltinPictures.h"
#include "widgets/ImgBtn.h"
#include "widgets/Skins.h"
#include "widgets/TextTargets.h"
#include "widgets/WindowFont.h"

#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QScreen>

namespace {

// A download of this size or less is an error page, not a pack.
constexpr qint64 SmallestPackBytes = 20001;

QPixmap BuiltinBackground() {
    QPixmap background = BuiltinPicture(QStringLiteral("downloadform/background"));
    if (background.isNull()) {
        background = QPixmap(300, 163);
        background.fill(QColor(0xf4, 0xf7, 0xfb));
    }
    return background;
}

// The download window has no button pictures of its own until a skin brings them: it shares the
// attention box's, which have the same sizes.
TImgBtn* MakeButton(QWidget* parent, const char* name, const QString& skinName, const QRect& place,
                    const QString& hint) {
    auto* button = new TImgBtn(parent);
    button->setObjectName(QLatin1String(name));
    button->setAccessibleName(QLatin1String(name));
    LoadBuiltinButtonPictures(*button, QStringLiteral("attentionform"), skinName);
    button->move(place.topLeft());
    button->setToolTip(hint);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

} // namespace

TDownloadForm::TDownloadForm(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("DownloadForm"));
    setWindowTitle(QStringLiteral("Downloading Language Pack"));
    setFont(WindowFont());
    setModal(true);
    CreateControls();
    Skins::FitWindowToContents(this);
}

void TDownloadForm::CreateControls() {
    MainImage = new QLabel(this);
    MainImage->setObjectName(QStringLiteral("MainImage"));
    MainImage->setAccessibleName(QStringLiteral("MainImage"));
    MainImage->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    MainImage->setPixmap(BuiltinBackground());
    MainImage->setGeometry(QRect(QPoint(0, 0), MainImage->pixmap().deviceIndependentSize().toSize()));

    CancelBut = MakeButton(this, "CancelBut", QStringLiteral("cancel"), {183, 132, 114, 26},
                           QStringLiteral("Cancel current settings"));
    CancelBut->hide();
    HelpBut = MakeButton(this, "HelpBut", QStringLiteral("help"), {4, 132, 35, 26},
                         QStringLiteral("Open Lumora manual"));

    MessageLabel = new QLabel(this);
    MessageLabel->setObjectName(QStringLiteral("MessageLabel"));
    MessageLabel->setAccessibleName(QStringLiteral("MessageLabel"));
    MessageLabel->setGeometry(17, 77, 265, 17);
    MessageLabel->setAttribute(Qt::WA_TranslucentBackground);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(12);
    MessageLabel->setFont(font);
    QPalette palette = MessageLabel->palette();
    palette.setColor(QPalette::WindowText, QColor(70, 70, 70));
    MessageLabel->setPalette(palette);

    ProgressBar = new QProgressBar(this);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setAccessibleName(QStringLiteral("ProgressBar"));
    ProgressBar->setGeometry(17, 96, 265, 17);
    ProgressBar->setRange(0, 100);
    ProgressBar->setTextVisible(false);

    Archiv = new TZLBArchive(this);
    Archiv->ExtractWithPath = true;
    Archiv->SavePaths = true;
    Archiv->RecursePaths = true;
    Archiv->CheckCRC = true;

    PackGet = CreatePackFetcher();

    connect(CancelBut, &TImgBtn::Click, this, &TDownloadForm::CancelButClick);
    connect(HelpBut, &TImgBtn::Click, this, &TDownloadForm::HelpButClick);
}

THTTPGet* TDownloadForm::CreatePackFetcher() {
    auto* fetcher = new THTTPGet(this);
    fetcher->AcceptTypes = "*/*";
    fetcher->Agent = "LMR";
    fetcher->BinaryData = true;
    fetcher->UseCache = false;
    fetcher->WaitThread = false;
    fetcher->MaxFileSize = TZLBArchive::MaxPackFileBytes;
    connect(fetcher, &THTTPGet::OnProgress, this, &TDownloadForm::PackGetProgress);
    connect(fetcher, &THTTPGet::OnDoneFile, this, &TDownloadForm::PackGetDoneFile);
    connect(fetcher, &THTTPGet::OnError, this, &TDownloadForm::PackGetError);
    return fetcher;
}

TResult<bool> TDownloadForm::DownloadPack(const TWebLanguage& language, const QString& languageDir) {
    // A catalogue reply handled while the window waits must not start a second download.
    if (isVisible())
        return false;
    QDir().mkpath(languageDir);
    const QString packPath = languageDir + QStringLiteral("/pack.pak");
    QFile::remove(packPath);

    MessageLabel->setText(MessageText + QLatin1Char(' ') +
                          DisplayText(LanguageFile::PackFileName(language.languagepack)));
    ProgressBar->setRange(0, 100);
    ProgressBar->setValue(0);

    PackGet->URL = language.languagepack;
    PackGet->FileName = packPath;
    PackGet->FetchFile();

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    setResult(QDialog::Rejected);
    const bool downloaded = exec() == QDialog::Accepted;
    StopTransfer();

    const TResult<bool> installed = downloaded ? InstallPack(packPath, languageDir) : false;
    QFile::remove(packPath);
    if (!installed.Ok())
        return installed;
    if (*installed)
        LanguageFile::ForgetRefusedPack(languageDir);
    else if (downloaded) {
        qCWarning(lcPack, "language pack version %d is not fetched again until the server offers another",
                  language.packversion);
        LanguageFile::RememberRefusedPack(languageDir, language.packversion);
    }
    return installed;
}

void TDownloadForm::StopTransfer() {
    if (!PackGet->Busy())
        return;
    PackGet->Cancel();
    QPointer<THTTPGet> fetcher(PackGet);
    while (fetcher && fetcher->Busy())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

TResult<bool> TDownloadForm::InstallPack(const QString& packPath, const QString& languageDir) {
    const TResult<bool> opened = Archiv->OpenArchive(packPath);
    if (opened.Ok() && !*opened) {
        qCWarning(lcPack, "language pack %s cannot be opened", qPrintable(packPath));
        return false;
    }
    // A pack that is not whole writes nothing: a half-installed language with a new language
    // file would keep the next check from repairing it.
    TResult<> sound = opened.Ok() ? TResult<>() : Failure(opened.Error());
    for (int i = 0; sound && i < *Archiv->FileCount(); ++i)
        sound = Archiv->VerifyFile(i);
    if (!sound) {
        Archiv->CloseArchive();
        qCWarning(lcPack, "language pack %s refused: %s", qPrintable(packPath), qPrintable(sound.Error()));
        return false;
    }
    if (const TResult<> extracted = Archiv->ExtractFiles(languageDir + QLatin1Char('/')); !extracted)
        return Failure(extracted.Error());
    Archiv->CloseArchive();
    return true;
}

void TDownloadForm::PackGetProgress(THTTPGet*, qint64 TotalSize, qint64 Readed) {
    // The bar counts in kilobytes once a pack would overflow its range.
    const int shift = TotalSize > std::numeric_limits<int>::max() ? 10 : 0;
    ProgressBar->setMaximum(int(TotalSize >> shift));
    ProgressBar->setValue(int(std::min(Readed, TotalSize) >> shift));
}

void TDownloadForm::PackGetDoneFile(THTTPGet* Sender, const QString&, qint64 FileSize) {
    if (FileSize < SmallestPackBytes)
        qCWarning(lcPack, "language pack refused (%s): %lld bytes are too few for a pack",
                  qPrintable(Sender->LastTransferText()), FileSize);
    done(FileSize >= SmallestPackBytes ? QDialog::Accepted : QDialog::Rejected);
}

void TDownloadForm::PackGetError(THTTPGet* Sender) {
    qCWarning(lcPack, "language pack not downloaded (%s): %s", qPrintable(Sender->LastTransferText()),
              Sender->LastFailure().constData());
    done(QDialog::Rejected);
}

void TDownloadForm::HelpButClick() {
    OpenHelpPage(QStringLiteral("downloadform"), CurrentLanguage());
}

void TDownloadForm::FormKeyDown(int key) {
    if (key == Qt::Key_F1)
        HelpButClick();
}

void TDownloadForm::keyPressEvent(QKeyEvent* event) {
    // Only the Cancel button and the close box end a download: Escape does nothing here.
    FormKeyDown(event->key());
    event->accept();
}

void TDownloadForm::closeEvent(QCloseEvent* event) {
    // The close box cancels the download.
    event->accept();
    done(QDialog::Rejected);
}

void TDownloadForm::LoadSkin(int language) {
    const QString skin = Skins::SkinDirectory(LanguageHome(language), QStringLiteral("downloadform"));
    Skins::LoadBackground(MainImage, skin + QStringLiteral("background.bmp"), true);
    Skins::LoadButtons(skin, {{"cancel", CancelBut}, {"help", HelpBut}});
    Skins::FitWindowToContents(this);
}

void TDownloadForm::LoadTexts(const RecordText::Lines& lines) {
    using namespace TextTargets;
    TTextTable()
        .Add("caption", WindowCaption(this))
        .Add("message", Field(MessageText))
        .Add("cancel_hint", Hint(CancelBut))
        .Add("help_hint", Hint(HelpBut))
        .LoadTexts(lines, "downloadform");
}
