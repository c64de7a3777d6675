// The configuration window's controls in their designed places, with their built-in pictures and
// hints, and the wiring of the window's owners.
#include "app/LanguagesMenu.h"
#include "app/TrayIcon.h"
#include "app/UMainForm.h"
#include "catalogue/CamBrowser.h"
#include "catalogue/CatalogueExchange.h"
#include "platform/Autostart.h"
#include "wallpaper/WallpaperCycle.h"
#include "widgets/BuiltinPictures.h"
#include "widgets/DesignedControls.h"
#include "widgets/ImgBtn.h"
#include "widgets/Skins.h"
#include "widgets/WindowFont.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

void TMainForm::MakeControls() {
    if (ControlsMade())
        return;
    CreateControls();
    connect(OKBut, &TImgBtn::Click, this, &TMainForm::OKButClick);
    connect(Applybut, &TImgBtn::Click, this, &TMainForm::ApplybutClick);
    connect(CancelBut, &TImgBtn::Click, this, &TMainForm::CancelButClick);
    connect(RestoreBut, &TImgBtn::Click, this, &TMainForm::RestoreButClick);
    connect(ShutdownBut, &TImgBtn::Click, this, &TMainForm::ShutDown);
    connect(CamPageBut, &TImgBtn::Click, this, &TMainForm::CamPageButClick);
    connect(HelpBut, &TImgBtn::Click, this, &TMainForm::HelpButClick);
    connect(TellBut, &TImgBtn::Click, this, &TMainForm::TellButClick);
    connect(KorvexBut, &TImgBtn::Click, this, &TMainForm::KorvexButClick);
    connect(RefreshEdit, &QLineEdit::editingFinished, this, &TMainForm::RefreshEditExit);
    StretchCheck->setChecked(m_stretch);
    PlaceRightButtons(m_catalogueArrived);
    LoadPictures();
    LoadAppliedTexts();
    ApplyControlStates(m_controlStates);
}

void TMainForm::setVisible(bool visible) {
    if (visible)
        MakeControls();
    QWidget::setVisible(visible);
}

void TMainForm::CreateControls() {
    setFont(WindowFont());
    MainImage = new QLabel(this);
    MainImage->setGeometry(0, 0, 597, 398);
    MainImage->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // The cam browser lies over the background, under the window's own controls.
    m_browser->raise();
    m_browser->MakeControls();

    constexpr int Right = 475;
    OKBut = MakeButton(this, Right, 80,
                       QStringLiteral("Save & apply current settings and hide configuration window"));
    Applybut = MakeButton(this, Right, 109, QStringLiteral("Apply current settings"));
    CancelBut = MakeButton(this, Right, 138, QStringLiteral("Cancel current settings"));
    RestoreBut = MakeButton(this, Right, 167, QStringLiteral("Restore to last settings"));
    ShutdownBut = MakeButton(this, Right, 210, QStringLiteral("Shut down"));
    CamPageBut = MakeButton(this, Right, 239, QStringLiteral("Open current cam's homepage"));
    HelpBut = MakeButton(this, Right, 268, QStringLiteral("Open Lumora manual"));
    TellBut = MakeButton(this, Right, 339, QStringLiteral("Tell a friend about Lumora"));
    KorvexBut = MakeButton(this, Right, 368, QStringLiteral("Open Korvex Software homepage"));

    // The settings under the preview, in a row on the preview's card. Their captions keep their
    // designed right edges and take a second line where a language's words are longer.
    QWidget* settings = MakePanel(this, QRect(214, 362, 240, 30), "SettingsPanel");
    RefreshLabel = MakeWrappingLabel(settings, QStringLiteral("Refresh time (seconds)"), QRect(0, 0, 119, 26),
                                     Qt::AlignRight);
    RefreshEdit = new QLineEdit(settings);
    RefreshEdit->setGeometry(123, 2, 41, 21);
    RefreshEdit->setToolTip(QStringLiteral("Delay of refreshing wallpaper"));
    StretchLabel =
        MakeWrappingLabel(settings, QStringLiteral("Stretch"), QRect(170, 0, 53, 26), Qt::AlignRight);
    StretchCheck = new QCheckBox(settings);
    StretchCheck->setGeometry(226, 4, 14, 17);
    StretchCheck->setToolTip(QStringLiteral("Stretch wallpaper to fit screen size"));

    NameControls({{MainImage, "MainImage"},
                  {OKBut, "OKBut"},
                  {Applybut, "Applybut"},
                  {CancelBut, "CancelBut"},
                  {RestoreBut, "RestoreBut"},
                  {ShutdownBut, "ShutdownBut"},
                  {CamPageBut, "CamPageBut"},
                  {HelpBut, "HelpBut"},
                  {TellBut, "TellBut"},
                  {KorvexBut, "KorvexBut"},
                  {RefreshLabel, "RefreshLabel"},
                  {RefreshEdit, "RefreshEdit"},
                  {StretchLabel, "StretchLabel"},
                  {StretchCheck, "StretchCheck"}});
}

QList<Skins::TButtonSkin> TMainForm::SkinnedButtons() const {
    return QList<Skins::TButtonSkin>{
               {"ok", OKBut},           {"apply", Applybut},       {"cancel", CancelBut},
               {"restore", RestoreBut}, {"shutdown", ShutdownBut}, {"camhomepage", CamPageBut},
               {"help", HelpBut},       {"tellafriend", TellBut},  {"korvex", KorvexBut}} +
           m_browser->SkinnedButtons();
}

void TMainForm::LoadPictures() {
    MainImage->setPixmap(BuiltinPicture(QStringLiteral("mainform/background")));
    for (const Skins::TButtonSkin& entry : SkinnedButtons())
        LoadBuiltinButtonPictures(*entry.Button, QLatin1String(entry.SkinName));
    for (const int language : m_appliedLanguages)
        LoadSkin(language);
}

void TMainForm::PlaceRightButtons(bool catalogueArrived) {
    const int shift = catalogueArrived ? 13 : 0;
    ShutdownBut->move(475, 210 + shift);
    CamPageBut->move(475, 239 + shift);
    HelpBut->move(475, 268 + shift);
    TellBut->setVisible(catalogueArrived);
}

void TMainForm::ConnectOwners() {
    Cycle().OnTimer = [this] { TimerTimer(); };
    Cycle().IsStretched = [this] { return m_stretch; };
    connect(&Cycle(), &TWallpaperCycle::Installed, m_tray, &TTrayIcon::PictureInstalled);
    connect(&Cycle(), &TWallpaperCycle::Failed, m_tray, &TTrayIcon::PictureFailed);
    connect(m_browser, &TCamBrowser::ControlsWanted, this, &TMainForm::MakeControls);
    connect(m_browser, &TCamBrowser::Changed, this, &TMainForm::UpdateControls);
    connect(m_browser, &TCamBrowser::DialogOpening, this, &TMainForm::DisableControls);
    connect(m_browser, &TCamBrowser::PreviewLoaded, this,
            [this](int refresh) { RefreshEdit->setText(QString::number(refresh)); });
    connect(m_catalogue, &TCatalogueExchange::DoneString, this, &TMainForm::PHPGetDoneString);
    connect(m_catalogue, &TCatalogueExchange::Error, this, &TMainForm::PHPGetError);
    connect(m_languages, &TLanguagesMenu::LanguageChosen, this, &TMainForm::SelectLanguage);
    connect(m_languages, &TLanguagesMenu::LanguageReady, this, &TMainForm::ApplyLanguage);
    connect(m_tray, &TTrayIcon::Configure1Click, this, &TMainForm::ShowConfiguration);
    // The timer keeps running; while inactive its ticks do nothing.
    connect(m_tray, &TTrayIcon::Active1Click, this, [this] {
        SetActive(!m_active);
        SaveSettings();
    });
    connect(m_tray, &TTrayIcon::Showmessages1Click, this, [this] {
        SetShowMessages(!m_showMessages);
        SaveSettings();
    });
    // The entry on disk, not the check mark, decides the new state.
    connect(m_tray, &TTrayIcon::Runonstartup1Click, this, [this] { SetRunOnStartup(!IsRunOnStartup()); });
    connect(m_tray, &TTrayIcon::Shutdownandkeepwallpaper1Click, this, &TMainForm::ShutDownKeepWallpaper);
    connect(m_tray, &TTrayIcon::Shutdown1Click, this, &TMainForm::ShutDown);
    // No panel to live in: show the window rather than run where the user cannot reach it.
    connect(m_tray, &TTrayIcon::NoTrayHost, this, [this] {
        if (!isVisible())
            ShowConfiguration();
    });
}
