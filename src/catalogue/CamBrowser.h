#pragma once

#include "core/LanguageFile.h"
#include "core/UCams.h"
#include "widgets/Skins.h"

#include <QPixmap>
#include <QWidget>
#include <functional>
#include <memory>

class QComboBox;
class QLabel;
class QModelIndex;
class TCamForm;
class TCamTreeModel;
class TCamTreeView;
class THTTPGet;
class TImgBtn;

// The cam part of the configuration window: the tree of cams by category with its country filter,
// the preview of the chosen cam with its title and description, and the buttons that add, edit and
// delete custom cams. It keeps the cam whose preview loaded last (`SelectedCam`, the one OK applies)
// and the cam previewed last (`PreviewCam`). It lies over the whole window, transparent, so that its
// controls keep the window's coordinates; its controls are made with the window's.
class TCamBrowser : public QWidget {
    Q_OBJECT
public:
    // `camForm` gives the cam dialog, which its owner makes when first needed.
    TCamBrowser(std::function<TCamForm&()> camForm, QWidget* parent);
    ~TCamBrowser() override;

    // A start: no catalogue yet, and an empty selected cam.
    void Reset();
    // The catalogue of a reply, custom cams included; ShowCatalogue puts it in the tree and the
    // country box.
    void SetCamList(std::shared_ptr<TCamList> cams) { m_camList = std::move(cams); }
    void ShowCatalogue();
    const std::shared_ptr<TCamList>& CamList() const { return m_camList; }
    // The first cam of the first category; none for an empty tree.
    TWebCamPtr FirstCam() const;
    // The country box shows "all countries" again; the tree already shows every cam.
    void ShowAllCountries();
    // The program ends: the tree is emptied and the hourglass given back.
    void Clear();

    void ShowPreview(const TWebCamPtr& cam);
    // Esc: the running preview's outcome is ignored and the chosen cam's node selected again.
    void CancelPreview();
    bool PreviewBusy() const { return m_previewBusy; }
    // Esc cancelled the last preview: its outcome is not shown.
    bool PreviewCancelled() const { return PGetTag != 0; }
    const TWebCamPtr& SelectedCam() const { return m_selectedCam; }
    const TWebCamPtr& PreviewCam() const { return m_previewCam; }
    static QString CustomCamsPath();

    // The controls, with their built-in pictures; a program that stays in the tray never makes them.
    void MakeControls();
    bool ControlsMade() const { return TreeView != nullptr; }
    void SetButtonsEnabled(bool plus, bool minus, bool edit);
    // The buttons with the skin names of their pictures.
    QList<Skins::TButtonSkin> SkinnedButtons() const;
    // The language texts of the browser's part of the window (block "mainform").
    void AddTexts(TTextTable& texts);

Q_SIGNALS:
    // The window's controls are wanted now: a preview needs the size of its picture.
    void ControlsWanted();
    // What the enable rules read has changed: a preview started, loaded or failed, a node changed.
    void Changed();
    // The cam dialog opens: every control waits until it closes.
    void DialogOpening();
    // A preview loaded; the refresh field shows its cam's period.
    void PreviewLoaded(int refresh);

private:
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

    void CreateControls();
    void ConnectControlHandlers();
    // "All countries", a blank entry, then the catalogue's countries.
    void FillCountryBox();
    THTTPGet* CreatePreviewFetcher();
    void SetPreviewBusy(bool busy);
    void ShowNotAvailable();
    // Selects the last node of the cam with this number with TreeViewChange off; `askChanging`
    // keeps TreeViewChanging on.
    void SelectNodeQuietly(qint32 refid, bool askChanging);
    // Selects a node as the user would, with both selection handlers on.
    void SelectNode(const QModelIndex& node);
    QModelIndex SelectedNode() const;

    std::function<TCamForm&()> m_camForm;
    std::shared_ptr<TCamList> m_camList;
    TWebCamPtr m_selectedCam;
    TWebCamPtr m_previewCam;
    bool m_previewBusy = false;
    bool m_catalogueShown = false;
    bool m_treeHandlersOff = false;
    // The fetcher of previews; replaced when a preview gives way to another.
    THTTPGet* PGet = nullptr;
    // 0 while the running preview's outcome is wanted, 1 after Esc cancelled it.
    int PGetTag = 0;
    QByteArray AllCountriesText = "All Countries";
    // The picture a failed preview shows; made when a preview first fails.
    QPixmap ErrorImage;

    TCamTreeModel* TreeModel = nullptr;
    TImgBtn* PlusBut = nullptr;
    TImgBtn* MinusBut = nullptr;
    TImgBtn* EditBut = nullptr;
    QLabel* CountryLabel = nullptr;
    QComboBox* CountryBox = nullptr;
    TCamTreeView* TreeView = nullptr;
    QLabel* TitleLabel = nullptr;
    QLabel* PreviewImage = nullptr;
    QLabel* DescriptionLabel = nullptr;
};
