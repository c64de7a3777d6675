// Settings, the commit of a chosen cam, and which controls can be used.
#include "app/GeneralSettings.h"
#include "app/TrayIcon.h"
#include "app/UMainForm.h"
#include "catalogue/CamBrowser.h"
#include "outreach/UMForm.h"
#include "platform/Autostart.h"
#include "platform/ULMRLib.h"
#include "wallpaper/RefreshRule.h"
#include "widgets/ImgBtn.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QScreen>

void TMainForm::LoadSettings() {
    const std::optional<TGeneralSettings> settings = LoadGeneralSettings();
    if (!settings)
        return;
    if (settings->Active)
        SetActive(*settings->Active);
    if (settings->ShowMessages)
        SetShowMessages(*settings->ShowMessages);
    if (settings->Language)
        m_languageNumber = *settings->Language;
    if (settings->Stretch)
        SetStretch(*settings->Stretch);
}

void TMainForm::SaveSettings() {
    SaveGeneralSettings(m_stretch, m_active, m_showMessages, m_languageNumber);
}

void TMainForm::SetActive(bool value) {
    m_active = value;
    m_tray->SetActive(value);
}

void TMainForm::SetStretch(bool value) {
    m_stretch = value;
    if (StretchCheck)
        StretchCheck->setChecked(value);
}

void TMainForm::SetShowMessages(bool value) {
    m_showMessages = value;
    m_tray->SetShowMessages(value);
}

// Writes or removes the autostart entry and sets the menu's check mark to `on`, whether or not the
// entry could be written.
void TMainForm::SetRunOnStartup(bool on) {
    ::SetRunOnStartup(on, QCoreApplication::applicationFilePath());
    m_tray->SetRunOnStartup(on);
}

void TMainForm::CommitSelection() {
    const TWebCam& selected = *m_browser->SelectedCam();
    m_activeCam->RefID = selected.RefID;
    m_activeCam->URL = selected.URL;
    m_activeCam->Name = selected.Name;
    m_activeCam->Description = selected.Description;
    m_activeCam->Country = selected.Country;
    m_activeCam->Category = selected.Category;
    m_activeCam->Webpage = selected.Webpage;
    // The field is checked only when it loses focus, so OK can meet a 0 or a negative number here:
    // those get the leaving rule's value, as a timer cannot run with them.
    m_activeCam->Refresh = RefreshFromText(RefreshEdit->text(), selected.Refresh);
    m_stretch = StretchCheck->isChecked();
    Cycle().SetRefresh(m_activeCam->Refresh);
    m_tray->ShowCam(m_activeCam->Name, m_activeCam->URL);
    SaveSettings();
    m_activeCam->SaveToRegistry();
}

void TMainForm::OKButClick() {
    ApplySelection(true);
}

void TMainForm::ApplybutClick() {
    ApplySelection(false);
}

void TMainForm::ApplySelection(bool hideWindow) {
    // Only a loaded preview can be applied; a running one refuses the click.
    if (m_browser->PreviewBusy())
        return;
    CommitSelection();
    if (hideWindow)
        hide();
    if (!m_active) {
        SetActive(true);
        SaveSettings();
    }
    FetchWallpaper();
    Cycle().Timer.start();
    UpdateControls();
}

void TMainForm::CancelButClick() {
    // Nothing is undone: the next opening previews the active cam again.
    hide();
    UpdateControls();
}

void TMainForm::RestoreButClick() {
    m_browser->ShowPreview(m_activeCam);
}

void TMainForm::RefreshEditExit() {
    bool isNumber = false;
    const qlonglong typed = RefreshEdit->text().toLongLong(&isNumber);
    if (!isNumber || !IsUsableRefresh(typed)) {
        const TWebCamPtr& selected = m_browser->SelectedCam();
        RefreshEdit->setText(QString::number(selected ? selected->Refresh : TWebCam::DefaultRefresh));
    }
}

void TMainForm::SAM(TMForm* Sender) {
    SetShowMessages(Sender->ShowMessagesChoice);
    SaveSettings();
}

void TMainForm::ShowConfiguration() {
    if (!IsFirstRun()) {
        TWebCamPtr listCam;
        if (m_activeCam->RefID != 0 && m_browser->CamList())
            listCam = m_browser->CamList()->FindByRefID(m_activeCam->RefID);
        m_browser->ShowPreview(listCam ? listCam : m_activeCam);
    }
    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    show();
    raise();
    activateWindow();
}

void TMainForm::ShowWhenAsked() {
    m_tray->ConfigureIfEnabled();
}

TControlInputs TMainForm::CurrentControlInputs() const {
    TControlInputs inputs;
    const TWebCamPtr& previewCam = m_browser->PreviewCam();
    inputs.HasPreviewCam = previewCam != nullptr;
    if (previewCam) {
        inputs.PreviewCategory = previewCam->Category;
        inputs.PreviewURL = previewCam->URL;
    }
    const TWebCamPtr& selectedCam = m_browser->SelectedCam();
    inputs.HasSelectedCam = selectedCam != nullptr;
    if (selectedCam)
        inputs.SelectedURL = selectedCam->URL;
    if (m_activeCam)
        inputs.ActiveURL = m_activeCam->URL;
    inputs.WindowVisible = isVisible();
    return inputs;
}

void TMainForm::UpdateControls() {
    ApplyControlStates(UpdatedControlStates(CurrentControlInputs()));
}

void TMainForm::DisableControls() {
    ApplyControlStates(DisabledControlStates());
}

void TMainForm::ApplyControlStates(const TControlStates& states) {
    m_controlStates = states;
    if (ControlsMade()) {
        m_browser->SetButtonsEnabled(states.PlusBut, states.MinusBut, states.EditBut);
        HelpBut->SetEnabled(states.HelpBut);
        ShutdownBut->SetEnabled(states.ShutdownBut);
        TellBut->SetEnabled(states.TellBut);
        CancelBut->SetEnabled(states.CancelBut);
        KorvexBut->SetEnabled(states.KorvexBut);
        CamPageBut->SetEnabled(states.CamPageBut);
        RestoreBut->SetEnabled(states.RestoreBut);
        Applybut->SetEnabled(states.Applybut);
        OKBut->SetEnabled(states.OKBut);
    }
    m_tray->ApplyControlStates(states);
}
