// Start, delayed start and end of the program's run.
#include "app/GeneralSettings.h"
#include "app/StartDelay.h"
#include "app/UMainForm.h"
#include "app/USplashForm.h"
#include "catalogue/CamTree.h"
#include "catalogue/UCamForm.h"
#include "i18n/UDownloadForm.h"
#include "net/HTTPTransferState.h"
#include "outreach/UAttentionForm.h"
#include "outreach/UMForm.h"
#include "platform/Autostart.h"
#include "platform/ULMRLib.h"
#include "wallpaper/OldWallpaper.h"
#include "widgets/BuiltinPictures.h"

#include <QApplication>
#include <QCloseEvent>

TMainForm::TMainForm(const QStringList& arguments, std::unique_ptr<TDesktop> desktop)
    : QWidget(nullptr, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint)
    , m_desktop(desktop ? std::move(desktop) : CreateDesktop()) {
    m_cycle = new TWallpaperCycle(*m_desktop, DataDirectory(), this);
    setWindowTitle(QStringLiteral("Lumora"));
    setWindowIcon(ApplicationIcon());
    setFixedSize(597, 398);
    TreeModel = new TCamTreeModel(this);
    PGet = CreatePreviewFetcher();
    CreateMenu();
    CreateShortcuts();
    ConnectHandlers();

    RestoreOnExit = true;
    if (!DirectoryExists(DataDirectory()))
        ForceDirectories(DataDirectory());
    RemoveLeftoverPartFiles(DataDirectory());
    PreviewBusy = false;
    // Remembered on every start, before any delay, so that shutting down during the delay also
    // puts the user's wallpaper back; the desktop's thread does it before any install.
    Desktop().Post(SaveOldWallpaper);

    Starter.setSingleShot(true);
    connect(&Starter, &QTimer::timeout, this, &TMainForm::StarterTimer);
    if (const std::optional<int> delay = StartDelayMilliseconds(arguments)) {
        Starter.setInterval(*delay);
        Starter.start();
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
    Starter.stop();
    StartUp();
}

void TMainForm::StartUp() {
    CamList.reset();
    ActiveCam = std::make_shared<TWebCam>();
    SelectedCam = std::make_shared<TWebCam>();
    ShowSplash();
    DisableControls();
    AddTrayIcon();
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
    Runonstartup1->setChecked(IsRunOnStartup());
    ActiveCam->LoadFromRegistry();
    LoadSettings();
    FetchWallpaper();
    // The timer itself is switched on by the catalogue reply, OK and Apply.
    Cycle().SetRefresh(ActiveCam->Refresh);
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
        Desktop().Post(RestoreOldWallpaper);
    // An install still running ends first, so that the user's wallpaper is what remains; the
    // backend is not touched after this.
    Desktop().Stop();
    TreeModel->Clear();
    SetPreviewBusy(false);
    RemoveTrayIcon();
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
