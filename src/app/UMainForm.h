#pragma once

#include "app/ControlRules.h"
#include "app/OwnedWindow.h"
#include "core/LanguageList.h"
#include "core/UCams.h"
#include "platform/desktop/Desktop.h"
#include "wallpaper/WallpaperCycle.h"
#include "widgets/Skins.h"

#include <QAction>
#include <QIcon>
#include <QList>
#include <QMenu>
#include <QPixmap>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSystemTrayIcon;
class QModelIndex;
class TCamTreeModel;
class TCamTreeView;
class THTTPGet;
class TAttentionForm;
class TCamForm;
class TDownloadForm;
class TImgBtn;
class TMForm;
class TSplashForm;

// The configuration window, and the program's hidden main window for its whole run: it starts
// and ends the work, keeps the settings and the three cam slots, runs the refresh cycle and owns
// the tray icon with its menu. Its behaviour is split by concern over the UMainForm*.cpp files.
class TMainForm : public QWidget {
    Q_OBJECT
public:
    // `arguments` excludes the program's name. The desktop backend is the running desktop's unless
    // one is given. Construction remembers the user's wallpaper and starts now or after the delay
    // that the first argument asks for.
    explicit TMainForm(const QStringList& arguments, std::unique_ptr<TDesktop> desktop = nullptr);
    ~TMainForm() override;

    // --- Life cycle (UMainFormLife.cpp)
    void StartUp();
    void StarterTimer();
    void ShutDown();
    void ShutDownKeepWallpaper();
    void FormDestroy();

    bool RestoreOnExit = true;
    QTimer Starter;
    // The catalogue; none until the catalogue reply builds it.
    std::shared_ptr<TCamList> CamList;

    // --- Settings, commit and enable rules (UMainFormSettings.cpp)
    void LoadSettings();
    void SaveSettings();
    void SetActive(bool value);
    void SetShowMessages(bool value);
    void SetStretch(bool value);
    void CommitSelection();
    void OKButClick();
    void ApplybutClick();
    void CancelButClick();
    void RestoreButClick();
    void RefreshEditExit();
    void Active1Click();
    void Showmessages1Click();
    void SAM(TMForm* Sender);
    void UpdateControls();
    void DisableControls();
    void ShowConfiguration();
    // The states the last UpdateControls or DisableControls gave.
    TControlStates ControlStates() const { return m_controlStates; }

    bool Active = false;
    bool ShowMessages = false;
    bool Stretch = false;
    // The language of every window's texts, skins and help pages, and of the catalogue's replies.
    int LanguageNumber = 0;
    bool PreviewBusy = false;
    TWebCamPtr ActiveCam;
    TWebCamPtr SelectedCam;
    TWebCamPtr PreviewCam;

    // --- Refresh cycle (UMainFormWallpaper.cpp)
    void TimerTimer();
    void FetchWallpaper();
    // The desktop backend, reached only through the thread it runs on.
    TDesktopWorker& Desktop() { return Cycle().Desktop; }
    TWallpaperCycle& Cycle() { return *m_cycle; }

    // --- Tray, menu, start with the system (UMainFormTray.cpp)
    void AddTrayIcon();
    void ModifyTrayIcon();
    void RemoveTrayIcon();
    void Configure1Click();
    void Runonstartup1Click();
    // Writes or removes the autostart entry and sets the menu's check mark to `on`, whether or
    // not the entry could be written.
    void SetRunOnStartup(bool on);
    void Shutdownandkeepwallpaper1Click();
    void ShutdownButClick();
    QSystemTrayIcon* TrayIcon() const { return m_trayIcon; }
    // How long a start waits for a tray host before it opens the configuration window instead.
    int TrayWaitMilliseconds = 30000;

    QMenu Popper;
    QAction* Configure1 = nullptr;
    QMenu* LanguagesRoot = nullptr;
    QAction* Active1 = nullptr;
    QAction* Showmessages1 = nullptr;
    QAction* Runonstartup1 = nullptr;
    QAction* Shutdownandkeepwallpaper1 = nullptr;
    QAction* Shutdown1 = nullptr;

    // --- Keys and shell buttons (UMainFormKeys.cpp)
    void FormKeyDown(int key);
    void HelpButClick();
    void KorvexButClick();
    void CamPageButClick();

    // --- Catalogue exchange (UMainFormCatalogue.cpp)
    void RequestCatalogue();
    void PHPGetDoneString(THTTPGet* Sender, const QByteArray& Result);
    void PHPGetError(THTTPGet* Sender);
    void LoadCustomCams();
    // The fetcher of the catalogue script; replaced by a fresh one on every retry.
    THTTPGet* PHPGet = nullptr;
    // The languages of the last catalogue reply; none until the first.
    std::unique_ptr<TLanguageList> LanguageList;
    // Whether a catalogue reply has been handled in this run.
    bool CatalogueArrived() const { return m_catalogueArrived; }

    // --- Languages menu and switching (UMainFormLanguages.cpp)
    void BuildLanguagesMenu();
    void LanguagesClick(QAction* Sender);
    void SelectLanguage(int language);
    // Installs or updates the language's pack when the server offers a newer one, then applies the
    // language.
    void CheckLanguagePack(int language);
    // Runs the pack download window for the language; true when its pack was installed.
    bool DownloadLanguagePack(int language);

    // --- Texts and skins (UMainFormTexts.cpp)
    // Skins of every window, then the texts of the language file of every window and the menu.
    void ApplyLanguage(int language);
    void LoadSkin(int language);
    void LoadTexts(const RecordText::Lines& lines);
    void LoadMenuTexts(const RecordText::Lines& lines);

    // --- Cam browser: tree, country filter, preview, custom cams (UMainFormBrowser.cpp)
    void ShowPreview(const TWebCamPtr& cam);
    // Esc: the running preview's outcome is ignored and the chosen cam's node selected again.
    void CancelPreview();
    void PGetDoneFile(THTTPGet* Sender, const QString& FileName, qint64 FileSize);
    void PGetError(THTTPGet* Sender);
    // May the selection move to this node?
    bool TreeViewChanging(const QModelIndex& Node);
    void TreeViewChange(const QModelIndex& Node);
    void TreeViewMouseDown(const QModelIndex& Node);
    void TreeViewExpanded(const QModelIndex& Node);
    void TreeViewCollapsed(const QModelIndex& Node);
    void CountryBoxChange(int index);
    void PlusButClick();
    void EditButClick();
    void MinusButClick();
    void StoreCustomCams();
    static QString CustomCamsPath();
    // The fetcher of previews; replaced when a preview gives way to another.
    THTTPGet* PGet = nullptr;
    // 0 while the running preview's outcome is wanted, 1 after Esc cancelled it.
    int PGetTag = 0;

    // --- Splash and tell-a-friend (UMainFormOutreach.cpp)
    void ShowSplash();
    void TellButClick();

    // Texts the language file gives that no control shows directly.
    QByteArray KorvexUrl;
    QByteArray AllCountriesText = "All Countries";
    QByteArray MailSubjectText;
    QByteArray MailMessageText;

    // --- Controls (UMainFormLayout.cpp)
    // A program that stays in the tray never builds them: they are made, with their pictures, texts,
    // states and the catalogue's countries, when the window is first shown or previews a cam, and
    // are null until then.
    void MakeControls();
    bool ControlsMade() const { return MainImage != nullptr; }
    void setVisible(bool visible) override;

    QLabel* MainImage = nullptr;
    TImgBtn* OKBut = nullptr;
    TImgBtn* Applybut = nullptr;
    TImgBtn* CancelBut = nullptr;
    TImgBtn* RestoreBut = nullptr;
    TImgBtn* ShutdownBut = nullptr;
    TImgBtn* CamPageBut = nullptr;
    TImgBtn* HelpBut = nullptr;
    TImgBtn* TellBut = nullptr;
    TImgBtn* KorvexBut = nullptr;
    TImgBtn* PlusBut = nullptr;
    TImgBtn* MinusBut = nullptr;
    TImgBtn* EditBut = nullptr;
    QLabel* CountryLabel = nullptr;
    QComboBox* CountryBox = nullptr;
    TCamTreeView* TreeView = nullptr;
    TCamTreeModel* TreeModel = nullptr;
    QLabel* TitleLabel = nullptr;
    QLabel* PreviewImage = nullptr;
    QLabel* DescriptionLabel = nullptr;
    QLabel* RefreshLabel = nullptr;
    QLineEdit* RefreshEdit = nullptr;
    QLabel* StretchLabel = nullptr;
    QCheckBox* StretchCheck = nullptr;
    // The picture a failed preview shows; made when a preview first fails.
    QPixmap ErrorImage;

    // Places the right-hand buttons as before or after the first catalogue reply, which also shows
    // the tell-a-friend button.
    void PlaceRightButtons(bool catalogueArrived);

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // OK (hiding the window) and Apply.
    void ApplySelection(bool hideWindow);
    void CreateControls();
    // The built-in pictures and the applied language's skin.
    void LoadPictures();
    // The applied language's texts on the controls just made.
    void LoadAppliedTexts();
    // "All countries", a blank entry, then the catalogue's countries.
    void FillCountryBox();
    // The buttons with the skin names of their pictures.
    QList<Skins::TButtonSkin> SkinnedButtons() const;
    void CreateMenu();
    void CreateShortcuts();
    void ConnectHandlers();
    void ConnectControlHandlers();
    void ApplyControlStates(const TControlStates& states);
    TControlInputs CurrentControlInputs() const;
    void WaitForTrayHost();
    THTTPGet* CreateCatalogueFetcher(bool waitThread);
    THTTPGet* CreatePreviewFetcher();
    void SetPreviewBusy(bool busy);
    void ShowNotAvailable();
    // Selects the last node of the cam with this number with TreeViewChange off; `askChanging`
    // keeps TreeViewChanging on.
    void SelectNodeQuietly(qint32 refid, bool askChanging);
    // Selects a node as the user would, with both selection handlers on.
    void SelectNode(const QModelIndex& node);
    QModelIndex SelectedNode() const;
    void RebuildCatalogue(const QByteArray& reply);
    void FinishCatalogueReply();
    // Gives a secondary window made after start what the others got before it: the languages
    // applied so far and the current one for its help pages; the cam dialog also gets the
    // catalogue's countries and reports a suggestion's answer, the messages window its "show
    // messages" choice.
    void PrepareWindow(TAttentionForm& window);
    void PrepareWindow(TDownloadForm& window);
    void PrepareWindow(TCamForm& window);
    void PrepareWindow(TMForm& window);
    template <class TWindow> void ApplyAppliedLanguage(TWindow& window);

    // Used only on the cycle's desktop thread, which FormDestroy stops before the backend goes.
    std::unique_ptr<TDesktop> m_desktop;
    TWallpaperCycle* m_cycle = nullptr;
    QSystemTrayIcon* m_trayIcon = nullptr;
    QTimer m_trayWait;
    int m_trayWaited = 0;
    TControlStates m_controlStates;
    bool m_destroyed = false;
    bool m_catalogueArrived = false;
    // The languages ApplyLanguage gave so far, each once, in the order each was last given. Texts
    // and skins add up (a key a language lacks keeps the earlier one's text), so a window made
    // late takes them all in this order and shows what it would had it been made at start.
    QList<int> m_appliedLanguages;
    bool m_treeHandlersOff = false;
    // One splash per start; it frees itself after its four seconds.
    QPointer<TSplashForm> m_splash;
    TOwnedWindow<TCamForm> m_camForm{[this](TCamForm& window) { PrepareWindow(window); }};
    TOwnedWindow<TDownloadForm> m_downloadForm{[this](TDownloadForm& window) { PrepareWindow(window); }};
    TOwnedWindow<TAttentionForm> m_attentionForm{[this](TAttentionForm& window) { PrepareWindow(window); }};
    TOwnedWindow<TMForm> m_mForm{[this](TMForm& window) { PrepareWindow(window); }};
};
