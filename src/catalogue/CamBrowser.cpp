// The cam browser at work: previews of the chosen cam, the tree with its country filter, and the
// custom cams the user adds, edits and deletes.
#include "catalogue/CamBrowser.h"

#include "catalogue/CamTree.h"
#include "catalogue/CamTreeView.h"
#include "catalogue/CountryBox.h"
#include "catalogue/CustomCamFields.h"
#include "catalogue/PreviewPicture.h"
#include "catalogue/UCamForm.h"
#include "core/DisplayText.h"
#include "core/LogCategories.h"
#include "core/picture/Picture.h"
#include "core/picture/PictureExtension.h"
#include "net/HTTPGet.h"
#include "platform/ULMRLib.h"
#include "widgets/BuiltinPictures.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QSignalBlocker>

TCamBrowser::TCamBrowser(std::function<TCamForm&()> camForm, QWidget* parent)
    : QWidget(parent)
    , m_camForm(std::move(camForm)) {
    setObjectName(QStringLiteral("CamBrowser"));
    TreeModel = new TCamTreeModel(this);
    PGet = CreatePreviewFetcher();
}

TCamBrowser::~TCamBrowser() {
    Clear();
}

void TCamBrowser::Reset() {
    m_camList.reset();
    m_selectedCam = std::make_shared<TWebCam>();
}

void TCamBrowser::ShowCatalogue() {
    if (m_camList)
        TreeModel->FillTree(*m_camList);
    m_catalogueShown = true;
    if (ControlsMade())
        FillCountryBox();
}

TWebCamPtr TCamBrowser::FirstCam() const {
    return TreeModel->CamOf(TreeModel->FirstCamNode());
}

void TCamBrowser::ShowAllCountries() {
    if (!ControlsMade())
        return;
    const QSignalBlocker quiet(CountryBox);
    CountryBox->setCurrentIndex(0);
}

void TCamBrowser::Clear() {
    TreeModel->Clear();
    SetPreviewBusy(false);
}

THTTPGet* TCamBrowser::CreatePreviewFetcher() {
    auto* fetcher = new THTTPGet(this);
    fetcher->AcceptTypes = "*/*";
    fetcher->Agent = THTTPGet::BrowserAgent;
    fetcher->MaxFileSize = MaxPictureFileBytes;
    fetcher->BinaryData = true;
    fetcher->UseCache = false;
    fetcher->WaitThread = false;
    connect(fetcher, &THTTPGet::OnDoneFile, this, &TCamBrowser::PGetDoneFile);
    connect(fetcher, &THTTPGet::OnError, this, &TCamBrowser::PGetError);
    return fetcher;
}

void TCamBrowser::SetPreviewBusy(bool busy) {
    // The hourglass covers the whole application, once, for as long as a preview runs.
    if (busy && !m_previewBusy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else if (!busy && m_previewBusy)
        QApplication::restoreOverrideCursor();
    m_previewBusy = busy;
}

void TCamBrowser::ShowPreview(const TWebCamPtr& cam) {
    if (!cam)
        return;
    Q_EMIT ControlsWanted();
    MakeControls();
    // Already on its way, unless the cam's address was edited since its preview started.
    if (m_previewBusy && m_previewCam == cam && PGetTag == 0 && PGet->URL == cam->URL)
        return;
    if (PGet->Busy()) {
        // The running preview gives way, so that the picture shown and SelectedCam are always the
        // same cam. A busy fetcher would drop the new request: a fresh one takes it, and the old one
        // is let go without reporting.
        PGet->disconnect(this);
        PGet->deleteLater();
        PGet = CreatePreviewFetcher();
    }
    PGetTag = 0;
    m_previewCam = cam;
    SetPreviewBusy(true);
    PGet->URL = cam->URL;
    PGet->FileName =
        CacheDirectory() + QStringLiteral("/PTMP") + QString::fromLatin1(PictureExtension(cam->URL));
    PGet->FetchFile();
    Q_EMIT Changed();
}

void TCamBrowser::PGetDoneFile(THTTPGet* Sender, const QString& FileName, qint64) {
    if (Sender != PGet || PGetTag != 0 || !m_previewCam)
        return;
    const TResult<QImage> picture = LoadPreviewPicture(FileName, PreviewImage->size());
    if (!picture) {
        qCWarning(lcPreview, "preview not shown (%s): %s", qPrintable(Sender->LastTransferText()),
                  qPrintable(picture.Error()));
        ShowNotAvailable();
        return;
    }
    PreviewImage->setPixmap(QPixmap::fromImage(*picture));
    *m_selectedCam = *m_previewCam;
    TitleLabel->setText(DisplayText(m_selectedCam->Name));
    DescriptionLabel->setText(DisplayText(m_selectedCam->Description));
    Q_EMIT PreviewLoaded(m_selectedCam->Refresh);
    SelectNodeQuietly(m_selectedCam->RefID, false);
    SetPreviewBusy(false);
    Q_EMIT Changed();
}

void TCamBrowser::PGetError(THTTPGet* Sender) {
    if (Sender != PGet || PGetTag != 0)
        return;
    qCWarning(lcPreview, "preview not fetched (%s): %s", qPrintable(Sender->LastTransferText()),
              Sender->LastFailure().constData());
    ShowNotAvailable();
}

void TCamBrowser::ShowNotAvailable() {
    TitleLabel->setText(QStringLiteral("Sorry...not available"));
    if (ErrorImage.isNull())
        ErrorImage = BuiltinPicture(QStringLiteral("mainform/notavailable"));
    PreviewImage->setPixmap(ErrorImage);
    DescriptionLabel->setText((m_previewCam ? DisplayText(m_previewCam->Name) : QString()) +
                              QStringLiteral(" is not available at the moment. Please try again later."));
    SetPreviewBusy(false);
    Q_EMIT Changed();
}

void TCamBrowser::CancelPreview() {
    PGet->Cancel();
    PGetTag = 1;
    if (m_selectedCam)
        SelectNodeQuietly(m_selectedCam->RefID, false);
    SetPreviewBusy(false);
    Q_EMIT Changed();
}

void TCamBrowser::SelectNodeQuietly(qint32 refid, bool askChanging) {
    const QModelIndex node = TreeModel->LastNodeOf(refid);
    if (!TreeView || !node.isValid() || (askChanging && !TreeViewChanging(node)))
        return;
    m_treeHandlersOff = true;
    TreeView->selectionModel()->setCurrentIndex(node, QItemSelectionModel::ClearAndSelect);
    TreeView->scrollTo(node);
    m_treeHandlersOff = false;
}

void TCamBrowser::SelectNode(const QModelIndex& node) {
    if (node.isValid() && TreeViewChanging(node))
        TreeView->selectionModel()->setCurrentIndex(node, QItemSelectionModel::ClearAndSelect);
}

QModelIndex TCamBrowser::SelectedNode() const {
    const QModelIndexList selected = TreeView->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? QModelIndex() : selected.first();
}

bool TCamBrowser::TreeViewChanging(const QModelIndex& Node) {
    return !m_previewBusy && TreeModel->CamOf(Node) != nullptr;
}

void TCamBrowser::TreeViewChange(const QModelIndex& Node) {
    if (m_treeHandlersOff)
        return;
    if (const TWebCamPtr cam = TreeModel->CamOf(Node))
        ShowPreview(cam);
    Q_EMIT Changed();
}

void TCamBrowser::TreeViewMouseDown(const QModelIndex& Node) {
    if (m_previewBusy || !TreeModel->IsCategory(Node))
        return;
    // A category has only cams below it: toggling it toggles everything below.
    if (TreeView->isExpanded(Node))
        TreeView->collapse(Node);
    else
        TreeView->expand(Node);
}

void TCamBrowser::TreeViewExpanded(const QModelIndex& Node) {
    TreeModel->SetImageIndex(Node, TCamTreeModel::ExpandedImage);
}

void TCamBrowser::TreeViewCollapsed(const QModelIndex& Node) {
    TreeModel->SetImageIndex(Node, TCamTreeModel::CollapsedImage);
}

void TCamBrowser::CountryBoxChange(int index) {
    if (!m_camList)
        return;
    if (index <= 1)
        TreeModel->FillTree(*m_camList);
    else
        TreeModel->FillTreeByCountry(*m_camList, CountryOfEntry(CountryBox, index));
    if (m_selectedCam && !m_selectedCam->URL.isEmpty())
        SelectNodeQuietly(m_selectedCam->RefID, true);
    Q_EMIT Changed();
}

QString TCamBrowser::CustomCamsPath() {
    return DataDirectory() + QStringLiteral("/Custom.Cams");
}

void TCamBrowser::StoreCustomCams() {
    if (!m_camList)
        return;
    const QString failure = m_camList->SaveCustom(CustomCamsPath());
    if (!failure.isEmpty())
        qCWarning(lcCatalogue, "custom cams not saved: %s", qPrintable(failure));
}

void TCamBrowser::PlusButClick() {
    TCamForm& dialog = m_camForm();
    dialog.setWindowTitle(dialog.NewCaptionText);
    Q_EMIT DialogOpening();
    WriteCamFields(nullptr, dialog);
    if (dialog.Execute()) {
        if (!m_camList)
            m_camList = std::make_shared<TCamList>();
        const TWebCamPtr cam = m_camList->Add();
        cam->RefID = m_camList->NewRefID();
        ReadCamFields(dialog, *cam);
        if (cam->Name.isEmpty())
            cam->Name = m_camList->NewCustomName();
        SelectNode(TreeModel->AddToTree(cam));
        ShowPreview(cam);
        StoreCustomCams();
    }
    Q_EMIT Changed();
}

void TCamBrowser::EditButClick() {
    const QModelIndex node = SelectedNode();
    const TWebCamPtr cam = TreeModel->CamOf(node);
    // After Esc or Restore the selected node's cam is the one meant; only custom cams are edited.
    if (!cam || !cam->IsCustom()) {
        Q_EMIT Changed();
        return;
    }
    TCamForm& dialog = m_camForm();
    dialog.setWindowTitle(dialog.EditCaptionText);
    Q_EMIT DialogOpening();
    WriteCamFields(cam.get(), dialog);
    if (dialog.Execute()) {
        ReadCamFields(dialog, *cam);
        if (m_camList)
            m_camList->Changed();
        TreeModel->SetNodeText(node, DisplayText(cam->Name));
        ShowPreview(cam);
        StoreCustomCams();
    }
    Q_EMIT Changed();
}

void TCamBrowser::MinusButClick() {
    const QModelIndex node = SelectedNode();
    const TWebCamPtr cam = TreeModel->CamOf(node);
    if (!m_previewCam || !cam || !cam->IsCustom() || !m_camList)
        return;
    const int siblings = TreeModel->rowCount(node.parent());
    const int siblingRow = node.row() + 1 < siblings ? node.row() + 1 : node.row() - 1;
    const QPersistentModelIndex sibling = node.siblingAtRow(siblingRow);

    if (m_previewBusy && m_previewCam == cam)
        CancelPreview();
    m_camList->DeleteByRefID(cam->RefID);
    StoreCustomCams();
    TreeModel->DeleteNode(node);
    if (m_previewCam == cam)
        m_previewCam = nullptr;
    // The category node stays, even without cams, until the tree is filled again.
    if (sibling.isValid())
        SelectNode(sibling);
    Q_EMIT Changed();
}
