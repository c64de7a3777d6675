// Settings, the commit of a chosen cam, and which controls can be used.
#include "app/GeneralSettings.h"
#include "app/UMainForm.h"
#include "outreach/UMForm.h"
#include "platform/ULMRLib.h"
#include "wallpaper/RefreshRule.h"
#include "widgets/ImgBtn.h"

#include <QCheckBox>
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
        LanguageNumber = *settings->Language;
    if (settings->Stretch)
        SetStretch(*settings->Stretch);
}

void TMainForm::SaveSettings() {
    SaveGeneralSettings(Stretch, Active, ShowMessages, LanguageNumber);
}

void TMainForm::SetActive(bool value) {
    Active = value;
    Active1->setChecked(value);
}

void TMainForm::SetStretch(bool value) {
    Stretch = value;
    if (StretchCheck)
        StretchCheck->setChecked(value);
}

void TMainForm::SetShowMessages(bool value) {
    ShowMessages = value;
    Showmessages1->setChecked(value);
}

void TMainForm::CommitSelection() {
    ActiveCam->RefID = SelectedCam->RefID;
    ActiveCam->URL = SelectedCam->URL;
    ActiveCam->Name = SelectedCam->Name;
    ActiveCam->Description = SelectedCam->Description;
    ActiveCam->Country = SelectedCam->Country;
    ActiveCam->Category = SelectedCam->Category;
    ActiveCam->Webpage = SelectedCam->Webpage;
    // The field is checked only when it loses focus, so OK can meet a 0 or a negative number here:
    // those get the leaving rule's value, as a timer cannot run with them.
    ActiveCam->Refresh = RefreshFromText(RefreshEdit->text(), SelectedCam->Refresh);
    Stretch = StretchCheck->isChecked();
    Cycle().SetRefresh(ActiveCam->Refresh);
    SaveSettings();
    ActiveCam->SaveToRegistry();
}

void TMainForm::OKButClick() {
    ApplySelection(true);
}

void TMainForm::ApplybutClick() {
    ApplySelection(false);
}

void TMainForm::ApplySelection(bool hideWindow) {
    // Only a loaded preview can be applied; a running one refuses the click.
    if (PreviewBusy)
        return;
    CommitSelection();
    if (hideWindow)
        hide();
    if (!Active) {
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
    ShowPreview(ActiveCam);
}

void TMainForm::RefreshEditExit() {
    bool isNumber = false;
    const qlonglong typed = RefreshEdit->text().toLongLong(&isNumber);
    if (!isNumber || !IsUsableRefresh(typed))
        RefreshEdit->setText(QString::number(SelectedCam ? SelectedCam->Refresh : TWebCam::DefaultRefresh));
}

void TMainForm::Active1Click() {
    // The timer keeps running; while inactive its ticks do nothing.
    SetActive(!Active);
    SaveSettings();
}

void TMainForm::Showmessages1Click() {
    SetShowMessages(!ShowMessages);
    SaveSettings();
}

void TMainForm::SAM(TMForm* Sender) {
    SetShowMessages(Sender->ShowMessagesChoice);
    SaveSettings();
}

void TMainForm::ShowConfiguration() {
    if (!IsFirstRun()) {
        TWebCamPtr listCam;
        if (ActiveCam->RefID != 0 && CamList)
            listCam = CamList->FindByRefID(ActiveCam->RefID);
        ShowPreview(listCam ? listCam : ActiveCam);
    }
    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    show();
    raise();
    activateWindow();
}

TControlInputs TMainForm::CurrentControlInputs() const {
    TControlInputs inputs;
    inputs.HasPreviewCam = PreviewCam != nullptr;
    if (PreviewCam) {
        inputs.PreviewCategory = PreviewCam->Category;
        inputs.PreviewURL = PreviewCam->URL;
    }
    inputs.HasSelectedCam = SelectedCam != nullptr;
    if (SelectedCam)
        inputs.SelectedURL = SelectedCam->URL;
    if (ActiveCam)
        inputs.ActiveURL = ActiveCam->URL;
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
        PlusBut->SetEnabled(states.PlusBut);
        MinusBut->SetEnabled(states.MinusBut);
        EditBut->SetEnabled(states.EditBut);
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
    Configure1->setEnabled(states.Configure1);
    LanguagesRoot->menuAction()->setEnabled(states.LanguagesRoot);
    Active1->setEnabled(states.Active1);
    Showmessages1->setEnabled(states.Showmessages1);
    Runonstartup1->setEnabled(states.Runonstartup1);
    Shutdownandkeepwallpaper1->setEnabled(states.Shutdownandkeepwallpaper1);
    Shutdown1->setEnabled(states.Shutdown1);
}
