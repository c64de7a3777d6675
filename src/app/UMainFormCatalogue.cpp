// The catalogue exchange: the request to the catalogue server and what its reply rebuilds.
#include "app/GeneralSettings.h"
#include "app/UMainForm.h"
#include "catalogue/CamTree.h"
#include "catalogue/CamTreeView.h"
#include "catalogue/CountryBox.h"
#include "catalogue/UCamForm.h"
#include "core/CatalogueRequest.h"
#include "core/DisplayText.h"
#include "core/LogCategories.h"
#include "net/HTTPGet.h"
#include "outreach/UAttentionForm.h"
#include "outreach/UMForm.h"
#include "platform/FreeMemory.h"
#include "platform/ULMRLib.h"

#include <QComboBox>
#include <QSignalBlocker>

THTTPGet* TMainForm::CreateCatalogueFetcher(bool waitThread) {
    auto* fetcher = new THTTPGet(this);
    fetcher->Agent = "LMR";
    fetcher->AcceptTypes = "*/*";
    fetcher->BinaryData = false;
    fetcher->UseCache = false;
    fetcher->WaitThread = waitThread;
    connect(fetcher, &THTTPGet::OnDoneString, this, &TMainForm::PHPGetDoneString);
    connect(fetcher, &THTTPGet::OnError, this, &TMainForm::PHPGetError);
    return fetcher;
}

void TMainForm::RequestCatalogue() {
    const qint32 storedRefID = StoredActiveRefID();
    // The window stays disabled until a reply has been handled.
    setEnabled(false);
    if (!PHPGet)
        PHPGet = CreateCatalogueFetcher(true);
    PHPGet->URL = CatalogueServer::ScriptUrl(CatalogueServer::CatalogueScript);
    PHPGet->PostQuery = CatalogueRequestBody(LanguageNumber, ComputerIdentifier().toLatin1(), storedRefID);
    PHPGet->FetchString();
}

void TMainForm::LoadCustomCams() {
    LoadCustomCamsFile(*CamList, CustomCamsPath());
}

void TMainForm::PHPGetDoneString(THTTPGet*, const QByteArray& Result) {
    try {
        RebuildCatalogue(Result);
    } catch (const std::exception& error) {
        // Whatever failed on the way (a language pack that cannot be unpacked, say), the window
        // must not stay disabled and the refresh cycle must go on.
        qCWarning(lcCatalogue, "the catalogue reply was not taken whole: %s", error.what());
    }
    FinishCatalogueReply();
}

void TMainForm::RebuildCatalogue(const QByteArray& reply) {
    LanguageList = std::make_unique<TLanguageList>();
    CamList = std::make_shared<TCamList>();
    LoadCustomCams();
    ReadCatalogueRecords(reply, *CamList, *LanguageList);

    BuildLanguagesMenu();
    CheckLanguagePack(LanguageNumber);

    TreeModel->FillTree(*CamList);
    if (TCamForm* camForm = m_camForm.Made())
        AddCountries(*CamList, camForm->CountryEdit);
    m_catalogueArrived = true;
    if (ControlsMade()) {
        FillCountryBox();
        PlaceRightButtons(true);
    }

    if (IsFirstRun()) {
        if (const TWebCamPtr first = TreeModel->CamOf(TreeModel->FirstCamNode()))
            ShowPreview(first);
    }
    if (ShowMessages)
        m_mForm.Need().RequestMessage(LanguageNumber);
}

void TMainForm::FillCountryBox() {
    CountryBox->clear();
    CountryBox->addItem(DisplayText(AllCountriesText));
    CountryBox->addItem(QString());
    if (CamList)
        AddCountries(*CamList, CountryBox);
}

void TMainForm::FinishCatalogueReply() {
    setEnabled(true);
    UpdateControls();
    Cycle().SwitchOn();
    if (ControlsMade()) {
        // Only the entry changes: the tree already shows every cam.
        const QSignalBlocker quiet(CountryBox);
        CountryBox->setCurrentIndex(0);
    }
    if (isVisible() && SelectedCam && SelectedCam->RefID != 0 && CamList) {
        if (const TWebCamPtr chosen = CamList->FindByRefID(SelectedCam->RefID))
            ShowPreview(chosen);
    }
    // The reply, the records read from it and any language pack unpacked are done with.
    FreeMemory::ReturnFreePagesSoon();
}

void TMainForm::PHPGetError(THTTPGet* Sender) {
    qCWarning(lcCatalogue, "catalogue not fetched (%s): %s", qPrintable(Sender->LastTransferText()),
              Sender->LastFailure().constData());
    // The notice runs its own loop while the window stays disabled; the cycle goes on meanwhile.
    if (!m_attentionForm.Need().ShowNoConnection()) {
        ShutDown();
        return;
    }
    // The failed fetcher counts as busy until this handler returns, so the retry needs a new one;
    // the old one stays with the window until the end.
    PHPGet = CreateCatalogueFetcher(false);
    RequestCatalogue();
}
