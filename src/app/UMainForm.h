#pragma once

#include "app/ControlRules.h"
#include "app/OwnedWindow.h"
#include "core/RecordText.h"
#include "core/UCams.h"
#include "platform/desktop/Desktop.h"
#include "wallpaper/WallpaperCycle.h"
#include "widgets/Skins.h"

#include <QPointer>
#include <QWidget>
#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QTimer;
class TAttentionForm;
class TCamBrowser;
class TCamForm;
class TCatalogueExchange;
class TDownloadForm;
class TImgBtn;
class TLanguagesMenu;
class TMForm;
class TSplashForm;
class TTrayIcon;

// The configuration window, and the program's hidden main window for its whole run: it starts and
// ends the work, keeps the settings and the active cam, and runs the refresh cycle. It owns the cam
// browser, the tray icon, the catalogue exchange and the languages menu, each with its own concern,
// and the secondary windows, which it makes when they are first needed.
class TMainForm : public QWidget {
    Q_OBJECT
public:
    // `arguments` excludes the program's name. The desktop backend is the running desktop's unless
    // one is given. Construction remembers the user's wallpaper and starts now or after the delay
    // that the first argument asks for.
    explicit TMainForm(const QStringList& arguments, std::unique_ptr<TDesktop> desktop = nullptr);
    ~TMainForm() override;

    void ShutDown();
    void ShowConfiguration();
    // What a left click on the tray icon does: the configuration window, once the start is done.
    void ShowWhenAsked();
    // Skins of every window, then the texts of the language file of every window and the menu.
    void ApplyLanguage(int language);
    // The language the user chose: saved, and the catalogue asked for in it.
    void SelectLanguage(int language);
    void setVisible(bool visible) override;
    void MakeControls(); // on the first show or preview

    // The settings and the active cam, whose picture becomes the wallpaper.
    bool Active() const { return m_active; }
    bool ShowMessages() const { return m_showMessages; }
    bool Stretch() const { return m_stretch; }
    int LanguageNumber() const { return m_languageNumber; }
    const TWebCamPtr& ActiveCam() const { return m_activeCam; }
    bool CatalogueArrived() const { return m_catalogueArrived; }
    bool ControlsMade() const { return MainImage != nullptr; }
    // The refresh cycle; the desktop backend is reached only through the thread it runs on.
    TWallpaperCycle& Cycle() { return *m_cycle; }

private:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // The handlers, split by concern over the UMainForm*.cpp files.
    void StartUp();
    void StarterTimer();
    void ShutDownKeepWallpaper();
    void FormDestroy();
    void ShowSplash();
    void TimerTimer();
    void FetchWallpaper();
    void LoadSettings();
    void SaveSettings();
    void SetActive(bool value);
    void SetShowMessages(bool value);
    void SetStretch(bool value);
    void SetRunOnStartup(bool on);
    void CommitSelection();
    void ApplySelection(bool hideWindow); // OK hides the window, Apply does not
    void OKButClick();
    void ApplybutClick();
    void CancelButClick();
    void RestoreButClick();
    void RefreshEditExit();
    void SAM(TMForm* Sender);
    void UpdateControls();
    void DisableControls();
    void ApplyControlStates(const TControlStates& states);
    TControlInputs CurrentControlInputs() const;
    void CreateShortcuts();
    void FormKeyDown(int key);
    void CamPageButClick();
    void HelpButClick();
    void KorvexButClick();
    void TellButClick();
    void RequestCatalogue();
    void PHPGetDoneString(const QByteArray& Result);
    void PHPGetError();
    void RebuildCatalogue(const QByteArray& reply);
    void FinishCatalogueReply();
    void CreateControls();
    void ConnectOwners();
    void LoadPictures();
    void LoadSkin(int language);
    void LoadAppliedTexts();
    void LoadTexts(const RecordText::Lines& lines);
    QList<Skins::TButtonSkin> SkinnedButtons() const;
    void PlaceRightButtons(bool catalogueArrived);
    // Gives a secondary window made after start what the others got before it (UMainFormTexts.cpp).
    template <class TWindow> void PrepareWindow(TWindow& window);

    bool m_active = false, m_showMessages = false, m_stretch = false;
    int m_languageNumber = 0;
    bool RestoreOnExit = true;
    TWebCamPtr m_activeCam;
    TControlStates m_controlStates;
    bool m_destroyed = false, m_catalogueArrived = false;
    // The languages ApplyLanguage gave so far, each once, in the order each was last given: texts
    // and skins add up, so a window made late takes them all in this order.
    QList<int> m_appliedLanguages;
    // Texts the language file gives that no control shows directly.
    QByteArray KorvexUrl, MailSubjectText, MailMessageText;

    // Used only on the cycle's desktop thread, which FormDestroy stops before the backend goes.
    std::unique_ptr<TDesktop> m_desktop;
    TWallpaperCycle* m_cycle = nullptr;
    QTimer* Starter = nullptr;
    TCamBrowser* m_browser = nullptr;
    TTrayIcon* m_tray = nullptr;
    TCatalogueExchange* m_catalogue = nullptr;
    TLanguagesMenu* m_languages = nullptr;

    QLabel* MainImage = nullptr;
    TImgBtn *OKBut = nullptr, *Applybut = nullptr, *CancelBut = nullptr, *RestoreBut = nullptr;
    TImgBtn *ShutdownBut = nullptr, *CamPageBut = nullptr, *HelpBut = nullptr, *TellBut = nullptr;
    TImgBtn* KorvexBut = nullptr;
    QLabel *RefreshLabel = nullptr, *StretchLabel = nullptr;
    QLineEdit* RefreshEdit = nullptr;
    QCheckBox* StretchCheck = nullptr;

    // One splash per start; it frees itself after its four seconds.
    QPointer<TSplashForm> m_splash;
    TOwnedWindow<TCamForm> m_camForm{[this](TCamForm& window) { PrepareWindow(window); }};
    TOwnedWindow<TDownloadForm> m_downloadForm{[this](TDownloadForm& window) { PrepareWindow(window); }};
    TOwnedWindow<TAttentionForm> m_attentionForm{[this](TAttentionForm& window) { PrepareWindow(window); }};
    TOwnedWindow<TMForm> m_mForm{[this](TMForm& window) { PrepareWindow(window); }};
};
