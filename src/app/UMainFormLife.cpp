// Start, delayed start and end of the program's run.
#include "app/GeneralSettings.h"
#include "app/LanguagesMenu.h"
#include "app/StartDelay.h"
#include "app/TrayIcon.h"
#include "app/UMainForm.h"
#include "app/USplashForm.h"
#include "catalogue/CamBrowser.h"
#include "catalogue/CatalogueExchange.h"
#include "catalogue/UCamForm.h"
#include "core/LogCategories.h"
#include "i18n/UDownloadForm.h"
#include "net/HTTPTransferState.h"
#include "outreach/UAttentionForm.h"
#include "outreach/UMForm.h"
#include "platform/Autostart.h"
#include "platform/DataFolderMove.h"
#include "platform/ULMRLib.h"
#include "platform/desktop/DesktopChoice.h"
#include "wallpaper/OldWallpaper.h"
#include "widgets/BuiltinPictures.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QTimer>

namespace {

// Releases before kept the data in the documents folder, where it does not belong; it moves over
// once, before anything reads it.
void MoveDataOfOlderReleases() {
    const TResult<bool> moved = MoveOldDataFolder(OldDataDirectory(), DataDirectory());
    if (!moved.Ok())
        qCWarning(lcProgram, "the data of an older release stays in %s: %s", qPrintable(OldDataDirectory()),
                  qPrintable(moved.Error()));
    else if (*moved)
        qCInfo(lcProgram, "moved the data of an older release from %s to %s", qPrintable(OldDataDirectory()),
               qPrintable(DataDirectory()));
}

} // namespace

TMainForm::TMainForm(const QStringList& arguments, std::unique_ptr<TDesktop> desktop)
    : QWidget(nullptr, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint)
    , m_desktop(desktop ? std::move(desktop) : CreateDesktop()) {
    MoveDataOfOlderReleases();
    m_cycle = new TWallpaperCycle(*m_desktop, DataDirectory(), CacheDirectory(), this);
    setWindowTitle(QStringLiteral("Lumora"));
    setWindowIcon(ApplicationIcon());
    setFixedSize(597, 398);
    m_browser = new TCamBrowser([this]() -> TCamForm& { return m_camForm.Need(); }, this);
    m_tray = new TTrayIcon(this);
    m_catalogue = new TCatalogueExchange(this);
    m_languages = new TLanguagesMenu(
        m_tray->LanguagesRoot(), [this] { return m_languageNumber; }, m_downloadForm, this);
    Starter = new QTimer(this);
    Starter->setObjectName(QStringLiteral("Starter"));
    CreateShortcuts();
    ConnectOwners();

    RestoreOnExit = true;
    for (const QString& folder : {DataDirectory(), CacheDirectory()}) {
        if (!DirectoryExists(folder))
            ForceDirectories(folder);
        RemoveLeftoverPartFiles(folder);
    }
    // Remembered on every start, before any delay, so that shutting down during the delay also
    // puts the user's wallpaper back; the desktop's thread does it before any install.
    Cycle().Desktop.Post(SaveOldWallpaper);

    Starter->setSingleShot(true);
    connect(Starter, &QTimer::timeout, this, &TMainForm::StarterTimer);
    if (const std::optional<int> delay = StartDelayMilliseconds(arguments)) {
        Starter->setInterval(*delay);
        Starter->start();
    } else {
        StartUp();
    }
}

TMainForm::~TMainForm() {
    FormDestroy();
    // A splash still counting its seconds goes with the window that showed it.
    delete m_splash;
}

void TMainForm::StarterTimer() {
    Starter->stop();
    StartUp();
}

void TMainForm::StartUp() {
    m_browser->Reset();
    m_activeCam = std::make_shared<TWebCam>();
    ShowSplash();
    DisableControls();
    m_tray->AddTrayIcon(windowIcon());
    // The settings come before the catalogue request, which sends the language number.
    LoadSettings();
    RequestCatalogue();
    if (IsFirstRun()) {
        SetActive(true);
        SetShowMessages(true);
        SetRunOnStartup(true);
        SetStretch(true);
        ShowConfiguration();
        return;
    }
    m_tray->SetRunOnStartup(IsRunOnStartup());
    m_activeCam->LoadFromRegistry();
    m_tray->ShowCam(m_activeCam->Name, m_activeCam->URL);
    LoadSettings();
    FetchWallpaper();
    // The timer itself is switched on by the catalogue reply, OK and Apply.
    Cycle().SetRefresh(m_activeCam->Refresh);
}

void TMainForm::ShutDown() {
    // exit(), not quit(): quit() first asks every window to close, and a visible configuration window
    // answers a close by hiding, which would swallow the end. Queued, so that an end asked for
    // before the event loop runs (a notice declined during start-up) still ends the program.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
}

void TMainForm::ShutDownKeepWallpaper() {
    RestoreOnExit = false;
    ShutDown();
}

void TMainForm::FormDestroy() {
    if (m_destroyed)
        return;
    m_destroyed = true;
    if (RestoreOnExit)
        Cycle().Desktop.Post(RestoreOldWallpaper);
    // An install still running ends first, so that the user's wallpaper is what remains; the
    // backend is not touched after this.
    Cycle().Desktop.Stop();
    m_browser->Clear();
    m_tray->RemoveTrayIcon();
    // Previews and downloads live only while the program runs.
    QDir(CacheDirectory()).removeRecursively();
}

void TMainForm::closeEvent(QCloseEvent* event) {
    // Closing the window hides it; the program goes on in the tray.
    if (isVisible()) {
        event->ignore();
        hide();
        FetchWallpaper();
        UpdateControls();
        return;
    }
    QWidget::closeEvent(event);
}

void TMainForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    UpdateControls();
}
