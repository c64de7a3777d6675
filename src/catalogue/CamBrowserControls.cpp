// The cam browser's controls in their designed places, with their hints and language texts.
#include "catalogue/CamBrowser.h"
#include "catalogue/CamTree.h"
#include "catalogue/CamTreeView.h"
#include "catalogue/CountryBox.h"
#include "widgets/BuiltinPictures.h"
#include "widgets/DesignedControls.h"
#include "widgets/ImgBtn.h"
#include "widgets/TextTargets.h"

#include <QComboBox>
#include <QLabel>

void TCamBrowser::MakeControls() {
    if (ControlsMade())
        return;
    if (parentWidget())
        setGeometry(parentWidget()->rect());
    CreateControls();
    ConnectControlHandlers();
    if (m_catalogueShown)
        FillCountryBox();
}

void TCamBrowser::CreateControls() {
    PlusBut = MakeButton(this, 15, 363, QStringLiteral("Add a new custom cam"));
    MinusBut = MakeButton(this, 40, 363, QStringLiteral("Delete current custom cam"));
    EditBut = MakeButton(this, 65, 363, QStringLiteral("Edit current custom cam"));

    // A language's longer word for the country takes a second line beside the box.
    CountryLabel = MakeWrappingLabel(this, QStringLiteral("Country"), QRect(9, 108, 44, 26), Qt::AlignRight);
    CountryBox = new QComboBox(this);
    CountryBox->setGeometry(56, 111, 132, 21);
    CountryBox->setToolTip(QStringLiteral("Filter cam list by country"));
    CountryBox->addItem(QStringLiteral("All Countries"));

    TreeModel->SetImages(
        {BuiltinPicture(QStringLiteral("tree/collapsed")), BuiltinPicture(QStringLiteral("tree/expanded"))});
    TreeView = new TCamTreeView(this);
    TreeView->setGeometry(15, 138, 173, 221);
    TreeView->setModel(TreeModel);
    TreeView->setAccessibleName(QStringLiteral("Cams"));

    TitleLabel = MakeLabel(this, QString(), QRect(214, 113, 240, 21), Qt::AlignLeft);
    QFont titleFont = TitleLabel->font();
    titleFont.setBold(true);
    titleFont.setPixelSize(13);
    TitleLabel->setFont(titleFont);
    TitleLabel->setStyleSheet(QStringLiteral("color: rgb(81, 81, 81);"));

    PreviewImage = new QLabel(this);
    PreviewImage->setGeometry(214, 138, 240, 175);
    PreviewImage->setScaledContents(true);

    DescriptionLabel = MakeLabel(this, QString(), QRect(214, 319, 240, 40), Qt::AlignLeft);
    DescriptionLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    DescriptionLabel->setWordWrap(true);

    // These show the previewed cam and have no caption of their own.
    PreviewImage->setAccessibleName(QStringLiteral("Preview"));
    TitleLabel->setAccessibleName(QStringLiteral("Cam title"));
    DescriptionLabel->setAccessibleName(QStringLiteral("Cam description"));

    NameControls({{PlusBut, "PlusBut"},
                  {MinusBut, "MinusBut"},
                  {EditBut, "EditBut"},
                  {CountryLabel, "CountryLabel"},
                  {CountryBox, "CountryBox"},
                  {TreeView, "TreeView"},
                  {TitleLabel, "TitleLabel"},
                  {PreviewImage, "PreviewImage"},
                  {DescriptionLabel, "DescriptionLabel"}});
}

void TCamBrowser::ConnectControlHandlers() {
    connect(PlusBut, &TImgBtn::Click, this, &TCamBrowser::PlusButClick);
    connect(EditBut, &TImgBtn::Click, this, &TCamBrowser::EditButClick);
    connect(MinusBut, &TImgBtn::Click, this, &TCamBrowser::MinusButClick);
    connect(CountryBox, &QComboBox::activated, this, &TCamBrowser::CountryBoxChange);
    TreeView->CanSelect = [this](const QModelIndex& node) { return TreeViewChanging(node); };
    connect(TreeView, &TCamTreeView::MouseDown, this, &TCamBrowser::TreeViewMouseDown);
    connect(TreeView, &QTreeView::expanded, this, &TCamBrowser::TreeViewExpanded);
    connect(TreeView, &QTreeView::collapsed, this, &TCamBrowser::TreeViewCollapsed);
    connect(TreeView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected) {
                if (!selected.indexes().isEmpty())
                    TreeViewChange(selected.indexes().first());
            });
}

void TCamBrowser::FillCountryBox() {
    CountryBox->clear();
    CountryBox->addItem(DisplayText(AllCountriesText));
    CountryBox->addItem(QString());
    if (m_camList)
        AddCountries(*m_camList, CountryBox);
}

void TCamBrowser::SetButtonsEnabled(bool plus, bool minus, bool edit) {
    PlusBut->SetEnabled(plus);
    MinusBut->SetEnabled(minus);
    EditBut->SetEnabled(edit);
}

QList<Skins::TButtonSkin> TCamBrowser::SkinnedButtons() const {
    return {{"plus", PlusBut}, {"minus", MinusBut}, {"edit", EditBut}};
}

void TCamBrowser::AddTexts(TTextTable& texts) {
    using namespace TextTargets;
    texts.Add("allcountries", Field(AllCountriesText));
    // A browser never shown takes its captions and hints when its controls are made.
    if (!ControlsMade())
        return;
    texts.Add("country", Caption(CountryLabel))
        .Add("country_hint", Hint(CountryBox))
        .Add("image_hint", Hint(PreviewImage))
        .Add("plus_hint", Hint(PlusBut))
        .Add("minus_hint", Hint(MinusBut))
        .Add("edit_hint", Hint(EditBut));
}
