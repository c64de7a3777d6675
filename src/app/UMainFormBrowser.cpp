// The cam browser: the tree with its country filter, the preview of the chosen cam, and the
// custom cams the user adds, edits and deletes.
#include "app/UMainForm.h"
#include "catalogue/CamTree.h"
#include "catalogue/CamTreeView.h"
#include "catalogue/CountryBox.h"
#include "catalogue/CustomCamFields.h"
#include "catalogue/PreviewPicture.h"
#include "catalogue/UCamForm.h"
#include "core/DisplayText.h"
#include "core/LogCategories.h"
#include "core/picture/Picture.h"
#include "net/HTTPGet.h"
#include "platform/ULMRLib.h"
#include "wallpaper/PictureExtension.h"
#include "widgets/BuiltinPictures.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

THTTPGet* TMainForm::CreatePreviewFetcher() {
    auto* fetcher = new THTTPGet(this);
    fetcher->AcceptTypes = "*/*";
    fetcher->Agent = THTTPGet::BrowserAgent;
    fetcher->MaxFileSize = MaxPictureFileBytes;
    fetcher->BinaryData = true;
    fetcher->UseCache = false;
    fetcher->WaitThread = false;
    connect(fetcher, &THTTPGet::OnDoneFile, this, &TMainForm::PGetDoneFile);
    connect(fetcher, &THTTPGet::OnError, this, &TMainForm::PGetError);
    return fetcher;
}

void TMainForm::SetPreviewBusy(bool busy) {
    // The hourglass covers the whole application, once, for as long as a preview runs.
    if (busy && !PreviewBusy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else if (!busy && PreviewBusy)
        QApplication::restoreOverrideCursor();
    PreviewBusy = busy;
}

void TMainForm::ShowPreview(const TWebCamPtr& cam) {
    if (!cam)
        return;
    MakeControls();
    // Already on its way, unless the cam's address was edited since its preview started.
    if (PreviewBusy && PreviewCam == cam && PGetTag == 0 && PGet->URL == cam->URL)
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
    PreviewCam = cam;
    SetPreviewBusy(true);
    PGet->URL = cam->URL;
    PGet->FileName =
        DataDirectory() + QStringLiteral("/PTMP") + QString::fromLatin1(PictureExtension(cam->URL));
    PGet->FetchFile();
    UpdateControls();
}

void TMainForm::PGetDoneFile(THTTPGet* Sender, const QString& FileName, qint64) {
    if (Sender != PGet || PGetTag != 0 || !PreviewCam)
        return;
    QString error;
    const std::optional<QImage> picture = LoadPreviewPicture(FileName, PreviewImage->size(), &error);
    if (!picture) {
        qCWarning(lcPreview, "preview not shown (%s): %s", qPrintable(Sender->LastTransferText()),
                  qPrintable(error));
        ShowNotAvailable();
        return;
    }
    PreviewImage->setPixmap(QPixmap::fromImage(*picture));
    *SelectedCam = *PreviewCam;
    TitleLabel->setText(DisplayText(SelectedCam->Name));
    DescriptionLabel->setText(DisplayText(SelectedCam->Description));
    RefreshEdit->setText(QString::number(SelectedCam->Refresh));
    SelectNodeQuietly(SelectedCam->RefID, false);
    SetPreviewBusy(false);
    UpdateControls();
}

void TMainForm::PGetError(THTTPGet* Sender) {
    if (Sender != PGet || PGetTag != 0)
        return;
    qCWarning(lcPreview, "preview not fetched (%s): %s", qPrintable(Sender->LastTransferText()),
              Sender->LastFailure().constData());
    ShowNotAvailable();
}

void TMainForm::ShowNotAvailable() {
    TitleLabel->setText(QStringLiteral("Sorry...not available"));
    if (ErrorImage.isNull())
        ErrorImage = BuiltinPicture(QStringLiteral("mainform/notavailable"));
    PreviewImage->setPixmap(ErrorImage);
    DescriptionLabel->setText((PreviewCam ? DisplayText(PreviewCam->Name) : QString()) +
                              QStringLiteral(" is not available at the moment. Please try again later."));
    SetPreviewBusy(false);
    UpdateControls();
}

void TMainForm::CancelPreview() {
    PGet->Cancel();
    PGetTag = 1;
    if (SelectedCam)
        SelectNodeQuietly(SelectedCam->RefID, false);
    SetPreviewBusy(false);
    UpdateControls();
}

void TMainForm::SelectNodeQuietly(qint32 refid, bool askChanging) {
    const QModelIndex node = TreeModel->LastNodeOf(refid);
    if (!TreeView || !node.isValid() || (askChanging && !TreeViewChanging(node)))
        return;
    m_treeHandlersOff = true;
    TreeView->selectionModel()->setCurrentIndex(node, QItemSelectionModel::ClearAndSelect);
    TreeView->scrollTo(node);
    m_treeHandlersOff = false;
}

void TMainForm::SelectNode(const QModelIndex& node) {
    if (node.isValid() && TreeViewChanging(node))
        TreeView->selectionModel()->setCurrentIndex(node, QItemSelectionModel::ClearAndSelect);
}

QModelIndex TMainForm::SelectedNode() const {
    const QModelIndexList selected = TreeView->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? QModelIndex() : selected.first();
}

bool TMainForm::TreeViewChanging(const QModelIndex& Node) {
    return !PreviewBusy && TreeModel->CamOf(Node) != nullptr;
}

void TMainForm::TreeViewChange(const QModelIndex& Node) {
    if (m_treeHandlersOff)
        return;
    if (const TWebCamPtr cam = TreeModel->CamOf(Node))
        ShowPreview(cam);
    UpdateControls();
}

void TMainForm::TreeViewMouseDown(const QModelIndex& Node) {
    if (PreviewBusy || !TreeModel->IsCategory(Node))
        return;
    // A category has only cams below it: toggling it toggles everything below.
    if (TreeView->isExpanded(Node))
        TreeView->collapse(Node);
    else
        TreeView->expand(Node);
}

void TMainForm::TreeViewExpanded(const QModelIndex& Node) {
    TreeModel->SetImageIndex(Node, TCamTreeModel::ExpandedImage);
}

void TMainForm::TreeViewCollapsed(const QModelIndex& Node) {
    TreeModel->SetImageIndex(Node, TCamTreeModel::CollapsedImage);
}

void TMainForm::CountryBoxChange(int index) {
    if (!CamList)
        return;
    if (index <= 1)
        TreeModel->FillTree(*CamList);
    else
        TreeModel->FillTreeByCountry(*CamList, CountryOfEntry(CountryBox, index));
    if (SelectedCam && !SelectedCam->URL.isEmpty())
        SelectNodeQuietly(SelectedCam->RefID, true);
    UpdateControls();
}

QString TMainForm::CustomCamsPath() {
    return DataDirectory() + QStringLiteral("/Custom.Cams");
}

void TMainForm::StoreCustomCams() {
    if (!CamList)
        return;
    const QString failure = CamList->SaveCustom(CustomCamsPath());
    if (!failure.isEmpty())
        qCWarning(lcCatalogue, "custom cams not saved: %s", qPrintable(failure));
}

void TMainForm::PlusButClick() {
    TCamForm* dialog = &m_camForm.Need();
    dialog->setWindowTitle(dialog->NewCaptionText);
    DisableControls();
    WriteCamFields(nullptr, *dialog);
    if (dialog->Execute()) {
        if (!CamList)
            CamList = std::make_shared<TCamList>();
        const TWebCamPtr cam = CamList->Add();
        cam->RefID = CamList->NewRefID();
        ReadCamFields(*dialog, *cam);
        if (cam->Name.isEmpty())
            cam->Name = CamList->NewCustomName();
        SelectNode(TreeModel->AddToTree(cam));
        ShowPreview(cam);
        StoreCustomCams();
    }
    UpdateControls();
}

void TMainForm::EditButClick() {
    const QModelIndex node = SelectedNode();
    const TWebCamPtr cam = TreeModel->CamOf(node);
    // After Esc or Restore the selected node's cam is the one meant; only custom cams are edited.
    TCamForm* dialog = cam && cam->IsCustom() ? &m_camForm.Need() : nullptr;
    if (!dialog) {
        UpdateControls();
        return;
    }
    dialog->setWindowTitle(dialog->EditCaptionText);
    DisableControls();
    WriteCamFields(cam.get(), *dialog);
    if (dialog->Execute()) {
        ReadCamFields(*dialog, *cam);
        if (CamList)
            CamList->Changed();
        TreeModel->SetNodeText(node, DisplayText(cam->Name));
        ShowPreview(cam);
        StoreCustomCams();
    }
    UpdateControls();
}

void TMainForm::MinusButClick() {
    const QModelIndex node = SelectedNode();
    const TWebCamPtr cam = TreeModel->CamOf(node);
    if (!PreviewCam || !cam || !cam->IsCustom() || !CamList)
        return;
    const int siblings = TreeModel->rowCount(node.parent());
    const int siblingRow = node.row() + 1 < siblings ? node.row() + 1 : node.row() - 1;
    const QPersistentModelIndex sibling = node.siblingAtRow(siblingRow);

    if (PreviewBusy && PreviewCam == cam)
        CancelPreview();
    CamList->DeleteByRefID(cam->RefID);
    StoreCustomCams();
    TreeModel->DeleteNode(node);
    if (PreviewCam == cam)
        PreviewCam = nullptr;
    // The category node stays, even without cams, until the tree is filled again.
    if (sibling.isValid())
        SelectNode(sibling);
    UpdateControls();
}
