#pragma once

#include "core/RecordText.h"
#include "core/Result.h"

#include <QDialog>
#include <QString>
#include <functional>

class QLabel;
class QProgressBar;
class THTTPGet;
class TImgBtn;
class TWebLanguage;
class TZLBArchive;

// The window that downloads a language pack into "pack.pak" of the language directory, with a
// progress bar, and then installs it there. Created hidden at start and reused; shown only while a
// pack downloads.
class TDownloadForm : public QDialog {
    Q_OBJECT
public:
    explicit TDownloadForm(QWidget* parent = nullptr);

    // The current language, for the help pages; the owner ties it to the program's setting.
    std::function<int()> CurrentLanguage = [] { return 0; };

    // Downloads the language's pack and unpacks it into languageDir; true when it was installed.
    // Blocks until the window has closed: events go on meanwhile. A transfer that fails, a pack of
    // 20000 bytes or less, the user's close box and a pack that is not whole and sound install
    // nothing: every member's checksum is checked before the first file is written. A pack that
    // fails that check is remembered, so that the same version is not fetched again. A sound pack
    // whose files cannot be written gives the reason instead. "pack.pak" is gone afterwards,
    // whatever happened.
    TResult<bool> DownloadPack(const TWebLanguage& language, const QString& languageDir);

    // Skin and texts of the window ("downloadform" folder and block).
    void LoadSkin(int language);
    void LoadTexts(const RecordText::Lines& lines);

    // First part of the download message, set by the language file.
    QString MessageText;

    QLabel* MainImage = nullptr;
    TImgBtn* CancelBut = nullptr;
    TImgBtn* HelpBut = nullptr;
    QLabel* MessageLabel = nullptr;
    QProgressBar* ProgressBar = nullptr;
    TZLBArchive* Archiv = nullptr;
    THTTPGet* PackGet = nullptr;

    void PackGetProgress(THTTPGet* Sender, qint64 TotalSize, qint64 Readed);
    void PackGetDoneFile(THTTPGet* Sender, const QString& FileName, qint64 FileSize);
    void PackGetError(THTTPGet* Sender);
    void CancelButClick() { done(QDialog::Rejected); }
    void HelpButClick();
    void FormKeyDown(int key);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateControls();
    THTTPGet* CreatePackFetcher();
    // Stops a transfer still running (the user closed the window) and waits until it has let go of
    // the pack file.
    void StopTransfer();
    TResult<bool> InstallPack(const QString& packPath, const QString& languageDir);
};
