// What a catalogue reply rebuilds, and what a failed catalogue request leads to.
#include "app/GeneralSettings.h"
#include "app/LanguagesMenu.h"
#include "app/UMainForm.h"
#include "catalogue/CamBrowser.h"
#include "catalogue/CatalogueExchange.h"
#include "catalogue/CountryBox.h"
#include "catalogue/UCamForm.h"
#include "core/CatalogueRequest.h"
#include "core/LogCategories.h"
#include "outreach/UAttentionForm.h"
#include "outreach/UMForm.h"
#include "platform/FreeMemory.h"

void TMainForm::RequestCatalogue() {
    const qint32 storedRefID = StoredActiveRefID();
    // The window stays disabled until a reply has been handled.
    setEnabled(false);
    m_catalogue->Request(m_languageNumber, storedRefID);
}

void TMainForm::PHPGetDoneString(const QByteArray& Result) {
    RebuildCatalogue(Result);
    FinishCatalogueReply();
}

void TMainForm::RebuildCatalogue(const QByteArray& reply) {
    auto languages = std::make_unique<TLanguageList>();
    TLanguageList& languageList = *languages;
    m_languages->SetLanguageList(std::move(languages));
    auto cams = std::make_shared<TCamList>();
    m_browser->SetCamList(cams);
    LoadCustomCamsFile(*cams, TCamBrowser::CustomCamsPath());
    ReadCatalogueRecords(reply, *cams, languageList);

    m_languages->BuildLanguagesMenu();
    m_languages->CheckLanguagePack(m_languageNumber);

    m_browser->ShowCatalogue();
    if (TCamForm* camForm = m_camForm.Made())
        AddCountries(*cams, camForm->CountryEdit);
    m_catalogueArrived = true;
    if (ControlsMade())
        PlaceRightButtons(true);

    if (IsFirstRun())
        m_browser->ShowPreview(m_browser->FirstCam());
    if (m_showMessages)
        m_mForm.Need().RequestMessage(m_languageNumber);
}

void TMainForm::FinishCatalogueReply() {
    setEnabled(true);
    UpdateControls();
    Cycle().SwitchOn();
    // Only the entry changes: the tree already shows every cam.
    m_browser->ShowAllCountries();
    const TWebCamPtr& selected = m_browser->SelectedCam();
    if (isVisible() && selected && selected->RefID != 0 && m_browser->CamList()) {
        if (const TWebCamPtr chosen = m_browser->CamList()->FindByRefID(selected->RefID))
            m_browser->ShowPreview(chosen);
    }
    // The reply, the records read from it and any language pack unpacked are done with.
    FreeMemory::ReturnFreePagesSoon();
}

void TMainForm::PHPGetError() {
    // The notice runs its own loop while the window stays disabled; the cycle goes on meanwhile.
    if (!m_attentionForm.Need().ShowNoConnection()) {
        ShutDown();
        return;
    }
    m_catalogue->ReplaceFetcher();
    RequestCatalogue();
}
